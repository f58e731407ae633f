#include "platform/VirtualCdDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/CdTime.h"
#include "platform/Cp932.h"

namespace lintel {

std::chrono::milliseconds SteadyCdClock::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

VirtualCdDevice::VirtualCdDevice(Settings settings, const CdClock& clock)
    : settings_(std::move(settings)), clock_(clock) {
    if (settings_.lockFile.empty()) {
        settings_.lockFile = settings_.discFile + ".lock";
    }
}

VirtualCdDevice::~VirtualCdDevice() {
    Close();
}

std::string VirtualCdDevice::DriveLabel() const {
    return settings_.driveName.empty() ? "The virtual CD drive"
                                       : "The CD drive " + settings_.driveName;
}

std::optional<std::string> VirtualCdDevice::Open() {
    if (IsOpen()) {
        return std::nullopt;
    }
    // An advisory lock on a file of its own: it belongs to this open file description, so
    // a second device in this process conflicts as well as another process, and the
    // system drops it when the holder dies, leaving no stale lock behind.
    int fd = open(settings_.lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        int error = errno;
        return cp932::FromUtf8(DriveLabel() + " cannot be opened: the lock file " +
                               settings_.lockFile + ": " + std::strerror(error))
            .bytes;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) {
            return cp932::FromUtf8(DriveLabel() + " is in use by another program.").bytes;
        }
        return cp932::FromUtf8(DriveLabel() + " cannot be locked: " + std::strerror(error)).bytes;
    }
    lockFd_ = fd;
    trayOpen_ = false;
    LoadDisc();
    return std::nullopt;
}

void VirtualCdDevice::Close() {
    if (!IsOpen()) {
        return;
    }
    Unload();
    close(lockFd_);  // releases the lock
    lockFd_ = -1;
}

void VirtualCdDevice::LoadDisc() {
    Unload();
    VirtualDiscResult result = LoadVirtualDisc(settings_.discFile);
    disc_ = std::move(result.disc);
    discError_ = std::move(result.error);
    if (disc_) {
        position_ = disc_->toc.StartOf(1);
    }
}

void VirtualCdDevice::Unload() {
    disc_.reset();
    discError_.clear();
    state_ = State::Stopped;
    position_ = 0;
    playEnd_ = 0;
}

void VirtualCdDevice::Advance() {
    if (state_ != State::Playing) {
        return;
    }
    auto elapsed = clock_.Now() - playStartedAt_;
    std::int64_t ms = elapsed.count() < 0 ? 0 : elapsed.count();
    std::int64_t frames = ms * kFramesPerSecond / 1000;
    // Counted from where this stretch of play began, never step by step, so rounding
    // at each query cannot add up to a drift.
    std::int64_t reached = std::int64_t{playFrom_} + frames;
    if (reached >= playEnd_) {
        position_ = playEnd_;
        state_ = State::Stopped;
        return;
    }
    position_ = static_cast<std::uint32_t>(reached);
}

CdTextRead VirtualCdDevice::ReadCdText() {
    if (!HasDisc() || disc_->cdText.Empty()) {
        return {};
    }
    return {false, disc_->cdText};
}

std::optional<CdToc> VirtualCdDevice::ReadToc() {
    if (!HasDisc()) {
        return std::nullopt;
    }
    return disc_->toc;
}

CdMode VirtualCdDevice::Mode() {
    if (!IsOpen()) {
        return CdMode::NotReady;
    }
    if (!HasDisc()) {
        return CdMode::Open;
    }
    Advance();
    switch (state_) {
        case State::Playing:
            return CdMode::Playing;
        case State::Paused:
            return CdMode::Paused;
        case State::Stopped:
            break;
    }
    return CdMode::Stopped;
}

std::optional<std::uint32_t> VirtualCdDevice::Position() {
    if (!HasDisc()) {
        return std::nullopt;
    }
    Advance();
    return position_;
}

bool VirtualCdDevice::Play(std::uint32_t from, std::uint32_t to) {
    if (!HasDisc() || !disc_->toc.CanPlay(from, to)) {
        return false;
    }
    position_ = from;
    playFrom_ = from;
    playEnd_ = to;
    playStartedAt_ = clock_.Now();
    state_ = State::Playing;
    return true;
}

bool VirtualCdDevice::Stop() {
    if (!HasDisc()) {
        return false;
    }
    Advance();
    state_ = State::Stopped;
    return true;
}

bool VirtualCdDevice::Pause() {
    if (!HasDisc()) {
        return false;
    }
    Advance();
    if (state_ != State::Playing) {
        return false;
    }
    state_ = State::Paused;
    return true;
}

bool VirtualCdDevice::Resume() {
    if (!HasDisc() || state_ != State::Paused) {
        return false;
    }
    playFrom_ = position_;
    playStartedAt_ = clock_.Now();
    state_ = State::Playing;
    return true;
}

bool VirtualCdDevice::Seek(std::uint32_t frame) {
    if (!HasDisc() || !disc_->toc.CanSeek(frame)) {
        return false;
    }
    state_ = State::Stopped;
    position_ = frame;
    return true;
}

bool VirtualCdDevice::OpenDoor() {
    if (!IsOpen() || !settings_.canEject) {
        return false;
    }
    Unload();
    trayOpen_ = true;
    return true;
}

bool VirtualCdDevice::CloseDoor() {
    if (!IsOpen()) {
        return false;
    }
    if (trayOpen_) {
        trayOpen_ = false;
        LoadDisc();
    }
    return true;
}

}  // namespace lintel
