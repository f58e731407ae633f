#include <gtest/gtest.h>

#include <QColorDialog>
#include <QHelpEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <functional>
#include <memory>

#include "WidgetTest.h"
#include "support/OutcomeCheck.h"
#include "support/TempDir.h"
#include "titles/IniStore.h"
#include "widgets/ClrDropBtn.h"

namespace lintel {
namespace {

using Cell = TColorDropPalette::TCell;
using test::Rgb;

QRgb Sys(TColor color) {
    return ColorToQColor(color).rgb() & 0xFFFFFF;
}

// A shown top-level window at `at` holding one colour button at its top-left corner.
struct Host {
    explicit Host(QPoint at = {200, 200}) {
        // The cursor away from every button, so no palette closing takes it for a click.
        QCursor::setPos(0, 0);
        // No frame, so the window's position is the button's.
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.setObjectName("tbsBk");
        button = new TColorDropButton(&window);
        button->setObjectName("dcbBkColor");
        window.resize(button->size());
        window.move(at);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    /// Clicks the button and returns the palette it opened, holding the focus.
    TColorDropPalette* Open() {
        QTest::mouseClick(button, Qt::LeftButton);
        TColorDropPalette* palette = button->DropPalette();
        EXPECT_NE(palette, nullptr);
        if (palette != nullptr) {
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return QGuiApplication::focusWindow() == palette->windowHandle(); }));
        }
        return palette;
    }
    QApplication& app = test::App();
    QWidget window;
    TColorDropButton* button;
};

// The palette windows on the screen.
int ShownPalettes() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += dynamic_cast<TColorDropPalette*>(w) != nullptr && w->isVisible() ? 1 : 0;
    return count;
}

// Runs `answer` on the modal dialog once one is open (while the caller sits in its loop).
void WhenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->deleteLater();
            answer(modal);
        } else if (++*tries > 500) {
            timer->deleteLater();
            ADD_FAILURE() << "no modal dialog opened";
        }
    });
    timer->start(10);
}

// Indexes are 1-based and run along the rows; a new size drops the values; the stored form
// runs down the columns and reads back equal.
TEST(ClrDropBtnTest, ColorGridIndexesResizesAndStores) {
    TColorArrayClass grid(3, 2);
    grid.Set(2, 1, 21);
    grid.Set(1, 2, 12);
    EXPECT_EQ(grid.Get(2), 21);
    EXPECT_EQ(grid.Get(4), 12);
    try {
        (void)grid.Get(4, 1);
        ADD_FAILURE() << "no error for x = 4";
    } catch (const EColorArrayIndexError& e) {
        EXPECT_STREQ(e.what(), "Array index out of bounds");
    }
    EXPECT_THROW((void)grid.Get(1, 0), EColorArrayIndexError);
    EXPECT_THROW((void)grid.Get(7), EColorArrayIndexError);
    EXPECT_THROW(grid.Set(0, 1, 5), EColorArrayIndexError);

    const TColorArrayClass::TStoredForm stored = grid.Stored();
    EXPECT_EQ(stored.Colors, (std::vector<TColor>{0, 12, 21, 0, 0, 0}));
    TColorArrayClass copy;
    copy.LoadStored(stored);
    EXPECT_EQ(copy, grid);
    copy.Set(3, 2, 1);
    EXPECT_NE(copy, grid);
    copy.Assign(grid);
    EXPECT_EQ(copy, grid);

    grid.SetXSize(3);  // same size: kept
    EXPECT_EQ(grid.Get(2, 1), 21);
    grid.SetXSize(2);
    EXPECT_EQ(grid.Get(2, 1), 0);
    grid.SetYSize(-4);  // no negative count
    EXPECT_EQ(grid.Count(), 0);
}

// A new button's values; Color finds the first linear index of a colour held twice, and
// reports a change only when the colour differs.
TEST(ClrDropBtnTest, ColorTakesFirstPaletteIndex) {
    test::App();
    TColorDropButton button;
    EXPECT_EQ(button.size(), QSize(45, 22));
    EXPECT_EQ(button.Version(), "TColorDropButton v1.0");
    EXPECT_EQ(button.OtherBtnCaption(), "&Other");
    EXPECT_EQ(button.OtherColor(), clBtnFace);
    EXPECT_EQ(button.Color(), clBlack);
    EXPECT_EQ(button.PaletteColors().Get(3, 1), RGBColor(191, 191, 191));
    EXPECT_EQ(button.PaletteColors().Get(1, 5), RGBColor(191, 215, 191));
    EXPECT_EQ(button.CustomColors(), TColorArrayClass(Fitted({}, 8, 2, clWhite)));

    int changes = 0;
    button.OnColorChange = [&](QWidget* sender) {
        EXPECT_EQ(sender, &button);
        ++changes;
    };
    TColorArrayClass palette = button.PaletteColors();
    palette.Set(3, 1, 0xC0C0C0);  // linear index 3
    palette.Set(1, 2, 0xC0C0C0);  // linear index 5, but first down the columns
    button.SetPaletteColors(palette);
    button.SetColor(0xC0C0C0);
    EXPECT_EQ(button.PaletteIndex(), 3);
    button.SetColor(0xC0C0C0);
    EXPECT_EQ(changes, 1);
    button.SetColor(0x123456);
    EXPECT_EQ(button.PaletteIndex(), 0);
    EXPECT_EQ(changes, 2);
}

// The palette's layout, then the keys: Up from the top row reaches the other-colour box
// and Up again the bottom row of the same column; Enter chooses and closes.
TEST(ClrDropBtnTest, KeysWrapThroughOtherColorBox) {
    Host host;
    host.button->SetColor(RGBColor(0, 0, 0));  // cell (2, 1)
    TColorDropPalette* palette = host.Open();
    ASSERT_NE(palette, nullptr);
    EXPECT_TRUE(host.button->DroppedDown());
    EXPECT_EQ(palette->size(), QSize(72, 121));
    EXPECT_EQ(palette->BtnOther()->geometry(), QRect(2, 98, 50, 21));
    EXPECT_EQ(palette->BtnOther()->text(), "&Other");
    EXPECT_EQ(palette->SelectedCell(), (Cell{2, 1}));

    const QImage image = palette->grab().toImage();
    EXPECT_EQ(Rgb(image, 18, 0), Sys(SystemColor(syscolor::k3DDkShadow)));  // selected (2, 1)
    EXPECT_EQ(Rgb(image, 19, 1), Sys(clBtnHighlight));
    EXPECT_EQ(Rgb(image, 0, 18), Sys(clBtnFace));  // unselected (1, 2)
    EXPECT_EQ(Rgb(image, 1, 19), Sys(clBtnShadow));
    EXPECT_EQ(Rgb(image, 3, 21), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 2, 93), Sys(clBtnShadow));
    EXPECT_EQ(Rgb(image, 69, 94), Sys(clBtnHighlight));
    EXPECT_EQ(Rgb(image, 56, 102), Sys(clBtnFace));  // the other-colour box's inside

    QWindow* window = palette->windowHandle();
    QTest::keyClick(window, Qt::Key_Up);
    EXPECT_EQ(palette->SelectedCell(), (Cell{2, 0}));
    QTest::keyClick(window, Qt::Key_Left);  // no column in the box
    EXPECT_EQ(palette->SelectedCell(), (Cell{2, 0}));
    QTest::keyClick(window, Qt::Key_Up);
    EXPECT_EQ(palette->SelectedCell(), (Cell{2, 5}));
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Right);
    EXPECT_EQ(palette->SelectedCell(), (Cell{1, 5}));
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_EQ(palette->SelectedCell(), (Cell{1, 0}));
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_EQ(palette->SelectedCell(), (Cell{1, 1}));

    // The box chosen by the mouse lies under the last column.
    QTest::mouseMove(palette, QPoint(60, 100));
    EXPECT_EQ(palette->SelectedCell(), (Cell{0, 0}));
    QTest::keyClick(window, Qt::Key_Up);
    EXPECT_EQ(palette->SelectedCell(), (Cell{4, 5}));

    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(host.button->Color(), RGBColor(159, 159, 159));
    EXPECT_FALSE(host.button->DroppedDown());
    EXPECT_FALSE(host.button->SuppressNextClick());

    palette = host.Open();
    ASSERT_NE(palette, nullptr);
    QTest::keyClick(palette->windowHandle(), Qt::Key_Down);
    QTest::keyClick(palette->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(host.button->DroppedDown());
    EXPECT_EQ(host.button->Color(), RGBColor(159, 159, 159));
}

// Losing activation closes the palette. A click on the button while its palette is open
// closes the palette and opens no other;
// the next click opens one again. A palette that closes on its own with the mouse over the
// button swallows the next mouse click, unless the mouse leaves first; never a key's click.
TEST(ClrDropBtnTest, ClickOnOpenButtonClosesPalette) {
    Host host;
    ASSERT_NE(host.Open(), nullptr);
    host.window.activateWindow();  // another window taking the activation closes it
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::focusWindow() == host.window.windowHandle(); }));
    EXPECT_FALSE(host.button->DroppedDown());
    ASSERT_NE(host.Open(), nullptr);
    QTest::mouseClick(host.button, Qt::LeftButton);
    test::Flush();
    EXPECT_FALSE(host.button->DroppedDown());
    EXPECT_EQ(ShownPalettes(), 0);
    EXPECT_FALSE(host.button->SuppressNextClick());
    ASSERT_NE(host.Open(), nullptr);

    QCursor::setPos(host.button->mapToGlobal(QPoint(20, 10)));
    host.button->DropPalette()->close();  // as losing activation to the press does
    EXPECT_TRUE(host.button->SuppressNextClick());
    QTest::mouseClick(host.button, Qt::LeftButton);
    EXPECT_FALSE(host.button->DroppedDown());
    EXPECT_FALSE(host.button->SuppressNextClick());

    ASSERT_NE(host.Open(), nullptr);
    host.button->DropPalette()->close();
    QCursor::setPos(0, 0);  // the mouse leaves instead of clicking
    test::Flush();
    EXPECT_FALSE(host.button->SuppressNextClick());
    QCursor::setPos(host.button->mapToGlobal(QPoint(20, 10)));
    ASSERT_NE(host.Open(), nullptr);
    host.button->DropPalette()->close();
    host.button->setFocus();
    QTest::keyClick(host.button, Qt::Key_Space);
    EXPECT_TRUE(host.button->DroppedDown());
    host.button->DropPalette()->close();
}

// Below the button as a rule; above it near the bottom of the work area; pushed in from
// the sides.
TEST(ClrDropBtnTest, PaletteStaysInWorkArea) {
    test::App();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const int bottom = work.y() + work.height();
    const int right = work.x() + work.width();
    struct Case {
        QPoint button, palette;
    };
    const Case cases[] = {
        {{200, 200}, {200, 222}},
        {{200, bottom - 40}, {200, bottom - 40 - 121}},
        {{right - 50, 200}, {right - 78, 222}},
        {{work.x() - 5, 200}, {work.x(), 222}},
    };
    for (const Case& c : cases) {
        Host host(c.button);
        ASSERT_EQ(host.button->mapToGlobal(QPoint(0, 0)), c.button);
        QTest::mouseClick(host.button, Qt::LeftButton);
        ASSERT_TRUE(host.button->DroppedDown());
        EXPECT_EQ(host.button->DropPalette()->pos(), c.palette)
            << c.button.x() << "," << c.button.y();
        host.button->DropPalette()->close();
    }
}

// "&Other" shows the sixteen custom colours and the other colour in Qt's dialog; OK sets
// Color and OtherColor and takes the custom colours back; Cancel keeps the palette open,
// although it lost the focus meanwhile; a click on the other-colour box chooses that colour.
TEST(ClrDropBtnTest, OtherColorDialogAndBox) {
    test::TempDir dir;
    TIniStore store(dir.File("li_clr.ini"));  // outlives the button
    Host host;
    host.button->SetCustomColorsStore(&store);
    TColorArrayClass custom = Fitted({}, 8, 2, clWhite);
    custom.Set(2, 2, RGBColor(1, 2, 3));  // letter index 9
    host.button->SetCustomColors(custom);
    host.button->SetColor(RGBColor(255, 0, 0));
    TColorDropPalette* palette = host.Open();
    ASSERT_NE(palette, nullptr);

    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->currentColor(), ColorToQColor(clBtnFace));
        EXPECT_EQ(QColorDialog::customColor(9), QColor(1, 2, 3));
        EXPECT_EQ(QColorDialog::customColor(8), QColor(255, 255, 255));
        host.window.windowHandle()->requestActivate();  // the palette loses the focus
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QGuiApplication::focusWindow() == host.window.windowHandle(); }));
        dialog->reject();
    });
    QTest::mouseClick(palette->BtnOther(), Qt::LeftButton);
    EXPECT_TRUE(host.button->DroppedDown());
    EXPECT_FALSE(palette->ColorDialogOpen());
    EXPECT_EQ(host.button->Color(), RGBColor(255, 0, 0));

    WhenModal([](QWidget* modal) {
        auto* dialog = static_cast<QColorDialog*>(modal);
        dialog->setCurrentColor(QColor(10, 20, 30));
        QColorDialog::setCustomColor(3, QColor(40, 50, 60));  // cell (4, 1)
        dialog->accept();
    });
    QTest::mouseClick(palette->BtnOther(), Qt::LeftButton);
    test::Flush();
    EXPECT_FALSE(host.button->DroppedDown());
    EXPECT_EQ(host.button->Color(), RGBColor(10, 20, 30));
    EXPECT_EQ(host.button->OtherColor(), RGBColor(10, 20, 30));
    custom.Set(4, 1, RGBColor(40, 50, 60));
    EXPECT_EQ(host.button->CustomColors(), custom);
    // In the store already, while the button lives: (4, 1) is the seventh stored item.
    EXPECT_EQ(store.ReadString("Colors", "dcbBkColor.tbsBk", "").substr(60, 9), "$003C3228");

    host.button->SetColor(clWhite);
    palette = host.Open();
    ASSERT_NE(palette, nullptr);
    QTest::mouseClick(palette, Qt::LeftButton, Qt::NoModifier, QPoint(62, 105));
    EXPECT_EQ(host.button->Color(), RGBColor(10, 20, 30));
    EXPECT_FALSE(host.button->DroppedDown());
}

// A window of the program that stays on top (as the settings dialog does) steps back
// while the palette is open, also while its colour dialog is up, and stays on top again
// once the palette closed.
TEST(ClrDropBtnTest, TopmostWindowsStepBackWhileThePaletteIsOpen) {
    Host host;
    QWidget onTop(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    onTop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&onTop));
    auto staysOnTop = [&] {
        return onTop.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    };
    TColorDropPalette* palette = host.Open();
    ASSERT_NE(palette, nullptr);
    EXPECT_FALSE(staysOnTop());
    bool duringDialog = true;
    WhenModal([&](QWidget* modal) {
        duringDialog = staysOnTop();
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::mouseClick(palette->BtnOther(), Qt::LeftButton);
    EXPECT_FALSE(duringDialog);
    QTest::keyClick(palette->windowHandle(), Qt::Key_Escape);
    test::Flush();
    EXPECT_FALSE(host.button->DroppedDown());
    EXPECT_TRUE(staysOnTop());
}

// With CycleColors a click on the swatch steps to the next palette index, from the last
// to the other colour (index 0); a click on the arrow still drops the palette down.
TEST(ClrDropBtnTest, CycleColorsStepsOnSwatch) {
    Host host;
    host.button->SetCycleColors(true);
    host.button->SetOtherColor(0x123456);
    host.button->SetColor(RGBColor(159, 159, 159));
    ASSERT_EQ(host.button->PaletteIndex(), 20);
    QTest::mouseClick(host.button, Qt::LeftButton, Qt::NoModifier, QPoint(32, 10));
    EXPECT_EQ(host.button->PaletteIndex(), 0);
    EXPECT_EQ(host.button->Color(), 0x123456);
    QTest::mouseClick(host.button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_EQ(host.button->Color(), RGBColor(255, 255, 255));
    EXPECT_FALSE(host.button->DroppedDown());
    QTest::mouseClick(host.button, Qt::LeftButton, Qt::NoModifier, QPoint(33, 10));
    EXPECT_TRUE(host.button->DroppedDown());
    host.button->DropPalette()->close();
}

// Hints name the cell's red, green and blue, through the owner's hint-text callback.
TEST(ClrDropBtnTest, CellHints) {
    Host host;
    host.button->OnGetColorHintText = [&](QWidget* sender, TColor, int x, int y, QString& text) {
        EXPECT_EQ(sender, host.button);
        if (x == 4 && y == 5)
            text.clear();
    };
    TColorDropPalette* palette = host.Open();
    ASSERT_NE(palette, nullptr);
    QHelpEvent help(QEvent::ToolTip, QPoint(9, 27), palette->mapToGlobal(QPoint(9, 27)));
    QApplication::sendEvent(palette, &help);
    EXPECT_EQ(QToolTip::text(), "RGB = 255 000 000");
    QString text;
    QRect rect;
    EXPECT_TRUE(palette->HintAt(QPoint(20, 80), text, rect));
    EXPECT_EQ(text, "RGB = 159 191 239");
    EXPECT_EQ(rect, QRect(18, 72, 18, 18));
    EXPECT_FALSE(palette->HintAt(QPoint(60, 80), text, rect));  // cleared by the owner
    EXPECT_FALSE(palette->HintAt(QPoint(30, 93), text, rect));  // no cell
    palette->close();
}

// The sixteen custom colours go into the store as "$" and eight hexadecimal digits in the
// order (1,1), (1,2), (2,1) ... and load back unchanged; a shorter list pads with white.
TEST(ClrDropBtnTest, CustomColorsRoundTripThroughStore) {
    test::App();
    test::TempDir dir;
    const std::string file = dir.File("li_clr.ini");
    TColorArrayClass custom = Fitted({}, 8, 2, clWhite);
    custom.Set(1, 2, clBtnFace);
    custom.Set(8, 1, 0xABCDEF);
    custom.Set(8, 2, 0x123456);
    std::string expected = "$00FFFFFF,$8000000F,";
    for (int i = 0; i < 12; ++i) expected += "$00FFFFFF,";
    expected += "$00ABCDEF,$00123456";
    {
        TIniStore store(file);
        QWidget group;
        group.setObjectName("grbCnFontColor");
        auto* button = new TColorDropButton(&group);
        button->setObjectName("dcbCnFG");
        EXPECT_EQ(button->ColorsEntryName(), "dcbCnFG.grbCnFontColor");
        button->SetCustomColorsStore(&store);
        button->SetCustomColors(custom);
        delete button;
        EXPECT_EQ(store.ReadString("Colors", "dcbCnFG.grbCnFontColor", ""), expected);
        ASSERT_TRUE(test::Done(store.UpdateFile()));
    }
    TIniStore store(file);
    QWidget group;
    group.setObjectName("grbCnFontColor");
    TColorDropButton button(&group);
    button.setObjectName("dcbCnFG");
    button.SetCustomColorsStore(&store);
    EXPECT_EQ(button.CustomColors(), custom);

    // Three items: the rest white. No comma: nothing changes.
    store.WriteString("Colors", "dcbCnFG.grbCnFontColor", "$000000FF,65280,$ZZ");
    button.LoadCustomColors();
    TColorArrayClass short3 = Fitted({}, 8, 2, clWhite);
    short3.Set(1, 1, 0xFF);
    short3.Set(1, 2, 0xFF00);
    EXPECT_EQ(button.CustomColors(), short3);
    store.WriteString("Colors", "dcbCnFG.grbCnFontColor", "$000000AA");
    button.LoadCustomColors();
    EXPECT_EQ(button.CustomColors(), short3);

    // A button that never loaded its entry does not overwrite it.
    auto* unnamed = new TColorDropButton(&group);
    unnamed->SetCustomColorsStore(&store);
    unnamed->setObjectName("dcbCnFG");
    delete unnamed;
    EXPECT_EQ(store.ReadString("Colors", "dcbCnFG.grbCnFontColor", ""), "$000000AA");
}

// The swatch: a black outline filled with Color, separator lines and the arrow; a dither
// when disabled; one pixel down and right while dropped down.
TEST(ClrDropBtnTest, SwatchPixels) {
    Host host;
    host.button->SetColor(RGBColor(255, 0, 0));
    QImage image = host.button->grab().toImage();
    EXPECT_EQ(Rgb(image, 6, 5), 0x000000u);
    EXPECT_EQ(Rgb(image, 28, 16), 0x000000u);
    EXPECT_EQ(Rgb(image, 7, 6), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 27, 15), 0xFF0000u);
    EXPECT_EQ(Rgb(image, 31, 10), Sys(clBtnShadow));
    EXPECT_EQ(Rgb(image, 32, 10), Sys(clBtnHighlight));
    EXPECT_EQ(Rgb(image, 36, 10), Sys(clBtnText));

    host.button->setEnabled(false);
    image = host.button->grab().toImage();
    EXPECT_EQ(Rgb(image, 7, 6), Sys(clBtnHighlight));
    EXPECT_EQ(Rgb(image, 8, 6), Sys(clBtnFace));
    EXPECT_EQ(Rgb(image, 36, 10), Sys(clBtnShadow));

    host.button->setEnabled(true);
    ASSERT_NE(host.Open(), nullptr);
    image = host.button->grab().toImage();
    EXPECT_EQ(Rgb(image, 0, 0), 0x000000u);
    EXPECT_EQ(Rgb(image, 6, 5), Sys(clBtnFace));
    EXPECT_EQ(Rgb(image, 7, 6), 0x000000u);
    EXPECT_EQ(Rgb(image, 8, 7), 0xFF0000u);
    host.button->DropPalette()->close();
}

}  // namespace
}  // namespace lintel
