// Drive letters "A:" to "Z:" as the program names its drives: the machine's optical drives,
// and the virtual drives and disc images declared in drives.ini in the system folder
// (format in the README, "drives.ini"). The table is the program's DriveSet: it answers
// the drive type and the volume questions of disc detection and opens the device behind
// an element name.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CdAudioDevice.h"
#include "platform/DriveSet.h"
#include "platform/PcmSink.h"
#include "platform/VolumeSerial.h"

namespace lintel {

class CdClock;
class VirtualCdDevice;

/// A drive with its letter.
struct DriveEntry {
    /// An optical drive, a disc described by a text file (played silently by the clock),
    /// or a disc image (a CUE sheet and the files it names).
    enum class Kind { Real, Virtual, Image };

    char letter = 0;  ///< 'A' to 'Z'
    Kind kind = Kind::Real;
    std::string path;     ///< the device node, the disc description or the CUE sheet
    bool analog = false;  ///< a real drive that plays through its own audio output

    bool operator==(const DriveEntry&) const = default;
};

/// What drives.ini declares.
struct DrivesIni {
    std::map<char, std::string> virtualDrives;  ///< letter to disc description or CUE sheet
    std::set<char> analogDrives;                ///< letters that play through the drive
    std::vector<std::string> warnings;          ///< one per line that was skipped
};

/// The message for the user when digital play finds no sound device: `reason` is ALSA's
/// (plain text), and play goes on silently.
[[nodiscard]] std::string NoSoundDeviceMessage(const std::string& reason);

/// Parses drives.ini. Relative disc paths are taken from `baseFolder`. A line that does not
/// declare a drive as the format says is skipped with a warning naming its line; the first
/// declaration of a letter wins.
[[nodiscard]] DrivesIni ParseDrivesIni(std::string_view text, const std::string& baseFolder);

/// The optical drives in `devFolder`: sr0, sr1 ... in number order (sr10 after sr9). With
/// `blockDevicesOnly`, names that are not block devices are left out.
[[nodiscard]] std::vector<std::string> FindOpticalDrives(const std::string& devFolder = "/dev",
                                                         bool blockDevicesOnly = true);

/// Letters for every drive: each declared drive takes its letter (a CUE sheet, by its
/// ".cue" ending, is an image, anything else a disc description), and the real drives, in
/// the order given, take the free letters from D: upward (drives beyond Z: get none). The
/// result is in letter order.
[[nodiscard]] std::vector<DriveEntry> AssignDriveLetters(
    const std::vector<std::string>& realDrives, const std::map<char, std::string>& virtualDrives);

/// The machine's drives under their letters. It also hands out the CD audio device for an
/// element name, so it must outlive the devices it opened.
class TDriveTable : public DriveSet {
public:
    /// Drives of this machine: the optical drives under /dev and the virtual drives of
    /// drives.ini in `systemFolder`. Virtual drives play by `clock`, which must outlive
    /// the table.
    TDriveTable(std::string systemFolder, const CdClock& clock);
    /// Drives from the given device nodes instead of /dev.
    TDriveTable(std::string systemFolder, std::vector<std::string> realDrives,
                const CdClock& clock);
    ~TDriveTable() override;
    TDriveTable(const TDriveTable&) = delete;
    TDriveTable& operator=(const TDriveTable&) = delete;

    [[nodiscard]] const std::vector<DriveEntry>& Drives() const { return drives_; }
    /// Lines of drives.ini that were skipped, and why.
    [[nodiscard]] const std::vector<std::string>& Warnings() const { return warnings_; }

    /// Whom to tell, with a message for the user (code page 932), that digital play found
    /// no sound device and plays silently (once per table), or that a play stopped because
    /// its disc or image could not be read (once per disc). Told from whatever thread play
    /// runs on; the table must outlive the report's target, or this is set empty first.
    void SetNoSoundDeviceReport(std::function<void(const std::string& message)> report);
    /// Where digital play sends its sound; tests point it elsewhere.
    void SetSoundOutput(std::function<std::unique_ptr<PcmSink>(std::string&)> openSink);

    // DriveSet: every lettered drive is a CD drive.
    [[nodiscard]] unsigned GetDriveType(std::string_view root) const override;
    [[nodiscard]] std::string DefaultDrive() const override;
    [[nodiscard]] std::optional<VolumeInformation> GetVolumeInformation(
        std::string_view root) const override;
    [[nodiscard]] bool HasTrack01Cda(std::string_view root) const override;
    [[nodiscard]] std::unique_ptr<CdAudioDevice> DeviceFor(const std::string& elementName,
                                                           std::string& error) override;

private:
    struct Volume;
    struct SoundReport;

    const DriveEntry* Find(std::string_view root) const;
    std::optional<Volume> ReadVolume(std::string_view root) const;

    std::string systemFolder_;
    const CdClock& clock_;
    std::vector<DriveEntry> drives_;
    std::vector<std::string> warnings_;
    /// The open virtual device of each letter that was handed one (nullptr once closed).
    std::map<char, const VirtualCdDevice*> openVirtual_;
    std::shared_ptr<SoundReport> soundReport_;
    std::function<std::unique_ptr<PcmSink>(std::string&)> openSink_;
};

}  // namespace lintel
