#include "platform/VirtualDisc.h"

#include <charconv>
#include <vector>

#include "platform/CdTime.h"
#include "platform/Cp932.h"
#include "platform/FileIo.h"
#include "platform/LineFields.h"

namespace lintel {
namespace {

// A description is a few dozen lines; anything much bigger is not one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr std::size_t kMaxLineBytes = 1024;
constexpr int kMaxTracks = 99;
// The latest position a time in the file may name, 99:59:74.
constexpr std::uint32_t kLastFrame = 100 * kFramesPerMinute - 1;

struct Fault {
    std::string message;
};

// True when the last byte of `text` is the lead byte of a double-byte character.
bool EndsInsideCharacter(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        i += cp932::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return i > text.size();
}

// "1B2C3D4E", or with a dash in the middle as volume serials are usually shown.
bool ParseSerial(std::string_view s, std::uint32_t& serial) {
    std::string digits;
    if (s.size() == 9 && s[4] == '-') {
        digits = std::string(s.substr(0, 4)) + std::string(s.substr(5));
    } else {
        digits = s;
    }
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), serial, 16);
    return ec == std::errc() && end == digits.data() + digits.size();
}

void RequireEnd(std::string_view rest, std::size_t line) {
    if (!rest.empty()) {
        throw Fault{LineMessage(line, "unexpected \"" + std::string(rest) + "\"")};
    }
}

// The optional "audio" or "data" after a track's time.
bool ParseKind(std::string_view rest, std::size_t line) {
    std::string kind = cp932::FoldCase(NextWord(rest));
    RequireEnd(rest, line);
    if (kind.empty() || kind == "audio") {
        return false;
    }
    if (kind == "data") {
        return true;
    }
    throw Fault{LineMessage(line, "a track is \"audio\" or \"data\", not \"" + kind + "\"")};
}

std::uint32_t ParseTimeOrFail(std::string_view word, std::size_t line, const char* what) {
    const std::optional<std::uint32_t> frames = ParseMsf(word, 99);
    if (!frames) {
        throw Fault{LineMessage(line, std::string(what) + " must be MM:SS:FF (minutes 0-99, " +
                                          "seconds 0-59, frames 0-74), not \"" + std::string(word) +
                                          "\"")};
    }
    return *frames;
}

// How the tracks of a description are given: all by their start or all by their length.
enum class TrackGiven { ByStart, ByLength };

class Parser {
public:
    VirtualDisc Parse(std::string_view text) {
        if (text.size() > kMaxFileBytes) {
            throw Fault{"the description is larger than " + std::to_string(kMaxFileBytes) +
                        " bytes"};
        }
        std::size_t line = 0;
        while (!text.empty()) {
            ++line;
            std::size_t end = text.find('\n');
            std::string_view raw = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
            }
            ParseLine(raw, line);
        }
        return Finish(line);
    }

private:
    void ParseLine(std::string_view raw, std::size_t line) {
        if (raw.size() > kMaxLineBytes) {
            throw Fault{LineMessage(
                line, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes")};
        }
        for (char c : raw) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                throw Fault{LineMessage(line, "control character in the line")};
            }
        }
        std::string_view rest = cp932::Trim(raw);
        if (rest.empty() || rest.front() == '#' || rest.front() == ';') {
            return;
        }
        std::string key = cp932::FoldCase(NextWord(rest));
        if (key == "track" || key == "length") {
            AddTrack(key == "length" ? TrackGiven::ByLength : TrackGiven::ByStart, rest, line);
        } else if (key == "leadout") {
            Once(leadOutLine_, line, key);
            leadOut_ = ParseTimeOrFail(NextWord(rest), line, "the lead-out");
            RequireEnd(rest, line);
        } else if (key == "volume") {
            Once(volumeLine_, line, key);
            SetVolume(rest, line);
        } else if (key == "serial") {
            Once(serialLine_, line, key);
            std::uint32_t serial = 0;
            std::string_view word = NextWord(rest);
            if (!ParseSerial(word, serial)) {
                throw Fault{LineMessage(line,
                                        "the serial number must be 1 to 8 hexadecimal "
                                        "digits, not \"" +
                                            std::string(word) + "\"")};
            }
            RequireEnd(rest, line);
            disc_.volumeSerial = serial;
        } else if (key == "cda") {
            Once(cdaLine_, line, key);
            std::string value = cp932::FoldCase(NextWord(rest));
            RequireEnd(rest, line);
            if (value != "yes" && value != "no") {
                throw Fault{LineMessage(line, "cda is \"yes\" or \"no\"")};
            }
            disc_.track01Cda = value == "yes";
        } else if (key == "title") {
            Once(titleLine_, line, key);
            disc_.cdText.title = TitleText(rest, line);
        } else if (key == "artist") {
            Once(artistLine_, line, key);
            disc_.cdText.performer = TitleText(rest, line);
        } else if (key == "tracktitle") {
            AddTrackTitle(rest, line);
        } else {
            throw Fault{LineMessage(line, "unknown key \"" + key + "\"")};
        }
    }

    static void Once(std::size_t& seenAt, std::size_t line, const std::string& key) {
        if (seenAt != 0) {
            throw Fault{LineMessage(line, "\"" + key + "\" given twice (first on line " +
                                              std::to_string(seenAt) + ")")};
        }
        seenAt = line;
    }

    // A title: the rest of the line, which must hold whole characters.
    static std::string TitleText(std::string_view text, std::size_t line) {
        if (text.empty()) {
            throw Fault{LineMessage(line, "the title is empty")};
        }
        if (EndsInsideCharacter(text)) {
            throw Fault{LineMessage(line, "the title ends inside a double-byte character")};
        }
        return cp932::ToUtf8(text);
    }

    // "tracktitle N TEXT": the title of track N.
    void AddTrackTitle(std::string_view rest, std::size_t line) {
        const std::string_view number = NextWord(rest);
        unsigned track = 0;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), track);
        if (ec != std::errc() || end != number.data() + number.size() || track < 1 ||
            track > static_cast<unsigned>(kMaxTracks)) {
            throw Fault{
                LineMessage(line, "a track title needs a track number from 1 to 99, not \"" +
                                      std::string(number) + "\"")};
        }
        std::vector<std::string>& titles = disc_.cdText.trackTitles;
        if (titles.size() < track) {
            titles.resize(track);
            trackTitleLines_.resize(track);
        }
        Once(trackTitleLines_[track - 1], line, "tracktitle " + std::to_string(track));
        titles[track - 1] = TitleText(rest, line);
    }

    void SetVolume(std::string_view name, std::size_t line) {
        if (name.empty()) {
            throw Fault{LineMessage(line, "the volume name is empty")};
        }
        if (name.size() > VirtualDisc::kMaxVolumeName) {
            throw Fault{LineMessage(line, "the volume name is longer than " +
                                              std::to_string(VirtualDisc::kMaxVolumeName) +
                                              " bytes")};
        }
        if (EndsInsideCharacter(name)) {
            throw Fault{LineMessage(line, "the volume name ends inside a double-byte character")};
        }
        disc_.volumeName = std::string(name);
    }

    void AddTrack(TrackGiven given, std::string_view rest, std::size_t line) {
        if (static_cast<int>(disc_.toc.tracks.size()) == kMaxTracks) {
            throw Fault{LineMessage(line, "a disc holds at most 99 tracks")};
        }
        if (!disc_.toc.tracks.empty() && given != given_) {
            throw Fault{LineMessage(line,
                                    "tracks are given all by their start (\"track\") or "
                                    "all by their length (\"length\"), not both")};
        }
        given_ = given;
        const bool byLength = given == TrackGiven::ByLength;
        std::uint32_t time = ParseTimeOrFail(NextWord(rest), line,
                                             byLength ? "a track's length" : "a track's start");
        CdTrack track;
        track.data = ParseKind(rest, line);
        if (byLength) {
            if (time == 0) {
                throw Fault{LineMessage(line, "a track cannot be empty")};
            }
            track.start = end_;
            if (end_ + time > kLastFrame + 1) {
                throw Fault{LineMessage(line, "the disc would run beyond 99:59:74")};
            }
            end_ += time;
        } else {
            if (time < kLeadInFrames) {
                throw Fault{LineMessage(line, "no track starts before 00:02:00")};
            }
            if (!disc_.toc.tracks.empty() && time <= disc_.toc.tracks.back().start) {
                throw Fault{LineMessage(line, "a track must start after the track before it")};
            }
            track.start = time;
        }
        disc_.toc.tracks.push_back(track);
        lastTrackLine_ = line;
    }

    VirtualDisc Finish(std::size_t lines) {
        if (lines == 0) {
            throw Fault{"the description is empty"};
        }
        std::string atEnd = "line " + std::to_string(lines) + " (end of the description): ";
        CdToc& toc = disc_.toc;
        if (toc.tracks.empty()) {
            throw Fault{atEnd + "the disc has no tracks"};
        }
        if (given_ == TrackGiven::ByLength) {
            if (leadOutLine_ != 0) {
                throw Fault{LineMessage(leadOutLine_,
                                        "a disc given by track lengths ends "
                                        "after its last track; drop \"leadout\"")};
            }
            toc.leadOut = end_;
        } else {
            if (leadOutLine_ == 0) {
                throw Fault{atEnd + "\"leadout\" is missing (where the last track ends)"};
            }
            if (leadOut_ <= toc.tracks.back().start) {
                throw Fault{LineMessage(leadOutLine_,
                                        "the lead-out must come after the start "
                                        "of the last track (line " +
                                            std::to_string(lastTrackLine_) + ")")};
            }
            toc.leadOut = leadOut_;
        }
        if (disc_.cdText.trackTitles.size() > toc.tracks.size()) {
            const std::size_t track = disc_.cdText.trackTitles.size();
            throw Fault{LineMessage(trackTitleLines_[track - 1],
                                    "track " + std::to_string(track) + " is not on the disc")};
        }
        bool hasData = false;
        for (const CdTrack& t : toc.tracks) {
            hasData = hasData || t.data;
        }
        // Only an audio disc has a volume the drive makes up; a file system's name and
        // serial number are the disc's own and must be given.
        if (hasData && (!disc_.volumeName || !disc_.volumeSerial)) {
            throw Fault{atEnd + "a disc with a data track needs \"volume\" and \"serial\""};
        }
        return disc_;
    }

    VirtualDisc disc_;
    TrackGiven given_ = TrackGiven::ByStart;
    std::uint32_t end_ = kLeadInFrames;
    std::uint32_t leadOut_ = 0;
    std::size_t leadOutLine_ = 0;
    std::size_t volumeLine_ = 0;
    std::size_t serialLine_ = 0;
    std::size_t cdaLine_ = 0;
    std::size_t titleLine_ = 0;
    std::size_t artistLine_ = 0;
    std::vector<std::size_t> trackTitleLines_;
    std::size_t lastTrackLine_ = 0;
};

}  // namespace

VirtualDiscResult ParseVirtualDisc(std::string_view text) {
    VirtualDiscResult result;
    try {
        result.disc = Parser().Parse(text);
    } catch (const Fault& fault) {
        result.error = fault.message;
    }
    return result;
}

VirtualDiscResult LoadVirtualDisc(const std::string& path) {
    std::string text;
    std::string error;
    switch (ReadWholeFile(path, text, error)) {
        case ReadStatus::Missing:
            return {std::nullopt, cp932::FromUtf8("No disc description at " + path).bytes};
        case ReadStatus::Failed:
            return {std::nullopt, error};
        case ReadStatus::Read:
            break;
    }
    VirtualDiscResult result = ParseVirtualDisc(text);
    if (!result.disc) {
        result.error = cp932::FromUtf8(path).bytes + ": " + result.error;
    }
    return result;
}

std::optional<DiscVolume> VirtualDiscVolume(const VirtualDisc& disc) {
    if (disc.toc.tracks.empty()) {
        return std::nullopt;
    }
    const bool track01 = disc.track01Cda.value_or(!disc.toc.tracks.front().data);
    if (disc.volumeName) {
        return DiscVolume{{*disc.volumeName, disc.volumeSerial.value_or(0)}, track01};
    }
    std::optional<DiscVolume> volume = AudioDiscVolume(disc.toc);
    if (!volume) {
        return std::nullopt;  // data tracks only and no volume: nothing readable
    }
    volume->track01Cda = track01;
    if (disc.volumeSerial) {
        volume->info.serial = *disc.volumeSerial;
    }
    return volume;
}

}  // namespace lintel
