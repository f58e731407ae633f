#include "titles/TitleRecords.h"

#include <algorithm>
#include <cstdio>

#include "platform/Cp932.h"

namespace lintel {
namespace {

constexpr std::string_view kEntryType = "EntryType";
constexpr std::string_view kArtist = "artist";
constexpr std::string_view kTitle = "title";
constexpr std::string_view kNumTracks = "numtracks";
// The exists-test reads "EntryType" with this default; a stored "-1" means the same.
constexpr std::string_view kNoRecord = "-1";

int ClampTracks(int trackCount) {
    return std::clamp(trackCount, 0, kMaxTracks);
}

// A carried title as a record's value: code page 932 without what it cannot hold, control
// characters as blanks (a value holds no line break), no blanks at the ends; `fallback`
// when nothing is left. What was left out goes to `lost`.
std::string CarriedValue(std::string_view utf8, std::string_view fallback, std::u32string& lost) {
    cp932::Encoded encoded = cp932::FromUtf8Dropping(utf8);
    lost += encoded.unmapped;
    for (char& c : encoded.bytes) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    const std::string_view value = cp932::Trim(encoded.bytes, " ");
    return value.empty() ? std::string(fallback) : std::string(value);
}

std::string Utf8Of(const std::u32string& characters) {
    std::string text;
    for (char32_t c : characters) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
        text += ' ';
    }
    return text;
}

}  // namespace

DiscLabelAffixes DiscLabelAffixesFor(std::string_view title, std::string_view artist) {
    DiscLabelAffixes affixes{"<", " / ", ">"};
    if (title.empty() || artist.empty()) {
        affixes.separator.clear();
    }
    return affixes;
}

std::string TitleLineValue(const TStringList& lines, std::string_view key) {
    for (const std::string& line : lines) {
        std::size_t eq = line.find('=');
        if (eq != std::string::npos &&
            cp932::EqualsIgnoreCase(std::string_view(line).substr(0, eq), key)) {
            return line.substr(eq + 1);
        }
    }
    return {};
}

std::string TrackKey(int index) {
    return std::to_string(index);
}

std::string TrackName(const TStringList& lines, int track) {
    return track >= 1 ? TitleLineValue(lines, TrackKey(track - 1)) : std::string();
}

bool TitleRecordExists(TIniStore& store, std::string_view discId) {
    return !discId.empty() && store.ReadString(discId, kEntryType, kNoRecord) != kNoRecord;
}

void CreateTitleRecord(TIniStore& store, std::string_view discId, int trackCount,
                       const CdText& carried) {
    if (discId.empty()) {
        return;
    }
    int n = ClampTracks(trackCount);
    std::u32string lost;
    store.WriteInteger(discId, kEntryType, 1);
    store.WriteString(discId, kArtist, CarriedValue(carried.performer, "new artist", lost));
    store.WriteString(discId, kTitle, CarriedValue(carried.title, "new disk", lost));
    store.WriteInteger(discId, kNumTracks, n);
    for (int i = 0; i < n; ++i) {
        const std::size_t index = static_cast<std::size_t>(i);
        const std::string_view name =
            index < carried.trackTitles.size() ? carried.trackTitles[index] : std::string_view();
        store.WriteString(discId, TrackKey(i),
                          CarriedValue(name, "Track " + std::to_string(i + 1), lost));
    }
    if (!lost.empty()) {
        std::fprintf(
            stderr,
            "lintel: disc %s: left out of its titles, as code page 932 cannot hold them: %s\n",
            std::string(discId).c_str(), Utf8Of(lost).c_str());
    }
}

LoadedTitleRecord MigrateTitleRecord(TIniStore& store, std::string_view legacyKey,
                                     std::string_view discId, int trackCount) {
    LoadedTitleRecord legacy = LoadTitleRecord(store, legacyKey);
    if (discId.empty()) {
        return legacy;
    }
    int n = ClampTracks(trackCount);
    store.WriteInteger(discId, kEntryType, 1);
    store.WriteString(discId, kArtist, legacy.artist);
    store.WriteString(discId, kTitle, legacy.title);
    store.WriteInteger(discId, kNumTracks, n);
    for (int i = 0; i < n; ++i) {
        store.WriteString(discId, TrackKey(i), TitleLineValue(legacy.lines, TrackKey(i)));
    }
    return legacy;
}

TitleRecordOrigin EnsureTitleRecord(TIniStore& store, std::string_view discId,
                                    std::string_view legacyKey, int trackCount,
                                    const CdText& carried) {
    if (discId.empty()) {
        return TitleRecordOrigin::NoIdentity;
    }
    if (TitleRecordExists(store, discId)) {
        return TitleRecordOrigin::Existing;
    }
    if (TitleRecordExists(store, legacyKey)) {
        MigrateTitleRecord(store, legacyKey, discId, trackCount);
        return TitleRecordOrigin::Migrated;
    }
    CreateTitleRecord(store, discId, trackCount, carried);
    return TitleRecordOrigin::Created;
}

LoadedTitleRecord LoadTitleRecord(TIniStore& store, std::string_view discId) {
    LoadedTitleRecord record;
    if (!discId.empty()) {
        store.ReadSectionValues(discId, record.lines);
    }
    record.artist = TitleLineValue(record.lines, kArtist);
    record.title = TitleLineValue(record.lines, kTitle);
    record.affixes = DiscLabelAffixesFor(record.title, record.artist);
    return record;
}

LoadedTitleRecord SaveTitleRecord(TIniStore& store, std::string_view discId,
                                  const TStringList& editedLines, int trackCount) {
    if (discId.empty()) {
        return LoadTitleRecord(store, discId);
    }
    if (!TitleRecordExists(store, discId)) {
        store.WriteInteger(discId, kEntryType, 1);
    }
    store.WriteString(discId, kArtist, TitleLineValue(editedLines, kArtist));
    store.WriteString(discId, kTitle, TitleLineValue(editedLines, kTitle));
    int n = ClampTracks(trackCount);
    for (int i = 0; i < n; ++i) {
        store.WriteString(discId, TrackKey(i), TitleLineValue(editedLines, TrackKey(i)));
    }
    return LoadTitleRecord(store, discId);
}

void SetTitleLineValue(TStringList& lines, std::string_view key, std::string_view value) {
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        const std::size_t eq = line->find('=');
        if (eq != std::string::npos &&
            cp932::EqualsIgnoreCase(std::string_view(*line).substr(0, eq), key)) {
            if (value.empty()) {
                lines.erase(line);
            } else {
                line->replace(eq + 1, std::string::npos, value);
            }
            return;
        }
    }
    if (!value.empty()) {
        lines.push_back(std::string(key) + "=" + std::string(value));
    }
}

std::string TrackListItem(const TStringList& lines, int index) {
    char number[16];
    std::snprintf(number, sizeof number, "%.2d", index + 1);
    return std::string(number) + ": " + TitleLineValue(lines, TrackKey(index));
}

TStringList FillTrackList(const TStringList& lines, int trackCount) {
    TStringList items;
    int n = ClampTracks(trackCount);
    items.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        items.push_back(TrackListItem(lines, i));
    }
    return items;
}

}  // namespace lintel
