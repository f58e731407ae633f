// A drive that plays digitally: the tray, the medium and the table of contents are the
// drive's own, while play, pause and the sub-channel's answer come from a DigitalPlayer
// reading the same disc. The device above it (LibcdioCdDevice) cannot tell the difference,
// so play behaves as with the drive's own audio output.
#pragma once

#include <memory>
#include <string>

#include "platform/CdDriveIo.h"
#include "platform/DigitalPlayer.h"

namespace lintel {

class DigitalDrive final : public CdDriveIo {
public:
    /// `drive` holds the claim on the drive or image that `openSource` reads.
    DigitalDrive(std::unique_ptr<CdDriveIo> drive, SectorSourceOpener openSource,
                 DigitalAudio audio);
    ~DigitalDrive() override;
    DigitalDrive(const DigitalDrive&) = delete;
    DigitalDrive& operator=(const DigitalDrive&) = delete;

    Outcome Open() override { return drive_->Open(); }
    void Close() override;
    [[nodiscard]] CdCapabilities Capabilities() override { return drive_->Capabilities(); }
    /// A tray that opened or a drive that went empty ends play, as it does in a drive.
    [[nodiscard]] DriveStatus Status() override;
    [[nodiscard]] bool MediaChanged() override;
    [[nodiscard]] std::optional<CdToc> ReadToc() override { return drive_->ReadToc(); }
    [[nodiscard]] std::optional<CdText> ReadCdText() override { return drive_->ReadCdText(); }
    [[nodiscard]] std::optional<Subchannel> ReadSubchannel() override;
    [[nodiscard]] bool Play(std::uint32_t from, std::uint32_t to) override;
    [[nodiscard]] bool Pause() override;
    [[nodiscard]] bool Resume() override;
    [[nodiscard]] bool Stop() override;
    [[nodiscard]] bool Eject() override;
    [[nodiscard]] bool CloseTray() override;

private:
    /// The disc is gone or another: play ends and the next reads it afresh.
    void DiscGone();

    std::unique_ptr<CdDriveIo> drive_;
    SectorSourceOpener openSource_;
    DigitalAudio audio_;
    std::unique_ptr<DigitalPlayer> player_;  // its threads start with the first play
};

}  // namespace lintel
