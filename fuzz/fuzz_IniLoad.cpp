// Loads arbitrary bytes as a settings file, then drives the operations the program uses
// on what was loaded and writes it back: nothing may crash or read out of bounds, and
// a write-back followed by a load must give the same store again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "titles/IniStore.h"

namespace {

std::string ScratchFile() {
    static const std::string path = [] {
        char pattern[] = "/tmp/lintel-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern)) + "/lintel.ini";
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
            store.ReadInteger(name, key, 0);
        }
    }
    if (!names.empty()) {
        store.WriteString(names.front(), "k", names.back());
        store.DeleteKey(names.back(), "k");
    }
    std::string first = store.Serialize();
    store.WriteString("fuzz", "written", "1");
    if (store.UpdateFile()) {
        std::abort();
    }
    lintel::TIniStore again(path);
    again.WriteString("fuzz", "written", "1");
    if (again.Serialize() != store.Serialize()) {
        std::abort();
    }
    (void)first;
    return 0;
}
