// The virtual CD drive: a drive whose disc is a description file and whose playing
// position follows a clock, so the program runs without a drive and tests step time
// instead of sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/CdAudioDevice.h"
#include "platform/VirtualDisc.h"

namespace lintel {

/// The time the virtual drive plays by.
class CdClock {
public:
    virtual ~CdClock() = default;
    /// Time since an arbitrary fixed point; never goes back.
    [[nodiscard]] virtual std::chrono::milliseconds Now() const = 0;
};

/// The system's monotonic clock, for the program.
class SteadyCdClock : public CdClock {
public:
    [[nodiscard]] std::chrono::milliseconds Now() const override;
};

class VirtualCdDevice : public CdAudioDevice {
public:
    struct Settings {
        std::string discFile;   ///< the disc description in the tray
        std::string lockFile;   ///< held while open; empty: discFile + ".lock"
        std::string driveName;  ///< "V:" and the like, for messages only
        bool canEject = true;   ///< whether OpenDoor works
    };

    /// `clock` must outlive the device.
    VirtualCdDevice(Settings settings, const CdClock& clock);
    ~VirtualCdDevice() override;
    VirtualCdDevice(const VirtualCdDevice&) = delete;
    VirtualCdDevice& operator=(const VirtualCdDevice&) = delete;

    /// Takes an exclusive lock on the lock file (released by the system even when the
    /// process dies) and reads the disc description; a missing or bad description opens
    /// the drive without a medium.
    [[nodiscard]] std::optional<std::string> Open() override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return lockFd_ >= 0; }
    [[nodiscard]] CdCapabilities Capabilities() const override { return {settings_.canEject}; }

    [[nodiscard]] std::optional<CdToc> ReadToc() override;
    [[nodiscard]] CdMode Mode() override;
    [[nodiscard]] std::optional<std::uint32_t> Position() override;
    /// The titles of the description, at once.
    [[nodiscard]] CdTextRead ReadCdText() override;

    [[nodiscard]] bool Play(std::uint32_t from, std::uint32_t to) override;
    [[nodiscard]] bool Stop() override;
    [[nodiscard]] bool Pause() override;
    [[nodiscard]] bool Resume() override;
    [[nodiscard]] bool Seek(std::uint32_t frame) override;
    [[nodiscard]] bool OpenDoor() override;
    /// Closes the tray and reads the description file again, so the disc may have been
    /// swapped while the tray was open. Closing a closed tray does nothing.
    bool CloseDoor() override;

    /// Why the drive holds no disc (the description's error, naming its line), or empty.
    [[nodiscard]] const std::string& DiscError() const { return discError_; }
    [[nodiscard]] bool TrayOpen() const { return trayOpen_; }

private:
    enum class State { Stopped, Playing, Paused };

    void LoadDisc();
    void Unload();
    /// Brings the playing position up to the clock; a play that reached its end stops.
    void Advance();
    [[nodiscard]] bool HasDisc() const { return IsOpen() && !trayOpen_ && disc_.has_value(); }
    std::string DriveLabel() const;

    Settings settings_;
    const CdClock& clock_;
    int lockFd_ = -1;
    bool trayOpen_ = false;
    std::optional<VirtualDisc> disc_;
    std::string discError_;

    State state_ = State::Stopped;
    std::uint32_t position_ = 0;  ///< where play stopped or paused, or started from
    std::uint32_t playFrom_ = 0;  ///< where the running stretch of play began
    std::uint32_t playEnd_ = 0;   ///< where the running or paused play stops
    std::chrono::milliseconds playStartedAt_{0};
};

}  // namespace lintel
