// The stand-in for a disc's root: the volume name and serial a disc reports (its ISO 9660
// volume when a data track holds one, else "Audio CD" when it has audio tracks), and
// whether its root holds "Track01.cda" (when track 1 is audio).
#pragma once

#include <optional>
#include <string>

#include "platform/CdAudioDevice.h"
#include "platform/VolumeSerial.h"

namespace lintel {

/// Reads the volume of the disc in the drive or image at `source`; nothing when the drive
/// is empty, its tray is open, or the disc cannot be read. Opened without the exclusive
/// claim, so it reads a drive that a player holds.
[[nodiscard]] std::optional<DiscVolume> ReadDiscVolume(const std::string& source);

}  // namespace lintel
