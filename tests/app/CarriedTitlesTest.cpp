// The titles a disc carries reach the bar at its first insertion, with no typing, and never
// touch a record that is already there.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "app/BarFixture.h"
#include "platform/Cp932.h"

namespace lintel::test {
namespace {

class CarriedTitlesTest : public BarFixture {
protected:
    static std::string J(std::string_view utf8) { return cp932::Literal(utf8); }
    const std::string disc_ = "title " + J("青い空") + "\nartist " + J("山田楽団") + "\n" +
                              kTwoTracks + "tracktitle 1 " + J("朝の歌") + "\n";
};

TEST_F(CarriedTitlesTest, FirstInsertionStoresThemAsCodePage932) {
    dir_.Write("sys/v.disc", disc_);
    StartWith("");
    const std::string label = J("<青い空 / 山田楽団>");
    EXPECT_EQ(bar_->slbCDName()->Caption(), label);
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. " + J("朝の歌"));
    const std::string id = bar_->Engine().DiscId();
    CloseBar();
    EXPECT_NE(Ini().find("[" + id + "]\r\nEntryType=1\r\nartist=" + J("山田楽団") + "\r\ntitle=" +
                         J("青い空") + "\r\nnumtracks=2\r\n0=" + J("朝の歌") + "\r\n1=Track 2\r\n"),
              std::string::npos)
        << Ini();
}

TEST_F(CarriedTitlesTest, AnExistingRecordStaysByteForByte) {
    dir_.Write("sys/v.disc", disc_);
    // The disc's identity is found without its titles first.
    StartWith("");
    const std::string id = bar_->Engine().DiscId();
    CloseBar();
    const std::string record = "[" + id +
                               "]\r\nEntryType=1\r\nartist=new artist\r\ntitle=new disk\r\n"
                               "numtracks=2\r\n0=Track 1\r\n1=Track 2\r\n";
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n" + record);
    Start();
    EXPECT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist>");
    CloseBar();
    EXPECT_NE(Ini().find(record), std::string::npos) << Ini();
    EXPECT_EQ(Ini().find(J("青い空")), std::string::npos);
}

// A ripper's sheet carries its titles in TITLE and PERFORMER lines, in UTF-8 or in code page
// 932; either way the first insertion stores them as code page 932 bytes.
TEST_F(CarriedTitlesTest, SheetTitlesInEitherEncodingReachTheNewRecord) {
    const std::string utf8Sheet =
        "\xEF\xBB\xBFTITLE \"青い空\"\nPERFORMER \"山田楽団\"\n"
        "FILE \"d.bin\" BINARY\n  TRACK 01 AUDIO\n    TITLE \"朝の歌\"\n"
        "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n";
    for (const std::string& sheet : {utf8Sheet, J(utf8Sheet.substr(3))}) {
        SCOPED_TRACE(sheet.substr(0, 3) == "\xEF\xBB\xBF" ? "UTF-8" : "code page 932");
        std::filesystem::remove(dir_.File("prog/lintel.ini"));
        dir_.Write("sys/d.bin", std::string(375 * 2352, '\0'));
        dir_.Write("sys/d.cue", sheet);
        dir_.Write("sys/drives.ini", "[Drives]\nI=d.cue\n");
        dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=I:\r\nTimerInt=50\r\n");
        Start();
        // An image's titles are read beside the ticks, so they arrive at a later tick.
        const std::string label = J("<青い空 / 山田楽団>");
        QElapsedTimer waited;
        waited.start();
        while (bar_->slbCDName()->Caption() != label && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(bar_->slbCDName()->Caption(), label);
        EXPECT_EQ(bar_->slbTrack()->Caption(), "1. " + J("朝の歌"));
        CloseBar();
        EXPECT_NE(Ini().find("artist=" + J("山田楽団") + "\r\ntitle=" + J("青い空") +
                             "\r\nnumtracks=2\r\n0=" + J("朝の歌") + "\r\n1=Track 2\r\n"),
                  std::string::npos)
            << Ini();
    }
}

}  // namespace
}  // namespace lintel::test
