// File existence and copying a file without ever replacing or half-writing the target.
#pragma once

#include <string>

namespace lintel {

/// True when `path` names a regular file, after following symbolic links. A folder, a
/// device or a dangling link is not a file.
[[nodiscard]] bool FileExists(const std::string& path);

/// What became of a copy.
struct CopyResult {
    enum class Status {
        Copied,        ///< the target now holds the whole source
        TargetExists,  ///< something already lay at the target; it was left untouched
        Failed,        ///< nothing was copied; `error` tells why
    };
    Status status;
    std::string error;  ///< the reason (code page 932) unless the status is Copied

    [[nodiscard]] bool Ok() const { return status == Status::Copied; }
};

/// Copies the regular file `from` to `to`, failing when anything (a file, a folder, even
/// a dangling symbolic link) already lies at `to`. The bytes go to a temporary file in
/// the target's folder, which is synced and then linked to the target name in one step
/// that refuses to replace, so the target is either absent or complete, never partial,
/// and a file that appears meanwhile is never overwritten. The new file gets the usual
/// permissions of a new file (the process's umask), not the source's: a read-only source
/// must not make a file the program later writes read-only.
CopyResult CopyFileNoOverwrite(const std::string& from, const std::string& to);

}  // namespace lintel
