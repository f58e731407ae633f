#include "platform/LibcdioCdDevice.h"

#include <cdio/cdio.h>  // ahead of the other libcdio headers, which need its types
#include <cdio/logging.h>
#include <cdio/mmc.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/CdTime.h"
#include "platform/Cp932.h"

namespace lintel {

namespace {

// libcdio reports trouble on standard error by default; the program keeps quiet and
// looks at return values instead.
void SilenceLibcdio() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler([](cdio_log_level_t, const char*) {}); });
}

bool EndsWithCue(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return tail == ".cue";
}

CdIo_t* OpenCdio(const std::string& source) {
    SilenceLibcdio();
    if (EndsWithCue(source)) {
        return cdio_open_am(source.c_str(), DRIVER_BINCUE, nullptr);
    }
    // A plain, shared open: the device object holds the exclusive claim itself.
    return cdio_open_am(source.c_str(), DRIVER_LINUX, "IOCTL");
}

DriveStatus DriveStatusOf(int fd) {
    switch (ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT)) {
        case CDS_NO_DISC:
            return DriveStatus::NoDisc;
        case CDS_TRAY_OPEN:
            return DriveStatus::TrayOpen;
        case CDS_DRIVE_NOT_READY:
            return DriveStatus::NotReady;
        case CDS_DISC_OK:
            return DriveStatus::DiscOk;
        default:
            return DriveStatus::Unknown;
    }
}

bool HoldsNoDisc(DriveStatus status) {
    return status == DriveStatus::NoDisc || status == DriveStatus::TrayOpen ||
           status == DriveStatus::NotReady;
}

// The table of contents as libcdio reads it, tracks renumbered from 1. Nothing when the
// disc has no tracks or its addresses make no sense (they must rise to the lead-out).
std::optional<CdToc> TocOf(CdIo_t* cdio) {
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 ||
        first + count - 1 > 99) {
        return std::nullopt;
    }
    CdToc toc;
    for (int i = 0; i < count; ++i) {
        const track_t number = static_cast<track_t>(first + i);
        const lba_t start = cdio_get_track_lba(cdio, number);
        if (start == CDIO_INVALID_LBA || start < 0 ||
            (!toc.tracks.empty() && static_cast<std::uint32_t>(start) <= toc.tracks.back().start)) {
            return std::nullopt;
        }
        const track_format_t format = cdio_get_track_format(cdio, number);
        toc.tracks.push_back({static_cast<std::uint32_t>(start), format != TRACK_FORMAT_AUDIO});
    }
    const lba_t leadOut = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LBA ||
        static_cast<std::uint32_t>(leadOut) <= toc.tracks.back().start) {
        return std::nullopt;
    }
    toc.leadOut = static_cast<std::uint32_t>(leadOut);
    return toc;
}

// The ISO 9660 volume of the disc: the primary volume descriptor of the last data track
// that has one (the last session's, on a disc written in several).
std::optional<VolumeInformation> IsoVolumeOf(CdIo_t* cdio, const CdToc& toc) {
    for (auto track = toc.tracks.rbegin(); track != toc.tracks.rend(); ++track) {
        if (!track->data || track->start < kLeadInFrames) {
            continue;
        }
        const lsn_t sector =
            static_cast<lsn_t>(track->start - kLeadInFrames + kIsoFirstDescriptorSector);
        std::array<unsigned char, kIsoDescriptorSize> descriptor{};
        if (cdio_read_data_sectors(cdio, descriptor.data(), sector, kIsoDescriptorSize, 1) !=
            DRIVER_OP_SUCCESS) {
            continue;
        }
        if (auto info = IsoVolumeInformation(descriptor)) {
            return info;
        }
    }
    return std::nullopt;
}

std::string Describe(const std::string& source) {
    return cp932::FromUtf8(source).bytes;
}

// A message for the user for an open of the drive at `source` that failed with `error`.
std::string OpenFailure(const std::string& source, int error) {
    switch (error) {
        case EBUSY:
        case EWOULDBLOCK:
            return cp932::Literal("ドライブ ") + Describe(source) +
                   cp932::Literal(" は他のプログラムが使用中です。");
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
            return cp932::Literal("ドライブ ") + Describe(source) +
                   cp932::Literal(" が見つかりません。");
        case EACCES:
        case EPERM:
            return cp932::Literal("ドライブ ") + Describe(source) +
                   cp932::Literal(" を開く権限がありません。");
        default:
            return cp932::Literal("ドライブ ") + Describe(source) +
                   cp932::Literal(" を開けません: ") + cp932::FromUtf8(std::strerror(error)).bytes;
    }
}

}  // namespace

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

std::optional<DiscVolume> AudioDiscVolume(const CdToc& toc) {
    std::vector<std::uint32_t> starts;
    bool audio = false;
    for (const CdTrack& track : toc.tracks) {
        starts.push_back(track.start);
        audio = audio || !track.data;
    }
    if (!audio) {
        return std::nullopt;
    }
    DiscVolume volume;
    volume.info.name = kAudioVolumeName;
    volume.info.serial = AudioVolumeSerial(starts, toc.leadOut);
    volume.track01Cda = !toc.tracks.front().data;
    return volume;
}

std::optional<DiscVolume> ReadDiscVolume(const std::string& source) {
    if (!EndsWithCue(source)) {
        const int fd = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return std::nullopt;
        }
        const DriveStatus status = DriveStatusOf(fd);
        close(fd);
        if (HoldsNoDisc(status)) {
            return std::nullopt;
        }
    }
    CdIo_t* cdio = OpenCdio(source);
    if (cdio == nullptr) {
        return std::nullopt;
    }
    std::optional<DiscVolume> volume;
    if (const std::optional<CdToc> toc = TocOf(cdio)) {
        if (auto iso = IsoVolumeOf(cdio, *toc)) {
            volume = DiscVolume{*iso, !toc->tracks.front().data};
        } else {
            volume = AudioDiscVolume(*toc);
        }
    }
    cdio_destroy(cdio);
    return volume;
}

namespace {

// libcdio calls the absolute frame count (150 at 00:02:00) an LBA, and the drive's logical
// block address an LSN.
class LibcdioDrive final : public CdDriveIo {
public:
    explicit LibcdioDrive(std::string source)
        : source_(std::move(source)), image_(EndsWithCue(source_)) {}
    ~LibcdioDrive() override { Close(); }
    LibcdioDrive(const LibcdioDrive&) = delete;
    LibcdioDrive& operator=(const LibcdioDrive&) = delete;

    std::optional<std::string> Open() override {
        SilenceLibcdio();
        // O_NONBLOCK lets an empty drive or an open tray be opened without the kernel
        // pulling the tray in; O_EXCL keeps every other exclusive user out (a mount as well)
        // while the descriptor lives. The lock on top covers kernels that refuse O_EXCL
        // here, and images.
        int fd = -1;
        if (image_) {
            fd = open(source_.c_str(), O_RDONLY | O_CLOEXEC);
        } else {
            fd = open(source_.c_str(), O_RDONLY | O_NONBLOCK | O_EXCL | O_CLOEXEC);
            if (fd < 0 && (errno == EINVAL || errno == EOPNOTSUPP)) {
                fd = open(source_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            }
        }
        if (fd < 0) {
            return OpenFailure(source_, errno);
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            return OpenFailure(source_, error);
        }
        CdCapabilities capabilities;
        if (image_) {
            cdio_ = OpenCdio(source_);
            if (cdio_ == nullptr) {
                close(fd);
                return cp932::Literal("ディスクイメージ ") + Describe(source_) +
                       cp932::Literal(" を読めません。");
            }
        } else {
            const int drive = ioctl(fd, CDROM_GET_CAPABILITY, 0);
            if (drive < 0) {
                close(fd);
                return Describe(source_) + cp932::Literal(" は CD ドライブではありません。");
            }
            capabilities.canEject = (drive & CDC_OPEN_TRAY) != 0;
        }
        claim_ = fd;
        capabilities_ = capabilities;
        return std::nullopt;
    }

    void Close() override {
        DropCdio();
        if (claim_ >= 0) {
            close(claim_);  // ends the lock and the exclusive claim with it
            claim_ = -1;
        }
    }

    CdCapabilities Capabilities() override { return capabilities_; }

    DriveStatus Status() override { return image_ ? DriveStatus::DiscOk : DriveStatusOf(claim_); }

    bool MediaChanged() override {
        return !image_ && ioctl(claim_, CDROM_MEDIA_CHANGED, CDSL_CURRENT) == 1;
    }

    std::optional<CdToc> ReadToc() override {
        // libcdio reads the table once per handle, so a fresh table needs a fresh handle.
        if (!image_) {
            DropCdio();
        }
        CdIo_t* cdio = Cdio();
        return cdio != nullptr ? TocOf(cdio) : std::nullopt;
    }

    std::optional<Subchannel> ReadSubchannel() override {
        CdIo_t* cdio = Cdio();
        cdio_subchannel_t subchannel{};
        if (cdio == nullptr || cdio_audio_read_subchannel(cdio, &subchannel) != DRIVER_OP_SUCCESS) {
            return std::nullopt;
        }
        Subchannel result;
        result.audioStatus = subchannel.audio_status;
        const lba_t at = cdio_msf_to_lba(&subchannel.abs_addr);
        if (at != CDIO_INVALID_LBA && at >= 0) {
            result.position = static_cast<std::uint32_t>(at);
        }
        return result;
    }

    bool Play(std::uint32_t from, std::uint32_t to) override {
        CdIo_t* cdio = Cdio();
        if (cdio == nullptr) {
            return false;
        }
        msf_t start;
        msf_t end;
        cdio_lba_to_msf(static_cast<lba_t>(from), &start);
        cdio_lba_to_msf(static_cast<lba_t>(to), &end);
        return cdio_audio_play_msf(cdio, &start, &end) == DRIVER_OP_SUCCESS;
    }

    bool Pause() override {
        CdIo_t* cdio = Cdio();
        return cdio != nullptr && cdio_audio_pause(cdio) == DRIVER_OP_SUCCESS;
    }

    bool Resume() override {
        CdIo_t* cdio = Cdio();
        return cdio != nullptr && cdio_audio_resume(cdio) == DRIVER_OP_SUCCESS;
    }

    bool Stop() override {
        CdIo_t* cdio = Cdio();
        if (cdio == nullptr) {
            return false;
        }
        const driver_return_code_t result = cdio_audio_stop(cdio);
        // An image never plays, so it is always stopped already.
        return result == DRIVER_OP_SUCCESS || (image_ && result == DRIVER_OP_UNSUPPORTED);
    }

    bool Eject() override {
        if (image_ || claim_ < 0) {
            return false;
        }
        DropCdio();  // the kernel ejects only for the sole opener of the drive
        return ioctl(claim_, CDROMEJECT, 0) == 0;
    }

    bool CloseTray() override {
        if (image_ || claim_ < 0) {
            return false;
        }
        DropCdio();
        return ioctl(claim_, CDROMCLOSETRAY, 0) == 0;
    }

private:
    // The libcdio handle, opened when first needed: a plain, shared open of the drive,
    // since the claim descriptor holds it for this object already.
    CdIo_t* Cdio() {
        if (cdio_ == nullptr && claim_ >= 0) {
            cdio_ = OpenCdio(source_);
        }
        return cdio_;
    }
    void DropCdio() {
        if (cdio_ != nullptr) {
            cdio_destroy(cdio_);
            cdio_ = nullptr;
        }
    }

    std::string source_;
    bool image_;
    int claim_ = -1;
    CdIo_t* cdio_ = nullptr;
    CdCapabilities capabilities_;
};

}  // namespace

std::unique_ptr<CdDriveIo> MakeLibcdioDrive(std::string source) {
    return std::make_unique<LibcdioDrive>(std::move(source));
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
    if (std::optional<std::string> error = drive_->Open()) {
        return error;
    }
    capabilities_ = drive_->Capabilities();
    open_ = true;
    Forget();
    return std::nullopt;
}

void LibcdioCdDevice::Close() {
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
    return std::max(position_, toc->tracks.front().start);
}

bool LibcdioCdDevice::Play(std::uint32_t from, std::uint32_t to) {
    const std::optional<CdToc> toc = ReadToc();
    if (!toc || from >= to || from < toc->tracks.front().start || to > toc->leadOut) {
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
    if (!toc || frame < toc->tracks.front().start || frame > toc->leadOut) {
        return false;
    }
    const std::optional<std::uint8_t> status = ReadAudioStatus(nullptr);
    if (status == kAudioStatusPlaying || status == kAudioStatusPaused) {
        drive_->Stop();
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
