// What the libcdio drive and the volume reader share: a libcdio handle on a drive or a
// disc image, the kernel's report on the tray and the medium, and the table of contents
// as libcdio reads it. libcdio calls the absolute frame count (150 at 00:02:00) an LBA,
// and the drive's logical block address an LSN.
#pragma once

#include <cdio/cdio.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/CdAudioDevice.h"
#include "platform/CdDriveIo.h"

namespace lintel {

struct CdioCloser {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};
/// A libcdio handle, destroyed with its owner.
using CdioHandle = std::unique_ptr<CdIo_t, CdioCloser>;

/// True when `path` names a CUE sheet (it ends in ".cue", any case): a disc image.
[[nodiscard]] bool IsCueSheet(const std::string& path);

/// A plain, shared libcdio handle on the drive or CUE sheet at `source` (an exclusive
/// claim is the caller's business); null when libcdio cannot open it. libcdio's messages
/// on standard error are silenced: the program looks at return values instead.
[[nodiscard]] CdioHandle OpenCdio(const std::string& source);

/// The tray and medium of the drive open as `fd`.
[[nodiscard]] DriveStatus DriveStatusOf(int fd);

/// The table of contents as libcdio reads it, tracks renumbered from 1. Nothing when the
/// disc has no tracks, more than 99, or addresses that do not rise to the lead-out.
[[nodiscard]] std::optional<CdToc> TocOf(CdIo_t* cdio);

}  // namespace lintel
