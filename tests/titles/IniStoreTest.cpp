#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Cp932.h"
#include "support/FileSizeLimit.h"
#include "support/OutcomeCheck.h"
#include "support/TempDir.h"
#include "titles/IniStore.h"

namespace lintel {
namespace {

using test::Done;
using test::ReadBytes;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kGolden = std::string(LINTEL_SOURCE_DIR) + "/tests/titles/golden/";

// A store on a scratch copy of `bytes`.
class IniStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<TIniStore> Open(const std::string& bytes) {
        path_ = dir_.Write("lintel.ini", bytes);
        return std::make_unique<TIniStore>(path_);
    }
    std::string Written() const { return ReadBytes(path_); }

    TempDir dir_;
    std::string path_;
};

// Golden file: every kind of line survives a load and write-back as the loader rules say.
TEST_F(IniStoreTest, RoundTripMatchesTheGoldenFile) {
    auto store = Open(ReadBytes(kGolden + "roundtrip.ini"));
    EXPECT_FALSE(store->Changed());  // dropping duplicates alone changes nothing
    store->WriteString("Config", "TimerInt", "500");
    ASSERT_TRUE(Done(store->UpdateFile()));
    EXPECT_EQ(Written(), ReadBytes(kGolden + "roundtrip.expected.ini"));
    EXPECT_FALSE(store->Changed());
}

TEST_F(IniStoreTest, LoaderKeepsTheFirstOfDuplicateSectionsAndEmptyOnes) {
    auto store = Open("[3A2F1]\r\ntitle=A\r\n[x]\r\n[3a2f1]\r\ntitle=B\r\n[3A2f1]\r\nt=C\r\n");
    EXPECT_EQ(store->ReadString("3a2f1", "title", "?"), "A");
    EXPECT_EQ(store->ReadString("3A2F1", "t", "none"), "none");
    TStringList names{"stale"};
    store->ReadSections(names);
    EXPECT_THAT(names, ElementsAre("3A2F1", "x"));  // the empty [x] is still readable
}

// LF, CR LF and lone CR all end a line, also a CR as the file's very last byte.
TEST_F(IniStoreTest, EveryKindOfLineEndEndsALine) {
    auto store = Open("[a]\nx=1\r\ny=2\rz=3\r");
    TStringList lines;
    store->ReadSectionValues("a", lines);
    EXPECT_THAT(lines, ElementsAre("x=1", "y=2", "z=3"));
    store = Open("[a]\r\nx=1\r\nz=3\r");
    lines.clear();
    store->ReadSectionValues("a", lines);
    EXPECT_THAT(lines, ElementsAre("x=1", "z=3"));
}

TEST_F(IniStoreTest, BinaryGarbageNeverBreaksTheLoader) {
    using namespace std::string_literals;
    auto store = Open("[a]\r\n\0\r\n\0=\0\x1A\r\n\x1A\n[\x83]\n\xFF\xFE=\x81"s);
    TStringList all;
    store->ReadAll(all);
    EXPECT_THAT(all, ElementsAre("[a]", "\0"s, "\0=\0\x1A"s, "", "[\x83]", "\xFF\xFE=\x81", ""));
}

// Key lookup: the text before the first "=" equals the key ignoring ASCII case; blanks
// belong to the key; lines without "=" never match.
TEST_F(IniStoreTest, KeysMatchOnTheTextBeforeTheFirstEquals) {
    auto store = Open(
        "[T]\r\nartist =Blank\r\nArtist=Real=Value\r\nabc\r\n=empty\r\n\x83\x41=katakana-a\r\n");
    EXPECT_EQ(store->ReadString("t", "ARTIST", ""), "Real=Value");
    EXPECT_EQ(store->ReadString("T", "artist ", ""), "Blank");
    EXPECT_EQ(store->ReadString("T", "abc", "def"), "def");
    EXPECT_EQ(store->ReadString("T", "", "def"), "empty");
    EXPECT_EQ(store->ReadString("T", "\x83\x61", "not ヂ"), "not ヂ");
    EXPECT_EQ(store->ReadString("T", "\x83\x41", ""), "katakana-a");
    EXPECT_EQ(store->ReadString("missing", "artist", "def"), "def");

    TStringList keys;
    store->ReadSection("T", keys);
    EXPECT_THAT(keys, ElementsAre("artist ", "Artist", "", "", "\x83\x41"));
    TStringList values{"kept"};
    store->ReadSectionValues("t", values);
    EXPECT_EQ(values.size(), 6u);
    EXPECT_EQ(values[3], "abc");
    store->ReadSectionValues("missing", values);
    EXPECT_EQ(values.size(), 6u);
}

TEST_F(IniStoreTest, IntegersAcceptDecimalAndBothHexForms) {
    auto store = Open(
        "[N]\r\nhex=0x1F\r\nHEX=0X1f\r\ndollar=$1f\r\nneg=-12\r\nbad=12abc\r\nempty=\r\n"
        "big=2147483648\r\nmin=-2147483648\r\ncolour=$80000005\r\nbool=2\r\nzero=0\r\n"
        "lead= \t12\r\ntrail=12 \r\ntab=12\t\r\n");
    EXPECT_EQ(store->ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(store->ReadInteger("N", "dollar", 0), 31);
    EXPECT_EQ(store->ReadInteger("N", "neg", 0), -12);
    EXPECT_EQ(store->ReadInteger("N", "bad", 7), 7);
    EXPECT_EQ(store->ReadInteger("N", "empty", 7), 7);
    EXPECT_EQ(store->ReadInteger("N", "big", 7), 7);
    EXPECT_EQ(store->ReadInteger("N", "min", 7), INT32_MIN);
    EXPECT_EQ(store->ReadInteger("N", "colour", 7), static_cast<std::int32_t>(0x80000005));
    EXPECT_EQ(store->ReadInteger("N", "missing", -3), -3);
    // Blanks may lead the number but not follow it.
    EXPECT_EQ(store->ReadInteger("N", "lead", 7), 12);
    EXPECT_EQ(store->ReadInteger("N", "trail", 7), 7);
    EXPECT_EQ(store->ReadInteger("N", "tab", 7), 7);
    EXPECT_TRUE(store->ReadBool("N", "bool", false));
    EXPECT_FALSE(store->ReadBool("N", "zero", true));
    EXPECT_TRUE(store->ReadBool("N", "bad", true));
    EXPECT_FALSE(store->ReadBool("N", "missing", false));
}

// The changed flag moves only on a real change; reads never create anything.
TEST_F(IniStoreTest, ChangedOnlyByARealChange) {
    auto store = Open("[C]\r\nName=abc\r\n");
    EXPECT_EQ(store->ReadString("New", "key", "x"), "x");
    EXPECT_EQ(store->ReadInteger("C", "none", 1), 1);
    store->DeleteKey("C", "none");
    store->EraseSection("none");
    EXPECT_FALSE(store->Changed());
    store->WriteString("C", "Name", "abc");
    EXPECT_FALSE(store->Changed());
    store->WriteString("c", "name", "abc");  // the whole line is compared, key included
    EXPECT_TRUE(store->Changed());
    ASSERT_TRUE(Done(store->UpdateFile()));
    store->WriteString("C", "name", "ABC");
    EXPECT_TRUE(store->Changed());
    ASSERT_TRUE(Done(store->UpdateFile()));
    EXPECT_EQ(Written(), "[C]\r\nname=ABC\r\n\r\n");
}

TEST_F(IniStoreTest, WritesCreateSectionsAndKeysAtTheEnd) {
    auto store = Open("[A]\r\nk=1\r\n");
    store->WriteInteger("B", "n", -5);
    store->WriteBool("A", "flag", true);
    store->WriteString("a", "K", "2");
    store->WriteString("Gone", "x", "1");
    store->DeleteKey("gone", "X");
    ASSERT_TRUE(Done(store->UpdateFile()));
    EXPECT_EQ(Written(), "[A]\r\nK=2\r\nflag=1\r\n\r\n[B]\r\nn=-5\r\n\r\n");
}

TEST_F(IniStoreTest, EmptyKeyErasesTheSectionOrWritesTheFile) {
    auto store = Open("[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
    store->WriteString("a", "", "");
    TStringList names;
    store->ReadSections(names);
    EXPECT_THAT(names, ElementsAre("B"));
    EXPECT_EQ(Written(), "[A]\r\nk=1\r\n[B]\r\nk=2\r\n");  // not written yet
    store->WriteString("", "", "");
    EXPECT_EQ(Written(), "[B]\r\nk=2\r\n\r\n");
    EXPECT_FALSE(store->Changed());
}

// Sections are found by an index: erasing many in a scattered order must leave every
// other section findable, under any spelling of its name, and the erased ones gone.
TEST_F(IniStoreTest, ErasingSectionsKeepsTheOthersFindable) {
    auto store = Open("");
    auto name = [](int i) { return "Disc" + std::to_string(i * 7919 % 1000); };
    for (int i = 0; i < 1000; ++i) {
        store->WriteInteger(name(i), "n", i);
    }
    for (int i = 0; i < 1000; i += 3) {
        store->EraseSection(name(i));
    }
    for (int i = 0; i < 1000; ++i) {
        std::string upper = name(i);
        upper[0] = 'd';
        EXPECT_EQ(store->ReadInteger(upper, "n", -1), i % 3 == 0 ? -1 : i) << name(i);
    }
    store->WriteInteger(name(0), "n", 5);  // an erased name comes back as a new section
    EXPECT_EQ(store->ReadInteger(name(0), "n", -1), 5);
    TStringList names;
    store->ReadSections(names);
    EXPECT_EQ(names.size(), 667u);
    EXPECT_EQ(names.back(), name(0));
}

// Lines are cut to 255 bytes, never inside a double-byte character.
TEST_F(IniStoreTest, OverLongWritesAreCutWithoutSplittingCharacters) {
    auto store = Open("");
    std::string name = "\x83\x41";  // ア
    std::string value;
    for (int i = 0; i < 200; ++i) {
        value += name;
    }
    store->WriteString("T", "0", value);
    std::string stored = store->ReadString("T", "0", "");
    EXPECT_EQ(stored.size(), 252u);  // "0=" plus 126 whole characters is 254 bytes
    EXPECT_EQ(stored, value.substr(0, 252));
    store->WriteString("T", "1", std::string(300, 'z'));
    EXPECT_EQ(store->ReadString("T", "1", "").size(), 253u);
}

// A line break inside a written value would inject lines or sections into the file.
TEST_F(IniStoreTest, LineBreaksInWrittenTextCannotInjectLines) {
    auto store = Open("");
    store->WriteString("T", "title", "a\r\n[Config]\nx");
    ASSERT_TRUE(Done(store->UpdateFile()));
    EXPECT_EQ(Written(), "[T]\r\ntitle=a  [Config] x\r\n\r\n");
}

// A written name is stored as the file can hold it (no line break, its header within the
// 255-byte line): when that is a name already there, the write goes into that section.
TEST_F(IniStoreTest, NamesThatBecomeAnExistingNameWriteIntoIt) {
    auto store = Open("[A B]\r\nk=1\r\n");
    store->WriteString("A\nB", "k", "2");
    store->WriteString("a\rb", "k\n2", "x");
    store->WriteString("A B", "k 2", "y");
    const std::string longName(300, 'n');
    store->WriteString(longName, "k", "3");
    store->WriteString(longName.substr(0, 260), "k", "4");
    ASSERT_TRUE(Done(store->UpdateFile()));
    const std::string header = "[" + longName.substr(0, 253) + "]";
    EXPECT_EQ(Written(), "[A B]\r\nk=2\r\nk 2=y\r\n\r\n" + header + "\r\nk=4\r\n\r\n");
    // What was written loads as it was.
    store = std::make_unique<TIniStore>(path_);
    EXPECT_EQ(store->ReadString(longName.substr(0, 253), "k", ""), "4");
    EXPECT_EQ(store->ReadString("A B", "k 2", ""), "y");
}

// Part of the settings defaults are Japanese literals: they reach the file as CP932.
TEST_F(IniStoreTest, JapaneseDefaultsLandInTheFileAsCodePage932) {
    auto store = Open("");
    const std::string font = cp932::Literal("ＭＳ Ｐゴシック");
    store->WriteString("CDName_Font", "Name", store->ReadString("CDName_Font", "Name", font));
    ASSERT_TRUE(Done(store->UpdateFile()));
    EXPECT_EQ(Written(),
              "[CDName_Font]\r\nName=\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"
              "\r\n\r\n");
}

TEST_F(IniStoreTest, MissingFileIsAnEmptyStoreCreatedAtTheFirstWrite) {
    TIniStore store(dir_.File("new.ini"));
    EXPECT_EQ(store.LoadError(), std::nullopt);
    EXPECT_TRUE(Done(store.UpdateFile()));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("new.ini")));
    store.WriteString("S", "k", "v");
    ASSERT_TRUE(Done(store.UpdateFile()));
    EXPECT_EQ(ReadBytes(dir_.File("new.ini")), "[S]\r\nk=v\r\n\r\n");
}

// A file that exists but cannot be read is never replaced by this run's changes alone.
TEST_F(IniStoreTest, UnreadableFileIsNeverOverwritten) {
    std::filesystem::create_directory(dir_.File("lintel.ini"));
    TIniStore store(dir_.File("lintel.ini"));
    ASSERT_TRUE(store.LoadError().has_value());
    store.WriteString("S", "k", "v");
    const Outcome written = store.UpdateFile();
    ASSERT_FALSE(written.Ok());
    EXPECT_NE(written.Error().find(dir_.File("lintel.ini")), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir_.File("lintel.ini")));
}

// A failed write-back keeps the old file and the store's changes, so it can be retried.
TEST_F(IniStoreTest, FailedWriteBackKeepsFileAndChanges) {
    auto store = Open("[S]\r\nk=old\r\n");
    store->WriteString("S", "k", std::string(200, 'n'));
    Outcome written;
    {
        test::FileSizeLimit limit(16);
        written = store->UpdateFile();
        EXPECT_THROW(store->WriteString("", "", ""), std::runtime_error);
    }
    ASSERT_FALSE(written.Ok());
    EXPECT_EQ(Written(), "[S]\r\nk=old\r\n");
    EXPECT_TRUE(store->Changed());
    EXPECT_TRUE(Done(store->UpdateFile()));  // the retry succeeds
    EXPECT_EQ(Written(), "[S]\r\nk=" + std::string(200, 'n') + "\r\n\r\n");
}

TEST_F(IniStoreTest, ReleaseWritesBackOnlyWhenChanged) {
    Open("[S]\r\nk=1\r\n").reset();
    EXPECT_EQ(Written(), "[S]\r\nk=1\r\n");
    auto store = Open("[S]\r\nk=1\r\n");
    store->WriteString("S", "k", "2");
    store.reset();
    EXPECT_EQ(Written(), "[S]\r\nk=2\r\n\r\n");
}

TEST(TAppIniFile, FileNameFollowsTheExecutable) {
    EXPECT_EQ(TAppIniFile::FileNameFor("/opt/lintel/lintel"), "/opt/lintel/lintel.ini");
    EXPECT_EQ(TAppIniFile::FileNameFor("/opt/lin.tel/player.bin"), "/opt/lin.tel/player.ini");
    EXPECT_EQ(TAppIniFile::FileNameFor("/opt/lin.tel/lintel"), "/opt/lin.tel/lintel.ini");
}

}  // namespace
}  // namespace lintel
