#include "app/ProgramPaths.h"

#include "titles/IniStore.h"

namespace lintel {

TStartupPaths StartupPathsFor(const std::string& exe, const std::string& systemFolder) {
    TStartupPaths paths;
    const std::size_t slash = exe.find_last_of('/');
    if (slash == std::string::npos)
        paths.programFolder = ".";
    else if (slash == 0)
        paths.programFolder = "/";
    else
        paths.programFolder = exe.substr(0, slash);
    paths.settingsFile = TAppIniFile::FileNameFor(exe);
    paths.systemFolder = systemFolder;
    return paths;
}

}  // namespace lintel
