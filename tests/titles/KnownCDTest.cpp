#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/Cp932.h"
#include "support/TempDir.h"
#include "titles/KnownCD.h"

namespace lintel {
namespace {

using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A text field as the files store it: the length byte, the text, padding to 64 bytes.
std::string Field(const std::string& text, int lengthByte = -1) {
    std::string field(1, static_cast<char>(lengthByte < 0 ? text.size() : lengthByte));
    field += text;
    field.resize(65, '\0');
    return field;
}

std::string Index(const std::string& title, const std::string& artist) {
    return std::string(6, 'x') + Field(title) + std::string(11, 'x') + Field(artist) + "rest";
}

// A track file of `count` records named "T<i>" with remark "R<i>", cut or padded to `size`.
std::string Tracks(int count, std::size_t size) {
    std::string bytes(12, 'h');
    for (int i = 0; i < count; ++i) {
        bytes += Field("T" + std::to_string(i)) + Field("R" + std::to_string(i));
        bytes += std::string(14, 'z');
    }
    bytes.resize(size, '\0');
    return bytes;
}

std::vector<std::string> Names(const std::vector<TKnownCdTrack>& tracks) {
    std::vector<std::string> names;
    for (const TKnownCdTrack& t : tracks) names.push_back(t.name + "|" + t.remark);
    return names;
}

// The track count is the size div 144; a file without its last record's unread tail still
// holds that record's name and remark whole.
TEST(KnownCD, TrackFilesCountBySizeAndReadTheLastRecordWhole) {
    EXPECT_EQ(KnownCdTracks(Tracks(10, 1452)).size(), 10u);
    const auto cut = KnownCdTracks(Tracks(10, 1440));
    ASSERT_EQ(cut.size(), 10u);
    EXPECT_EQ(cut[9].name, "T9");
    EXPECT_EQ(cut[9].remark, "R9");
    EXPECT_EQ(KnownCdTracks(Tracks(10, 1439)).size(), 9u);
    EXPECT_THAT(Names(KnownCdTracks(Tracks(2, 300))), ElementsAre("T0|R0", "T1|R1"));
    EXPECT_THAT(KnownCdTracks(""), IsEmpty());
}

TEST(KnownCD, TextsTakeTheirLengthByteUpTo64BytesAndStopAtTheEnd) {
    const std::string japanese = cp932::Literal("夜明け");
    EXPECT_EQ(KnownCdText(Field(japanese), 0), japanese);  // bytes as stored
    EXPECT_EQ(KnownCdText(Field("abc", 0), 0), "");
    std::string full(1, char(200));
    full += std::string(64, 'a') + "overflow";
    EXPECT_EQ(KnownCdText(full, 0), std::string(64, 'a'));
    EXPECT_EQ(KnownCdText(std::string("\x05"
                                      "ab",
                                      3),
                          0),
              "ab");
    EXPECT_EQ(KnownCdText("", 0), "");
    EXPECT_EQ(KnownCdText("abc", 10), "");
}

// A disc is read whole or not at all; each failure names the file at fault.
TEST(KnownCD, ReadsADiscOnlyWhenBothFilesHoldTheirFields) {
    TempDir dir;
    dir.Write("A.KIX", Index("Blue", "Band"));
    dir.Write("A.KCD", Tracks(3, 12 + 3 * 144));
    const TKnownCdRead read = ReadKnownCdDisc(dir.File("A.KIX"));
    ASSERT_TRUE(read.Ok()) << read.error;
    EXPECT_EQ(read.disc.title, "Blue");
    EXPECT_EQ(read.disc.artist, "Band");
    EXPECT_THAT(Names(read.disc.tracks), ElementsAre("T0|R0", "T1|R1", "T2|R2"));

    dir.Write("Lone.KIX", Index("Lone", ""));
    TKnownCdRead lone = ReadKnownCdDisc(dir.File("Lone.KIX"));
    EXPECT_FALSE(lone.Ok());
    EXPECT_THAT(lone.error, HasSubstr("Lone.KCD"));
    EXPECT_TRUE(lone.disc.title.empty()) << "nothing of a broken disc is kept";

    dir.Write("Short.KIX", Index("Short", "Cut").substr(0, 146));
    dir.Write("Short.KCD", Tracks(1, 200));
    TKnownCdRead shortIndex = ReadKnownCdDisc(dir.File("Short.KIX"));
    EXPECT_FALSE(shortIndex.Ok());
    EXPECT_THAT(shortIndex.error, HasSubstr("Short.KIX"));

    dir.Write("Huge.KIX", Index("Huge", ""));
    dir.Write("Huge.KCD", std::string(kKnownCdMaxFileSize + 1, '\0'));
    EXPECT_THAT(ReadKnownCdDisc(dir.File("Huge.KIX")).error, HasSubstr("Huge.KCD"));
}

TEST(KnownCD, ListsOnlyUpperCaseIndexFilesInNameOrder) {
    TempDir dir;
    for (const char* name : {"b.KIX", "a.KIX", "c.kix", "d.KCD", "e.KIX.bak"}) dir.Write(name, "");
    std::filesystem::create_directory(dir.File("folder.KIX"));
    std::string error;
    EXPECT_THAT(KnownCdIndexFiles(dir.Path().string(), error), ElementsAre("a.KIX", "b.KIX"));
    EXPECT_TRUE(error.empty());
    EXPECT_THAT(KnownCdIndexFiles(dir.File("gone"), error), IsEmpty());
    EXPECT_THAT(error, HasSubstr("gone"));
    EXPECT_EQ(KnownCdTrackPath("/d/x.y/DISC.KIX"), "/d/x.y/DISC.KCD");
}

}  // namespace
}  // namespace lintel
