#include "platform/LibcdioDrive.h"

#include <cdio/cdio.h>
// The audio commands, whose header needs the types of cdio.h ahead of it.
#include <cdio/audio.h>
#include <cdio/mmc.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/CdTextDecode.h"
#include "platform/Cp932.h"
#include "platform/LibcdioAccess.h"

namespace lintel {
namespace {

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

class LibcdioDrive final : public CdDriveIo {
public:
    explicit LibcdioDrive(std::string source)
        : source_(std::move(source)), image_(IsCueSheet(source_)) {}
    ~LibcdioDrive() override { Close(); }
    LibcdioDrive(const LibcdioDrive&) = delete;
    LibcdioDrive& operator=(const LibcdioDrive&) = delete;

    Outcome Open() override {
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
            return Outcome::Failure(OpenFailure(source_, errno));
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            return Outcome::Failure(OpenFailure(source_, error));
        }
        CdCapabilities capabilities;
        if (image_) {
            cdio_ = OpenCdio(source_);
            if (cdio_ == nullptr) {
                close(fd);
                return Outcome::Failure(cp932::Literal("ディスクイメージ ") + Describe(source_) +
                                        cp932::Literal(" を読めません。"));
            }
        } else {
            const int drive = ioctl(fd, CDROM_GET_CAPABILITY, 0);
            if (drive < 0) {
                close(fd);
                return Outcome::Failure(Describe(source_) +
                                        cp932::Literal(" は CD ドライブではありません。"));
            }
            capabilities.canEject = (drive & CDC_OPEN_TRAY) != 0;
        }
        claim_ = fd;
        capabilities_ = capabilities;
        return {};
    }

    void Close() override {
        cdio_.reset();
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
            cdio_.reset();
        }
        CdIo_t* cdio = Cdio();
        return cdio != nullptr ? TocOf(cdio) : std::nullopt;
    }

    std::optional<CdText> ReadCdText() override {
        // Images answer from their CUE sheet. A drive is asked on a handle of this call's
        // own, so the read may run beside the other commands; libcdio's command time-out
        // bounds it.
        if (image_) {
            return std::nullopt;
        }
        CdioHandle cdio = OpenCdio(source_);
        if (cdio == nullptr) {
            return std::nullopt;
        }
        std::uint8_t* reply = mmc_read_cdtext(cdio.get());
        if (reply == nullptr) {
            return std::nullopt;
        }
        const std::size_t length = CDIO_MMC_GET_LEN16(reply);
        std::optional<CdText> text =
            length > 2 ? DecodeCdTextPacks(reply + 4, length - 2) : std::nullopt;
        cdio_free(reply);
        return text;
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
        cdio_.reset();  // the kernel ejects only for the sole opener of the drive
        return ioctl(claim_, CDROMEJECT, 0) == 0;
    }

    bool CloseTray() override {
        if (image_ || claim_ < 0) {
            return false;
        }
        cdio_.reset();
        return ioctl(claim_, CDROMCLOSETRAY, 0) == 0;
    }

private:
    // The libcdio handle, opened when first needed: a plain, shared open of the drive,
    // since the claim descriptor holds it for this object already.
    CdIo_t* Cdio() {
        if (cdio_ == nullptr && claim_ >= 0) {
            cdio_ = OpenCdio(source_);
        }
        return cdio_.get();
    }

    std::string source_;
    bool image_;
    int claim_ = -1;
    CdioHandle cdio_;
    CdCapabilities capabilities_;
};

}  // namespace

std::unique_ptr<CdDriveIo> MakeLibcdioDrive(std::string source) {
    return std::make_unique<LibcdioDrive>(std::move(source));
}

}  // namespace lintel
