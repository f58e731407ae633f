// The folders the program keeps its own files in, outside the executable's folder. This
// is the one place where the program reads the environment.
#pragma once

#include <string>

#include "platform/Outcome.h"

namespace lintel {

/// A folder looked up (and made if needed), or why that failed.
struct FolderResult {
    std::string path;   ///< absolute path without a trailing slash; empty on failure
    std::string error;  ///< the reason (code page 932) when `path` is empty

    [[nodiscard]] bool Ok() const { return !path.empty(); }
};

/// The path of the system folder for the given environment values, without touching the
/// disk: `xdgConfigHome`/lintel when that is an absolute path, else `home`/.config/lintel.
/// Relative or empty values are ignored, as the base-directory convention asks. Empty when
/// neither gives an absolute folder. Either argument may be null.
[[nodiscard]] std::string SystemFolderPath(const char* xdgConfigHome, const char* home);

/// The program's system folder: where the first-start import looks for cdplayer.ini and
/// where other per-user files live. Reads XDG_CONFIG_HOME and HOME (else the password
/// database's home folder) and creates every missing folder of the path with mode 0700.
[[nodiscard]] FolderResult SystemFolder();

/// The folder for files that must go away with the user's session, such as the instance
/// lock: $XDG_RUNTIME_DIR/lintel when XDG_RUNTIME_DIR names an absolute folder owned by
/// this user that no one else may write to, else the system folder. Created with mode
/// 0700 when missing. Never a world-writable folder such as /tmp.
[[nodiscard]] FolderResult RuntimeFolder();

/// Creates the missing folders of the absolute path `path` with mode 0700, leaving the
/// existing ones as they are. Fails when `path` is relative, a folder cannot be made, or
/// something other than a folder stands at `path`.
[[nodiscard]] Outcome MakeFolders(const std::string& path);

}  // namespace lintel
