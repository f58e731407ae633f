// The one form of the messages the platform layer gives when a system call fails.
#pragma once

#include <string>

namespace lintel {

/// "`what` `path`: " and the system's text for `error` (an errno value), as code page 932
/// text for the user: SystemErrorMessage("Cannot read", "/a/b", ENOENT) gives
/// "Cannot read /a/b: No such file or directory".
[[nodiscard]] std::string SystemErrorMessage(const std::string& what, const std::string& path,
                                             int error);

}  // namespace lintel
