#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/SystemError.h"
#include "platform/TempFile.h"

namespace lintel {
namespace {

using Status = CopyResult::Status;

CopyResult Failure(const std::string& what, const std::string& path, int error) {
    return {Status::Failed, SystemErrorMessage(what, path, error)};
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Writes all of `size` bytes, retrying after interruptions and short writes.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Gives the complete temporary file the target name unless that name is taken. A hard
// link never replaces; file systems without hard links get a rename that refuses to
// replace instead.
int PlaceWithoutReplacing(const std::string& temp, const std::string& target) {
    if (link(temp.c_str(), target.c_str()) == 0) {
        return 0;
    }
    int error = errno;
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK) {
        return error;
    }
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    return errno == EINVAL ? error : errno;
}

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

CopyResult CopyFileNoOverwrite(const std::string& from, const std::string& to) {
    if (Exists(to)) {
        return {Status::TargetExists, SystemErrorMessage("Will not replace", to, EEXIST)};
    }
    int source = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (source < 0) {
        return Failure("Cannot read", from, errno);
    }
    struct stat st {};
    if (fstat(source, &st) != 0 || !S_ISREG(st.st_mode)) {
        int error = errno;
        close(source);
        return Failure("Not a plain file", from, S_ISREG(st.st_mode) ? error : EINVAL);
    }

    // Its name goes when the copy ends: after the link the target keeps the file, and
    // after the rename the name is gone already.
    TempFile temp(to);
    if (temp.Fd() < 0) {
        close(source);
        return Failure("Cannot write", to, temp.CreateError());
    }
    if (fchmod(temp.Fd(), NewFileMode()) != 0) {
        int error = errno;
        close(source);
        return Failure("Cannot write", to, error);
    }
    std::vector<char> chunk(65536);
    for (;;) {
        ssize_t n = read(source, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            int error = errno;
            close(source);
            return Failure("Cannot read", from, error);
        }
        if (n == 0) {
            break;
        }
        if (!WriteAll(temp.Fd(), chunk.data(), static_cast<std::size_t>(n))) {
            int error = errno;
            close(source);
            return Failure("Cannot write", to, error);
        }
    }
    close(source);
    if (fsync(temp.Fd()) != 0 || temp.Close() != 0) {
        return Failure("Cannot write", to, errno);
    }
    if (int error = PlaceWithoutReplacing(temp.Path(), to)) {
        if (error == EEXIST) {
            return {Status::TargetExists, SystemErrorMessage("Will not replace", to, EEXIST)};
        }
        return Failure("Cannot write", to, error);
    }
    return {Status::Copied, {}};
}

}  // namespace lintel
