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

class LibcdioCdDevice final : public CdAudioDevice {
public:
    /// `source` is a drive's device node ("/dev/sr0") or the CUE sheet of a disc image.
    explicit LibcdioCdDevice(std::string source);
    ~LibcdioCdDevice() override;
    LibcdioCdDevice(const LibcdioCdDevice&) = delete;
    LibcdioCdDevice& operator=(const LibcdioCdDevice&) = delete;

    const std::string& Source() const { return source_; }

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
    struct Handle;

    bool IsImage() const;
    DriveStatus QueryDriveStatus() const;
    Handle* Cdio();
    void DropCdio();
    std::optional<std::uint8_t> ReadAudioStatus(std::optional<std::uint32_t>* position);
    void Forget();

    std::string source_;
    bool open_ = false;
    int claim_ = -1;  // the descriptor that holds the drive for this device alone
    std::unique_ptr<Handle> cdio_;
    CdCapabilities capabilities_;
    std::optional<CdToc> toc_;              // read once per disc
    std::uint32_t position_ = 0;            // where play starts when no play is held
    std::optional<std::uint32_t> playEnd_;  // end of the play last started
};

}  // namespace lintel
