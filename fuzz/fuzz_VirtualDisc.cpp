// Parses arbitrary bytes as a disc description: nothing may crash, a rejected text names
// the line at fault, and an accepted one is a table of contents the drive can play.
#include <cstdint>
#include <string_view>

#include "platform/CdTime.h"
#include "platform/VirtualDisc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const lintel::VirtualDiscResult result = lintel::ParseVirtualDisc(text);
    if (!result.disc) {
        if (!result.error.starts_with("line ") && !result.error.starts_with("the description")) {
            __builtin_trap();
        }
        return 0;
    }
    const lintel::CdToc& toc = result.disc->toc;
    if (!result.error.empty() || toc.tracks.empty() || toc.tracks.size() > 99 ||
        toc.tracks.front().start < lintel::kLeadInFrames ||
        toc.leadOut <= toc.tracks.back().start || toc.leadOut > 100 * lintel::kFramesPerMinute) {
        __builtin_trap();
    }
    for (std::size_t i = 1; i < toc.tracks.size(); ++i) {
        if (toc.tracks[i].start <= toc.tracks[i - 1].start) {
            __builtin_trap();
        }
    }
    if (result.disc->volumeName &&
        (result.disc->volumeName->empty() ||
         result.disc->volumeName->size() > lintel::VirtualDisc::kMaxVolumeName)) {
        __builtin_trap();
    }
    static_cast<void>(lintel::VirtualDiscVolume(*result.disc));  // only: must not crash
    return 0;
}
