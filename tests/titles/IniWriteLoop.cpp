// Writes a settings file back through the store over and over until it is killed, each
// time with the count of its write-backs in "Config"/"Writes". It starts as the program
// does: leftovers of a killed write-back are removed, then the file is loaded. "ready"
// on standard output tells that the writing begins, and each count is reported there
// once its write-back is complete.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/FileIo.h"
#include "titles/IniStore.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string file = argv[1];
    lintel::AtomicFileWriter::RemoveLeftovers(file);
    lintel::TIniStore store(file);
    int writes = store.ReadInteger("Config", "Writes", 0);
    auto say = [](const std::string& line) {
        return write(STDOUT_FILENO, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    };
    if (!say("ready\n"))
        return 1;
    for (;;) {
        store.WriteInteger("Config", "Writes", ++writes);
        if (const lintel::Outcome written = store.UpdateFile(); !written.Ok()) {
            std::fprintf(stderr, "%s\n", written.Error().c_str());
            return 1;
        }
        if (!say(std::to_string(writes) + "\n"))
            return 1;
    }
}
