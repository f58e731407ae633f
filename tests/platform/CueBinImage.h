// Writes a small disc image (a BIN file of raw 2,352-byte sectors and its CUE sheet) so
// that the libcdio back end can be tried without a drive.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lintel::test {

struct ImageTrack {
    bool data = false;          ///< a MODE1/2352 track rather than audio
    std::uint32_t sectors = 0;  ///< its length
};

inline constexpr std::size_t kRawSectorSize = 2352;

/// Tracks of 1000, 2000 and 3000 sectors: starts 00:02:00, 00:15:25, 00:42:00.
inline const std::vector<ImageTrack> kThreeAudioTracks = {
    {false, 1000}, {false, 2000}, {false, 3000}};

/// A primary volume descriptor that is zero but for its header and its volume identifier
/// `label`, padded with blanks.
inline std::vector<unsigned char> PrimaryVolumeDescriptor(const char* label) {
    std::vector<unsigned char> pvd(2048, 0);
    pvd[0] = 1;
    std::memcpy(pvd.data() + 1, "CD001", 5);
    pvd[6] = 1;
    std::memset(pvd.data() + 40, ' ', 32);
    std::memcpy(pvd.data() + 40, label, std::min<std::size_t>(std::strlen(label), 32));
    return pvd;
}

/// Byte `i` of audio sector `sector` (counted from the start of the image): a sound that
/// differs in every byte, so a sample out of place, doubled or byte-swapped shows.
inline unsigned char AudioByte(std::uint32_t sector, std::size_t i) {
    std::uint32_t x = sector * 2654435761u + static_cast<std::uint32_t>(i) * 40503u;
    x ^= x >> 15;
    return static_cast<unsigned char>(x * 2246822519u >> 24);
}

/// Writes `name`.bin and `name`.cue into `folder` and returns the CUE sheet's path. The
/// tracks follow each other without gaps, track 1 at sector 0 (frame 150). Audio sectors
/// hold AudioByte; each data track holds `descriptor` (when not empty) as the user data
/// of its sector 16.
inline std::string WriteCueBinImage(const std::filesystem::path& folder, const std::string& name,
                                    const std::vector<ImageTrack>& tracks,
                                    const std::vector<unsigned char>& descriptor = {}) {
    std::ofstream bin(folder / (name + ".bin"), std::ios::binary);
    std::ofstream cue(folder / (name + ".cue"), std::ios::binary);
    cue << "FILE \"" << name << ".bin\" BINARY\n";
    std::uint32_t sector = 0;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        char line[128];
        std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02u:%02u:%02u\n", t + 1,
                      tracks[t].data ? "MODE1/2352" : "AUDIO", sector / 4500, sector / 75 % 60,
                      sector % 75);
        cue << line;
        for (std::uint32_t i = 0; i < tracks[t].sectors; ++i, ++sector) {
            unsigned char raw[kRawSectorSize] = {};
            if (tracks[t].data) {
                // Sync pattern, then the header: address (BCD MSF, with the two seconds of
                // lead-in) and mode 1.
                std::memset(raw + 1, 0xFF, 10);
                const std::uint32_t frame = sector + 150;
                const auto bcd = [](std::uint32_t v) {
                    return static_cast<unsigned char>(v / 10 * 16 + v % 10);
                };
                raw[12] = bcd(frame / 4500);
                raw[13] = bcd(frame / 75 % 60);
                raw[14] = bcd(frame % 75);
                raw[15] = 1;
                if (i == 16 && !descriptor.empty()) {
                    std::memcpy(raw + 16, descriptor.data(),
                                std::min<std::size_t>(descriptor.size(), 2048));
                }
            } else {
                for (std::size_t b = 0; b < kRawSectorSize; ++b) {
                    raw[b] = AudioByte(sector, b);
                }
            }
            bin.write(reinterpret_cast<const char*>(raw), sizeof raw);
        }
    }
    return (folder / (name + ".cue")).string();
}

}  // namespace lintel::test
