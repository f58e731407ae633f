// The KnownCD readers on arbitrary bytes, taken both as an index file and as a track file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "titles/KnownCD.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::size_t offset : {std::size_t{6}, std::size_t{82}, size, size + 1}) {
        if (lintel::KnownCdText(bytes, offset).size() > 64) {
            __builtin_trap();
        }
    }
    const auto tracks = lintel::KnownCdTracks(bytes);
    if (tracks.size() != size / lintel::kKnownCdRecordSize) {
        __builtin_trap();
    }
    return 0;
}
