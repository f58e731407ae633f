#include "platform/TempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace lintel {
namespace {

constexpr char kMark[] = ".tmp-";
constexpr std::size_t kRandomLength = 6;  // the X's of mkostemp

}  // namespace

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

TempFile::TempFile(const std::string& target) {
    const std::string pattern = target + kMark + std::string(kRandomLength, 'X');
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        createError_ = errno;
        return;
    }
    path_ = name.data();
}

bool TempFile::IsNameFor(const std::string& name, const std::string& targetName) {
    const std::string prefix = targetName + kMark;
    if (name.size() != prefix.size() + kRandomLength || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

TempFile::~TempFile() {
    Close();
    if (!path_.empty()) {
        unlink(path_.c_str());
    }
}

int TempFile::Close() {
    const int result = fd_ >= 0 ? close(fd_) : 0;
    fd_ = -1;
    return result;
}

}  // namespace lintel
