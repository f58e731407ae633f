#include "platform/DigitalDrive.h"

#include <utility>

namespace lintel {

DigitalDrive::DigitalDrive(std::unique_ptr<CdDriveIo> drive, SectorSourceOpener openSource,
                           DigitalAudio audio)
    : drive_(std::move(drive)), openSource_(std::move(openSource)), audio_(std::move(audio)) {}

DigitalDrive::~DigitalDrive() {
    Close();
}

void DigitalDrive::Close() {
    player_.reset();  // stops play and lets go of the disc before the claim ends
    drive_->Close();
}

void DigitalDrive::DiscGone() {
    if (player_ == nullptr) {
        return;
    }
    if (player_->Status().audioStatus != kAudioStatusNone) {
        player_->Stop();
    }
    // The reader's own handle must be closed before the drive can eject.
    static_cast<void>(player_->Forget());
}

// While the player reads the disc, a question to the drive would wait behind its reads
// (a scratched sector can take seconds): the tray stays shut and the disc the same as far
// as the tick can tell, and the player answers for play.
DriveStatus DigitalDrive::Status() {
    if (player_ != nullptr && player_->Busy()) {
        return DriveStatus::DiscOk;
    }
    const DriveStatus status = drive_->Status();
    if (HoldsNoDisc(status)) {
        DiscGone();
    }
    return status;
}

bool DigitalDrive::MediaChanged() {
    if (player_ != nullptr && player_->Busy()) {
        return false;  // told at the first look after play
    }
    const bool changed = drive_->MediaChanged();
    if (changed) {
        DiscGone();
    }
    return changed;
}

std::optional<Subchannel> DigitalDrive::ReadSubchannel() {
    if (player_ == nullptr) {
        return Subchannel{kAudioStatusNone, std::nullopt};
    }
    return player_->Status();
}

bool DigitalDrive::Play(std::uint32_t from, std::uint32_t to) {
    if (player_ == nullptr) {
        player_ = std::make_unique<DigitalPlayer>(openSource_, audio_);
    }
    player_->Play(from, to);
    return true;
}

bool DigitalDrive::Pause() {
    return player_ != nullptr && player_->Pause();
}

bool DigitalDrive::Resume() {
    return player_ != nullptr && player_->Resume();
}

bool DigitalDrive::Stop() {
    if (player_ != nullptr) {
        player_->Stop();
    }
    return true;
}

bool DigitalDrive::Eject() {
    DiscGone();
    return drive_->Eject();
}

bool DigitalDrive::CloseTray() {
    DiscGone();
    return drive_->CloseTray();
}

}  // namespace lintel
