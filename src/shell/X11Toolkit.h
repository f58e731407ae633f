// The toolkit's own connection to the X11 display, for the shell's X11 back ends.
#pragma once

#include <memory>

#include "shell/X11Client.h"

namespace lintel {

/// A client over the connection of the running application's X11 display, which the
/// application keeps open; null on any other platform (the offscreen one of the tests,
/// a native Wayland client). Needs the application object.
[[nodiscard]] std::unique_ptr<TX11Client> ToolkitX11Client();

}  // namespace lintel
