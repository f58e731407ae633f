#include <gtest/gtest.h>

#include <QPalette>

#include "WidgetTest.h"
#include "widgets/SystemColors.h"

namespace lintel {
namespace {

// Colour values hold red in the low byte: 255 is red, not blue.
TEST(SystemColorsTest, PlainValuesAreBlueGreenRed) {
    EXPECT_EQ(ColorToQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ColorToQColor(clLime), QColor(0, 255, 0));
    EXPECT_EQ(ColorToQColor(clGreen), QColor(0, 128, 0));
    EXPECT_EQ(ColorToQColor(0x12345678), QColor(0x78, 0x56, 0x34));  // top byte ignored
    EXPECT_EQ(RGBColor(1, 2, 3), 0x030201);
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3)), 0x030201);
    EXPECT_EQ(ColorToRGB(0x12345678), 0x345678);
}

// A system colour is the top bit plus its index, stored as a negative number, and is
// resolved through the application's palette when it has a matching role.
TEST(SystemColorsTest, SystemColoursResolveThroughOneTable) {
    test::App();
    EXPECT_EQ(clBtnFace, -2147483633);
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_EQ(clWindow, SystemColor(5));
    EXPECT_EQ(clBtnHighlight, static_cast<TColor>(0x80000014u));
    EXPECT_EQ(clBtnShadow, static_cast<TColor>(0x80000010u));

    const QPalette saved = QApplication::palette();
    QPalette pal = saved;
    pal.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    pal.setColor(QPalette::Active, QPalette::Base, QColor(4, 5, 6));
    pal.setColor(QPalette::Active, QPalette::Light, QColor(7, 8, 9));
    pal.setColor(QPalette::Active, QPalette::Dark, QColor(10, 11, 12));
    QApplication::setPalette(pal);
    EXPECT_EQ(ColorToQColor(clBtnFace), QColor(1, 2, 3));
    EXPECT_EQ(ColorToQColor(clWindow), QColor(4, 5, 6));
    EXPECT_EQ(ColorToQColor(clBtnHighlight), QColor(7, 8, 9));
    EXPECT_EQ(ColorToQColor(clBtnShadow), QColor(10, 11, 12));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(1, 2, 3));
    QApplication::setPalette(saved);

    // Colours Qt has no role for are fixed; unknown indexes are black, not a crash.
    EXPECT_EQ(ColorToQColor(clWindowFrame), QColor(0, 0, 0));
    EXPECT_EQ(ColorToQColor(SystemColor(31)), QColor(0, 0, 0));
    EXPECT_EQ(ColorToQColor(static_cast<TColor>(0xFFFFFFFFu)), QColor(0, 0, 0));
}

}  // namespace
}  // namespace lintel
