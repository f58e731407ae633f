#include "platform/Drives.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "platform/Cp932.h"
#include "platform/CddaReader.h"
#include "platform/DigitalDrive.h"
#include "platform/FileIo.h"
#include "platform/LibcdioAccess.h"
#include "platform/LibcdioCdDevice.h"
#include "platform/LibcdioDrive.h"
#include "platform/VirtualCdDevice.h"
#include "platform/VirtualDisc.h"

namespace lintel {

struct TDriveTable::Volume {
    VolumeInformation info;
    bool track01Cda = false;
};

// The report of a missing sound device, shared by every device the table handed out.
struct TDriveTable::SoundReport {
    std::mutex mutex;
    bool told = false;
    std::function<void(const std::string&)> target;

    void Tell(const std::string& reason) {
        const std::lock_guard lock(mutex);
        if (told || !target) {
            return;
        }
        told = true;
        target(NoSoundDeviceMessage(reason));
    }
};

namespace {

std::string_view Trim(std::string_view text) {
    return cp932::Trim(text, " \t\r");
}

std::string LineWarning(int line, const char* utf8) {
    return "drives.ini " + std::to_string(line) + cp932::Literal(" 行目: ") + cp932::Literal(utf8);
}

}  // namespace

std::string NoSoundDeviceMessage(const std::string& reason) {
    return cp932::Literal(
               "サウンドデバイスを開けないため、CD を音なしで再生します。\n(ALSA の "
               "default デバイス: ") +
           cp932::FromUtf8(reason).bytes + cp932::Literal(")");
}

DrivesIni ParseDrivesIni(std::string_view text, const std::string& baseFolder) {
    DrivesIni result;
    enum class Section { None, Drives, Play } section = Section::None;
    std::set<char> playDeclared;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;

        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            section = Section::None;
            if (line.back() != ']') {
                result.warnings.push_back(LineWarning(lineNumber, "] のない見出しです。"));
                continue;
            }
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            if (cp932::EqualsIgnoreCase(name, "Drives")) {
                section = Section::Drives;
            } else if (cp932::EqualsIgnoreCase(name, "Play")) {
                section = Section::Play;
            }
            continue;
        }
        if (section == Section::None) {
            result.warnings.push_back(
                LineWarning(lineNumber, "[Drives] と [Play] の外にある行は使いません。"));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            result.warnings.push_back(LineWarning(lineNumber, "= がありません。"));
            continue;
        }
        const std::optional<char> letter = DriveLetterOf(Trim(line.substr(0, equals)));
        if (!letter) {
            result.warnings.push_back(
                LineWarning(lineNumber, "キーは A から Z のドライブ文字一つです。"));
            continue;
        }
        std::string_view value = Trim(line.substr(equals + 1));
        if (section == Section::Play) {
            const bool analog = cp932::EqualsIgnoreCase(value, "analog");
            if (!analog && !cp932::EqualsIgnoreCase(value, "digital")) {
                result.warnings.push_back(
                    LineWarning(lineNumber, "再生の方法は analog か digital です。"));
            } else if (!playDeclared.insert(*letter).second) {
                result.warnings.push_back(
                    LineWarning(lineNumber, "同じドライブ文字が二度あります。"));
            } else if (analog) {
                result.analogDrives.insert(*letter);
            }
            continue;
        }
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.empty()) {
            result.warnings.push_back(LineWarning(lineNumber, "ディスクのファイルがありません。"));
            continue;
        }
        if (value.find('\0') != std::string_view::npos) {
            result.warnings.push_back(LineWarning(lineNumber, "ファイル名に NUL があります。"));
            continue;
        }
        if (result.virtualDrives.count(*letter) != 0) {
            result.warnings.push_back(LineWarning(lineNumber, "同じドライブ文字が二度あります。"));
            continue;
        }
        std::filesystem::path path{std::string(value)};
        if (path.is_relative()) {
            path = std::filesystem::path(baseFolder) / path;
        }
        result.virtualDrives[*letter] = path.lexically_normal().string();
    }
    return result;
}

std::vector<std::string> FindOpticalDrives(const std::string& devFolder, bool blockDevicesOnly) {
    std::vector<std::pair<unsigned long, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(devFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 3 || name.size() > 6 || name.compare(0, 2, "sr") != 0 ||
            !std::all_of(name.begin() + 2, name.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        struct stat info {};
        if (blockDevicesOnly &&
            (stat(entry.path().c_str(), &info) != 0 || !S_ISBLK(info.st_mode))) {
            continue;
        }
        found.emplace_back(std::stoul(name.substr(2)), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [number, path] : found) {
        paths.push_back(std::move(path));
    }
    return paths;
}

std::vector<DriveEntry> AssignDriveLetters(const std::vector<std::string>& realDrives,
                                           const std::map<char, std::string>& virtualDrives) {
    std::vector<DriveEntry> drives;
    for (const auto& [letter, path] : virtualDrives) {
        drives.push_back(
            {letter, IsCueSheet(path) ? DriveEntry::Kind::Image : DriveEntry::Kind::Virtual, path});
    }
    char next = 'D';
    for (const std::string& device : realDrives) {
        while (next <= 'Z' && virtualDrives.count(next) != 0) {
            ++next;
        }
        if (next > 'Z') {
            break;
        }
        drives.push_back({next++, DriveEntry::Kind::Real, device});
    }
    std::sort(drives.begin(), drives.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
    return drives;
}

TDriveTable::TDriveTable(std::string systemFolder, const CdClock& clock)
    : TDriveTable(std::move(systemFolder), FindOpticalDrives(), clock) {}

TDriveTable::TDriveTable(std::string systemFolder, std::vector<std::string> realDrives,
                         const CdClock& clock)
    : systemFolder_(std::move(systemFolder)),
      clock_(clock),
      soundReport_(std::make_shared<SoundReport>()),
      openSink_(OpenDefaultPcm) {
    std::map<char, std::string> virtualDrives;
    std::set<char> analogDrives;
    if (!systemFolder_.empty()) {
        const std::string iniPath = (std::filesystem::path(systemFolder_) / "drives.ini").string();
        std::string text;
        std::string error;
        switch (ReadWholeFile(iniPath, text, error)) {
            case ReadStatus::Read: {
                DrivesIni ini = ParseDrivesIni(text, systemFolder_);
                virtualDrives = std::move(ini.virtualDrives);
                analogDrives = std::move(ini.analogDrives);
                warnings_ = std::move(ini.warnings);
                break;
            }
            case ReadStatus::Missing:
                break;
            case ReadStatus::Failed:
                warnings_.push_back(error);
                break;
        }
    }
    drives_ = AssignDriveLetters(realDrives, virtualDrives);
    for (const char letter : analogDrives) {
        const auto drive = std::find_if(drives_.begin(), drives_.end(),
                                        [&](const DriveEntry& d) { return d.letter == letter; });
        if (drive != drives_.end() && drive->kind == DriveEntry::Kind::Real) {
            drive->analog = true;
        } else {
            warnings_.push_back(
                "drives.ini: " + DriveName(letter) +
                cp932::Literal(" は CD ドライブではないので、analog にできません。"));
        }
    }
}

TDriveTable::~TDriveTable() = default;

void TDriveTable::SetNoSoundDeviceReport(std::function<void(const std::string&)> report) {
    const std::lock_guard lock(soundReport_->mutex);
    soundReport_->target = std::move(report);
}

void TDriveTable::SetSoundOutput(std::function<std::unique_ptr<PcmSink>(std::string&)> openSink) {
    openSink_ = std::move(openSink);
}

const DriveEntry* TDriveTable::Find(std::string_view root) const {
    const std::optional<char> letter = DriveLetterOf(root);
    if (!letter) {
        return nullptr;
    }
    for (const DriveEntry& drive : drives_) {
        if (drive.letter == *letter) {
            return &drive;
        }
    }
    return nullptr;
}

unsigned TDriveTable::GetDriveType(std::string_view root) const {
    return Find(root) != nullptr ? DRIVE_CDROM : DRIVE_NO_ROOT_DIR;
}

std::string TDriveTable::DefaultDrive() const {
    return drives_.empty() ? std::string() : DriveName(drives_.front().letter);
}

std::optional<TDriveTable::Volume> TDriveTable::ReadVolume(std::string_view root) const {
    const DriveEntry* drive = Find(root);
    if (drive == nullptr) {
        return std::nullopt;
    }
    if (drive->kind != DriveEntry::Kind::Virtual) {
        const std::optional<DiscVolume> volume = ReadDiscVolume(drive->path);
        if (!volume) {
            return std::nullopt;
        }
        return Volume{volume->info, volume->track01Cda};
    }

    // A virtual drive in use tells its tray; the disc file does not.
    const auto live = openVirtual_.find(drive->letter);
    if (live != openVirtual_.end() && live->second != nullptr && live->second->TrayOpen()) {
        return std::nullopt;
    }
    const VirtualDiscResult loaded = LoadVirtualDisc(drive->path);
    const std::optional<DiscVolume> volume =
        loaded.disc ? VirtualDiscVolume(*loaded.disc) : std::nullopt;
    if (!volume) {
        return std::nullopt;
    }
    return Volume{volume->info, volume->track01Cda};
}

std::optional<VolumeInformation> TDriveTable::GetVolumeInformation(std::string_view root) const {
    const std::optional<Volume> volume = ReadVolume(root);
    if (!volume) {
        return std::nullopt;
    }
    return volume->info;
}

bool TDriveTable::HasTrack01Cda(std::string_view root) const {
    const std::optional<Volume> volume = ReadVolume(root);
    return volume && volume->track01Cda;
}

std::unique_ptr<CdAudioDevice> TDriveTable::DeviceFor(const std::string& elementName,
                                                      std::string& error) {
    const std::string name = elementName.empty() ? DefaultDrive() : elementName;
    if (name.empty()) {
        error = cp932::Literal("CD ドライブがありません。");
        return nullptr;
    }
    const DriveEntry* drive = Find(name);
    if (drive == nullptr) {
        error = cp932::FromUtf8(name).bytes + cp932::Literal(" は CD ドライブではありません。");
        return nullptr;
    }
    if (drive->kind != DriveEntry::Kind::Virtual) {
        if (drive->analog) {
            return std::make_unique<LibcdioCdDevice>(drive->path);
        }
        DigitalAudio audio;
        audio.openSink = openSink_;
        audio.noSoundDevice = [report = soundReport_](const std::string& reason) {
            report->Tell(reason);
        };
        return std::make_unique<LibcdioCdDevice>(std::make_unique<DigitalDrive>(
            MakeLibcdioDrive(drive->path), CddaReaderOpener(drive->path), std::move(audio)));
    }
    VirtualCdDevice::Settings settings;
    settings.discFile = drive->path;
    // The lock belongs to the letter, not to the disc file, which may lie in a folder the
    // user cannot write (the samples of an installed copy).
    settings.lockFile = (std::filesystem::path(systemFolder_) /
                         ("drive-" + std::string(1, drive->letter) + ".lock"))
                            .string();
    settings.driveName = DriveName(drive->letter);
    return std::make_unique<TrackedWhileOpen<VirtualCdDevice>>(openVirtual_[drive->letter],
                                                               std::move(settings), clock_);
}

}  // namespace lintel
