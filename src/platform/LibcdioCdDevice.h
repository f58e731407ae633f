// A real CD drive (/dev/sr0 and so on) through libcdio, playing through the drive's own
// audio output. The same class opens a disc image (a CUE sheet and its BIN file) through
// libcdio's image driver: an image has no tray and no audio output, but its table of
// contents and its volume read exactly as a disc's do.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/CdAudioDevice.h"
#include "platform/VolumeSerial.h"

namespace lintel {

/// Tray and medium as the drive reports them, apart from any play.
enum class DriveStatus {
    Unknown,   ///< the drive cannot tell (a disc image, or no such report)
    NoDisc,    ///< tray closed, nothing in it
    TrayOpen,  ///< tray open
    NotReady,  ///< a disc is being loaded or spun up
    DiscOk,    ///< a disc is in the drive and can be read
};

/// Audio status values of the sub-channel (the drive's answer to "what is play doing").
inline constexpr std::uint8_t kAudioStatusPlaying = 0x11;
inline constexpr std::uint8_t kAudioStatusPaused = 0x12;
inline constexpr std::uint8_t kAudioStatusCompleted = 0x13;
inline constexpr std::uint8_t kAudioStatusError = 0x14;
inline constexpr std::uint8_t kAudioStatusNone = 0x15;

/// The device mode from the drive status and, when the sub-channel could be read, its audio
/// status: an open tray or an empty drive is Open, a disc still loading NotReady, a disc
/// that plays Playing, a held play Paused, and everything else on a readable disc (play
/// completed or failed, no play yet) Stopped.
CdMode DecodeMode(DriveStatus drive, std::optional<std::uint8_t> audioStatus);

/// The stand-in for a disc's root: the volume name and serial a disc reports (its ISO 9660
/// volume when a data track holds one, else "Audio CD" when it has audio tracks), and
/// whether its root holds "Track01.cda" (when track 1 is audio). Opened without the
/// exclusive claim, so it reads a drive that a player holds.
struct DiscVolume {
    VolumeInformation info;
    bool track01Cda = false;
};

/// Reads the volume of the disc in the drive or image at `source`; nothing when the drive
/// is empty, its tray is open, or the disc cannot be read.
std::optional<DiscVolume> ReadDiscVolume(const std::string& source);

/// The volume of a disc with table of contents `toc` whose data tracks hold no ISO 9660
/// volume: "Audio CD" with the audio serial when it has an audio track, else nothing.
std::optional<DiscVolume> AudioDiscVolume(const CdToc& toc);

/// What the sub-channel says about play.
struct Subchannel {
    std::uint8_t audioStatus = 0;
    std::optional<std::uint32_t> position;  ///< absolute frames, when the drive gave one
};

/// The commands a drive takes, one call each and no state beyond the claim on the drive:
/// the device above keeps the position and the end of play. Tests put a scripted drive
/// here; the program uses MakeLibcdioDrive.
class CdDriveIo {
public:
    virtual ~CdDriveIo() = default;
    /// Claims the drive for this object alone; a message for the user on failure.
    virtual std::optional<std::string> Open() = 0;
    virtual void Close() = 0;
    virtual CdCapabilities Capabilities() = 0;
    virtual DriveStatus Status() = 0;
    /// True once after the medium changed, so a table of contents read before is stale.
    virtual bool MediaChanged() = 0;
    /// The table of contents, read from the disc now.
    virtual std::optional<CdToc> ReadToc() = 0;
    virtual std::optional<Subchannel> ReadSubchannel() = 0;
    /// Plays from `from` up to `to` (exclusive), absolute frames.
    virtual bool Play(std::uint32_t from, std::uint32_t to) = 0;
    virtual bool Pause() = 0;
    virtual bool Resume() = 0;
    virtual bool Stop() = 0;
    virtual bool Eject() = 0;
    virtual bool CloseTray() = 0;
};

/// The drive or image at `source` through libcdio: a device node ("/dev/sr0") is claimed
/// with O_EXCL and O_NONBLOCK and locked; a CUE sheet is read by libcdio's image driver and
/// locked, has no tray and cannot play.
std::unique_ptr<CdDriveIo> MakeLibcdioDrive(std::string source);

class LibcdioCdDevice final : public CdAudioDevice {
public:
    /// `source` is a drive's device node ("/dev/sr0") or the CUE sheet of a disc image.
    explicit LibcdioCdDevice(std::string source);
    /// The same device over any drive.
    explicit LibcdioCdDevice(std::unique_ptr<CdDriveIo> drive);
    ~LibcdioCdDevice() override;
    LibcdioCdDevice(const LibcdioCdDevice&) = delete;
    LibcdioCdDevice& operator=(const LibcdioCdDevice&) = delete;

    std::optional<std::string> Open() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    CdCapabilities Capabilities() const override { return capabilities_; }

    std::optional<CdToc> ReadToc() override;
    CdMode Mode() override;
    std::optional<std::uint32_t> Position() override;

    bool Play(std::uint32_t from, std::uint32_t to) override;
    bool Stop() override;
    bool Pause() override;
    bool Resume() override;
    bool Seek(std::uint32_t frame) override;

    bool OpenDoor() override;
    bool CloseDoor() override;

private:
    std::optional<std::uint8_t> ReadAudioStatus(std::optional<std::uint32_t>* playing);
    void Forget();

    std::unique_ptr<CdDriveIo> drive_;
    bool open_ = false;
    CdCapabilities capabilities_;
    std::optional<CdToc> toc_;              // read once per disc
    std::uint32_t position_ = 0;            // where play starts when no play is held
    std::optional<std::uint32_t> playEnd_;  // end of the play last started
};

}  // namespace lintel
