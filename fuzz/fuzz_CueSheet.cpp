// Parses arbitrary bytes as a CUE sheet and lays an accepted one over files of made-up
// sizes, and reads the same bytes as a WAVE file's header: nothing may crash, a rejected
// sheet names its line, and an accepted one is a disc the drive can play, every frame of
// it in one piece.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "platform/CdTime.h"
#include "platform/CueSheet.h"
#include "platform/DiscImage.h"

namespace {

void CheckDisc(const lintel::DiscImage& image) {
    const lintel::CdToc& toc = image.toc;
    if (toc.tracks.empty() || toc.tracks.size() > 99 || toc.tracks.front().start < 150 ||
        toc.leadOut <= toc.tracks.back().start || toc.leadOut > 100 * lintel::kFramesPerMinute ||
        image.preemphasis.size() != toc.tracks.size() ||
        image.trackFrom.size() != toc.tracks.size()) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
        if ((i > 0 && (toc.tracks[i].start <= toc.tracks[i - 1].start ||
                       image.trackFrom[i] < image.trackFrom[i - 1])) ||
            image.trackFrom[i] > toc.tracks[i].start) {
            __builtin_trap();
        }
    }
    std::uint32_t at = lintel::kLeadInFrames;
    for (const lintel::ImagePiece& piece : image.pieces) {
        if (piece.start != at || piece.frames == 0 || image.PieceAt(piece.start) != &piece) {
            __builtin_trap();
        }
        at += piece.frames;
    }
    if (at != toc.leadOut || image.PieceAt(toc.leadOut) != nullptr) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const lintel::CueSheetResult result = lintel::ParseCueSheet(text);
    if (!result.sheet) {
        if (!result.error.starts_with("line ") && !result.error.starts_with("the sheet")) {
            __builtin_trap();
        }
    } else {
        // Files of sizes the input picks, from empty to about an hour of sectors.
        std::vector<lintel::ImageFileExtent> extents;
        for (std::size_t i = 0; i < result.sheet->files.size(); ++i) {
            const std::uint64_t seed = size > 0 ? data[(i * 7) % size] : 0;
            extents.push_back({seed % 3 * 44, (seed * 2654435761u + i * 40503u) % 270000 * 2352 +
                                                  seed % 5 * 1000});
        }
        const lintel::DiscImageResult laid = lintel::LayOutDiscImage(*result.sheet, extents);
        if (laid.image) {
            CheckDisc(*laid.image);
        } else if (!laid.error.starts_with("line ") && !laid.error.starts_with("the disc")) {
            __builtin_trap();
        }
    }

    const lintel::WaveResult wave = lintel::ParseWaveHeader(
        [&](std::uint64_t offset, std::span<unsigned char> buffer) -> std::size_t {
            if (offset >= size) {
                return 0;
            }
            const std::size_t n = std::min<std::size_t>(buffer.size(), size - offset);
            std::memcpy(buffer.data(), data + offset, n);
            return n;
        },
        size);
    if (wave.data ? wave.data->offset + wave.data->bytes > size : wave.error.empty()) {
        __builtin_trap();
    }
    return 0;
}
