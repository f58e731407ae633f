// The CD audio device over a drive that takes single commands (CdDriveIo): a real CD
// drive through libcdio, playing through the drive's own audio output, or a drive or disc
// image (a CUE sheet and its files) played digitally (DigitalDrive), whose sub-channel
// answers from what has been heard. The drive forgets; this device keeps the table of
// contents, where play rests and where the play last started ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CdAudioDevice.h"
#include "platform/CdDriveIo.h"
#include "platform/DiscVolume.h"  // the drive table reads a real drive's volume with it

namespace lintel {

/// The device mode from the drive status and, when the sub-channel could be read, its audio
/// status: an open tray or an empty drive is Open, a disc still loading NotReady, a disc
/// that plays Playing, a held play Paused, and everything else on a readable disc (play
/// completed or failed, no play yet) Stopped.
[[nodiscard]] CdMode DecodeMode(DriveStatus drive, std::optional<std::uint8_t> audioStatus);

class LibcdioCdDevice final : public CdAudioDevice {
public:
    /// `source` is a drive's device node ("/dev/sr0"), played through its own audio output,
    /// or the CUE sheet of a disc image, which then cannot play.
    explicit LibcdioCdDevice(std::string source);
    /// The same device over any drive.
    explicit LibcdioCdDevice(std::unique_ptr<CdDriveIo> drive);
    ~LibcdioCdDevice() override;
    LibcdioCdDevice(const LibcdioCdDevice&) = delete;
    LibcdioCdDevice& operator=(const LibcdioCdDevice&) = delete;

    [[nodiscard]] std::optional<std::string> Open() override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return open_; }
    [[nodiscard]] CdCapabilities Capabilities() const override { return capabilities_; }

    [[nodiscard]] std::optional<CdToc> ReadToc() override;
    [[nodiscard]] CdMode Mode() override;
    [[nodiscard]] std::optional<std::uint32_t> Position() override;
    /// The disc's CD-Text, read once per disc on a thread of its own: pending until the
    /// read is done, and none once it took longer than kCdTextPatience.
    [[nodiscard]] CdTextRead ReadCdText() override;

    static constexpr std::chrono::seconds kCdTextPatience{5};

    [[nodiscard]] bool Play(std::uint32_t from, std::uint32_t to) override;
    [[nodiscard]] bool Stop() override;
    [[nodiscard]] bool Pause() override;
    [[nodiscard]] bool Resume() override;
    [[nodiscard]] bool Seek(std::uint32_t frame) override;

    [[nodiscard]] bool OpenDoor() override;
    bool CloseDoor() override;

private:
    /// Reads the sub-channel and follows play with it; `playing` gets the position of a
    /// play in progress or held.
    std::optional<std::uint8_t> ReadAudioStatus(std::optional<std::uint32_t>* playing);
    void Forget();

    std::unique_ptr<CdDriveIo> drive_;
    bool open_ = false;
    CdCapabilities capabilities_;
    std::optional<CdToc> toc_;                       // read once per disc
    std::uint32_t position_ = 0;                     // where play starts when no play is held
    std::optional<std::uint32_t> playEnd_;           // end of the play last started
    std::optional<CdTextRead> cdText_;               // this disc's CD-Text, once known
    std::future<std::optional<CdText>> cdTextRead_;  // its read, while it runs
    std::chrono::steady_clock::time_point cdTextStarted_;
    std::vector<std::future<std::optional<CdText>>> staleReads_;  // of discs gone, or given up
};

}  // namespace lintel
