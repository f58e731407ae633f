// The notification-area icon against the simulated notification area.
#include <gtest/gtest.h>

#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>
#include <vector>

#include "WidgetTest.h"
#include "platform/Cp932.h"
#include "shell/QtNotifyIconHost.h"
#include "shell/SimulatedNotifyIconHost.h"
#include "widgets/TrayIcon.h"

namespace lintel {
namespace {

class TrayIconTest : public ::testing::Test {
protected:
    std::unique_ptr<TTrayIcon> Make() { return std::make_unique<TTrayIcon>(host, &owner); }

    /// An icon with the program's image, shown.
    std::unique_ptr<TTrayIcon> Shown() {
        auto icon = Make();
        icon->SetIcon(ProgramIcon());
        icon->SetVisible(true);
        return icon;
    }

    // The application comes first: the owner window needs it.
    QApplication& app = test::App();
    TSimulatedNotifyIconHost host;
    QWidget owner;
};

struct MouseCall {
    TMouseButton button;
    TShiftState shift;
    int x;
    int y;
};

TEST_F(TrayIconTest, NewIconHasTheDocumentedSettings) {
    auto icon = Make();
    EXPECT_EQ(icon->AnimateRate(), 500);
    EXPECT_TRUE(icon->AutoPopup());
    EXPECT_TRUE(icon->Icon().isNull());
    EXPECT_EQ(icon->LBPopupMenu(), nullptr);
    EXPECT_EQ(icon->TipHelp(), "TipHelp");
    EXPECT_FALSE(icon->Visible());
    EXPECT_FALSE(icon->InTray());
    EXPECT_TRUE(host.Calls().empty());
    icon->SetAnimateRate(50);
    EXPECT_EQ(icon->AnimateRate(), 100);
    icon->SetAnimateRate(250);
    EXPECT_EQ(icon->AnimateRate(), 250);
}

TEST_F(TrayIconTest, IdentifiersFollowTheLastLiveIcon) {
    auto first = Make();
    auto second = Make();
    EXPECT_EQ(first->Id(), 1);
    EXPECT_EQ(second->Id(), 2);
    second.reset();
    auto again = Make();
    EXPECT_EQ(again->Id(), 2);
    first.reset();
    auto after = Make();
    EXPECT_EQ(after->Id(), 3);
}

TEST_F(TrayIconTest, HundredthIdentifierIsRefusedWithTheMessage) {
    std::vector<std::unique_ptr<TTrayIcon>> icons;
    for (int i = 0; i < 99; ++i) icons.push_back(Make());
    EXPECT_EQ(icons.back()->Id(), 99);
    try {
        Make();
        FAIL() << "a hundredth icon was made";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(std::string(e.what()),
                  cp932::Literal("タスクトレイにアイコンを登録できません。"));
    }
    // The refused icon took no place: freeing one makes room again.
    icons.pop_back();
    EXPECT_EQ(Make()->Id(), 99);
}

TEST_F(TrayIconTest, VisibleNeedsAnImage) {
    auto icon = Make();
    icon->SetVisible(true);
    EXPECT_FALSE(icon->Visible());
    EXPECT_TRUE(host.Calls().empty());

    icon->SetIcon(ProgramIcon());
    EXPECT_TRUE(host.Calls().empty());
    icon->SetVisible(true);
    EXPECT_TRUE(icon->Visible());
    EXPECT_TRUE(icon->InTray());
    ASSERT_TRUE(host.Shows(icon->Id()));
    const TNotifyIconData shown = host.Shown(icon->Id());
    EXPECT_EQ(shown.Flags, nifMessage | nifIcon | nifTip);
    EXPECT_EQ(shown.Tip, QStringLiteral("TipHelp"));
    EXPECT_FALSE(shown.Icon.isNull());

    // A null icon takes it out of the area.
    icon->SetIcon(QIcon());
    EXPECT_FALSE(icon->Visible());
    EXPECT_FALSE(icon->InTray());
    EXPECT_FALSE(host.Shows(icon->Id()));

    // Hidden and shown again, then destroyed: the area is left empty.
    icon->SetIcon(ProgramIcon());
    icon->SetVisible(true);
    icon->SetVisible(false);
    EXPECT_FALSE(host.Shows(icon->Id()));
    icon->SetVisible(true);
    const int id = icon->Id();
    icon.reset();
    EXPECT_FALSE(host.Shows(id));
}

TEST_F(TrayIconTest, ANewImageIsHandedOverWhileShown) {
    auto icon = Shown();
    host.ClearCalls();
    QPixmap red(16, 16);
    red.fill(Qt::red);
    icon->SetIcon(QIcon(red));
    ASSERT_EQ(host.Calls().size(), 1u);
    EXPECT_EQ(host.Calls()[0].Message, TNotifyIconMessage::nimModify);
    EXPECT_EQ(host.Shown(icon->Id()).Icon.pixmap(16, 16).toImage().pixel(3, 3),
              QColor(Qt::red).rgb());
    // The same icon again changes nothing.
    icon->SetIcon(icon->Icon());
    EXPECT_EQ(host.Calls().size(), 1u);
}

TEST_F(TrayIconTest, TipIsCutTo62BytesAndEmptyTipDropsTheTipFlag) {
    auto icon = Shown();
    host.ClearCalls();
    icon->SetTipHelp(std::string(70, 'a'));
    EXPECT_EQ(icon->TipHelp(), std::string(62, 'a'));
    EXPECT_EQ(host.Shown(icon->Id()).Tip, QString(62, QLatin1Char('a')));
    EXPECT_EQ(host.Calls().size(), 1u);
    icon->SetTipHelp(std::string(62, 'a'));
    EXPECT_EQ(host.Calls().size(), 1u);

    // A double-byte character that would straddle the limit is left out whole.
    const std::string kana = cp932::Literal("あ");
    icon->SetTipHelp(std::string(61, 'b') + kana);
    EXPECT_EQ(icon->TipHelp(), std::string(61, 'b'));

    icon->SetTipHelp("");
    EXPECT_EQ(host.Shown(icon->Id()).Flags, nifMessage | nifIcon);
    icon->SetTipHelp("Lintel");
    EXPECT_EQ(host.Shown(icon->Id()).Flags, nifMessage | nifIcon | nifTip);
    EXPECT_EQ(host.Shown(icon->Id()).Tip, QStringLiteral("Lintel"));
}

TEST_F(TrayIconTest, RefusalsRaiseAndAFailedAddLeavesTheIconOut) {
    auto icon = Make();
    icon->SetIcon(ProgramIcon());
    host.SetRefuseAdd(true);
    EXPECT_THROW(icon->SetVisible(true), EOutOfMemory);
    EXPECT_FALSE(icon->InTray());
    host.SetRefuseAdd(false);
    icon->SetVisible(false);
    icon->SetVisible(true);
    EXPECT_TRUE(icon->InTray());
    host.SetRefuseModify(true);
    EXPECT_THROW(icon->SetTipHelp("x"), EOutOfMemory);
}

TEST_F(TrayIconTest, LoadingAddsTheIconOnlyAtTheEnd) {
    auto icon = Make();
    icon->BeginLoading();
    icon->SetIcon(ProgramIcon());
    icon->SetTipHelp("Lintel");
    icon->SetVisible(true);
    EXPECT_TRUE(host.Calls().empty());
    icon->Loaded();
    EXPECT_TRUE(host.Shows(icon->Id()));
    EXPECT_EQ(host.Shown(icon->Id()).Tip, QStringLiteral("Lintel"));
    // A second end of loading does not add the icon twice.
    icon->Loaded();
    EXPECT_EQ(host.Calls().size(), 1u);
}

TEST_F(TrayIconTest, PressesOpenTheMenusAtThePointer) {
    auto icon = Shown();
    QMenu left;
    left.addAction(QStringLiteral("play"));
    QMenu right;
    right.addAction(QStringLiteral("exit"));
    icon->SetLBPopupMenu(&left);
    icon->SetRBPopupMenu(&right);
    std::vector<MouseCall> downs;
    icon->OnMouseDown = [&](TTrayIcon*, TMouseButton b, TShiftState s, int x, int y) {
        downs.push_back({b, s, x, y});
    };
    int leftShown = 0;
    int rightShown = 0;
    QObject::connect(&left, &QMenu::aboutToShow, [&] { ++leftShown; });
    QObject::connect(&right, &QMenu::aboutToShow, [&] { ++rightShown; });
    host.SetCursorPos({300, 200});

    host.Mouse(icon->Id(), wmLButtonDown);
    EXPECT_EQ(leftShown, 1);
    EXPECT_TRUE(left.isVisible());
    EXPECT_TRUE(left.geometry().contains(QPoint(300, 200)) ||
                left.geometry().topLeft() == QPoint(300, 200));
    left.hide();
    host.Mouse(icon->Id(), wmRButtonDown);
    EXPECT_EQ(rightShown, 1);
    EXPECT_EQ(leftShown, 1);
    right.hide();
    // A menu opens instead of the mouse-down event, never with it.
    EXPECT_TRUE(downs.empty());

    // Without automatic pop-ups the press is an event.
    icon->SetAutoPopup(false);
    host.Mouse(icon->Id(), wmLButtonDown);
    EXPECT_EQ(leftShown, 1);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].button, TMouseButton::mbLeft);
    EXPECT_EQ(downs[0].shift, TShiftState{ssLeft});
    EXPECT_EQ(downs[0].x, 300);
    EXPECT_EQ(downs[0].y, 200);
}

TEST_F(TrayIconTest, OtherMouseMessagesBecomeEventsAndTheRestIsIgnored) {
    auto icon = Shown();
    std::vector<MouseCall> downs;
    std::vector<MouseCall> ups;
    std::vector<QPoint> moves;
    int doubles = 0;
    icon->OnMouseDown = [&](TTrayIcon*, TMouseButton b, TShiftState s, int x, int y) {
        downs.push_back({b, s, x, y});
    };
    icon->OnMouseUp = [&](TTrayIcon*, TMouseButton b, TShiftState s, int x, int y) {
        ups.push_back({b, s, x, y});
    };
    icon->OnMouseMove = [&](TTrayIcon*, TShiftState s, int x, int y) {
        EXPECT_EQ(s, 0u);
        moves.push_back({x, y});
    };
    icon->OnDblClick = [&](TTrayIcon* sender) {
        EXPECT_EQ(sender, icon.get());
        ++doubles;
    };
    host.SetCursorPos({7, 9});
    const int id = icon->Id();
    host.Mouse(id, wmMouseMove);
    host.Mouse(id, wmLButtonUp);
    host.Mouse(id, wmLButtonDblClk);
    host.Mouse(id, wmRButtonDown);  // no menu set: an event
    host.Mouse(id, wmRButtonUp);
    host.Mouse(id, wmRButtonDblClk);
    host.Mouse(id, wmMButtonDown);
    host.Mouse(id, wmMButtonUp);
    host.Mouse(id, 0x209);                // middle double click
    host.Mouse(id + 1, wmLButtonDblClk);  // no such icon
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], QPoint(7, 9));
    EXPECT_EQ(doubles, 1);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].button, TMouseButton::mbRight);
    EXPECT_EQ(downs[0].shift, TShiftState{ssRight});
    EXPECT_EQ(downs[1].button, TMouseButton::mbMiddle);
    EXPECT_EQ(downs[1].shift, TShiftState{ssMiddle});
    ASSERT_EQ(ups.size(), 3u);
    EXPECT_EQ(ups[0].button, TMouseButton::mbLeft);
    EXPECT_EQ(ups[1].button, TMouseButton::mbRight);
    EXPECT_EQ(ups[2].button, TMouseButton::mbMiddle);
    EXPECT_EQ(ups[2].shift, TShiftState{ssMiddle});
}

TEST_F(TrayIconTest, ADestroyedMenuIsForgotten) {
    auto icon = Shown();
    auto menu = std::make_unique<QMenu>();
    icon->SetLBPopupMenu(menu.get());
    menu.reset();
    EXPECT_EQ(icon->LBPopupMenu(), nullptr);
    int downs = 0;
    icon->OnMouseDown = [&](TTrayIcon*, TMouseButton, TShiftState, int, int) { ++downs; };
    host.Mouse(icon->Id(), wmLButtonDown);
    EXPECT_EQ(downs, 1);
}

TEST_F(TrayIconTest, DesktopActivationsMapToPressesAndDoubleClicks) {
    EXPECT_EQ(TQtNotifyIconHost::MessageForActivation(QSystemTrayIcon::Trigger), wmLButtonDown);
    EXPECT_EQ(TQtNotifyIconHost::MessageForActivation(QSystemTrayIcon::Context), wmRButtonDown);
    EXPECT_EQ(TQtNotifyIconHost::MessageForActivation(QSystemTrayIcon::DoubleClick),
              wmLButtonDblClk);
    EXPECT_EQ(TQtNotifyIconHost::MessageForActivation(QSystemTrayIcon::MiddleClick), wmMButtonDown);
    EXPECT_EQ(TQtNotifyIconHost::MessageForActivation(QSystemTrayIcon::Unknown), 0u);
}

TEST_F(TrayIconTest, ProgramIconIsADrawnPicture) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(32, 32).toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    // Transparent corners, an opaque disc in the middle, an opaque bar below.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(9, 13)), 255);
    EXPECT_EQ(qAlpha(image.pixel(16, 26)), 255);
}

}  // namespace
}  // namespace lintel
