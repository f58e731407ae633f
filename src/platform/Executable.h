// Where the running program's executable lies.
#pragma once

#include <string>

namespace lintel {

/// The absolute path of the running executable, symbolic links resolved (the file as the
/// file system lists it). Empty if the system cannot tell.
[[nodiscard]] std::string ExecutablePath();

}  // namespace lintel
