// The CUE sheet parser and the disc it lays over its files, as golden texts: the sheet in,
// the table, the pieces and the titles out, or the message naming the line at fault.
#include <gtest/gtest.h>

#include "platform/Cp932.h"
#include "platform/CueSheet.h"
#include "platform/DiscImage.h"

namespace lintel {
namespace {

// The disc as text: its tracks, where each stretch of it comes from, and its titles.
std::string Describe(const DiscImage& image) {
    std::string out;
    for (std::size_t t = 0; t < image.toc.tracks.size(); ++t) {
        out += "track " + std::to_string(t + 1) + " from " + std::to_string(image.trackFrom[t]) +
               " at " + std::to_string(image.toc.tracks[t].start) +
               (image.toc.tracks[t].data ? " data" : " audio") +
               (image.preemphasis[t] ? " pre" : "") + "\n";
    }
    out += "lead-out " + std::to_string(image.toc.leadOut) + "\n";
    for (const ImagePiece& piece : image.pieces) {
        out += std::to_string(piece.start) + "+" + std::to_string(piece.frames) + " ";
        out += piece.file
                   ? "file " + std::to_string(*piece.file) + " at " + std::to_string(piece.offset) +
                         " by " + std::to_string(piece.sectorBytes)
                   : std::string("silence");
        out += "\n";
    }
    out += "disc \"" + image.text.title + "\" by \"" + image.text.performer + "\"\n";
    for (const std::string& title : image.text.trackTitles) {
        out += "\"" + title + "\"\n";
    }
    return out;
}

std::string Laid(std::string_view sheet, std::vector<ImageFileExtent> extents) {
    const CueSheetResult parsed = ParseCueSheet(sheet);
    if (!parsed.sheet) {
        return parsed.error;
    }
    const DiscImageResult laid = LayOutDiscImage(*parsed.sheet, extents);
    return laid.image ? Describe(*laid.image) : laid.error;
}

// A data track in a file of its own, then audio with every kind of gap and mark, and the
// lines that say nothing about where the sound lies.
TEST(CueSheet, LaysTracksGapsAndFilesOutAsADisc) {
    const std::string sheet =
        "REM DATE 1999\n"
        "CATALOG 4988001234567\n"
        "PERFORMER \"山田\"\n"
        "TITLE \"Best \"Of\"\"\n"
        "FILE \"data.iso\" BINARY\n"
        "  TRACK 01 MODE1/2048\n"
        "    INDEX 01 00:00:00\n"
        "    POSTGAP 00:02:00\n"
        "FILE audio.bin BINARY\n"
        "  TRACK 02 AUDIO\n"
        "    TITLE \"One\"\n"
        "    PERFORMER Someone Else\n"
        "    SONGWRITER \"x\"\n"
        "    ISRC JPX000000000\n"
        "    FLAGS DCP PRE\n"
        "    PREGAP 00:02:00\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 03 AUDIO\n"
        "    INDEX 00 00:10:00\n"
        "    INDEX 01 00:12:00\n"
        "    INDEX 02 00:13:00\n";
    EXPECT_EQ(Laid(sheet, {{0, 300 * 2048}, {0, 1000 * 2352}}),
              "track 1 from 150 at 150 data\n"
              "track 2 from 600 at 750 audio pre\n"
              "track 3 from 1500 at 1650 audio\n"
              "lead-out 1750\n"
              "150+300 file 0 at 0 by 2048\n"
              "450+150 silence\n"
              "600+150 silence\n"
              "750+750 file 1 at 0 by 2352\n"
              "1500+150 file 1 at 1764000 by 2352\n"
              "1650+100 file 1 at 2116800 by 2352\n"
              "disc \"Best \"Of\"\" by \"山田\"\n"
              "\"\"\n"
              "\"One\"\n"
              "\"\"\n");
}

// A sheet that is not valid UTF-8 is code page 932: its titles come out as UTF-8.
TEST(CueSheet, ReadsCodePage932Sheets) {
    const CueSheetResult parsed = ParseCueSheet(
        cp932::Literal("TITLE 夜の歌\r\nFILE \"曲.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                       "    TITLE \"序曲\"\r\n    INDEX 01 00:00:00\r\n"));
    ASSERT_TRUE(parsed.sheet.has_value()) << parsed.error;
    EXPECT_FALSE(parsed.sheet->utf8);
    EXPECT_EQ(parsed.sheet->title, "夜の歌");
    EXPECT_EQ(parsed.sheet->tracks[0].title, "序曲");
    EXPECT_EQ(parsed.sheet->files[0].name, cp932::Literal("曲.bin"));  // as written
}

// Each fault is refused with the line it lies on.
TEST(CueSheet, RefusesFaultsNamingTheLine) {
    const std::string file = "FILE a.bin BINARY\n";
    const std::string track1 = "TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    const std::vector<ImageFileExtent> one = {{0, 100 * 2352}};
    const std::pair<std::string, std::string> cases[] = {
        {"TRACK 01 AUDIO\n", "line 1: TRACK before any FILE"},
        {"FILE \"a.flac\" FLAC\n",
         "line 1: files of type FLAC cannot play: only BINARY, MOTOROLA and WAVE (PCM) can"},
        {"FILE a.bin\n", "line 1: FILE needs a name and a type"},
        {file, "the sheet has no TRACK"},
        {file + "INDEX 01 00:00:00\n", "line 2: INDEX before any TRACK"},
        {file + "TRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n",
         "line 2: the track has no INDEX 01"},
        {file + "TRACK 01 VIDEO\n", "line 2: unknown track mode \"VIDEO\""},
        {file + "TRACK 00 AUDIO\n", "line 2: \"00\" is not a track number from 1 to 99"},
        {file + track1 + "TRACK 01 AUDIO\n", "line 4: track numbers must rise"},
        {file + "TRACK 01 AUDIO\nINDEX 01 00:60:00\n",
         "line 3: \"00:60:00\" is not a time MM:SS:FF"},
        {file + track1 + "TRACK 02 AUDIO\nINDEX 01 00:00:00\n",
         "line 5: positions in a file must rise from track to track"},
        {file + track1 + "TRACK 02 AUDIO\nINDEX 01 00:02:00\n",
         "line 4: the track starts beyond the end of its file"},
        {file + "TRACK 01 AUDIO\nINDEX 01 00:01:25\n", "line 2: the last track holds no sector"},
        {file + track1 + "PREGAP 99:59:00\n", "the disc would run past 99:59:74"},
        {file + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 01 00:00:01\n",
         "line 4: INDEX 01 given twice"},
    };
    for (const auto& [sheet, error] : cases) {
        EXPECT_EQ(Laid(sheet, one), error) << sheet;
    }
}

std::string Le(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(v >> (8 * i));
    }
    return out;
}

// The header of a WAVE file with format `tag`, and with `extra` after the PCM fields.
std::string WaveHeader(std::uint32_t tag, std::uint32_t rate, std::uint32_t bits,
                       std::uint32_t channels, const std::string& extra = {}) {
    const std::string fmt = Le(tag, 2) + Le(channels, 2) + Le(rate, 4) +
                            Le(rate * channels * bits / 8, 4) + Le(channels * bits / 8, 2) +
                            Le(bits, 2) + extra;
    return "RIFF" + Le(0, 4) + "WAVE" + "fmt " + Le(static_cast<std::uint32_t>(fmt.size()), 4) +
           fmt + "data" + Le(10000, 4);
}

std::string WaveAnswer(const std::string& header) {
    const WaveResult result = ParseWaveHeader(
        [&](std::uint64_t offset, std::span<unsigned char> buffer) -> std::size_t {
            if (offset >= header.size()) {
                return 0;
            }
            const std::size_t n = std::min<std::size_t>(buffer.size(), header.size() - offset);
            header.copy(reinterpret_cast<char*>(buffer.data()), n, offset);
            return n;
        },
        header.size() + 5000);
    return result.data
               ? std::to_string(result.data->offset) + "+" + std::to_string(result.data->bytes)
               : result.error;
}

// CD audio in a WAVE file plays from its data chunk, cut to the file; nothing else plays,
// and the message says what the file holds.
TEST(CueSheet, WaveHeadersPlayOnlyCdAudio) {
    EXPECT_EQ(WaveAnswer(WaveHeader(1, 44100, 16, 2)), "44+5000");
    const std::string pcmGuid = Le(1, 2) + std::string(14, 'g');
    EXPECT_EQ(
        WaveAnswer(WaveHeader(0xFFFE, 44100, 16, 2, Le(22, 2) + Le(16, 2) + Le(3, 4) + pcmGuid)),
        "68+5000");
    EXPECT_EQ(WaveAnswer(WaveHeader(1, 48000, 24, 2)),
              "WAVE format PCM 48000 Hz, 24 bits, 2 channels cannot play; only 44100 Hz, 16 bits, "
              "2 channels can");
    EXPECT_EQ(WaveAnswer(WaveHeader(3, 44100, 32, 2)),
              "WAVE format 0x0003 (floating point) is not PCM; only PCM at 44100 Hz, 16 bits, 2 "
              "channels plays");
    EXPECT_EQ(WaveAnswer(std::string("RIFF\0\0\0\0AIFF", 12)), "not a RIFF WAVE file");
}

}  // namespace
}  // namespace lintel
