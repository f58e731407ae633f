#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/Cp932.h"
#include "support/OutcomeCheck.h"
#include "support/TempDir.h"
#include "titles/TitleRecords.h"

namespace lintel {
namespace {

using test::Done;
using test::ReadBytes;
using test::TempDir;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kCdplayerIni =
    std::string(LINTEL_SOURCE_DIR) + "/tests/titles/fixtures/cdplayer.ini";

std::string J(std::string_view utf8) {
    return cp932::Literal(utf8);
}

class TitleRecordsTest : public ::testing::Test {
protected:
    // A store on a scratch file holding `bytes` (CR LF line ends added).
    TIniStore& Open(std::string bytes) {
        std::string crlf;
        for (char c : bytes) {
            if (c == '\n') {
                crlf += '\r';
            }
            crlf += c;
        }
        store_ = std::make_unique<TIniStore>(dir_.Write("lintel.ini", crlf));
        return *store_;
    }
    // A store on a copy of the cdplayer.ini fixture, as the first start leaves it.
    TIniStore& OpenCdplayerCopy() {
        store_ = std::make_unique<TIniStore>(dir_.Write("lintel.ini", ReadBytes(kCdplayerIni)));
        return *store_;
    }
    TStringList Section(std::string_view id) {
        TStringList lines;
        store_->ReadSectionValues(id, lines);
        return lines;
    }

    TempDir dir_;
    std::unique_ptr<TIniStore> store_;
};

// --- records copied in from a cdplayer.ini -------------------------------------------------

TEST_F(TitleRecordsTest, CdplayerRecordsAreFoundUnderTheSameIdentities) {
    TIniStore& store = OpenCdplayerCopy();
    EXPECT_TRUE(TitleRecordExists(store, "0A3F"));
    EXPECT_TRUE(TitleRecordExists(store, "363E9"));  // stored as "363e9"
    EXPECT_TRUE(TitleRecordExists(store, "12475433"));
    EXPECT_FALSE(TitleRecordExists(store, "1B2C3D4E"));  // EntryType=-1
    EXPECT_FALSE(TitleRecordExists(store, "FFFF"));
    EXPECT_FALSE(TitleRecordExists(store, ""));

    LoadedTitleRecord volume = LoadTitleRecord(store, "0A3F");
    EXPECT_EQ(volume.artist, J("山下達郎"));
    EXPECT_EQ(volume.title, J("ｸﾘｽﾏｽ・イブ"));
    EXPECT_EQ(TrackName(volume.lines, 1), J("クリスマス・イブ"));
    EXPECT_EQ(TrackName(volume.lines, 2), "Second Song");
    EXPECT_EQ(TrackName(volume.lines, 3), "");
    EXPECT_EQ(TrackName(volume.lines, 4), "");
    // The whole body comes along, the player's own keys included.
    EXPECT_EQ(volume.lines.size(), 9u);
    EXPECT_THAT(volume.lines, Contains("order=2 0 1 "));
    EXPECT_THAT(volume.lines, Contains("numplay=3"));
    EXPECT_EQ(volume.affixes, (DiscLabelAffixes{"<", " / ", ">"}));

    LoadedTitleRecord toc = LoadTitleRecord(store, "363E9");
    EXPECT_EQ(toc.title, "Two Movements");
    EXPECT_EQ(TrackName(toc.lines, 1), "Allegro = fast");
    EXPECT_FALSE(store.Changed());  // looking records up writes nothing
}

TEST_F(TitleRecordsTest, AbsentRecordLoadsEmpty) {
    TIniStore& store = OpenCdplayerCopy();
    LoadedTitleRecord none = LoadTitleRecord(store, "FFFF");
    EXPECT_THAT(none.lines, IsEmpty());
    EXPECT_EQ(none.title, "");
    EXPECT_EQ(none.artist, "");
    EXPECT_EQ(none.affixes, (DiscLabelAffixes{"<", "", ">"}));
    EXPECT_THAT(LoadTitleRecord(store, "").lines, IsEmpty());
}

// --- creating -------------------------------------------------------------------------------

TEST_F(TitleRecordsTest, CreatesTheDefaultRecordInOrder) {
    TIniStore& store = Open("");
    CreateTitleRecord(store, "363E9", 3);
    EXPECT_EQ(store.Serialize(),
              "[363E9]\r\nEntryType=1\r\nartist=new artist\r\ntitle=new disk\r\n"
              "numtracks=3\r\n0=Track 1\r\n1=Track 2\r\n2=Track 3\r\n\r\n");
    EXPECT_TRUE(TitleRecordExists(store, "363E9"));

    // A disc without tracks gets no track keys.
    CreateTitleRecord(store, "0A3F", 0);
    EXPECT_THAT(Section("0A3F"),
                ElementsAre("EntryType=1", "artist=new artist", "title=new disk", "numtracks=0"));
}

// The titles a disc carries replace the defaults where it has them; what code page 932
// cannot hold is left out and named once on standard error.
TEST_F(TitleRecordsTest, CreatedRecordTakesTheTitlesTheDiscCarries) {
    TIniStore& store = Open("");
    const CdText carried{"青い空\U0001F600", "\U0001F3B8", {"", "二曲目\tof\nit ", "\U0001F600"}};
    ::testing::internal::CaptureStderr();
    CreateTitleRecord(store, "363E9", 4, carried);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(Section("363E9"), ElementsAre("EntryType=1", "artist=new artist",
                                              "title=" + J("青い空"), "numtracks=4", "0=Track 1",
                                              "1=" + J("二曲目 of it"), "2=Track 3", "3=Track 4"));
    EXPECT_EQ(err,
              "lintel: disc 363E9: left out of its titles, as code page 932 cannot hold them: "
              "\U0001F3B8 \U0001F600 \U0001F600 \n");

    ::testing::internal::CaptureStderr();
    CreateTitleRecord(store, "0A3F", 1, CdText{"Plain", "", {}});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(TitleRecordsTest, CreatingOverAWithdrawnRecordReplacesInPlace) {
    TIniStore& store = Open(
        "[1B2C3D4E]\n; kept comment\nEntryType=-1\nArtist=Old\nnumplay=2\n1=Old two\n"
        "order=1 0 \n");
    ASSERT_FALSE(TitleRecordExists(store, "1b2c3d4e"));
    CreateTitleRecord(store, "1b2c3d4e", 2);
    EXPECT_THAT(
        Section("1B2C3D4E"),
        ElementsAre("; kept comment", "EntryType=1", "artist=new artist", "numplay=2", "1=Track 2",
                    "order=1 0 ", "title=new disk", "numtracks=2", "0=Track 1"));
    EXPECT_TRUE(TitleRecordExists(store, "1B2C3D4E"));
}

TEST_F(TitleRecordsTest, AbsurdTrackCountsAreKeptInRange) {
    TIniStore& store = Open("");
    CreateTitleRecord(store, "A", -5);
    EXPECT_EQ(store.ReadString("A", "numtracks", ""), "0");
    EXPECT_EQ(Section("A").size(), 4u);
    CreateTitleRecord(store, "B", 1000000);
    EXPECT_EQ(store.ReadString("B", "numtracks", ""), "99");
    EXPECT_EQ(store.ReadString("B", "98", ""), "Track 99");
    EXPECT_EQ(store.ReadString("B", "99", "none"), "none");
    // No identity, no record.
    CreateTitleRecord(store, "", 2);
    TStringList sections;
    store.ReadSections(sections);
    EXPECT_THAT(sections, ElementsAre("A", "B"));
}

// --- migrating and choosing ---------------------------------------------------------------

TEST_F(TitleRecordsTest, MigratesTheLegacyRecord) {
    TIniStore& store = OpenCdplayerCopy();
    TStringList legacyBefore = Section("12475433");
    LoadedTitleRecord legacy = MigrateTitleRecord(store, "12475433", "4F1A2", 13);
    EXPECT_EQ(legacy.lines, legacyBefore);
    EXPECT_EQ(legacy.title, J("旧アルバム"));

    TStringList expected = {"EntryType=1",
                            "artist=" + J("古い歌手"),
                            "title=" + J("旧アルバム"),
                            "numtracks=13",
                            "0=" + J("一曲目"),
                            "1=" + J("二曲目"),
                            "2=Three",
                            "3=Four",
                            "4=Five",
                            "5=Six",
                            "6=Seven",
                            "7=Eight",
                            "8=Nine",
                            "9=Ten",
                            "10=Eleven"};
    expected.push_back("11=" + J("十二曲目"));
    expected.push_back("12=");              // the device counts one track more than the record
    EXPECT_EQ(Section("4F1A2"), expected);  // neither "order" nor "numplay" comes along
    EXPECT_EQ(Section("12475433"), legacyBefore);

    // Fewer tracks on the device than in the record: only those are copied.
    MigrateTitleRecord(store, "12475433", "5", 1);
    EXPECT_THAT(Section("5"),
                ElementsAre("EntryType=1", "artist=" + J("古い歌手"), "title=" + J("旧アルバム"),
                            "numtracks=1", "0=" + J("一曲目")));
}

TEST_F(TitleRecordsTest, EnsureKeepsMigratesOrCreates) {
    TIniStore& store = OpenCdplayerCopy();
    EXPECT_EQ(EnsureTitleRecord(store, "363E9", "12475433", 2), TitleRecordOrigin::Existing);
    EXPECT_FALSE(store.Changed());

    EXPECT_EQ(EnsureTitleRecord(store, "ABCDE", "12475433", 12), TitleRecordOrigin::Migrated);
    EXPECT_EQ(LoadTitleRecord(store, "ABCDE").artist, J("古い歌手"));

    // Without a legacy record, or for a volume identity (no legacy key), a default one.
    EXPECT_EQ(EnsureTitleRecord(store, "BCDEF", "9999", 2), TitleRecordOrigin::Created);
    EXPECT_EQ(LoadTitleRecord(store, "BCDEF").title, "new disk");
    EXPECT_EQ(EnsureTitleRecord(store, "1B2C3D4E", "", 1), TitleRecordOrigin::Created);
    EXPECT_EQ(LoadTitleRecord(store, "1B2C3D4E").artist, "new artist");
    EXPECT_EQ(EnsureTitleRecord(store, "", "12475433", 1), TitleRecordOrigin::NoIdentity);
    // A withdrawn legacy record is not migrated.
    Open("[1]\nEntryType=-1\nartist=Gone\n");
    EXPECT_EQ(EnsureTitleRecord(*store_, "C", "1", 1), TitleRecordOrigin::Created);
}

// --- saving ----------------------------------------------------------------------------------

TEST_F(TitleRecordsTest, SaveWritesNamesAndKeepsEverythingElse) {
    TIniStore& store = OpenCdplayerCopy();
    TStringList edited = {
        "title=" + J("新しい題"), "ARTIST=Someone", "artist=Second", "0=One", "2=Three",
        "5=Beyond the disc"};
    LoadedTitleRecord saved = SaveTitleRecord(store, "0A3F", edited, 3);
    EXPECT_THAT(Section("0A3F"),
                ElementsAre("EntryType=1", "artist=Someone", "title=" + J("新しい題"),
                            "numtracks=3", "0=One", "1=", "2=Three", "order=2 0 1 ", "numplay=3"));
    // What comes back is the reloaded record.
    EXPECT_EQ(saved.lines, Section("0A3F"));
    EXPECT_EQ(saved.title, J("新しい題"));
    EXPECT_EQ(saved.artist, "Someone");

    // The store writes it back, and a new store finds it again.
    ASSERT_TRUE(Done(store.UpdateFile()));
    TIniStore reopened(store.FileName());
    EXPECT_EQ(LoadTitleRecord(reopened, "0a3f").lines, saved.lines);
}

TEST_F(TitleRecordsTest, SaveCutsLongNamesWithoutSplittingCharacters) {
    TIniStore& store = Open("");
    CreateTitleRecord(store, "A", 1);
    // "0=" and 126 double-byte characters would make a line of 254 bytes; one more
    // character would end at byte 256, so the line stops at 254 rather than half-way.
    std::string wide;
    for (int i = 0; i < 127; ++i) {
        wide += J("曲");
    }
    LoadedTitleRecord saved = SaveTitleRecord(store, "A", {"0=" + wide, "title=" + wide}, 1);
    EXPECT_EQ(TrackName(saved.lines, 1), wide.substr(0, 252));
    EXPECT_EQ(saved.title, wide.substr(0, 248));  // "title=" leaves room for 124
    std::string narrow(300, 'x');
    saved = SaveTitleRecord(store, "A", {"0=" + narrow}, 1);
    EXPECT_EQ(TrackName(saved.lines, 1), narrow.substr(0, 253));
}

TEST_F(TitleRecordsTest, SaveOverNoRecordMarksItSoTheEditsSurvive) {
    TIniStore& store = Open("[7]\nEntryType=-1\nartist=Old\n");
    SaveTitleRecord(store, "7", {"artist=Mine", "title=Kept", "0=First"}, 1);
    EXPECT_THAT(Section("7"), ElementsAre("EntryType=1", "artist=Mine", "title=Kept", "0=First"));
    // The next disc check keeps what the user typed.
    EXPECT_EQ(EnsureTitleRecord(store, "7", "", 1), TitleRecordOrigin::Existing);
    SaveTitleRecord(store, "8", {"artist=New"}, 0);
    EXPECT_THAT(Section("8"), ElementsAre("EntryType=1", "artist=New", "title="));
    SaveTitleRecord(store, "", {"artist=Nobody"}, 1);
    TStringList sections;
    store.ReadSections(sections);
    EXPECT_THAT(sections, ElementsAre("7", "8"));
}

// --- reading lines ------------------------------------------------------------------------

TEST(TitleLinesTest, LookupFollowsTheStoreKeyRules) {
    TStringList lines = {"no equals sign", "Title=First", "title=Second", "artist =Blank", "3=",
                         "4=a=b",          "=nameless",   "; comment=x"};
    EXPECT_EQ(TitleLineValue(lines, "title"), "First");
    EXPECT_EQ(TitleLineValue(lines, "TITLE"), "First");
    EXPECT_EQ(TitleLineValue(lines, "artist"), "");  // blanks are part of the key
    EXPECT_EQ(TitleLineValue(lines, "no equals sign"), "");
    EXPECT_EQ(TitleLineValue(lines, "4"), "a=b");
    EXPECT_EQ(TitleLineValue(lines, ""), "nameless");
    EXPECT_EQ(TrackName(lines, 4), "");
    EXPECT_EQ(TrackName(lines, 5), "a=b");
    EXPECT_EQ(TrackName(lines, 0), "");
    EXPECT_EQ(TrackName(lines, -1), "");
}

TEST(TitleLinesTest, AffixesLoseTheSeparatorWhenAPartIsEmpty) {
    EXPECT_EQ(DiscLabelAffixesFor("T", "A"), (DiscLabelAffixes{"<", " / ", ">"}));
    EXPECT_EQ(DiscLabelAffixesFor("", "A"), (DiscLabelAffixes{"<", "", ">"}));
    EXPECT_EQ(DiscLabelAffixesFor("T", ""), (DiscLabelAffixes{"<", "", ">"}));
    EXPECT_EQ(DiscLabelAffixesFor("", ""), (DiscLabelAffixes{"<", "", ">"}));
}

// The editor's copy: a value replaces the first matching line in place, an empty one
// removes it, a new key is appended; other lines are carried along.
TEST(TitleLinesTest, SettingAValueFollowsTheNameValueRule) {
    TStringList lines = {"EntryType=1", "Title=Old", "title=second", "; note", "0=A"};
    SetTitleLineValue(lines, "TITLE", "New=ish");
    SetTitleLineValue(lines, "0", "");
    SetTitleLineValue(lines, "1", "B");
    SetTitleLineValue(lines, "2", "");
    EXPECT_THAT(lines,
                ElementsAre("EntryType=1", "Title=New=ish", "title=second", "; note", "1=B"));
}

TEST(TitleLinesTest, TrackListItemsAreNumberedWithTwoDigits) {
    TStringList lines = {"0=" + J("一曲目"), "2=Third", "9=Tenth", "2=Shadowed"};
    TStringList items = FillTrackList(lines, 10);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items[0], "01: " + J("一曲目"));
    EXPECT_EQ(items[1], "02: ");
    EXPECT_EQ(items[2], "03: Third");
    EXPECT_EQ(items[8], "09: ");
    EXPECT_EQ(items[9], "10: Tenth");
    EXPECT_THAT(FillTrackList(lines, 0), IsEmpty());
    EXPECT_THAT(FillTrackList(lines, -3), IsEmpty());
    EXPECT_EQ(FillTrackList({}, 500).size(), 99u);
}

}  // namespace
}  // namespace lintel
