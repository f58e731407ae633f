// CD drives held in memory, for the engine's tests: no drives.ini, no drive table, no
// libcdio. Each drive is a virtual drive on the test's clock, playing a disc description
// (kept as a file, which is what the virtual drive reads). A drive's root reports what
// a description gives it, as the drive table reports it.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DriveSet.h"
#include "platform/VirtualCdDevice.h"
#include "platform/VirtualDisc.h"

namespace lintel::test {

class MemoryDriveSet : public DriveSet {
public:
    /// The descriptions go into `folder` (created here); the drives play by `clock`, which
    /// must outlive the set.
    MemoryDriveSet(const std::filesystem::path& folder, const CdClock& clock)
        : folder_(folder), clock_(clock) {
        std::filesystem::create_directories(folder_);
    }

    /// Puts the disc `description` into the drive `letter` ('A' to 'Z'), which becomes a
    /// CD drive if it was none. An empty description is a disc that cannot be read. An
    /// open device reads the new disc when its tray closes.
    void PutDisc(char letter, const std::string& description) {
        Drive& drive = drives_[letter];
        drive.discFile = (folder_ / (std::string(1, letter) + ".disc")).string();
        std::ofstream(drive.discFile, std::ios::binary) << description;
    }

    [[nodiscard]] unsigned GetDriveType(std::string_view root) const override {
        return Find(root) != nullptr ? DRIVE_CDROM : DRIVE_NO_ROOT_DIR;
    }

    [[nodiscard]] std::string DefaultDrive() const override {
        return drives_.empty() ? std::string() : DriveName(drives_.begin()->first);
    }

    [[nodiscard]] std::optional<VolumeInformation> GetVolumeInformation(
        std::string_view root) const override {
        std::optional<DiscVolume> found = ReadRoot(root);
        return found ? std::optional(found->info) : std::nullopt;
    }

    [[nodiscard]] bool HasTrack01Cda(std::string_view root) const override {
        std::optional<DiscVolume> found = ReadRoot(root);
        return found && found->track01Cda;
    }

    [[nodiscard]] std::unique_ptr<CdAudioDevice> DeviceFor(const std::string& elementName,
                                                           std::string& error) override {
        const std::string name = elementName.empty() ? DefaultDrive() : elementName;
        const std::optional<char> letter = DriveLetterOf(name);
        const auto drive = letter ? drives_.find(*letter) : drives_.end();
        if (drive == drives_.end()) {
            error = "no CD drive " + name;
            return nullptr;
        }
        VirtualCdDevice::Settings settings;
        settings.discFile = drive->second.discFile;
        settings.driveName = name;
        return std::make_unique<TrackedWhileOpen<VirtualCdDevice>>(drive->second.open,
                                                                   std::move(settings), clock_);
    }

private:
    struct Drive {
        std::string discFile;
        const VirtualCdDevice* open = nullptr;  ///< the device handed out, while it is open
    };

    const Drive* Find(std::string_view root) const {
        const std::optional<char> letter = DriveLetterOf(root);
        const auto drive = letter ? drives_.find(*letter) : drives_.end();
        return drive != drives_.end() ? &drive->second : nullptr;
    }

    std::optional<DiscVolume> ReadRoot(std::string_view root) const {
        const Drive* drive = Find(root);
        if (drive == nullptr || (drive->open != nullptr && drive->open->TrayOpen())) {
            return std::nullopt;
        }
        const VirtualDiscResult loaded = LoadVirtualDisc(drive->discFile);
        return loaded.disc ? VirtualDiscVolume(*loaded.disc) : std::nullopt;
    }

    std::filesystem::path folder_;
    const CdClock& clock_;
    std::map<char, Drive> drives_;
};

}  // namespace lintel::test
