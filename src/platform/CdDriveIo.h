// The commands a CD drive takes, one call each and with no state beyond the claim on the
// drive: the device above it (LibcdioCdDevice) keeps the position and the end of play.
// The program's drive goes through libcdio (LibcdioDrive.h); tests put a scripted drive here.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/CdAudioDevice.h"
#include "platform/CdText.h"
#include "platform/Outcome.h"

namespace lintel {

/// Tray and medium as the drive reports them, apart from any play.
enum class DriveStatus {
    Unknown,   ///< the drive cannot tell (a disc image, or no such report)
    NoDisc,    ///< tray closed, nothing in it
    TrayOpen,  ///< tray open
    NotReady,  ///< a disc is being loaded or spun up
    DiscOk,    ///< a disc is in the drive and can be read
};

/// True when the drive holds no disc that can be read now: it is empty, its tray is open,
/// or the disc is still loading.
[[nodiscard]] constexpr bool HoldsNoDisc(DriveStatus status) {
    return status == DriveStatus::NoDisc || status == DriveStatus::TrayOpen ||
           status == DriveStatus::NotReady;
}

/// Audio status values of the sub-channel (the drive's answer to "what is play doing").
inline constexpr std::uint8_t kAudioStatusPlaying = 0x11;
inline constexpr std::uint8_t kAudioStatusPaused = 0x12;
inline constexpr std::uint8_t kAudioStatusCompleted = 0x13;
inline constexpr std::uint8_t kAudioStatusError = 0x14;
inline constexpr std::uint8_t kAudioStatusNone = 0x15;

/// What the sub-channel says about play.
struct Subchannel {
    std::uint8_t audioStatus = 0;
    std::optional<std::uint32_t> position;  ///< absolute frames, when the drive gave one
};

class CdDriveIo {
public:
    virtual ~CdDriveIo() = default;
    /// Claims the drive for this object alone; on failure, a message for the user.
    virtual Outcome Open() = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual CdCapabilities Capabilities() = 0;
    [[nodiscard]] virtual DriveStatus Status() = 0;
    /// True once after the medium changed, so a table of contents read before is stale.
    [[nodiscard]] virtual bool MediaChanged() = 0;
    /// The table of contents, read from the disc now.
    [[nodiscard]] virtual std::optional<CdToc> ReadToc() = 0;
    [[nodiscard]] virtual std::optional<Subchannel> ReadSubchannel() = 0;
    /// The titles the disc carries itself (CD-Text, a CUE sheet's TITLE lines); nothing
    /// when it carries none. The device above runs it on a thread of its own, beside the
    /// other commands, since a drive may take seconds: it touches only what stays the same
    /// while the drive is open.
    [[nodiscard]] virtual std::optional<CdText> ReadCdText() { return std::nullopt; }
    /// Plays from `from` up to `to` (exclusive), absolute frames. Each command returns
    /// whether the drive took it.
    [[nodiscard]] virtual bool Play(std::uint32_t from, std::uint32_t to) = 0;
    [[nodiscard]] virtual bool Pause() = 0;
    [[nodiscard]] virtual bool Resume() = 0;
    [[nodiscard]] virtual bool Stop() = 0;
    [[nodiscard]] virtual bool Eject() = 0;
    [[nodiscard]] virtual bool CloseTray() = 0;
};

}  // namespace lintel
