// Parses arbitrary bytes as drives.ini, then hands out the letters beside two optical
// drives: nothing may crash, every declared drive has a letter and an absolute path, and
// no letter is given twice.
#include <cstdint>
#include <set>
#include <string_view>

#include "platform/Drives.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const lintel::DrivesIni ini = lintel::ParseDrivesIni(text, "/base");
    for (const auto& [letter, path] : ini.virtualDrives) {
        if (letter < 'A' || letter > 'Z' || path.empty() || path.front() != '/') {
            __builtin_trap();
        }
    }
    const auto drives = lintel::AssignDriveLetters({"/dev/sr0", "/dev/sr1"}, ini.virtualDrives);
    std::set<char> letters;
    for (const lintel::DriveEntry& drive : drives) {
        if (!letters.insert(drive.letter).second) {
            __builtin_trap();
        }
    }
    if (drives.size() < ini.virtualDrives.size()) {
        __builtin_trap();
    }
    return 0;
}
