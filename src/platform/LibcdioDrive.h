// A real CD drive (/dev/sr0 and so on) as a CdDriveIo, through the kernel's CD-ROM ioctls
// and libcdio. libcdio's image driver also opens a plain CUE sheet and its BIN file, which
// tests and benchmarks use in place of a drive; the program reads disc images with its
// own parser (ImageDrive.h).
#pragma once

#include <memory>
#include <string>

#include "platform/CdDriveIo.h"

namespace lintel {

/// The drive or image at `source`: a device node ("/dev/sr0") is claimed with O_EXCL and
/// O_NONBLOCK and locked, and plays through the drive's own audio output; a CUE sheet is
/// read by libcdio's image driver and locked, has no tray and cannot play.
[[nodiscard]] std::unique_ptr<CdDriveIo> MakeLibcdioDrive(std::string source);

}  // namespace lintel
