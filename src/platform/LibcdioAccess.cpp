#include "platform/LibcdioAccess.h"

#include <cdio/logging.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>

#include <mutex>

#include "platform/Cp932.h"

namespace lintel {
namespace {

void SilenceLibcdio() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler([](cdio_log_level_t, const char*) {}); });
}

}  // namespace

bool IsCueSheet(const std::string& path) {
    return path.size() >= 4 &&
           cp932::EqualsIgnoreCase(std::string_view(path).substr(path.size() - 4), ".cue");
}

CdioHandle OpenCdio(const std::string& source) {
    SilenceLibcdio();
    if (IsCueSheet(source)) {
        return CdioHandle(cdio_open_am(source.c_str(), DRIVER_BINCUE, nullptr));
    }
    return CdioHandle(cdio_open_am(source.c_str(), DRIVER_LINUX, "IOCTL"));
}

DriveStatus DriveStatusOf(int fd) {
    switch (ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT)) {
        case CDS_NO_DISC:
            return DriveStatus::NoDisc;
        case CDS_TRAY_OPEN:
            return DriveStatus::TrayOpen;
        case CDS_DRIVE_NOT_READY:
            return DriveStatus::NotReady;
        case CDS_DISC_OK:
            return DriveStatus::DiscOk;
        default:
            return DriveStatus::Unknown;
    }
}

std::optional<CdToc> TocOf(CdIo_t* cdio) {
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 ||
        first + count - 1 > 99) {
        return std::nullopt;
    }
    CdToc toc;
    for (int i = 0; i < count; ++i) {
        const track_t number = static_cast<track_t>(first + i);
        const lba_t start = cdio_get_track_lba(cdio, number);
        if (start == CDIO_INVALID_LBA || start < 0 ||
            (!toc.tracks.empty() && static_cast<std::uint32_t>(start) <= toc.tracks.back().start)) {
            return std::nullopt;
        }
        const track_format_t format = cdio_get_track_format(cdio, number);
        toc.tracks.push_back({static_cast<std::uint32_t>(start), format != TRACK_FORMAT_AUDIO});
    }
    const lba_t leadOut = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LBA ||
        static_cast<std::uint32_t>(leadOut) <= toc.tracks.back().start) {
        return std::nullopt;
    }
    toc.leadOut = static_cast<std::uint32_t>(leadOut);
    return toc;
}

}  // namespace lintel
