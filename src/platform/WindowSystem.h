// Which window system the program's toolkit talks to.
#pragma once

#include <string>
#include <vector>

namespace lintel {

/// The platform arguments for the toolkit: "-platform" and a name given on the command
/// line are passed on as the user's choice; else, with an X11 display at hand ($DISPLAY,
/// also Xwayland's in a Wayland session) and no platform named in $QT_QPA_PLATFORM,
/// "-platform xcb", because only there can the bar reserve its strip of the screen.
/// Nothing is set in the environment, which programs started from the bar inherit.
[[nodiscard]] std::vector<std::string> QtPlatformArguments(int argc, const char* const* argv);

/// The same choice from the values given (null for an unset variable).
[[nodiscard]] std::vector<std::string> QtPlatformArguments(int argc, const char* const* argv,
                                                           const char* display,
                                                           const char* qpaPlatform);

}  // namespace lintel
