// The KnownCD readers on arbitrary bytes, stored both as a disc's index file (.KIX) and as
// its track file (.KCD) and read the way the import reads them: nothing may crash or read
// out of bounds, the disc is read exactly when the index is long enough, and its fields
// are those the field readers find in the bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "titles/KnownCD.h"

namespace {

// In memory-backed /dev/shm where there is one, as a disk would slow every run down.
std::string ScratchIndex() {
    static const std::string path = [] {
        char shm[] = "/dev/shm/lintel-fuzz-XXXXXX";
        char tmp[] = "/tmp/lintel-fuzz-XXXXXX";
        const char* dir = mkdtemp(shm);
        return std::string(dir ? dir : mkdtemp(tmp)) + "/DISC.KIX";
    }();
    return path;
}

void Store(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

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

    const std::string index = ScratchIndex();
    Store(index, bytes);
    Store(lintel::KnownCdTrackPath(index), bytes);
    const lintel::TKnownCdRead read = lintel::ReadKnownCdDisc(index);
    if (read.Ok() != (size >= lintel::kKnownCdIndexSize)) {
        __builtin_trap();
    }
    if (read.Ok() && (read.disc.title != lintel::KnownCdText(bytes, 6) ||
                      read.disc.artist != lintel::KnownCdText(bytes, 82) ||
                      read.disc.tracks.size() != tracks.size())) {
        __builtin_trap();
    }
    for (std::size_t i = 0; read.Ok() && i < tracks.size(); ++i) {
        if (read.disc.tracks[i].name != tracks[i].name ||
            read.disc.tracks[i].remark != tracks[i].remark) {
            __builtin_trap();
        }
    }
    return 0;
}
