#include "platform/SystemFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/SystemError.h"

namespace lintel {
namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// `folder` + "/" + `name`, with the folder's trailing slashes dropped first.
std::string Join(std::string folder, const char* name) {
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    return folder + "/" + name;
}

// HOME when set and absolute, else the home folder of the password database.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) {
        return home;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && IsAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    return {};
}

// A session folder fit for private files: ours alone, and no one else may write to it.
bool IsPrivateFolder(const char* path) {
    struct stat st {};
    return IsAbsolute(path) && stat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

FolderResult Made(const std::string& path) {
    if (path.empty()) {
        return {{}, "No home folder is known for this user"};
    }
    if (const Outcome made = MakeFolders(path); !made.Ok()) {
        return {{}, made.Error()};
    }
    return {path, {}};
}

}  // namespace

std::string SystemFolderPath(const char* xdgConfigHome, const char* home) {
    if (IsAbsolute(xdgConfigHome)) {
        return Join(xdgConfigHome, "lintel");
    }
    if (IsAbsolute(home)) {
        return Join(home, ".config/lintel");
    }
    return {};
}

Outcome MakeFolders(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return Outcome::Failure("Not an absolute folder: " + path);
    }
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        std::string prefix = path.substr(0, pos);
        if (mkdir(prefix.c_str(), 0700) == 0 || errno == EEXIST) {
            continue;
        }
        return Outcome::Failure(SystemErrorMessage("Cannot create the folder", prefix, errno));
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return Outcome::Failure(SystemErrorMessage("Cannot use the folder", path, errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        return Outcome::Failure(SystemErrorMessage("Cannot use the folder", path, ENOTDIR));
    }
    return {};
}

FolderResult SystemFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) {
        return Made(SystemFolderPath(config, nullptr));
    }
    std::string home = HomeFolder();
    return Made(SystemFolderPath(nullptr, home.empty() ? nullptr : home.c_str()));
}

FolderResult RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(runtime)) {
        return Made(Join(runtime, "lintel"));
    }
    return SystemFolder();
}

}  // namespace lintel
