#include "platform/InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

#include "platform/Cp932.h"
#include "platform/Executable.h"
#include "platform/SystemError.h"
#include "platform/SystemFolder.h"

namespace lintel {
namespace {

bool IsFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.size() + 5 <= NAME_MAX;
}

}  // namespace

InstanceGuard::InstanceGuard(Status status, std::string path, std::string error, int fd)
    : status_(status), path_(std::move(path)), error_(std::move(error)), fd_(fd) {}

InstanceGuard::InstanceGuard(InstanceGuard&& other) noexcept
    : status_(other.status_),
      path_(std::move(other.path_)),
      error_(std::move(other.error_)),
      fd_(std::exchange(other.fd_, -1)) {
    other.status_ = Status::Failed;
}

InstanceGuard& InstanceGuard::operator=(InstanceGuard&& other) noexcept {
    if (this != &other) {
        Release();
        status_ = std::exchange(other.status_, Status::Failed);
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

InstanceGuard::~InstanceGuard() {
    Release();
}

void InstanceGuard::Release() {
    if (fd_ >= 0) {
        close(fd_);  // closing the only descriptor drops the lock
        fd_ = -1;
    }
    if (status_ == Status::Acquired) {
        status_ = Status::Failed;
        error_.clear();
    }
}

InstanceGuard InstanceGuard::Acquire(const std::string& name, const std::string& folder) {
    if (!IsFileName(name)) {
        return {Status::Failed, {}, cp932::FromUtf8("Unusable program name: " + name).bytes, -1};
    }
    std::string path = folder + "/" + name + ".lock";

    // Anyone who may write to the folder could swap the lock file under us.
    struct stat dir {};
    if (stat(folder.c_str(), &dir) != 0) {
        return {Status::Failed, path, SystemErrorMessage("Cannot use the folder", folder, errno),
                -1};
    }
    if (!S_ISDIR(dir.st_mode) || (dir.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return {Status::Failed, path,
                SystemErrorMessage("Unsafe folder for the lock", folder, EPERM), -1};
    }

    // O_NONBLOCK keeps a planted FIFO from hanging the open; O_NOFOLLOW refuses a link.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        return {Status::Failed, path, SystemErrorMessage("Cannot open the lock file", path, errno),
                -1};
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return {Status::Failed, path, SystemErrorMessage("Not a plain file", path, EINVAL), -1};
    }
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return {Status::Acquired, path, {}, fd};
        }
        int error = errno;
        if (error == EINTR) {
            continue;
        }
        close(fd);
        if (error == EWOULDBLOCK) {
            return {Status::AnotherRunning, path, {}, -1};
        }
        return {Status::Failed, path, SystemErrorMessage("Cannot lock", path, error), -1};
    }
}

InstanceGuard InstanceGuard::AcquireForProgram() {
    std::string exe = ExecutablePath();
    std::string name = exe.substr(exe.find_last_of('/') + 1);
    FolderResult folder = RuntimeFolder();
    if (!folder.Ok()) {
        return {Status::Failed, {}, folder.error, -1};
    }
    return Acquire(name, folder.path);
}

}  // namespace lintel
