// A temporary file beside the file it is to become, so that the final step (a rename or a
// link) stays within one file system and cannot leave a half-written target.
#pragma once

#include <sys/types.h>

#include <string>

namespace lintel {

/// The permissions a new file gets under the process's umask (0666 less the mask).
[[nodiscard]] mode_t NewFileMode();

/// A file created empty as `target` + ".tmp-XXXXXX" (six random letters or digits), opened
/// for writing and never inherited by programs this process starts. It is closed and
/// removed with this object unless Keep was called.
class TempFile {
public:
    explicit TempFile(const std::string& target);
    /// Whether `name` (without folder) is the name a TempFile for the file named
    /// `targetName` (without folder) gets. The mark is long enough that a user's own
    /// "lintel.ini.backup" never passes for one.
    [[nodiscard]] static bool IsNameFor(const std::string& name, const std::string& targetName);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    /// The descriptor; negative when the file could not be created.
    [[nodiscard]] int Fd() const { return fd_; }
    /// Why the file could not be created (an errno value); 0 when it was.
    [[nodiscard]] int CreateError() const { return createError_; }
    /// The file's name; empty when it could not be created.
    [[nodiscard]] const std::string& Path() const { return path_; }
    /// Closes the descriptor; the result of close(), or 0 when already closed.
    int Close();
    /// The file has become the target under the target's name: leave that name alone.
    void Keep() { path_.clear(); }

private:
    int fd_ = -1;
    int createError_ = 0;
    std::string path_;
};

}  // namespace lintel
