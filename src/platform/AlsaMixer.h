// The system's mixer through ALSA's simple mixer on the "default" device: one mixer
// device, whose destinations are playback and capture and whose source lines are the
// simple elements of each direction, with a volume control (0..65535, scaled from the
// element's own range) and a mute control (the element's switch turned off). Where a
// PulseAudio or PipeWire server runs, "default" is its volume through ALSA's pulse plugin.
#pragma once

#include <memory>

#include "platform/MixerDevice.h"

namespace lintel {

/// The real mixer service. It has no device when "default" cannot be opened or offers no
/// element with a volume or a switch. Every query reads ALSA's configuration afresh, so a
/// sound server started after the program is found.
[[nodiscard]] std::unique_ptr<MixerSystem> MakeAlsaMixerSystem();

}  // namespace lintel
