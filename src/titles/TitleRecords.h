// Title records: one section of the settings store per disc, named after the disc's
// identity, holding the disc's title, artist and track names. Sections copied in from a
// cdplayer.ini are records in the same form and are found under the same identities.
//
//   [363E9]
//   EntryType=1
//   artist=new artist
//   title=new disk
//   numtracks=2
//   0=Track 1
//   1=Track 2
//   order=1 0          (added by the program-play dialog, never by this unit)
//
// Nothing here reports an error: a missing record or key reads as empty text. Keys match
// as the store matches them (ignoring the case of ASCII letters, blanks significant, the
// first occurrence wins). All texts are code page 932 bytes.
#pragma once

#include <string>
#include <string_view>

#include "platform/CdText.h"
#include "titles/IniStore.h"

namespace lintel {

/// The key of a record's stored program: the play order the program-play dialog keeps.
inline constexpr std::string_view kOrderKey = "order";

/// The most tracks an audio disc can hold. Track counts are kept within 0..kMaxTracks, so
/// an absurd count cannot make a record of millions of lines.
inline constexpr int kMaxTracks = 99;

/// The texts the disc label puts before, between and after the title and the artist.
struct DiscLabelAffixes {
    std::string opening;    ///< "<"
    std::string separator;  ///< " / ", or empty when the title or the artist is empty
    std::string closing;    ///< ">"

    bool operator==(const DiscLabelAffixes&) const = default;
};

/// The affixes for a disc with this title and artist.
[[nodiscard]] DiscLabelAffixes DiscLabelAffixesFor(std::string_view title, std::string_view artist);

/// A record as loaded for display: what the bar keeps as TitleLines, Title and Artist.
struct LoadedTitleRecord {
    TStringList lines;  ///< the section's body lines verbatim, comments and other keys too
    std::string title;
    std::string artist;
    DiscLabelAffixes affixes;
};

/// The value of the first line of `lines` whose key (the text before its first "=")
/// equals `key` ignoring case; empty when there is none.
[[nodiscard]] std::string TitleLineValue(const TStringList& lines, std::string_view key);

/// The key of a track's name: the zero-based track index in decimal ("0" for track 1).
[[nodiscard]] std::string TrackKey(int index);

/// The name of track `track` (counted from 1) in `lines`; empty when missing.
[[nodiscard]] std::string TrackName(const TStringList& lines, int track);

/// True when the section `discId` has an "EntryType" whose value is not "-1". An empty
/// identity names no record.
[[nodiscard]] bool TitleRecordExists(TIniStore& store, std::string_view discId);

/// Writes the default record for `discId`: "EntryType" 1, "artist" "new artist", "title"
/// "new disk", "numtracks" and one "Track <n>" name per track. Values already under these
/// keys are replaced in place; every other line of the section stays. `trackCount` is the
/// device's track count, kept within 0..kMaxTracks. An empty identity writes nothing.
/// Where `carried` (the titles the disc carries, UTF-8) has a performer, a title or a
/// track's title, it stands in place of the default, as code page 932 without the
/// characters that code page cannot hold; when any were left out, one line on standard
/// error says which.
void CreateTitleRecord(TIniStore& store, std::string_view discId, int trackCount,
                       const CdText& carried = {});

/// Copies the record under `legacyKey` to `discId`: "EntryType" 1, its "artist", "title"
/// and the names of tracks 1..trackCount (empty when missing), and "numtracks". The legacy
/// section stays unchanged and its other lines are not copied. Returns the legacy record
/// as loaded, for a caller that shows it before it loads the new one.
LoadedTitleRecord MigrateTitleRecord(TIniStore& store, std::string_view legacyKey,
                                     std::string_view discId, int trackCount);

/// How a disc's record came to be there.
enum class TitleRecordOrigin {
    Existing,    ///< the record was already stored under the disc's identity
    Migrated,    ///< it was copied from the legacy identity
    Created,     ///< a default record was written
    NoIdentity,  ///< the identity was empty; nothing was written
};

/// Makes sure `discId` has a record, as disc detection does for a newly found disc: an
/// existing record is kept; else a record under `legacyKey` (pass empty for a disc
/// identified by its volume serial number, which has no legacy identity) is migrated;
/// else a default record is created. The caller loads the record afterwards.
/// A created record takes the titles in `carried` as CreateTitleRecord does.
TitleRecordOrigin EnsureTitleRecord(TIniStore& store, std::string_view discId,
                                    std::string_view legacyKey, int trackCount,
                                    const CdText& carried = {});

/// Reads the record of `discId`: its body lines, title, artist and the label affixes. An
/// absent section gives empty lines and texts.
[[nodiscard]] LoadedTitleRecord LoadTitleRecord(TIniStore& store, std::string_view discId);

/// Stores the title editor's result: "artist", "title" and the names of tracks
/// 1..trackCount from `editedLines` (a missing one is written empty), then reloads.
/// "EntryType", "numtracks", "order" and all other lines of the section stay as they are.
/// Should the section hold no record (it was never created, or its "EntryType" is "-1"),
/// "EntryType" 1 is written first, so the edits are not mistaken for a missing record and
/// replaced by defaults at the next disc check. An empty identity writes nothing.
LoadedTitleRecord SaveTitleRecord(TIniStore& store, std::string_view discId,
                                  const TStringList& editedLines, int trackCount);

/// Sets `key` in a record's lines as an edited copy does: a non-empty `value` replaces the
/// first line whose key equals `key` ignoring case, in place, or is appended as
/// key=value; an empty `value` removes that line. Every other line stays.
void SetTitleLineValue(TStringList& lines, std::string_view key, std::string_view value);

/// The track list box's line of the track with zero-based `index`: its number with at
/// least two digits, ": " and its name from `lines` ("03: " and the third track's name).
[[nodiscard]] std::string TrackListItem(const TStringList& lines, int index);

/// The items of a track list box: TrackListItem for tracks 1..trackCount.
[[nodiscard]] TStringList FillTrackList(const TStringList& lines, int trackCount);

}  // namespace lintel
