#include "platform/LibcdioCdDevice.h"

#include <algorithm>
#include <utility>

#include "platform/CdTime.h"
#include "platform/LibcdioDrive.h"

namespace lintel {

CdMode DecodeMode(DriveStatus drive, std::optional<std::uint8_t> audioStatus) {
    switch (drive) {
        case DriveStatus::NoDisc:
        case DriveStatus::TrayOpen:
            return CdMode::Open;
        case DriveStatus::NotReady:
            return CdMode::NotReady;
        case DriveStatus::Unknown:
        case DriveStatus::DiscOk:
            break;
    }
    if (audioStatus == kAudioStatusPlaying) {
        return CdMode::Playing;
    }
    if (audioStatus == kAudioStatusPaused) {
        return CdMode::Paused;
    }
    return CdMode::Stopped;
}

LibcdioCdDevice::LibcdioCdDevice(std::string source)
    : LibcdioCdDevice(MakeLibcdioDrive(std::move(source))) {}

LibcdioCdDevice::LibcdioCdDevice(std::unique_ptr<CdDriveIo> drive) : drive_(std::move(drive)) {}

LibcdioCdDevice::~LibcdioCdDevice() {
    Close();
}

std::optional<std::string> LibcdioCdDevice::Open() {
    if (open_) {
        return std::nullopt;
    }
    if (const Outcome claimed = drive_->Open(); !claimed.Ok()) {
        return claimed.Error();
    }
    capabilities_ = drive_->Capabilities();
    open_ = true;
    Forget();
    return std::nullopt;
}

void LibcdioCdDevice::Close() {
    Forget();
    staleReads_.clear();  // waits for reads still running: they use the drive
    if (open_) {
        drive_->Close();
    }
    open_ = false;
    capabilities_ = {};
    Forget();
}

void LibcdioCdDevice::Forget() {
    toc_.reset();
    position_ = 0;
    playEnd_.reset();
    cdText_.reset();
    std::erase_if(staleReads_, [](const auto& read) {
        return read.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    if (cdTextRead_.valid()) {
        staleReads_.push_back(std::move(cdTextRead_));
    }
}

CdTextRead LibcdioCdDevice::ReadCdText() {
    if (!ReadToc()) {
        return {};
    }
    if (cdText_) {
        return *cdText_;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!cdTextRead_.valid()) {
        cdTextStarted_ = now;
        cdTextRead_ =
            std::async(std::launch::async, [drive = drive_.get()] { return drive->ReadCdText(); });
        return {true, std::nullopt};
    }
    if (cdTextRead_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        cdText_ = CdTextRead{false, cdTextRead_.get()};
    } else if (now - cdTextStarted_ >= kCdTextPatience) {
        cdText_ = CdTextRead{};
        staleReads_.push_back(std::move(cdTextRead_));
    } else {
        return {true, std::nullopt};
    }
    return *cdText_;
}

std::optional<CdToc> LibcdioCdDevice::ReadToc() {
    if (!open_) {
        return std::nullopt;
    }
    if (HoldsNoDisc(drive_->Status())) {
        Forget();
        return std::nullopt;
    }
    if (drive_->MediaChanged()) {
        Forget();
    }
    if (!toc_) {
        toc_ = drive_->ReadToc();
    }
    return toc_;
}

std::optional<std::uint8_t> LibcdioCdDevice::ReadAudioStatus(
    std::optional<std::uint32_t>* playing) {
    const std::optional<Subchannel> subchannel = drive_->ReadSubchannel();
    if (!subchannel) {
        return std::nullopt;
    }
    const std::uint8_t status = subchannel->audioStatus;
    if (status == kAudioStatusPlaying || status == kAudioStatusPaused) {
        if (subchannel->position) {
            position_ = *subchannel->position;
            if (playing != nullptr) {
                *playing = position_;
            }
        }
    } else if (playEnd_) {
        // The play has ended since the last look. A drive says "completed" only once, and
        // some never do; a play last seen within two seconds of its end ran out too.
        if (status == kAudioStatusCompleted || position_ + 2 * kFramesPerSecond >= *playEnd_) {
            position_ = *playEnd_;
        }
        playEnd_.reset();
    }
    return status;
}

CdMode LibcdioCdDevice::Mode() {
    if (!open_) {
        return CdMode::NotReady;
    }
    const DriveStatus drive = drive_->Status();
    if (drive == DriveStatus::NoDisc || drive == DriveStatus::TrayOpen) {
        Forget();
        return CdMode::Open;
    }
    if (drive == DriveStatus::NotReady) {
        return CdMode::NotReady;
    }
    return DecodeMode(drive, ReadAudioStatus(nullptr));
}

std::optional<std::uint32_t> LibcdioCdDevice::Position() {
    const std::optional<CdToc> toc = ReadToc();
    if (!toc) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> playing;
    ReadAudioStatus(&playing);
    if (playing) {
        return playing;
    }
    // Before any play or seek the drive rests at the start of the disc.
    return std::max(position_, toc->StartOf(1));
}

bool LibcdioCdDevice::Play(std::uint32_t from, std::uint32_t to) {
    const std::optional<CdToc> toc = ReadToc();
    if (!toc || !toc->CanPlay(from, to)) {
        return false;
    }
    if (!drive_->Play(from, to)) {
        return false;
    }
    position_ = from;
    playEnd_ = to;
    return true;
}

bool LibcdioCdDevice::Stop() {
    if (!open_) {
        return false;
    }
    ReadAudioStatus(nullptr);  // the position play reached is where it rests
    playEnd_.reset();
    return drive_->Stop();
}

bool LibcdioCdDevice::Pause() {
    if (!open_ || ReadAudioStatus(nullptr) != kAudioStatusPlaying || !drive_->Pause()) {
        return false;
    }
    ReadAudioStatus(nullptr);
    return true;
}

bool LibcdioCdDevice::Resume() {
    return open_ && ReadAudioStatus(nullptr) == kAudioStatusPaused && drive_->Resume();
}

bool LibcdioCdDevice::Seek(std::uint32_t frame) {
    // The kernel has no seek for these drives: the device remembers where the next play
    // starts, and a play or pause in progress ends.
    const std::optional<CdToc> toc = ReadToc();
    if (!toc || !toc->CanSeek(frame)) {
        return false;
    }
    const std::optional<std::uint8_t> status = ReadAudioStatus(nullptr);
    if (status == kAudioStatusPlaying || status == kAudioStatusPaused) {
        // The seek stands even when the drive refuses the stop: the next play starts
        // from here whatever the drive still does.
        static_cast<void>(drive_->Stop());
    }
    playEnd_.reset();
    position_ = frame;
    return true;
}

bool LibcdioCdDevice::OpenDoor() {
    if (!open_ || !capabilities_.canEject) {
        return false;
    }
    Forget();
    return drive_->Eject();
}

bool LibcdioCdDevice::CloseDoor() {
    if (!open_) {
        return false;
    }
    Forget();
    return drive_->CloseTray();
}

}  // namespace lintel
