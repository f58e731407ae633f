#include "platform/ImageDrive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/Cp932.h"
#include "platform/DiscImage.h"

namespace lintel {
namespace {

// What the drive holds, shared with the player's reader thread that opens it.
struct Held {
    std::mutex mutex;
    std::shared_ptr<const DiscImage> image;

    std::shared_ptr<const DiscImage> Get() {
        const std::lock_guard lock(mutex);
        return image;
    }
    void Set(std::shared_ptr<const DiscImage> next) {
        const std::lock_guard lock(mutex);
        image = std::move(next);
    }
};

class ImageDrive final : public CdDriveIo {
public:
    ImageDrive(std::string sheetPath, std::shared_ptr<Held> held)
        : sheetPath_(std::move(sheetPath)), held_(std::move(held)) {}
    ~ImageDrive() override { Close(); }
    ImageDrive(const ImageDrive&) = delete;
    ImageDrive& operator=(const ImageDrive&) = delete;

    Outcome Open() override {
        Close();
        const std::string shown =
            cp932::Literal("ディスクイメージ ") + cp932::FromUtf8(sheetPath_).bytes;
        const int fd = open(sheetPath_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return Outcome::Failure(
                shown + (errno == ENOENT ? cp932::Literal(" が見つかりません。")
                                         : cp932::Literal(" を開けません: ") +
                                               cp932::FromUtf8(std::strerror(errno)).bytes));
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return Outcome::Failure(shown + cp932::Literal(" は他のプログラムが使用中です。"));
        }
        DiscImageResult loaded = LoadDiscImage(sheetPath_);
        if (!loaded.image) {
            close(fd);
            return Outcome::Failure(loaded.error);
        }
        claim_ = fd;
        held_->Set(std::move(loaded.image));
        return {};
    }

    void Close() override {
        held_->Set(nullptr);
        if (claim_ >= 0) {
            close(claim_);  // ends the lock with it
            claim_ = -1;
        }
    }

    CdCapabilities Capabilities() override { return {}; }
    DriveStatus Status() override { return DriveStatus::DiscOk; }
    bool MediaChanged() override { return false; }

    std::optional<CdToc> ReadToc() override {
        const std::shared_ptr<const DiscImage> image = held_->Get();
        return image ? std::optional(image->toc) : std::nullopt;
    }

    std::optional<CdText> ReadCdText() override {
        const std::shared_ptr<const DiscImage> image = held_->Get();
        return image && !image->text.Empty() ? std::optional(image->text) : std::nullopt;
    }

    // The image has no audio output of its own: play is the DigitalDrive's over it.
    std::optional<Subchannel> ReadSubchannel() override { return std::nullopt; }
    bool Play(std::uint32_t, std::uint32_t) override { return false; }
    bool Pause() override { return false; }
    bool Resume() override { return false; }
    bool Stop() override { return true; }
    bool Eject() override { return false; }
    bool CloseTray() override { return false; }

private:
    std::string sheetPath_;
    std::shared_ptr<Held> held_;
    int claim_ = -1;
};

}  // namespace

ImageDriveParts MakeImageDrive(std::string sheetPath) {
    auto held = std::make_shared<Held>();
    SectorSourceOpener opener = ImageSourceOpener(sheetPath, [held] { return held->Get(); });
    return {std::make_unique<ImageDrive>(std::move(sheetPath), std::move(held)), std::move(opener)};
}

}  // namespace lintel
