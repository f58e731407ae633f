#include "platform/FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/SystemError.h"

namespace lintel {
namespace {

// The file a write to `path` must replace: the target of a symbolic link, else `path`.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::vector<char> resolved(PATH_MAX + 1);
        if (realpath(path.c_str(), resolved.data()) != nullptr) {
            return resolved.data();
        }
    }
    return path;
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, std::string& contents, std::string& error) {
    contents.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return ReadStatus::Missing;
        }
        error = SystemErrorMessage("Cannot read", path, errno);
        return ReadStatus::Failed;
    }
    // Read straight into the result; the size is only a hint, as the file may change.
    struct stat st {};
    std::size_t expected =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
    std::size_t used = 0;
    contents.resize(expected + 1);  // one byte more shows the end without another call
    for (;;) {
        if (used == contents.size()) {
            contents.resize(contents.size() * 2 + 65536);
        }
        ssize_t n = read(fd, contents.data() + used, contents.size() - used);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = SystemErrorMessage("Cannot read", path, errno);
            close(fd);
            contents.clear();
            return ReadStatus::Failed;
        }
        if (n == 0) {
            break;
        }
        used += static_cast<std::size_t>(n);
    }
    contents.resize(used);
    close(fd);
    return ReadStatus::Read;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(ResolveTarget(path)), temp_(path_) {
    buffer_.reserve(kBufferSize);
    if (temp_.Fd() < 0) {
        Fail("Cannot write", temp_.CreateError());
        return;
    }
    struct stat old {};
    mode_t mode = stat(path_.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    if (fchmod(temp_.Fd(), mode) != 0) {
        Fail("Cannot write", errno);
    }
}

void AtomicFileWriter::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() <= kBufferSize) {
        buffer_.append(bytes);  // the common case: a line fits
        return;
    }
    while (!bytes.empty() && !error_) {
        std::size_t take = std::min(bytes.size(), kBufferSize - buffer_.size());
        buffer_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (buffer_.size() == kBufferSize) {
            Flush();
        }
    }
}

void AtomicFileWriter::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size() && !error_) {
        ssize_t n = write(temp_.Fd(), buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Fail("Cannot write", errno);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void AtomicFileWriter::Fail(const std::string& what, int error) {
    if (!error_) {
        error_ = SystemErrorMessage(what, path_, error);
    }
}

int AtomicFileWriter::RemoveLeftovers(const std::string& path) {
    const std::string target = ResolveTarget(path);
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    int removed = 0;
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        if (!TempFile::IsNameFor(entry->d_name, name))
            continue;
        // A link or another user's file under that name was not made by a writer of ours.
        struct stat st {};
        if (fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == geteuid() && unlinkat(fd, entry->d_name, 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

Outcome AtomicFileWriter::Commit() {
    if (!error_) {
        Flush();
    }
    if (!error_ && fsync(temp_.Fd()) != 0) {
        Fail("Cannot write", errno);
    }
    if (temp_.Close() != 0) {
        Fail("Cannot write", errno);
    }
    if (!error_ && rename(temp_.Path().c_str(), path_.c_str()) != 0) {
        Fail("Cannot replace", errno);
    }
    if (error_) {
        return Outcome::Failure(*error_);
    }
    temp_.Keep();
    // Make the rename itself durable; a failure here no longer endangers the old data.
    std::string folder = path_.substr(0, path_.find_last_of('/') + 1);
    int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return {};
}

}  // namespace lintel
