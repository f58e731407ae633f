// The title edit command: the editor gets the loaded record and the disc's track count; OK
// stores its copy and shows it, anything else stores nothing; the panel hides either way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "platform/Cp932.h"

namespace lintel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

class TitleEditTest : public test::PlayerFixture {
protected:
    std::string Stored(const std::string& key) {
        return engine_->Settings()->ReadString(engine_->DiscId(), key, "<none>");
    }
};

TEST_F(TitleEditTest, OkStoresTheEditedCopyAndShowsIt) {
    Start(test::TenSecondTracks(3));
    const int hides = view_.panelHides;
    view_.titleEditor = [&](const TStringList& lines, int tracks) -> std::optional<TStringList> {
        EXPECT_EQ(tracks, 3);
        EXPECT_THAT(lines, Contains("title=new disk"));
        return TStringList{"EntryType=1", "numtracks=3", "title=Blue",
                           "1=" + cp932::Literal("夜明け")};
    };
    engine_->sbtCDEditClick();
    EXPECT_EQ(Stored("title"), "Blue");
    EXPECT_EQ(Stored("artist"), "") << "an emptied artist is stored empty";
    EXPECT_EQ(Stored("0"), "");
    EXPECT_EQ(Stored("1"), cp932::Literal("夜明け"));
    EXPECT_EQ(view_.discLabel, "<Blue>");
    EXPECT_EQ(view_.menu[1], "02: " + cp932::Literal("夜明け"));
    EXPECT_EQ(view_.panelHides, hides + 1);

    // The next run of the program shows them again.
    Restart();
    EXPECT_EQ(view_.discLabel, "<Blue>");
}

TEST_F(TitleEditTest, CancelStoresNothingButHidesThePanel) {
    Start(test::TenSecondTracks(2));
    const int hides = view_.panelHides;
    engine_->sbtCDEditClick();  // the editor answers nothing: Cancel
    EXPECT_EQ(Stored("title"), "new disk");
    EXPECT_EQ(view_.discLabel, "<new disk / new artist>");
    EXPECT_EQ(view_.panelHides, hides + 1);
}

// Ticks go on while the editor is open; a disc swapped meanwhile keeps what was typed
// for it, and the disc now in the drive gets nothing.
TEST_F(TitleEditTest, ADiscSwappedWhileEditingKeepsItsTitles) {
    Start(test::TenSecondTracks(2));
    const std::string id = engine_->DiscId();
    std::string other;
    view_.titleEditor = [&](const TStringList&, int) -> std::optional<TStringList> {
        engine_->CDcore().OpenDoor();
        Tick();
        EXPECT_EQ(engine_->DiscId(), "0");
        PutDisc(test::TenSecondTracks(3));
        engine_->CDcore().CloseDoor();
        Tick();
        other = engine_->DiscId();
        return TStringList{"title=Typed", "1=" + cp932::Literal("夜明け")};
    };
    engine_->sbtCDEditClick();
    ASSERT_NE(other, id);
    ASSERT_NE(other, "0");
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0],
              cp932::Literal("編集中にディスクが取り出されたため、タイトルは取り出したディスクに保"
                             "存しました。"));
    EXPECT_EQ(engine_->Settings()->ReadString(id, "title", ""), "Typed");
    EXPECT_EQ(engine_->Settings()->ReadString(id, "1", ""), cp932::Literal("夜明け"));
    EXPECT_EQ(engine_->Settings()->ReadString(other, "title", ""), "new disk");
    EXPECT_EQ(engine_->Settings()->ReadString("0", "title", "<none>"), "<none>");
    EXPECT_EQ(view_.discLabel, "<new disk / new artist>") << "the new disc's display stays";

    // Without a disc the editor does not open.
    engine_->CDcore().OpenDoor();
    Tick();
    view_.titleEditor = [](const TStringList&, int) -> std::optional<TStringList> {
        ADD_FAILURE() << "the editor opened without a disc";
        return std::nullopt;
    };
    engine_->sbtCDEditClick();
}

}  // namespace
}  // namespace lintel
