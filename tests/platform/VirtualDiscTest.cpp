#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/Cp932.h"
#include "platform/Frames.h"
#include "platform/VirtualDisc.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::Msf;
using test::TempDir;

std::string Sample(const std::string& name) {
    return std::string(LINTEL_SOURCE_DIR) + "/samples/" + name;
}

TEST(VirtualDisc, EverySampleParses) {
    int samples = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(LINTEL_SOURCE_DIR) + "/samples")) {
        if (entry.path().extension() != ".disc")
            continue;
        ++samples;
        VirtualDiscResult r = LoadVirtualDisc(entry.path().string());
        EXPECT_TRUE(r.disc.has_value()) << entry.path() << ": " << r.error;
    }
    EXPECT_GE(samples, 8);
}

TEST(VirtualDisc, ReadsStartsLeadOutAndVolume) {
    VirtualDiscResult r = LoadVirtualDisc(Sample("twelve-tracks.disc"));
    ASSERT_TRUE(r.disc);
    const CdToc& toc = r.disc->toc;
    ASSERT_EQ(toc.TrackCount(), 12);
    EXPECT_EQ(toc.StartOf(1), Msf(0, 2, 0));
    EXPECT_EQ(toc.StartOf(7), Msf(23, 5, 33));
    EXPECT_EQ(toc.leadOut, Msf(47, 7, 0));
    EXPECT_FALSE(r.disc->volumeName);
    EXPECT_FALSE(r.disc->volumeSerial);
    EXPECT_FALSE(r.disc->track01Cda);

    r = LoadVirtualDisc(Sample("mixed.disc"));
    ASSERT_TRUE(r.disc);
    EXPECT_EQ(*r.disc->volumeName, "MIXED_MODE");
    EXPECT_EQ(*r.disc->volumeSerial, 0x0A3Fu);
    EXPECT_EQ(*r.disc->track01Cda, false);
    EXPECT_TRUE(r.disc->toc.tracks[0].data);
    EXPECT_FALSE(r.disc->toc.tracks[1].data);

    r = LoadVirtualDisc(Sample("single-with-cda.disc"));
    ASSERT_TRUE(r.disc);
    EXPECT_EQ(*r.disc->volumeSerial, 0x2A1F0C33u);
    EXPECT_EQ(*r.disc->track01Cda, true);
}

TEST(VirtualDisc, LengthsFollowOneAnotherFromTwoSeconds) {
    VirtualDiscResult r = ParseVirtualDisc(
        "# comment\r\n; another\n\nlength 03:20:00\n  LENGTH 04:05:37 audio  \nlength "
        "02:59:12 data\nvolume  My Disc  \nserial ff\n");
    ASSERT_TRUE(r.disc) << r.error;
    const CdToc& toc = r.disc->toc;
    ASSERT_EQ(toc.TrackCount(), 3);
    EXPECT_EQ(toc.StartOf(1), Msf(0, 2, 0));
    EXPECT_EQ(toc.StartOf(2), Msf(3, 22, 0));
    EXPECT_EQ(toc.StartOf(3), Msf(7, 27, 37));
    EXPECT_EQ(toc.leadOut, Msf(10, 26, 49));
    EXPECT_TRUE(toc.tracks[2].data);
    EXPECT_EQ(*r.disc->volumeName, "My Disc");  // inner blanks kept, outer ones dropped
    EXPECT_EQ(*r.disc->volumeSerial, 0xFFu);
}

// Each bad description is rejected with a message naming the line at fault.
// Title lines give the disc's CD-Text; the file's code page 932 becomes UTF-8.
TEST(VirtualDisc, TitleLinesGiveTheDiscsCdText) {
    const std::string text = "TITLE " + cp932::Literal("青い空") +
                             "\nartist  The Band \ntrack 00:02:00\ntrack 03:00:00\n"
                             "track 06:00:00\nleadout 09:00:00\ntracktitle 2 " +
                             cp932::Literal("二曲目") + "\n";
    VirtualDiscResult r = ParseVirtualDisc(text);
    ASSERT_TRUE(r.disc) << r.error;
    EXPECT_EQ(r.disc->cdText, (CdText{"青い空", "The Band", {"", "二曲目"}}));
    EXPECT_TRUE(ParseVirtualDisc("track 00:02:00\nleadout 09:00:00\n").disc->cdText.Empty());

    const std::pair<std::string, std::string> faults[] = {
        {"title a\ntitle b\nlength 01:00:00\n", "line 2: \"title\" given twice (first on line 1)"},
        {"artist\nlength 01:00:00\n", "line 1: the title is empty"},
        {"tracktitle 0 x\nlength 01:00:00\n", "line 1: a track title needs a track number"},
        {"tracktitle 1 x\ntracktitle 1 y\nlength 01:00:00\n",
         "line 2: \"tracktitle 1\" given twice (first on line 1)"},
        {"length 01:00:00\ntracktitle 2 x\n", "line 2: track 2 is not on the disc"},
        {"title \x82\nlength 01:00:00\n", "line 1: the title ends inside a double-byte character"},
    };
    for (const auto& [description, message] : faults) {
        VirtualDiscResult bad = ParseVirtualDisc(description);
        EXPECT_FALSE(bad.disc) << description;
        EXPECT_EQ(bad.error.rfind(message, 0), 0u) << bad.error;
    }
}

TEST(VirtualDisc, RejectsBadDescriptionsNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "the description is empty"},
        {"# nothing\n", "line 1 (end of the description): the disc has no tracks"},
        {"track 00:02:00\n", "line 1 (end of the description): \"leadout\" is missing"},
        {"track 00:02:00\ntrack 00:02:00\nleadout 10:00:00\n",
         "line 2: a track must start after the track before it"},
        {"track 00:01:74\nleadout 10:00:00\n", "line 1: no track starts before 00:02:00"},
        {"track 00:02:00\nleadout 00:02:00\n",
         "line 2: the lead-out must come after the start of the last track (line 1)"},
        {"track 00:02:75\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 00:60:00\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 100:00:00\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track -1:00:00\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 00:02\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 00:02:00 video\nleadout 10:00:00\n", "line 1: a track is \"audio\" or \"data\""},
        {"track 00:02:00 data\nleadout 10:00:00\n",
         "line 2 (end of the description): a disc with a data track needs \"volume\" and "
         "\"serial\""},
        {"length 00:00:00\n", "line 1: a track cannot be empty"},
        {"length 99:00:00\nlength 01:00:00\n", "line 2: the disc would run beyond 99:59:74"},
        {"length 01:00:00\nleadout 10:00:00\n",
         "line 2: a disc given by track lengths ends after its last track"},
        {"track 00:02:00\nlength 01:00:00\n", "line 2: tracks are given all by their start"},
        {"length 01:00:00\nbogus 1\n", "line 2: unknown key \"bogus\""},
        {"length 01:00:00\nserial 123456789\n",
         "line 2: the serial number must be 1 to 8 hexadecimal digits"},
        {"length 01:00:00\nserial 12G4\n", "line 2: the serial number must be 1 to 8"},
        {"length 01:00:00\nserial 1 2\n", "line 2: unexpected \"2\""},
        {"length 01:00:00\ncda maybe\n", "line 2: cda is \"yes\" or \"no\""},
        {"length 01:00:00\nvolume \n", "line 2: the volume name is empty"},
        {"length 01:00:00\nvolume ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\n",
         "line 2: the volume name is longer than 32 bytes"},
        {"length 01:00:00\nvolume AB\x82\n", "line 2: the volume name ends inside a double-byte"},
        {"volume A\nvolume B\nlength 01:00:00\n",
         "line 2: \"volume\" given twice (first on line 1)"},
        {"length 01:00:00\nleadout\x01 x\n", "line 2: control character in the line"},
    };
    for (const Case& c : cases) {
        VirtualDiscResult r = ParseVirtualDisc(c.text);
        EXPECT_FALSE(r.disc) << c.text;
        EXPECT_EQ(r.error.rfind(c.message, 0), 0u)
            << "text: " << c.text << "\nmessage: " << r.error;
    }
    // A line cut at a NUL byte would hide the fault; the whole text is looked at.
    VirtualDiscResult r = ParseVirtualDisc(std::string_view("length 01:00:00\n\0\n", 18));
    EXPECT_EQ(r.error, "line 2: control character in the line");
}

TEST(VirtualDisc, RejectsOversizedInputAndTooManyTracks) {
    std::string many;
    for (int i = 0; i < 100; ++i) {
        many += "length 00:10:00\n";
    }
    VirtualDiscResult r = ParseVirtualDisc(many);
    EXPECT_EQ(r.error, "line 100: a disc holds at most 99 tracks");
    many.resize(many.size() - 16);
    EXPECT_TRUE(ParseVirtualDisc(many).disc);

    r = ParseVirtualDisc("length 01:00:00\nvolume " + std::string(2000, 'x') + "\n");
    EXPECT_EQ(r.error, "line 2: the line is longer than 1024 bytes");
    r = ParseVirtualDisc(std::string(70000, '#'));
    EXPECT_FALSE(r.disc);
    EXPECT_NE(r.error.find("larger than"), std::string::npos);
}

TEST(VirtualDisc, GarbageNeverCrashesAndAlwaysExplains) {
    std::mt19937 random(1234);
    const std::string alphabet = "track length leadout volume serial cda data 0123456789:\n #-";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        int size = static_cast<int>(random() % 200);
        for (int i = 0; i < size; ++i) {
            text += round % 3 == 0 ? static_cast<char>(random() % 256)
                                   : alphabet[random() % alphabet.size()];
        }
        VirtualDiscResult r = ParseVirtualDisc(text);
        ASSERT_NE(r.disc.has_value(), !r.error.empty()) << text;
        if (r.disc) {
            const CdToc& toc = r.disc->toc;
            ASSERT_GE(toc.TrackCount(), 1);
            for (int t = 1; t <= toc.TrackCount(); ++t) {
                ASSERT_LT(toc.StartOf(t), toc.StartOf(t + 1));
            }
        }
    }
}

TEST(VirtualDisc, FileErrorsNameTheFile) {
    TempDir dir;
    VirtualDiscResult r = LoadVirtualDisc(dir.File("none.disc"));
    EXPECT_FALSE(r.disc);
    EXPECT_NE(r.error.find("none.disc"), std::string::npos) << r.error;
    r = LoadVirtualDisc(dir.Write("bad.disc", "length 01:00:00\nfoo\n"));
    EXPECT_EQ(r.error, dir.File("bad.disc") + ": line 2: unknown key \"foo\"");
}

}  // namespace
}  // namespace lintel
