#include "platform/DiscVolume.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <vector>

#include "platform/CdTime.h"
#include "platform/LibcdioAccess.h"

namespace lintel {
namespace {

// The ISO 9660 volume of the disc: the primary volume descriptor of the last data track
// that has one (the last session's, on a disc written in several).
std::optional<VolumeInformation> IsoVolumeOf(CdIo_t* cdio, const CdToc& toc) {
    for (auto track = toc.tracks.rbegin(); track != toc.tracks.rend(); ++track) {
        if (!track->data || track->start < kLeadInFrames) {
            continue;
        }
        const lsn_t sector =
            static_cast<lsn_t>(track->start - kLeadInFrames + kIsoFirstDescriptorSector);
        std::array<unsigned char, kIsoDescriptorSize> descriptor{};
        if (cdio_read_data_sectors(cdio, descriptor.data(), sector, kIsoDescriptorSize, 1) !=
            DRIVER_OP_SUCCESS) {
            continue;
        }
        if (auto info = IsoVolumeInformation(descriptor)) {
            return info;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<DiscVolume> ReadDiscVolume(const std::string& source) {
    if (!IsCueSheet(source)) {
        const int fd = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return std::nullopt;
        }
        const DriveStatus status = DriveStatusOf(fd);
        close(fd);
        if (HoldsNoDisc(status)) {
            return std::nullopt;
        }
    }
    const CdioHandle cdio = OpenCdio(source);
    if (cdio == nullptr) {
        return std::nullopt;
    }
    const std::optional<CdToc> toc = TocOf(cdio.get());
    if (!toc) {
        return std::nullopt;
    }
    if (auto iso = IsoVolumeOf(cdio.get(), *toc)) {
        return DiscVolume{*iso, !toc->tracks.front().data};
    }
    return AudioDiscVolume(*toc);
}

}  // namespace lintel
