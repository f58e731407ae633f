#include "platform/TempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace lintel {

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

TempFile::TempFile(const std::string& target) {
    const std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        createError_ = errno;
        return;
    }
    path_ = name.data();
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
