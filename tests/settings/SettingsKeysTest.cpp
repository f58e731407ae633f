#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "settings/SettingsKeys.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::TempDir;

// "ＭＳ Ｐゴシック" in code page 932, spelt out byte by byte so the check does not lean on
// the converter it is checking.
const std::string kGothic932 = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";

TEST(SettingKeysTable, RowsAreInIdOrderUniqueAndTyped) {
    const auto& table = SettingKeys();
    ASSERT_EQ(table.size(), static_cast<std::size_t>(TSetting::Count_));
    std::set<std::pair<std::string, std::string>> seen;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TSettingKey& k = table[i];
        EXPECT_EQ(static_cast<std::size_t>(k.id), i);
        EXPECT_TRUE(seen.emplace(std::string(k.section), std::string(k.key)).second)
            << k.section << "/" << k.key << " listed twice";
        switch (k.type) {
            case TKeyType::Boolean:
                EXPECT_TRUE(k.number == 0 || k.number == 1) << k.key;
                EXPECT_TRUE(k.text.empty()) << k.key;
                break;
            case TKeyType::String:
                EXPECT_EQ(k.number, 0) << k.key;
                break;
            case TKeyType::Integer:
            case TKeyType::Colour:
                EXPECT_TRUE(k.text.empty()) << k.key;
                EXPECT_LE(k.lowest, k.highest) << k.key;
                if (k.defaultKind == TDefaultKind::Fixed) {
                    // A safe range that excluded its own default could never be read.
                    EXPECT_GE(k.number, k.lowest) << k.key;
                    EXPECT_LE(k.number, k.highest) << k.key;
                }
                break;
        }
        EXPECT_TRUE(k.type != TKeyType::String || k.defaultKind == TDefaultKind::Fixed);
    }
}

TEST(SettingKeysAccess, WrongTypeOrMissingDefaultIsAProgrammingFault) {
    TempDir dir;
    TIniStore store(dir.File("lintel.ini"));
    EXPECT_THROW((void)ReadBool(store, TSetting::CnSize), std::logic_error);
    EXPECT_THROW((void)ReadString(store, TSetting::CnBold), std::logic_error);
    EXPECT_THROW((void)ReadInteger(store, TSetting::CnName), std::logic_error);
    EXPECT_THROW(WriteBool(store, TSetting::TbWidth, true), std::logic_error);
    // The panel's place has no fixed default: its reader must give one.
    EXPECT_THROW((void)ReadInteger(store, TSetting::PosOpX), std::logic_error);
    EXPECT_EQ(ReadInteger(store, TSetting::PosOpX, 534), 534);
    EXPECT_FALSE(store.Changed());
}

// Absurd stored values: numbers the engine cannot read give the default, and sizes or
// places outside what the bar can draw give the default too.
TEST(SettingKeysAccess, GarbageAndOutOfRangeNumbersGiveDefaults) {
    TempDir dir;
    const std::string path = dir.Write("lintel.ini",
                                       "[CDName_Font]\r\nSize=-5\r\nBold=yes\r\n"
                                       "[Track_Font]\r\nSize=2147483647\r\nVisible=zero\r\n"
                                       "[TimeBar]\r\nWidth=-1\r\nHeight=2001\r\nFontSize=abc\r\n"
                                       "PosX=99999999\r\nPosY=-40000\r\nTr_F_color=green\r\n"
                                       "[iPosition]\r\nDocH=0\r\n");
    TIniStore store(path);
    EXPECT_EQ(ReadBounded(store, TSetting::CnSize), 9);
    EXPECT_EQ(ReadBounded(store, TSetting::TrSize), 24);
    EXPECT_EQ(ReadBounded(store, TSetting::TbWidth), 144);
    EXPECT_EQ(ReadBounded(store, TSetting::TbHeight), 12);
    EXPECT_EQ(ReadBounded(store, TSetting::TbFontSize), 9);
    EXPECT_EQ(ReadBounded(store, TSetting::TbPosX), 0);
    EXPECT_EQ(ReadBounded(store, TSetting::TbPosY), 0);
    EXPECT_EQ(ReadBounded(store, TSetting::PosDocH), 48);
    EXPECT_EQ(ReadInteger(store, TSetting::TbForeColor), 65280);
    EXPECT_FALSE(ReadBool(store, TSetting::CnBold));
    EXPECT_TRUE(ReadBool(store, TSetting::TrVisible));
    // Unbounded reads give what is stored, as the settings dialog shows it.
    EXPECT_EQ(ReadInteger(store, TSetting::CnSize), -5);
    EXPECT_EQ(ReadInteger(store, TSetting::TbHeight), 2001);
}

TEST(SettingKeysAccess, BoundsThemselvesAreAccepted) {
    TempDir dir;
    TIniStore store(dir.File("lintel.ini"));
    WriteInteger(store, TSetting::CnSize, 1);
    WriteInteger(store, TSetting::TrSize, 999);
    WriteInteger(store, TSetting::TbWidth, 0);
    WriteInteger(store, TSetting::TbHeight, 2000);
    EXPECT_EQ(ReadBounded(store, TSetting::CnSize), 1);
    EXPECT_EQ(ReadBounded(store, TSetting::TrSize), 999);
    EXPECT_EQ(ReadBounded(store, TSetting::TbWidth), 0);
    EXPECT_EQ(ReadBounded(store, TSetting::TbHeight), 2000);
    WriteInteger(store, TSetting::TrSize, 1000);
    EXPECT_EQ(ReadBounded(store, TSetting::TrSize), 24);
}

// Poll intervals as typed: whole decimal milliseconds, or nothing for the caller's default.
TEST(ParseMillisecondsTest, DecimalTextOrNothing) {
    EXPECT_EQ(ParseMilliseconds("1000"), 1000);
    EXPECT_EQ(ParseMilliseconds("200"), 200);
    EXPECT_EQ(ParseMilliseconds("0"), 0);  // stops the timer, as stored
    EXPECT_EQ(ParseMilliseconds("+500"), 500);
    EXPECT_EQ(ParseMilliseconds(" 500"), 500);
    EXPECT_EQ(ParseMilliseconds("2147483647"), 2147483647);

    EXPECT_EQ(ParseMilliseconds(""), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("abc"), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("500ms"), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("500 "), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("-5"), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("0x10"), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("2147483648"), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseMilliseconds("+"), std::nullopt);
}

// A "TimerInt" that is no decimal number must not stop start-up: it reads as 1000.
TEST(SettingKeysAccess, MillisecondsThatAreNoNumberReadAsTheDefault) {
    TempDir dir;
    TIniStore store(dir.File("lintel.ini"));
    EXPECT_EQ(ReadMilliseconds(store, TSetting::ConfigTimerInt), 1000);
    WriteString(store, TSetting::ConfigTimerInt, "250");
    EXPECT_EQ(ReadMilliseconds(store, TSetting::ConfigTimerInt), 250);
    WriteString(store, TSetting::ConfigTimerInt, "0");
    EXPECT_EQ(ReadMilliseconds(store, TSetting::ConfigTimerInt), 0);
    WriteString(store, TSetting::ConfigTimerInt, "fast");
    EXPECT_EQ(ReadMilliseconds(store, TSetting::ConfigTimerInt), 1000);
    // Only a key whose default is a number of milliseconds reads this way.
    EXPECT_THROW((void)ReadMilliseconds(store, TSetting::ConfigDrive), std::logic_error);
}

// A Japanese default written back lands in the file as code page 932 bytes.
TEST(SettingKeysAccess, JapaneseDefaultIsWrittenAsCodePage932) {
    TempDir dir;
    const std::string path = dir.File("lintel.ini");
    {
        TIniStore store(path);
        WriteString(store, TSetting::TbFontName, ReadString(store, TSetting::TbFontName));
        ASSERT_TRUE(store.UpdateFile().Ok());
    }
    EXPECT_EQ(test::ReadBytes(path), "[TimeBar]\r\nFontName=" + kGothic932 + "\r\n\r\n");
}

// The drive's other readers see their own defaults, not the device set-up's empty one.
TEST(SettingKeysAccess, DriveReadersKeepTheirOwnDefaults) {
    TempDir dir;
    TIniStore store(dir.File("lintel.ini"));
    EXPECT_EQ(ReadString(store, TSetting::ConfigDrive), "");
    EXPECT_EQ(ReadString(store, TSetting::ConfigDrive, TReader::DiscDetection), "-1");
    EXPECT_EQ(ReadString(store, TSetting::ConfigDrive, TReader::SettingsDialog), "Q:");
    EXPECT_EQ(DefaultText(TSetting::ConfigDrive, TReader::DiscDetection), "-1");
    // Keys without readers of their own give every reader the one default.
    EXPECT_EQ(ReadString(store, TSetting::ConfigTimerInt, TReader::DiscDetection), "1000");
    WriteString(store, TSetting::ConfigDrive, "");
    // An existing empty value is a choice, not an absent key.
    EXPECT_EQ(ReadString(store, TSetting::ConfigDrive, TReader::DiscDetection), "");
}

}  // namespace
}  // namespace lintel
