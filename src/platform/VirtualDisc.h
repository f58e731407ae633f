// A disc for the virtual drive, described by a small text file (the format is in the
// README, "Virtual discs"): its table of contents and what its root volume reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CdAudioDevice.h"
#include "platform/CdText.h"
#include "platform/VolumeSerial.h"

namespace lintel {

/// A parsed disc description.
struct VirtualDisc {
    CdToc toc;
    /// Volume name the disc's root reports (code page 932, at most kMaxVolumeName bytes).
    /// Absent for a disc without data tracks: the drive then reports what a real drive
    /// reports for an audio disc with this table of contents.
    std::optional<std::string> volumeName;
    /// Volume serial number the root reports; absent as for volumeName.
    std::optional<std::uint32_t> volumeSerial;
    /// Whether the root holds "Track01.cda"; absent: as a real drive does for such a disc.
    std::optional<bool> track01Cda;
    /// The titles the disc carries, as a drive reads them from CD-Text (UTF-8); the
    /// description gives them in code page 932.
    CdText cdText;

    static constexpr std::size_t kMaxVolumeName = 32;

    bool operator==(const VirtualDisc&) const = default;
};

/// The outcome of reading a disc description: a disc, or a message (code page 932) that
/// names the line at fault ("line 7: ...") or the file that cannot be read.
struct VirtualDiscResult {
    std::optional<VirtualDisc> disc;
    std::string error;
};

/// Parses the text of a disc description. Never throws for bad input: every fault,
/// absurd values among them, comes back as an error naming its line.
[[nodiscard]] VirtualDiscResult ParseVirtualDisc(std::string_view text);

/// Reads and parses the disc description in the file at `path`. A missing or unreadable
/// file is an error that names the file.
[[nodiscard]] VirtualDiscResult LoadVirtualDisc(const std::string& path);

/// What the root of a drive holding `disc` reports: the volume it states, else what a real
/// drive reports for its table of contents ("Audio CD" and the audio serial, a stated
/// serial taking its place); nothing for a disc without tracks, or with data tracks only
/// and no volume.
[[nodiscard]] std::optional<DiscVolume> VirtualDiscVolume(const VirtualDisc& disc);

}  // namespace lintel
