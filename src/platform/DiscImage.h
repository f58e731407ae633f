// A disc image: a CUE sheet laid over its files as the disc a drive would hold. It gives
// the table of contents, what the disc's root reports, the titles the sheet carries, and
// the audio itself, read straight from the files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/CdAudioDevice.h"
#include "platform/CdText.h"
#include "platform/CueSheet.h"
#include "platform/SectorSource.h"
#include "platform/VolumeSerial.h"

namespace lintel {

/// Where a file's sectors lie in it: past a WAVE file's header, the whole of a raw one.
struct ImageFileExtent {
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
};

/// A stretch of the disc: sectors from one file, or silence that no file holds (PREGAP,
/// POSTGAP).
struct ImagePiece {
    std::uint32_t start = 0;          ///< absolute frame of its first sector
    std::uint32_t frames = 0;         ///< its length, at least one
    std::optional<std::size_t> file;  ///< into DiscImage::files; nothing for silence
    std::uint64_t offset = 0;         ///< of its first sector's bytes in the file
    std::uint64_t end = 0;            ///< where the file's sectors end (the rest is padding)
    std::uint32_t sectorBytes = 2352;
    std::uint32_t userDataOffset = 0;
    bool data = false;
};

struct ImageFile {
    std::string path;  ///< as found on the file system
    CueFileType type = CueFileType::Binary;
};

struct DiscImage {
    std::string sheetPath;
    std::vector<ImageFile> files;
    CdToc toc;
    std::vector<ImagePiece> pieces;  ///< in disc order, from frame 150 to the lead-out
    std::vector<bool> preemphasis;   ///< per track, from track 1
    /// Where each track's sectors begin, its gap (INDEX 00 or PREGAP) included: at or
    /// before its start in the table, which is its INDEX 01.
    std::vector<std::uint32_t> trackFrom;
    CdText text;

    /// The piece holding absolute frame `frame`; nullptr outside the disc.
    [[nodiscard]] const ImagePiece* PieceAt(std::uint32_t frame) const;
};

/// A disc image, or a message for the user (code page 932) naming the sheet and, when one
/// of its files is at fault, that file.
struct DiscImageResult {
    std::shared_ptr<const DiscImage> image;
    std::string error;
};

/// Lays `sheet` over files whose sectors lie at `extents` (one per file of the sheet): the
/// files follow each other on the disc from frame 150, with each PREGAP's silence ahead of
/// its track's INDEX 01 and each POSTGAP's after its track's sectors; a track starts at its
/// INDEX 01. A WAVE file's last sector, when cut short, is padded with silence; a raw
/// file's bytes past its last whole sector are left out. Fails, with the line at fault,
/// when a track would start beyond its file, a track holds no sector, or the disc would run
/// past 99:59:74. `sheetPath` and `files` of the result are left empty.
[[nodiscard]] DiscImageResult LayOutDiscImage(const CueSheet& sheet,
                                              std::span<const ImageFileExtent> extents);

/// Reads the CUE sheet at `sheetPath` and finds its files beside it: a FILE name as
/// written, then converted to the file system's encoding (UTF-8) when the sheet is code
/// page 932. A WAVE file's header is read for where its samples lie.
[[nodiscard]] DiscImageResult LoadDiscImage(const std::string& sheetPath);

/// What the root of a drive holding `image` reports, as for a real disc: the ISO 9660
/// volume of the last data track that holds one (read from its file), else "Audio CD" and
/// the serial of the table of contents; nothing for a disc of data tracks only without one.
[[nodiscard]] std::optional<DiscVolume> DiscImageVolume(const DiscImage& image);

/// Opens, for one player, the files of the image that `image` returns at the time of the
/// call: nullptr once the drive holding the sheet at `sheetPath` let go of it. A file that
/// cannot be opened gives the message "ディスクイメージのファイル %s を読めません。" with
/// its path. The source reads the files directly: MOTOROLA samples byte-swapped, WAVE
/// samples past the header, PREGAP and POSTGAP as silence, and the part of a sector a
/// file lacks as silence; a sector the file no longer holds (cut short since) is silence
/// and a failed read.
[[nodiscard]] SectorSourceOpener ImageSourceOpener(
    std::string sheetPath, std::function<std::shared_ptr<const DiscImage>()> image);

}  // namespace lintel
