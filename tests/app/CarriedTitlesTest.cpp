// The titles a disc carries reach the bar at its first insertion, with no typing, and never
// touch a record that is already there.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace lintel::test
