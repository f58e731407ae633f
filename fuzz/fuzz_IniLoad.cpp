// Loads arbitrary bytes as a settings file, then drives the operations the program uses
// on what was loaded: nothing may crash or read out of bounds, and the bytes of a
// write-back, loaded again, must give the same store.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "titles/IniStore.h"

namespace {

// In memory-backed /dev/shm where there is one: the store syncs what it writes back,
// and waiting for a disk would slow every run down a hundredfold.
std::string ScratchFile() {
    static const std::string path = [] {
        char shm[] = "/dev/shm/lintel-fuzz-XXXXXX";
        char tmp[] = "/tmp/lintel-fuzz-XXXXXX";
        const char* dir = mkdtemp(shm);
        return std::string(dir ? dir : mkdtemp(tmp)) + "/lintel.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchFile();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    lintel::TIniStore store(path);
    lintel::TStringList names, lines;
    store.ReadSections(names);
    for (const std::string& name : names) {
        store.ReadSection(name, lines);
        for (const std::string& key : lines) {
            static_cast<void>(store.ReadInteger(name, key, 0));  // only: must not crash
        }
    }
    if (!names.empty()) {
        store.WriteString(names.front(), "k", names.back());
        store.DeleteKey(names.back(), "k");
    }
    // The write-back bytes, loaded again, must give the same bytes.
    const std::string written = store.Serialize();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << written;
    lintel::TIniStore again(path);
    if (again.Serialize() != written) {
        std::abort();
    }
    return 0;
}
