#include "platform/VolumeSerial.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/CdTime.h"

namespace lintel {
namespace {

// Minutes, seconds and frames of an absolute frame count, weighted as the serial adds them.
std::uint32_t SerialTerm(std::uint32_t frames) {
    const std::uint32_t msf = FramesToMsf(frames);
    return std::uint32_t{MCI_MSF_MINUTE(msf)} * 65536 + std::uint32_t{MCI_MSF_SECOND(msf)} * 256 +
           MCI_MSF_FRAME(msf);
}

}  // namespace

std::uint32_t AudioVolumeSerial(std::span<const std::uint32_t> trackStarts, std::uint32_t leadOut) {
    if (trackStarts.empty()) {
        return 0;
    }
    std::uint32_t sum = 0;  // unsigned arithmetic wraps modulo 2^32 as the serial must
    for (std::uint32_t start : trackStarts) {
        sum += SerialTerm(start);
    }
    if (trackStarts.size() < 3) {
        // Short discs would collide too often on the starts alone, so the frames of the
        // first start and the disc's length in frames are added.
        const std::uint32_t first = trackStarts.front();
        sum += MCI_MSF_FRAME(FramesToMsf(first)) + (leadOut > first ? leadOut - first : 0);
    }
    return sum;
}

bool IsPrimaryVolumeDescriptor(std::span<const unsigned char> sector) {
    return sector.size() >= kIsoDescriptorSize && sector[0] == 1 &&
           std::memcmp(sector.data() + 1, "CD001", 5) == 0 && sector[6] == 1;
}

std::uint32_t IsoVolumeSerial(std::span<const unsigned char> descriptor) {
    const std::size_t size = std::min(descriptor.size(), kIsoDescriptorSize);
    unsigned char sums[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < size; ++i) {
        sums[i % 4] = static_cast<unsigned char>(sums[i % 4] + descriptor[i]);
    }
    return std::uint32_t{sums[0]} << 24 | std::uint32_t{sums[1]} << 16 |
           std::uint32_t{sums[2]} << 8 | std::uint32_t{sums[3]};
}

std::optional<VolumeInformation> IsoVolumeInformation(std::span<const unsigned char> descriptor) {
    if (!IsPrimaryVolumeDescriptor(descriptor)) {
        return std::nullopt;
    }
    constexpr std::size_t kLabelOffset = 40;
    constexpr std::size_t kLabelSize = 32;
    std::size_t length = kLabelSize;
    while (length > 0 && (descriptor[kLabelOffset + length - 1] == ' ' ||
                          descriptor[kLabelOffset + length - 1] == '\0')) {
        --length;
    }
    VolumeInformation info;
    info.name.assign(reinterpret_cast<const char*>(descriptor.data() + kLabelOffset), length);
    info.serial = IsoVolumeSerial(descriptor);
    return info;
}

std::optional<DiscVolume> AudioDiscVolume(const CdToc& toc) {
    std::vector<std::uint32_t> starts;
    bool audio = false;
    for (const CdTrack& track : toc.tracks) {
        starts.push_back(track.start);
        audio = audio || !track.data;
    }
    if (!audio) {
        return std::nullopt;
    }
    DiscVolume volume;
    volume.info.name = kAudioVolumeName;
    volume.info.serial = AudioVolumeSerial(starts, toc.leadOut);
    volume.track01Cda = !toc.tracks.front().data;
    return volume;
}

}  // namespace lintel
