#include "platform/CueSheet.h"

#include <array>
#include <cstdio>

#include "platform/CdTime.h"
#include "platform/Cp932.h"
#include "platform/LineFields.h"

namespace lintel {
namespace {

constexpr int kMaxTracks = 99;
// Minutes an INDEX may name: rippers write long single files past 99 minutes, which the
// disc image then refuses by its length, not here.
constexpr unsigned kMaxMinutes = 999;

struct Fault {
    std::string message;
};

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t min = 0;
        char32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, min = 0x80, value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, min = 0x800, value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, value = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = value << 6 | (next & 0x3F);
        }
        if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// A value that runs to the end of the line: the text between the first and the last double
// quote when it starts with one (a title may hold quotes itself), else the trimmed rest.
std::string_view TextValue(std::string_view rest) {
    rest = cp932::Trim(rest);
    if (rest.empty() || rest.front() != '"') {
        return rest;
    }
    const std::size_t close = rest.rfind('"');
    return close == 0 ? rest.substr(1) : rest.substr(1, close - 1);
}

struct TrackMode {
    const char* name;
    bool data;
    std::uint32_t sectorBytes;
    std::uint32_t userDataOffset;
};

// The modes a sheet names, with the layout of their sectors in the file: raw sectors hold
// sync and header (and a mode 2 sub-header) ahead of the user data, cooked ones only that.
constexpr std::array<TrackMode, 10> kModes = {{
    {"AUDIO", false, 2352, 0},
    {"CDG", false, 2448, 0},
    {"MODE1/2048", true, 2048, 0},
    {"MODE1/2352", true, 2352, 16},
    {"MODE2/2048", true, 2048, 0},
    {"MODE2/2324", true, 2324, 0},
    {"MODE2/2336", true, 2336, 8},
    {"MODE2/2352", true, 2352, 24},
    {"CDI/2336", true, 2336, 8},
    {"CDI/2352", true, 2352, 24},
}};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    CueSheet Parse() {
        constexpr std::string_view kBom = "\xEF\xBB\xBF";
        if (text_.starts_with(kBom)) {
            text_.remove_prefix(kBom.size());
        }
        sheet_.utf8 = IsUtf8(text_);
        std::size_t line = 0;
        std::string_view rest = text_;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            std::string_view raw = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            ++line;
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
            }
            ParseLine(raw, line);
        }
        FinishTrack();
        if (sheet_.tracks.empty()) {
            throw Fault{"the sheet has no TRACK"};
        }
        return std::move(sheet_);
    }

private:
    [[noreturn]] void Fail(std::size_t line, const std::string& what) const {
        throw Fault{LineMessage(line, what)};
    }

    // A word of the sheet as a message shows it.
    std::string Shown(std::string_view word) const {
        return sheet_.utf8 ? cp932::FromUtf8(word).bytes : std::string(word);
    }

    std::string Utf8(std::string_view text) const {
        return sheet_.utf8 ? std::string(text) : cp932::ToUtf8(text);
    }

    void ParseLine(std::string_view raw, std::size_t line) {
        if (raw.find('\0') != std::string_view::npos) {
            Fail(line, "NUL byte in the line");
        }
        std::string_view rest = raw;
        const std::string keyword = cp932::FoldCase(NextWord(rest));
        if (keyword == "file") {
            AddFile(rest, line);
        } else if (keyword == "track") {
            AddTrack(rest, line);
        } else if (keyword == "index") {
            AddIndex(rest, line);
        } else if (keyword == "pregap" || keyword == "postgap") {
            std::uint32_t& gap = CurrentTrack(line, keyword).*
                                 (keyword == "pregap" ? &CueTrack::pregap : &CueTrack::postgap);
            gap = TimeOrFail(NextWord(rest), line);
        } else if (keyword == "flags") {
            CueTrack& track = CurrentTrack(line, keyword);
            while (!rest.empty()) {
                if (cp932::EqualsIgnoreCase(NextWord(rest), "PRE")) {
                    track.preemphasis = true;
                }
            }
        } else if (keyword == "title" || keyword == "performer") {
            const bool disc = sheet_.tracks.empty();
            std::string& target = keyword == "title"
                                      ? (disc ? sheet_.title : sheet_.tracks.back().title)
                                      : (disc ? sheet_.performer : sheet_.tracks.back().performer);
            target = Utf8(TextValue(rest));
        }
        // REM, CATALOG, ISRC, SONGWRITER, CDTEXTFILE and whatever else a ripper adds say
        // nothing about where the sound lies.
    }

    CueTrack& CurrentTrack(std::size_t line, const std::string& keyword) {
        if (sheet_.tracks.empty()) {
            Fail(line, Shown(keyword) + " before any TRACK");
        }
        return sheet_.tracks.back();
    }

    std::uint32_t TimeOrFail(std::string_view word, std::size_t line) const {
        const std::optional<std::uint32_t> time = ParseMsf(word, kMaxMinutes);
        if (!time) {
            Fail(line, "\"" + Shown(word) + "\" is not a time MM:SS:FF");
        }
        return *time;
    }

    void AddFile(std::string_view rest, std::size_t line) {
        rest = cp932::Trim(rest);
        std::string_view name;
        std::string_view type;
        if (!rest.empty() && rest.front() == '"') {
            const std::size_t close = rest.rfind('"');
            if (close == 0) {
                Fail(line, "the file name has no closing quote");
            }
            name = rest.substr(1, close - 1);
            type = cp932::Trim(rest.substr(close + 1));
        } else {
            // Unquoted, a name may still hold blanks: the type is the last word.
            std::size_t blank = rest.find_last_of(" \t");
            if (blank == std::string_view::npos) {
                Fail(line, "FILE needs a name and a type");
            }
            name = cp932::Trim(rest.substr(0, blank));
            type = rest.substr(blank + 1);
        }
        if (name.empty()) {
            Fail(line, "the file name is empty");
        }
        CueFile file{std::string(name), CueFileType::Binary, line};
        if (cp932::EqualsIgnoreCase(type, "BINARY")) {
            file.type = CueFileType::Binary;
        } else if (cp932::EqualsIgnoreCase(type, "MOTOROLA")) {
            file.type = CueFileType::Motorola;
        } else if (cp932::EqualsIgnoreCase(type, "WAVE")) {
            file.type = CueFileType::Wave;
        } else if (type.empty()) {
            Fail(line, "FILE needs a type (BINARY, MOTOROLA or WAVE)");
        } else {
            Fail(line, "files of type " + Shown(type) +
                           " cannot play: only BINARY, MOTOROLA and WAVE (PCM) can");
        }
        sheet_.files.push_back(std::move(file));
    }

    void AddTrack(std::string_view rest, std::size_t line) {
        if (sheet_.files.empty()) {
            Fail(line, "TRACK before any FILE");
        }
        FinishTrack();
        if (sheet_.tracks.size() == kMaxTracks) {
            Fail(line, "a disc holds at most 99 tracks");
        }
        const std::string_view numberWord = NextWord(rest);
        const unsigned number = ParseDecimal(numberWord, 3, kMaxTracks).value_or(0);
        if (number == 0) {
            Fail(line, "\"" + Shown(numberWord) + "\" is not a track number from 1 to 99");
        }
        if (number <= lastNumber_) {
            Fail(line, "track numbers must rise");
        }
        lastNumber_ = number;
        const std::string_view modeWord = NextWord(rest);
        CueTrack track;
        track.line = line;
        bool known = false;
        for (const TrackMode& mode : kModes) {
            if (cp932::EqualsIgnoreCase(modeWord, mode.name)) {
                track.data = mode.data;
                track.sectorBytes = mode.sectorBytes;
                track.userDataOffset = mode.userDataOffset;
                known = true;
            }
        }
        if (!known) {
            Fail(line, "unknown track mode \"" + Shown(modeWord) + "\"");
        }
        sheet_.tracks.push_back(std::move(track));
        hasIndex1_ = false;
    }

    void AddIndex(std::string_view rest, std::size_t line) {
        CueTrack& track = CurrentTrack(line, "INDEX");
        const std::string_view numberWord = NextWord(rest);
        const std::optional<unsigned> parsed = ParseDecimal(numberWord, 3, 99);
        if (!parsed) {
            Fail(line, "\"" + Shown(numberWord) + "\" is not an index number from 0 to 99");
        }
        const unsigned number = *parsed;
        const CueIndex index{sheet_.files.size() - 1, TimeOrFail(NextWord(rest), line)};
        if (number > 1) {
            return;  // a mark inside a track; play does not use it
        }
        if (hasIndex1_ || (number == 0 && track.index0)) {
            Fail(line,
                 number == 0 ? "INDEX 00 must come once, before INDEX 01" : "INDEX 01 given twice");
        }
        // The sound lies in the files in the sheet's order, so the marks within one
        // file must not run back; and a track needs a sector of its own.
        if (lastMark_ && lastMark_->file == index.file) {
            if (index.position < lastMark_->position ||
                (number == 1 && lastIndex1_ && lastIndex1_->file == index.file &&
                 index.position <= lastIndex1_->position)) {
                Fail(line, "positions in a file must rise from track to track");
            }
        }
        lastMark_ = index;
        if (number == 0) {
            track.index0 = index;
        } else {
            track.index1 = index;
            lastIndex1_ = index;
            hasIndex1_ = true;
        }
    }

    void FinishTrack() const {
        if (!sheet_.tracks.empty() && !hasIndex1_) {
            Fail(sheet_.tracks.back().line, "the track has no INDEX 01");
        }
    }

    std::string_view text_;
    CueSheet sheet_;
    unsigned lastNumber_ = 0;
    bool hasIndex1_ = false;
    std::optional<CueIndex> lastMark_;
    std::optional<CueIndex> lastIndex1_;
};

std::uint32_t Le16(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}

std::uint32_t Le32(const unsigned char* p) {
    return Le16(p) | Le16(p + 2) << 16;
}

WaveResult WaveFault(const std::string& what) {
    return {std::nullopt, what};
}

}  // namespace

CueSheetResult ParseCueSheet(std::string_view text) {
    try {
        return {Parser(text).Parse(), {}};
    } catch (const Fault& fault) {
        return {std::nullopt, fault.message};
    }
}

WaveResult ParseWaveHeader(const ReadAt& read, std::uint64_t fileBytes) {
    std::array<unsigned char, 12> riff{};
    if (read(0, riff) != riff.size() ||
        std::string_view(reinterpret_cast<char*>(riff.data()), 4) != "RIFF" ||
        std::string_view(reinterpret_cast<char*>(riff.data()) + 8, 4) != "WAVE") {
        return WaveFault("not a RIFF WAVE file");
    }
    constexpr std::uint32_t kPcm = 1;
    constexpr std::uint32_t kExtensible = 0xFFFE;
    bool formatSeen = false;
    std::uint64_t at = riff.size();
    // A WAVE file holds a handful of chunks; the bound only stops a crafted one early.
    for (int chunks = 0; chunks < 4096 && at + 8 <= fileBytes; ++chunks) {
        std::array<unsigned char, 8> head{};
        if (read(at, head) != head.size()) {
            break;
        }
        const std::string_view id(reinterpret_cast<char*>(head.data()), 4);
        const std::uint64_t size = Le32(head.data() + 4);
        const std::uint64_t body = at + head.size();
        if (id == "fmt ") {
            std::array<unsigned char, 40> fmt{};
            const std::size_t got =
                read(body, std::span(fmt).first(std::min<std::uint64_t>(size, fmt.size())));
            if (got < 16) {
                return WaveFault("the WAVE format chunk is cut short");
            }
            std::uint32_t tag = Le16(fmt.data());
            if (tag == kExtensible && got >= 26) {
                tag = Le16(fmt.data() + 24);  // the sub-format's first two bytes
            }
            const std::uint32_t channels = Le16(fmt.data() + 2);
            const std::uint32_t rate = Le32(fmt.data() + 4);
            const std::uint32_t bits = Le16(fmt.data() + 14);
            if (tag != kPcm) {
                char code[8];
                std::snprintf(code, sizeof code, "0x%04X", tag);
                return WaveFault(std::string("WAVE format ") + code +
                                 (tag == 3      ? " (floating point)"
                                  : tag == 0x55 ? " (MP3)"
                                                : "") +
                                 " is not PCM; only PCM at 44100 Hz, 16 bits, 2 channels plays");
            }
            if (rate != 44100 || bits != 16 || channels != 2) {
                return WaveFault("WAVE format PCM " + std::to_string(rate) + " Hz, " +
                                 std::to_string(bits) + " bits, " + std::to_string(channels) +
                                 " channels cannot play; only 44100 Hz, 16 bits, 2 channels can");
            }
            formatSeen = true;
        } else if (id == "data") {
            if (!formatSeen) {
                return WaveFault("the WAVE file has no format chunk ahead of its data");
            }
            return {WaveData{body, std::min(size, fileBytes - body)}, {}};
        }
        at = body + size + (size & 1);  // chunks are padded to an even length
    }
    return WaveFault("the WAVE file has no data chunk");
}

}  // namespace lintel
