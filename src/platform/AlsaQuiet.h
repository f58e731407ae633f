// ALSA's library writes its own complaints to standard error ("ALSA lib ..."), several
// lines each time a device without sound hardware is opened. The program reports what
// matters itself, once, so those lines are silenced for the whole run.
#pragma once

namespace lintel {

/// Installs an ALSA error handler that prints nothing; only the first call does anything.
/// The program calls it at start-up, before anything opens ALSA.
void QuietAlsaErrors();

}  // namespace lintel
