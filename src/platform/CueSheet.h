// A CUE sheet, the text that lays a disc image's tracks over its audio files, and the
// header of a WAVE file such a sheet names. Both parsers only read what they are given:
// finding and opening the files is the disc image's business (DiscImage.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lintel {

/// How a FILE holds its sectors: raw little-endian samples, raw big-endian samples, or a
/// WAVE file whose data chunk holds them.
enum class CueFileType { Binary, Motorola, Wave };

struct CueFile {
    std::string name;  ///< as written, in the sheet's own encoding, quotes removed
    CueFileType type = CueFileType::Binary;
    std::size_t line = 0;  ///< the FILE line, for messages
};

/// An INDEX: a position in one of the sheet's files.
struct CueIndex {
    std::size_t file = 0;        ///< into CueSheet::files: the FILE the INDEX line came under
    std::uint32_t position = 0;  ///< sectors from the start of that file
};

struct CueTrack {
    std::size_t line = 0;  ///< the TRACK line
    bool data = false;     ///< any mode but AUDIO (and CDG, which is audio with sub-codes)
    /// Bytes a sector of this track takes in its file (2,352 for audio), and where a data
    /// sector's 2,048 bytes of user data begin in it.
    std::uint32_t sectorBytes = 2352;
    std::uint32_t userDataOffset = 0;
    std::optional<CueIndex> index0;
    CueIndex index1;
    std::uint32_t pregap = 0;   ///< sectors of silence not in any file, ahead of INDEX 01
    std::uint32_t postgap = 0;  ///< sectors of silence after the track's own sectors
    bool preemphasis = false;   ///< FLAGS PRE: mastered with pre-emphasis
    std::string title;          ///< UTF-8; empty when the sheet gives none
    std::string performer;      ///< UTF-8; empty when the sheet gives none
};

struct CueSheet {
    bool utf8 = true;       ///< the sheet's text is UTF-8 (else code page 932)
    std::string title;      ///< the disc's, UTF-8
    std::string performer;  ///< the disc's, UTF-8
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;  ///< at least one, in the sheet's order, at most 99
};

/// A parsed sheet, or a message naming the line at fault ("line 7: ...", code page 932).
struct CueSheetResult {
    std::optional<CueSheet> sheet;
    std::string error;
};

/// Parses the text of a CUE sheet. Accepted: a UTF-8 byte-order mark; keywords in any
/// case; LF or CR LF line ends; names and titles quoted or not; the text as UTF-8 when it
/// is valid UTF-8, else as code page 932. FILE types BINARY, MOTOROLA and WAVE; any other
/// type is refused by name. REM, CATALOG, ISRC, SONGWRITER, CDTEXTFILE, FLAGS other than
/// PRE, INDEX beyond 01 and unknown keywords are ignored. Every track needs an INDEX 01,
/// and positions within a file rise. Never throws on bad input.
[[nodiscard]] CueSheetResult ParseCueSheet(std::string_view text);

/// Where a WAVE file's samples lie.
struct WaveData {
    std::uint64_t offset = 0;  ///< of the first sample byte
    std::uint64_t bytes = 0;   ///< sample bytes, cut to what the file holds
};

/// A WAVE file's samples, or a message (code page 932) naming the format that cannot play.
struct WaveResult {
    std::optional<WaveData> data;
    std::string error;
};

/// Reads up to `buffer.size()` bytes at `offset`; returns how many it read.
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::span<unsigned char> buffer)>;

/// Finds the samples of a RIFF WAVE file of `fileBytes` bytes read through `read`. Only
/// PCM (plain or extensible) at 44,100 Hz, 16 bits, two channels plays, as on a CD; any
/// other format is refused with a message that states it ("48000 Hz, 24 bits, 2
/// channels").
[[nodiscard]] WaveResult ParseWaveHeader(const ReadAt& read, std::uint64_t fileBytes);

}  // namespace lintel
