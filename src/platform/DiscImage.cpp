#include "platform/DiscImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/CdTime.h"
#include "platform/Cp932.h"
#include "platform/FileIo.h"
#include "platform/LineFields.h"

namespace lintel {
namespace {

// A sheet is text of a few kilobytes; anything far bigger is not one.
constexpr std::size_t kMaxSheetBytes = 1024 * 1024;
// The disc may not run past 99:59:74.
constexpr std::uint64_t kMaxLeadOut = 100 * kFramesPerMinute;

struct Fault {
    std::string message;
};

class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileHandle& operator=(FileHandle&&) = delete;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    [[nodiscard]] int Fd() const { return fd_; }

    /// Reads up to `buffer.size()` bytes at `offset`, through short reads; how many it read.
    std::size_t ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const {
        std::size_t got = 0;
        while (got < buffer.size()) {
            const ssize_t n = pread(fd_, buffer.data() + got, buffer.size() - got,
                                    static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

private:
    int fd_;
};

std::string Shown(const std::string& path) {
    return cp932::FromUtf8(path).bytes;
}

// Lays the sheet's sectors down in disc order, as pieces.
class Layout {
public:
    Layout(const CueSheet& sheet, std::span<const ImageFileExtent> extents)
        : sheet_(sheet), extents_(extents) {}

    DiscImage Build() {
        DiscImage image;
        image.toc.tracks.resize(sheet_.tracks.size());
        image.trackFrom.assign(sheet_.tracks.size(), kLeadInFrames);
        std::size_t track = 0;   // the next track whose marks come
        std::size_t region = 0;  // the track whose sectors are being laid down
        for (std::size_t file = 0; file < sheet_.files.size(); ++file) {
            std::uint32_t position = 0;
            std::uint64_t byte = extents_[file].offset;
            const std::uint64_t end = extents_[file].offset + extents_[file].bytes;
            for (; track < sheet_.tracks.size(); ++track) {
                const CueTrack& t = sheet_.tracks[track];
                if (t.index1.file != file && (!t.index0 || t.index0->file != file)) {
                    break;
                }
                for (const CueIndex* mark : {t.index0 ? &*t.index0 : nullptr, &t.index1}) {
                    if (mark == nullptr || mark->file != file) {
                        continue;
                    }
                    const CueTrack& current = sheet_.tracks[region];
                    if (mark->position > position + Sectors(file, end, byte, current.sectorBytes)) {
                        Fail(t.line, "the track starts beyond the end of its file");
                    }
                    Emit(image, file, byte, end, mark->position - position, current);
                    byte += std::uint64_t{mark->position - position} * current.sectorBytes;
                    position = mark->position;
                    if (region != track) {
                        Silence(image, sheet_.tracks[region].postgap);
                        region = track;
                        image.trackFrom[track] = static_cast<std::uint32_t>(at_);
                    }
                    if (mark == &t.index1) {
                        Silence(image, t.pregap);
                        image.toc.tracks[track] = {static_cast<std::uint32_t>(at_), t.data};
                    }
                }
                if (t.index1.file != file) {
                    break;  // its INDEX 01 comes in a later file
                }
            }
            const CueTrack& current = sheet_.tracks[region];
            Emit(image, file, byte, end, Sectors(file, end, byte, current.sectorBytes), current);
        }
        Silence(image, sheet_.tracks.back().postgap);
        image.toc.leadOut = static_cast<std::uint32_t>(at_);

        for (std::size_t i = 1; i < sheet_.tracks.size(); ++i) {
            if (image.toc.tracks[i].start <= image.toc.tracks[i - 1].start) {
                Fail(sheet_.tracks[i].line, "the track must start after the track before it");
            }
        }
        if (image.toc.leadOut <= image.toc.tracks.back().start) {
            Fail(sheet_.tracks.back().line, "the last track holds no sector");
        }
        for (const CueTrack& t : sheet_.tracks) {
            image.preemphasis.push_back(t.preemphasis);
            image.text.trackTitles.push_back(t.title);
        }
        image.text.title = sheet_.title;
        image.text.performer = sheet_.performer;
        return image;
    }

private:
    [[noreturn]] static void Fail(std::size_t line, const std::string& what) {
        throw Fault{LineMessage(line, what)};
    }

    // Sectors left in file `file` from `byte` to `end`. A WAVE file's last sector cut short
    // counts whole, padded with silence as a burner pads it; the bytes past a raw image's
    // last whole sector are not a sector, as libcdio read them, so its identity stays.
    std::uint64_t Sectors(std::size_t file, std::uint64_t end, std::uint64_t byte,
                          std::uint32_t size) const {
        const std::uint64_t pad = sheet_.files[file].type == CueFileType::Wave ? size - 1 : 0;
        return end > byte ? (end - byte + pad) / size : 0;
    }

    void Advance(std::uint64_t frames) {
        at_ += frames;
        if (at_ > kMaxLeadOut) {
            throw Fault{"the disc would run past 99:59:74"};
        }
    }

    void Emit(DiscImage& image, std::size_t file, std::uint64_t byte, std::uint64_t end,
              std::uint64_t frames, const CueTrack& track) {
        if (frames == 0) {
            return;
        }
        const auto start = static_cast<std::uint32_t>(at_);
        Advance(frames);
        image.pieces.push_back({start, static_cast<std::uint32_t>(frames), file, byte, end,
                                track.sectorBytes, track.userDataOffset, track.data});
    }

    void Silence(DiscImage& image, std::uint32_t frames) {
        if (frames == 0) {
            return;
        }
        const auto start = static_cast<std::uint32_t>(at_);
        Advance(frames);
        image.pieces.push_back({start, frames, std::nullopt});
    }

    const CueSheet& sheet_;
    std::span<const ImageFileExtent> extents_;
    std::uint64_t at_ = kLeadInFrames;
};

// The places a FILE name may mean, in the order they are tried: as written, then in the
// file system's encoding. Linux names are bytes; this system takes them as UTF-8.
std::vector<std::string> Candidates(const std::filesystem::path& folder, const CueSheet& sheet,
                                    const std::string& name) {
    std::vector<std::string> names{name};
    if (!sheet.utf8) {
        names.push_back(cp932::ToUtf8(name));
    }
    std::vector<std::string> paths;
    for (const std::string& n : names) {
        const std::filesystem::path path(n);
        paths.push_back((path.is_absolute() ? path : folder / path).lexically_normal().string());
    }
    return paths;
}

class SheetFiles {
public:
    SheetFiles(const std::string& sheetPath, const CueSheet& sheet) : sheetPath_(sheetPath) {
        const std::filesystem::path folder = std::filesystem::path(sheetPath).parent_path();
        for (const CueFile& file : sheet.files) {
            const std::vector<std::string> paths = Candidates(folder, sheet, file.name);
            int fd = -1;
            int error = ENOENT;
            std::string found = paths.back();
            for (const std::string& path : paths) {
                fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
                if (fd >= 0 || errno != ENOENT) {
                    error = errno;
                    found = path;
                    break;
                }
            }
            FileHandle handle(fd);
            struct stat info {};
            if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
                Fail(found, error == ENOENT ? cp932::Literal(" が見つかりません。")
                                            : cp932::Literal(" を開けません: ") +
                                                  cp932::FromUtf8(std::strerror(error)).bytes);
            }
            const auto size = static_cast<std::uint64_t>(info.st_size);
            ImageFileExtent extent{0, size};
            if (file.type == CueFileType::Wave) {
                const WaveResult wave = ParseWaveHeader(
                    [&](std::uint64_t offset, std::span<unsigned char> buffer) {
                        return handle.ReadAt(offset, buffer);
                    },
                    size);
                if (!wave.data) {
                    Fail(found, ": " + wave.error);
                }
                extent = {wave.data->offset, wave.data->bytes};
            }
            extents.push_back(extent);
            files.push_back({found, file.type});
        }
    }

    std::vector<ImageFileExtent> extents;
    std::vector<ImageFile> files;

private:
    [[noreturn]] void Fail(const std::string& file, const std::string& what) const {
        throw Fault{cp932::Literal("ディスクイメージ ") + Shown(sheetPath_) +
                    cp932::Literal(" のファイル ") + Shown(file) + what};
    }

    const std::string& sheetPath_;
};

// Reads a disc image's sectors from its files, one player at a time.
class ImageSource final : public SectorSource {
public:
    ImageSource(std::shared_ptr<const DiscImage> image, std::vector<FileHandle> files)
        : image_(std::move(image)), files_(std::move(files)) {}

    void Seek(std::uint32_t frame) override { next_ = frame; }

    bool Read(CdSector& sector) override {
        const std::uint32_t frame = next_++;
        const ImagePiece* piece = image_->PieceAt(frame);
        if (piece == nullptr || !piece->file || piece->data) {
            sector.fill(0);
            return piece != nullptr && !piece->data;  // silence of a gap is clean
        }
        const std::uint64_t at =
            piece->offset + std::uint64_t{frame - piece->start} * piece->sectorBytes;
        const std::size_t want =
            piece->end > at
                ? static_cast<std::size_t>(std::min<std::uint64_t>(kCdSectorBytes, piece->end - at))
                : 0;
        const std::size_t got = files_[*piece->file].ReadAt(at, std::span(sector).first(want));
        std::fill(sector.begin() + static_cast<std::ptrdiff_t>(got), sector.end(), 0);
        if (image_->files[*piece->file].type == CueFileType::Motorola) {
            for (std::size_t i = 0; i + 1 < kCdSectorBytes; i += 2) {
                std::swap(sector[i], sector[i + 1]);
            }
        }
        return got == want;
    }

    // A track's gap (its INDEX 00 or PREGAP) is its own, as a disc's sub-channel says.
    [[nodiscard]] bool Preemphasis(std::uint32_t frame) const override {
        const std::vector<std::uint32_t>& from = image_->trackFrom;
        const auto after = std::upper_bound(from.begin(), from.end(), frame);
        const std::size_t track = after == from.begin() ? 0 : after - from.begin() - 1;
        return image_->preemphasis[track];
    }

private:
    std::shared_ptr<const DiscImage> image_;
    std::vector<FileHandle> files_;
    std::uint32_t next_ = kLeadInFrames;
};

}  // namespace

const ImagePiece* DiscImage::PieceAt(std::uint32_t frame) const {
    const auto after =
        std::upper_bound(pieces.begin(), pieces.end(), frame,
                         [](std::uint32_t f, const ImagePiece& piece) { return f < piece.start; });
    if (after == pieces.begin()) {
        return nullptr;
    }
    const ImagePiece& piece = *(after - 1);
    return frame - piece.start < piece.frames ? &piece : nullptr;
}

DiscImageResult LayOutDiscImage(const CueSheet& sheet, std::span<const ImageFileExtent> extents) {
    if (extents.size() != sheet.files.size() || sheet.tracks.empty()) {
        return {nullptr, "the sheet and its files do not match"};
    }
    try {
        return {std::make_shared<const DiscImage>(Layout(sheet, extents).Build()), {}};
    } catch (const Fault& fault) {
        return {nullptr, fault.message};
    }
}

DiscImageResult LoadDiscImage(const std::string& sheetPath) {
    const std::string sheetName = cp932::Literal("ディスクイメージ ") + Shown(sheetPath);
    std::string text;
    std::string error;
    switch (ReadWholeFile(sheetPath, text, error)) {
        case ReadStatus::Read:
            break;
        case ReadStatus::Missing:
            return {nullptr, sheetName + cp932::Literal(" が見つかりません。")};
        case ReadStatus::Failed:
            return {nullptr, error};
    }
    if (text.size() > kMaxSheetBytes) {
        return {nullptr, sheetName + ": the sheet is larger than 1 MiB"};
    }
    const CueSheetResult parsed = ParseCueSheet(text);
    if (!parsed.sheet) {
        return {nullptr, sheetName + ": " + parsed.error};
    }
    try {
        SheetFiles files(sheetPath, *parsed.sheet);
        DiscImageResult laid = LayOutDiscImage(*parsed.sheet, files.extents);
        if (!laid.image) {
            return {nullptr, sheetName + ": " + laid.error};
        }
        auto image = std::make_shared<DiscImage>(*laid.image);
        image->sheetPath = sheetPath;
        image->files = std::move(files.files);
        return {std::move(image), {}};
    } catch (const Fault& fault) {
        return {nullptr, fault.message};
    }
}

std::optional<DiscVolume> DiscImageVolume(const DiscImage& image) {
    const std::vector<CdTrack>& tracks = image.toc.tracks;
    for (auto track = tracks.rbegin(); track != tracks.rend(); ++track) {
        if (!track->data) {
            continue;
        }
        const std::uint32_t frame = track->start + kIsoFirstDescriptorSector;
        const ImagePiece* piece = image.PieceAt(frame);
        if (piece == nullptr || !piece->file || !piece->data ||
            piece->sectorBytes < piece->userDataOffset + kIsoDescriptorSize) {
            continue;
        }
        const FileHandle file(open(image.files[*piece->file].path.c_str(), O_RDONLY | O_CLOEXEC));
        std::array<unsigned char, kIsoDescriptorSize> descriptor{};
        const std::uint64_t at = piece->offset +
                                 std::uint64_t{frame - piece->start} * piece->sectorBytes +
                                 piece->userDataOffset;
        if (file.Fd() < 0 || file.ReadAt(at, descriptor) != descriptor.size()) {
            continue;
        }
        if (auto info = IsoVolumeInformation(descriptor)) {
            return DiscVolume{*info, !tracks.front().data};
        }
    }
    return AudioDiscVolume(image.toc);
}

SectorSourceOpener ImageSourceOpener(std::string sheetPath,
                                     std::function<std::shared_ptr<const DiscImage>()> image) {
    return [sheetPath = std::move(sheetPath),
            image = std::move(image)](std::string& error) -> std::unique_ptr<SectorSource> {
        std::shared_ptr<const DiscImage> disc = image();
        if (disc == nullptr) {
            error = cp932::Literal("ディスクイメージ ") + Shown(sheetPath) +
                    cp932::Literal(" を読めません。");
            return nullptr;
        }
        std::vector<FileHandle> files;
        for (const ImageFile& file : disc->files) {
            files.emplace_back(open(file.path.c_str(), O_RDONLY | O_CLOEXEC));
            if (files.back().Fd() < 0) {
                error = cp932::Literal("ディスクイメージのファイル ") + Shown(file.path) +
                        cp932::Literal(" を読めません。");
                return nullptr;
            }
        }
        return std::make_unique<ImageSource>(std::move(disc), std::move(files));
    };
}

}  // namespace lintel
