// The machine's CD drives as the player sees them: which roots are CD drives, which drive
// an empty element name opens, what the disc in a drive reports in its root, and the CD
// audio device behind an element name. The program's drive table implements it over the
// real drives and drives.ini; the engine's tests hold their drives in memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/CdAudioDevice.h"
#include "platform/VolumeSerial.h"

namespace lintel {

// Drive types with the platform's numbers.
inline constexpr unsigned DRIVE_UNKNOWN = 0;
inline constexpr unsigned DRIVE_NO_ROOT_DIR = 1;
inline constexpr unsigned DRIVE_REMOVABLE = 2;
inline constexpr unsigned DRIVE_FIXED = 3;
inline constexpr unsigned DRIVE_REMOTE = 4;
inline constexpr unsigned DRIVE_CDROM = 5;
inline constexpr unsigned DRIVE_RAMDISK = 6;

/// The letter a root or element name names ("E", "E:", "E:\", any case); nothing for any
/// other text.
[[nodiscard]] inline std::optional<char> DriveLetterOf(std::string_view root) {
    if (root.empty()) {
        return std::nullopt;
    }
    char letter = root[0];
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    if (letter < 'A' || letter > 'Z') {
        return std::nullopt;
    }
    const std::string_view rest = root.substr(1);
    if (rest.empty() || rest == ":" || rest == ":\\" || rest == ":/") {
        return letter;
    }
    return std::nullopt;
}

/// The element name of the drive with letter `letter`: "E:".
[[nodiscard]] inline std::string DriveName(char letter) {
    return std::string{letter, ':'};
}

/// The CD drives under their letters. DeviceFor (from CdDeviceFactory) hands out the
/// device for "E:" or, when the name is empty, for DefaultDrive; the set must outlive the
/// devices it handed out.
class DriveSet : public CdDeviceFactory {
public:
    /// DRIVE_CDROM for the root of a CD drive, DRIVE_NO_ROOT_DIR for any other root.
    [[nodiscard]] virtual unsigned GetDriveType(std::string_view root) const = 0;
    /// The CD drive with the lowest letter ("E:"), which an empty element name opens;
    /// empty when there is none.
    [[nodiscard]] virtual std::string DefaultDrive() const = 0;
    /// The volume name and serial of the disc in the drive at `root`; nothing when the
    /// drive does not exist, is empty, has its tray open or holds no readable disc.
    [[nodiscard]] virtual std::optional<VolumeInformation> GetVolumeInformation(
        std::string_view root) const = 0;
    /// Whether "Track01.cda" is in the root of the drive's disc (its track 1 is audio, or
    /// the disc says otherwise); false whenever GetVolumeInformation gives nothing.
    [[nodiscard]] virtual bool HasTrack01Cda(std::string_view root) const = 0;
};

/// For a DriveSet's own use: a `Device` that keeps `slot` pointing at itself while it is
/// open, so the set can tell whether the tray of a drive in use is open. `slot` must
/// outlive the device; the device is held exclusively, so one slot per drive will do.
template <class Device>
class TrackedWhileOpen final : public Device {
public:
    template <class... Args>
    explicit TrackedWhileOpen(const Device*& slot, Args&&... args)
        : Device(std::forward<Args>(args)...), slot_(slot) {}
    ~TrackedWhileOpen() override { Untrack(); }

    std::optional<std::string> Open() override {
        std::optional<std::string> error = Device::Open();
        if (!error) {
            slot_ = this;
        }
        return error;
    }
    void Close() override {
        Untrack();
        Device::Close();
    }

private:
    void Untrack() {
        if (slot_ == this) {
            slot_ = nullptr;
        }
    }

    const Device*& slot_;
};

}  // namespace lintel
