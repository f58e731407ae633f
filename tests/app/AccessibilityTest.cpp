// The real bar as a screen reader reads it, through Qt's accessibility interfaces (what the
// platform's bridge passes on), and driven from the keyboard.
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <utility>
#include <vector>

#include "app/BarFixture.h"
#include "app/ConfigHost.h"
#include "app/TrackMenus.h"
#include "dialogs/About.h"
#include "dialogs/CDedit.h"
#include "dialogs/CDprg.h"
#include "dialogs/KCDcfg.h"
#include "dialogs/config.h"
#include "widgets/QtText.h"

namespace lintel::test {
namespace {

// Events go out only while the platform says a reader listens; its bridge would say so.
void SetReaderListening(bool on) {
    if (QPlatformAccessibility* platform =
            QGuiApplicationPrivate::platformIntegration()->accessibility())
        platform->setActive(on);
}

// Every accessibility event sent, by object and type.
std::vector<std::pair<QObject*, QAccessible::Event>> sentEvents;
void RecordEvent(QAccessibleEvent* event) {
    sentEvents.emplace_back(event->object(), event->type());
}

class AccessibilityTest : public BarFixture {
protected:
    void SetUp() override {
        BarFixture::SetUp();
        SetReaderListening(true);
        previousHandler_ = QAccessible::installUpdateHandler(RecordEvent);
        sentEvents.clear();
    }
    void TearDown() override {
        QAccessible::installUpdateHandler(previousHandler_);
        SetReaderListening(false);
    }

    static QAccessibleInterface* Of(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
    static QString Name(QObject* o) { return Of(o)->text(QAccessible::Name); }
    static int EventsOn(QObject* o, QAccessible::Event type) {
        int n = 0;
        for (const auto& [object, t] : sentEvents) n += object == o && t == type ? 1 : 0;
        return n;
    }
    static int EventsOn(QObject* o) {
        int n = 0;
        for (const auto& [object, t] : sentEvents) n += object == o ? 1 : 0;
        return n;
    }
    void Tick(int milliseconds) {
        clock_.Step(std::chrono::milliseconds(milliseconds));
        bar_->Timer1Timer();
    }
    /// The item of `menu` that a reader hears as `name`.
    static QAccessibleInterface* Item(QMenu* menu, const QString& name) {
        QAccessibleInterface* m = Of(menu);
        for (int i = 0; i < m->childCount(); ++i) {
            if (m->child(i)->text(QAccessible::Name) == name)
                return m->child(i);
        }
        return nullptr;
    }

    QAccessible::UpdateHandler previousHandler_ = nullptr;
};

TEST_F(AccessibilityTest, TheBarItsButtonsLabelsAndGaugeReadAsWhatTheyShow) {
    StartWith("[CDName_Font]\r\nSpace=1\r\n");
    QAccessibleInterface* bar = Of(bar_.get());
    EXPECT_EQ(bar->role(), QAccessible::Window);
    EXPECT_EQ(bar->text(QAccessible::Name), "Lintel");

    const std::pair<QToolButton*, const char*> buttons[] = {
        {Panel()->sbtPlay(), "再生"},       {Panel()->sbtPause(), "一時停止"},
        {Panel()->sbtStop(), "停止"},       {Panel()->sbtPrev(), "前曲"},
        {Panel()->sbtNext(), "次曲"},       {Panel()->sbtEject(), "取り出し"},
        {Panel()->sbtClose(), "閉"},        {Panel()->sbtPrgSet(), "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ"},
        {Panel()->sbtRepeat(), "リピート"}, {Panel()->sbtCDEdit(), "ﾀｲﾄﾙ編集"},
        {Panel()->sbtConfig(), "設定"},     {Panel()->sbtHelp(), "ヘルプ"},
        {Panel()->sbtExit(), "終了"},
    };
    for (const auto& [button, hint] : buttons) {
        EXPECT_EQ(Name(button), Text(hint));
        EXPECT_TRUE(Of(button)->state().focusable) << hint;
    }
    EXPECT_EQ(Of(Panel()->sbtPlay())->role(), QAccessible::PushButton);
    EXPECT_EQ(Of(Panel()->sbtRepeat())->role(), QAccessible::CheckBox) << "a latch";

    // The labels: static text that reads as drawn, without the pad.
    ASSERT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist> ");
    for (TShadowLabel* label : {bar_->slbCDName(), bar_->slbTrack()}) {
        QAccessibleInterface* l = Of(label);
        EXPECT_EQ(l->role(), QAccessible::StaticText);
        QAccessibleTextInterface* text = l->textInterface();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(0, text->characterCount()), l->text(QAccessible::Name));
    }
    EXPECT_EQ(Name(bar_->slbCDName()), "<new disk / new artist>");
    EXPECT_EQ(Name(bar_->slbTrack()), "1. Track 1");
    EXPECT_EQ(bar->text(QAccessible::Description), "<new disk / new artist> 1. Track 1");

    QAccessibleInterface* gauge = Of(bar_->gagTrTime());
    EXPECT_EQ(gauge->role(), QAccessible::ProgressBar);
    EXPECT_EQ(gauge->text(QAccessible::Name), "0:00/3:08");
    ASSERT_NE(gauge->valueInterface(), nullptr);
    EXPECT_EQ(gauge->valueInterface()->maximumValue().toInt(), 188);
}

TEST_F(AccessibilityTest, EventsFollowWhatTheBarShowsAndATickThatChangesNothingSendsNone) {
    StartWith("");
    QAccessibleInterface* gauge = Of(bar_->gagTrTime());
    Panel()->sbtPlay()->click();
    sentEvents.clear();
    Tick(1000);
    EXPECT_EQ(gauge->text(QAccessible::Name), "0:01/3:08");
    EXPECT_EQ(gauge->valueInterface()->currentValue().toInt(), 1);
    EXPECT_EQ(EventsOn(bar_->gagTrTime(), QAccessible::NameChanged), 1);
    EXPECT_EQ(EventsOn(bar_->gagTrTime(), QAccessible::ValueChanged), 1);

    sentEvents.clear();
    Tick(300);  // still 0:01
    EXPECT_EQ(EventsOn(bar_->gagTrTime()), 0);
    EXPECT_EQ(EventsOn(bar_->slbTrack()), 0);
    EXPECT_EQ(EventsOn(bar_->slbCDName()), 0);

    // Into track 2: the track label's name and text change, and the bar's description.
    sentEvents.clear();
    Tick(190000);
    EXPECT_EQ(Name(bar_->slbTrack()), "2. Track 2");
    EXPECT_EQ(EventsOn(bar_->slbTrack(), QAccessible::NameChanged), 1);
    EXPECT_EQ(EventsOn(bar_->slbTrack(), QAccessible::TextUpdated), 1);
    EXPECT_EQ(EventsOn(bar_.get(), QAccessible::DescriptionChanged), 1);
    EXPECT_EQ(Of(bar_.get())->text(QAccessible::Description), "<new disk / new artist> 2. Track 2");
}

TEST_F(AccessibilityTest, TheMenuItemTakesTheKeyboardToThePanelWhereKeysWalkAndPress) {
    StartWith("");
    bar_->pmnOpePanelClick();  // hidden at first
    ASSERT_TRUE(Panel()->isHidden());
    QAction* item = bar_->Menus().pmnMoveToPanel;
    EXPECT_EQ(item->text(), Text("操作パネルへ移動(&F)"));
    EXPECT_EQ(bar_->Menus().ppmRight()->actions().indexOf(item),
              bar_->Menus().ppmRight()->actions().indexOf(bar_->Menus().pmnOpePanel) + 1);
    // Activated by a click, the bar focuses its first button but shows no mark.
    Panel()->sbtPlay()->setFocus(Qt::MouseFocusReason);
    const QImage unfocused = Panel()->sbtPlay()->grab().toImage();
    Panel()->sbtPlay()->clearFocus();
    EXPECT_EQ(Panel()->sbtPlay()->grab().toImage(), unfocused) << "a mark without the keyboard";
    item->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(Panel()->isHidden());
    EXPECT_TRUE(bar_->OpePanelChecked());
    ASSERT_EQ(bar_->focusWidget(), Panel()->sbtPlay());
    ASSERT_TRUE(Panel()->sbtPlay()->hasFocus());
    EXPECT_NE(Panel()->sbtPlay()->grab().toImage(), unfocused) << "no focus mark";

    // Tab, Shift+Tab and the arrows walk the buttons; a hidden one is passed over.
    const QImage pauseUnfocused = Panel()->sbtPause()->grab().toImage();
    QTest::keyClick(Panel()->sbtPlay(), Qt::Key_Tab);
    EXPECT_EQ(bar_->focusWidget(), Panel()->sbtPause());
    EXPECT_NE(Panel()->sbtPause()->grab().toImage(), pauseUnfocused) << "no mark after Tab";
    QTest::keyClick(Panel()->sbtPause(), Qt::Key_Right);
    EXPECT_EQ(bar_->focusWidget(), Panel()->sbtStop());
    QTest::keyClick(Panel()->sbtStop(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(bar_->focusWidget(), Panel()->sbtPause());
    QTest::keyClick(Panel()->sbtPause(), Qt::Key_Left);
    QTest::keyClick(Panel()->sbtPlay(), Qt::Key_Left);
    EXPECT_EQ(bar_->focusWidget(), Panel()->sbtExit()) << "round from the first";

    // Space and Enter press the focused button.
    Panel()->sbtRepeat()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Panel()->sbtRepeat(), Qt::Key_Space);
    EXPECT_TRUE(bar_->Engine().RepeatOn());
    Panel()->sbtPlay()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Panel()->sbtPlay(), Qt::Key_Return);
    EXPECT_TRUE(bar_->Engine().PlayRequested());

    // Escape leaves the panel.
    Panel()->sbtStop()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Panel()->sbtStop(), Qt::Key_Escape);
    EXPECT_FALSE(Panel()->sbtStop()->hasFocus());
}

TEST_F(AccessibilityTest, MarkedMenuItemsAreCheckItemsThatReportTheirState) {
    StartWith("");
    QAccessibleInterface* repeat = Item(bar_->Menus().ppmRight(), Text("リピート(M)"));
    ASSERT_NE(repeat, nullptr);
    EXPECT_EQ(repeat->role(), QAccessible::CheckBox);
    EXPECT_TRUE(repeat->state().checkable);
    EXPECT_FALSE(repeat->state().checked);
    sentEvents.clear();
    repeat->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(bar_->Engine().RepeatOn());
    EXPECT_TRUE(repeat->state().checked);
    EXPECT_GE(EventsOn(repeat->object(), QAccessible::StateChanged), 1);
    EXPECT_TRUE(Item(bar_->Menus().ppmLeft(), Text("リピート(M)"))->state().checked);
    EXPECT_TRUE(Item(bar_->Menus().ppmRight(), Text("操作パネル(V)"))->state().checked);

    // Track items are radio items; the one playing is marked.
    Panel()->sbtPlay()->click();
    QAccessibleInterface* first = Item(bar_->Menus().ppmLeft(), "01: Track 1");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->role(), QAccessible::RadioButton);
    EXPECT_TRUE(first->state().checked);
    EXPECT_FALSE(Item(bar_->Menus().ppmLeft(), "02: Track 2")->state().checked);
}

// ---- nothing a reader meets is nameless

// The roles of controls that a reader must be able to name.
bool NeedsName(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Tree:
        case QAccessible::Slider:
        case QAccessible::SpinBox:
        case QAccessible::ProgressBar:
        case QAccessible::Dial:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::MenuItem:
        case QAccessible::PageTab:
        case QAccessible::Window:
        case QAccessible::Dialog:
            return true;
        default:
            return false;
    }
}

// Walks the tree under `node` as a reader does, listing what is nameless.
void CollectNameless(QAccessibleInterface* node, const QString& path, QStringList& nameless) {
    const QString name = node->text(QAccessible::Name);
    const QString here = path + "/" + (name.isEmpty() ? QString::number(node->role(), 16) : name);
    if (NeedsName(node->role()) && name.trimmed().isEmpty()) {
        const QObject* o = node->object();
        nameless << here + " " +
                        (o ? QString(o->metaObject()->className()) + " " + o->objectName()
                           : QString());
    }
    // A list's items are their own texts; a combo box's or spin box's parts are read
    // under the box's name.
    switch (node->role()) {
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Tree:
        case QAccessible::ComboBox:
        case QAccessible::SpinBox:
            return;
        default:
            break;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i))
            CollectNameless(child, here, nameless);
    }
}

TEST_F(AccessibilityTest, NoControlOfTheBarItsMenusOrItsDialogsIsNameless) {
    StartWith("");
    Panel()->sbtPlay()->click();  // track items in the menus
    QStringList nameless;
    CollectNameless(Of(bar_.get()), "", nameless);
    for (QMenu* menu :
         {bar_->Menus().ppmRight(), bar_->Menus().ppmLeft(), bar_->Menus().pmnOperation()}) {
        CollectNameless(Of(menu), "", nameless);
    }

    TBarConfigHost host(*bar_);
    TfrmConfig config(host, bar_.get());
    CollectNameless(Of(&config), "", nameless);
    TfrmCDEdit editor(&Settings(), nullptr, bar_.get());
    editor.Load({"title=T", "0=A", "1=B"}, 2);
    CollectNameless(Of(&editor), "", nameless);
    CollectNameless(Of(&bar_->frmPrgSet()), "", nameless);
    TfrmKCDcfg knownCd(&Settings(), nullptr, bar_.get());
    CollectNameless(Of(&knownCd), "", nameless);
    TAboutBox about(bar_.get());
    CollectNameless(Of(&about), "", nameless);
    EXPECT_TRUE(nameless.isEmpty()) << nameless.join("\n").toStdString();
}

TEST_F(AccessibilityTest, TheTitleEditorsRegisterButtonIsInTheTabOrder) {
    StartWith("");
    TfrmCDEdit editor(&Settings(), nullptr, bar_.get());
    EXPECT_TRUE(editor.btnReturn->focusPolicy() & Qt::TabFocus);
    // The next control that Tab reaches after the track list.
    QWidget* next = editor.lsbAllTrack->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
    EXPECT_EQ(next, editor.btnReturn);
}

}  // namespace
}  // namespace lintel::test
