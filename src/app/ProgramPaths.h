// Where the program finds its files, worked out from the executable's own path.
#pragma once

#include <string>

#include "playback/BarEngine.h"

namespace lintel {

/// The start-up paths of the executable at `exe` (an absolute path): its folder holds
/// lintel.ini and the settings file named after it; `systemFolder` is where cdplayer.ini
/// is looked for (empty when there is none, so nothing is imported).
TStartupPaths StartupPathsFor(const std::string& exe, const std::string& systemFolder);

}  // namespace lintel
