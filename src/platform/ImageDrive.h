// A disc image (a CUE sheet and its files) as a drive: a disc that is always in, in a
// drive without a tray or audio output of its own. Its table of contents and titles come
// from the sheet, read when the drive is opened; play goes through a DigitalDrive over it,
// whose player reads the files with the source opener given beside the drive.
#pragma once

#include <memory>
#include <string>

#include "platform/CdDriveIo.h"
#include "platform/SectorSource.h"

namespace lintel {

/// The drive for the sheet at `sheetPath`, and the opener of the sectors of the image it
/// holds while open.
struct ImageDriveParts {
    std::unique_ptr<CdDriveIo> drive;
    SectorSourceOpener openSource;
};

/// Open claims the sheet with an exclusive lock, so a second drive on it, in this process
/// or another, fails to open, and reads the image: a sheet that cannot be read, or a file
/// of it that cannot be found, opened or understood, fails the open with a message naming
/// the sheet and the file.
[[nodiscard]] ImageDriveParts MakeImageDrive(std::string sheetPath);

}  // namespace lintel
