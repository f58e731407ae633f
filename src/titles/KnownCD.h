// Title files of the KnownCD catalogue, read only: per disc an index file (".KIX") with
// the disc's title and artist, and beside it a track file (".KCD") of fixed records, one
// per track. Only the fields below are read; texts stay code page 932 bytes as stored.
//
//   .KIX   offset 6: title, offset 82: artist          (147 bytes hold both)
//   .KCD   12-byte header, then 144-byte records: name at 0, remark at 65
//
// A text field is a length byte L and 64 character bytes, of which the first L are the
// text; L above 64 counts as 64.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lintel {

/// Bytes an index file needs to hold its title and its artist.
inline constexpr std::size_t kKnownCdIndexSize = 147;
/// Bytes of one track record of a track file.
inline constexpr std::size_t kKnownCdRecordSize = 144;
/// Bytes of a track file before its first record.
inline constexpr std::size_t kKnownCdHeaderSize = 12;
/// The largest file read: far above any real disc's, low enough never to exhaust memory.
inline constexpr std::uintmax_t kKnownCdMaxFileSize = 1 << 20;

/// The text field at `offset` in `bytes`. Bytes past the end of `bytes` are not there:
/// the text stops at the end.
[[nodiscard]] std::string KnownCdText(std::string_view bytes, std::size_t offset);

/// The number of tracks of a track file of `size` bytes: size div 144 (the header is
/// smaller than a record and drops out).
[[nodiscard]] int KnownCdTrackCount(std::uintmax_t size);

struct TKnownCdTrack {
    std::string name;
    std::string remark;
};

/// The tracks of a track file's `bytes`, KnownCdTrackCount of them, in disc order.
[[nodiscard]] std::vector<TKnownCdTrack> KnownCdTracks(std::string_view bytes);

/// One disc as its two files hold it.
struct TKnownCdDisc {
    std::string title;
    std::string artist;
    std::vector<TKnownCdTrack> tracks;
};

/// The result of reading a disc: the disc, or a message naming the file that could not be
/// read and why (code page 932). A disc is read whole or not at all.
struct TKnownCdRead {
    TKnownCdDisc disc;
    std::string error;

    [[nodiscard]] bool Ok() const { return error.empty(); }
};

/// The track file beside the index file `indexPath`: its extension ".KIX" made ".KCD".
[[nodiscard]] std::string KnownCdTrackPath(const std::string& indexPath);

/// Reads the index file at `indexPath` and the track file beside it. Fails when either is
/// missing, no regular file (a FIFO or a device is never opened for reading), unreadable
/// or larger than kKnownCdMaxFileSize (of which no more is ever read), or the index is
/// shorter than kKnownCdIndexSize.
[[nodiscard]] TKnownCdRead ReadKnownCdDisc(const std::string& indexPath);

/// The names of the index files in `folder`, sorted: every regular file whose extension
/// (from its last ".") is exactly ".KIX"; ".kix" is another program's and not listed. A
/// folder that cannot be read lists nothing and sets `error`.
[[nodiscard]] std::vector<std::string> KnownCdIndexFiles(const std::string& folder,
                                                         std::string& error);

}  // namespace lintel
