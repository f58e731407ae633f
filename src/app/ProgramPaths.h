// Where the program finds its files, worked out from the executable's own path.
#pragma once

#include <string>

#include "playback/BarEngine.h"

namespace lintel {

/// The start-up paths of the executable at `exe` (an absolute path). The settings file is
/// the executable's own name with ".ini"; the folder that holds it, and that the
/// first-start import writes lintel.ini to, is the executable's folder when lintel.ini or
/// that settings file already lies there (a portable copy), else `systemFolder`: an
/// installed executable's folder is not the user's to write, and as root it would be
/// writable for the wrong reason. Without a system folder (empty) the executable's folder
/// is used. `systemFolder` is also where cdplayer.ini is looked for.
TStartupPaths StartupPathsFor(const std::string& exe, const std::string& systemFolder);

}  // namespace lintel
