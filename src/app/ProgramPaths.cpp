#include "app/ProgramPaths.h"

#include "platform/FileSystem.h"
#include "titles/IniStore.h"

namespace lintel {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace

TStartupPaths StartupPathsFor(const std::string& exe, const std::string& systemFolder) {
    const std::size_t slash = exe.find_last_of('/');
    std::string exeFolder;
    if (slash == std::string::npos)
        exeFolder = ".";
    else if (slash == 0)
        exeFolder = "/";
    else
        exeFolder = exe.substr(0, slash);
    const std::string settingsName = TAppIniFile::FileNameFor(exe.substr(slash + 1));

    const bool portable =
        FileExists(Join(exeFolder, "lintel.ini")) || FileExists(Join(exeFolder, settingsName));
    TStartupPaths paths;
    paths.programFolder = portable || systemFolder.empty() ? exeFolder : systemFolder;
    paths.settingsFile = Join(paths.programFolder, settingsName);
    paths.systemFolder = systemFolder;
    return paths;
}

}  // namespace lintel
