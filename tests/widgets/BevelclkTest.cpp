#include <gtest/gtest.h>

#include <QTest>

#include "WidgetTest.h"
#include "platform/Cp932.h"
#include "widgets/Bevelclk.h"
#include "widgets/SystemColors.h"

namespace lintel {
namespace {

using test::Rgb;

// A double click reports the double click and then a press marked as double; a single
// press reports only the press, with its button and position.
TEST(BevelclkTest, PressAndDoubleClickReachOwner) {
    test::App();
    TBevelclk bevel;
    bevel.setGeometry(4, 0, 9, 18);
    std::vector<std::string> calls;
    bevel.OnMouseDown = [&](QWidget* sender, TMouseButton button, TShiftState shift, int x, int y) {
        EXPECT_EQ(sender, &bevel);
        calls.push_back(std::string("down ") + (button == TMouseButton::mbLeft ? "L" : "R") +
                        ((shift & ssDouble) ? " double" : "") + " " + std::to_string(x) + "," +
                        std::to_string(y));
    };
    bevel.OnDblClick = [&](QWidget* sender) {
        EXPECT_EQ(sender, &bevel);
        calls.push_back("dblclick");
    };
    QTest::mousePress(&bevel, Qt::RightButton, Qt::NoModifier, QPoint(3, 7));
    QTest::mouseRelease(&bevel, Qt::RightButton, Qt::NoModifier, QPoint(3, 7));
    QTest::mouseDClick(&bevel, Qt::LeftButton, Qt::NoModifier, QPoint(2, 5));
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "down R 3,7");
    // QTest's double click is press, release, double click, release.
    EXPECT_EQ(calls[calls.size() - 2], "dblclick");
    EXPECT_EQ(calls.back(), "down L double 2,5");
}

// A raised frame is an etched ridge: light outside top-left, dark just inside it.
TEST(BevelclkTest, RaisedFrameIsLitFromTopLeft) {
    test::App();
    TBevelclk bevel;
    bevel.resize(9, 18);
    bevel.SetShape(TBevelShape::bsFrame);
    bevel.SetStyle(TBevelStyle::bsRaised);
    bevel.SetHint(cp932::Literal("ドラッグでパネル移動。バブルクリックで列幅変更"));
    EXPECT_EQ(bevel.toolTip(), QString::fromUtf8("ドラッグでパネル移動。バブルクリックで列幅変更"));
    const QImage image = bevel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb light = ColorToQColor(clBtnHighlight).rgb() & 0xFFFFFF;
    const QRgb dark = ColorToQColor(clBtnShadow).rgb() & 0xFFFFFF;
    ASSERT_NE(light, dark);
    EXPECT_EQ(Rgb(image, 0, 9), light);
    EXPECT_EQ(Rgb(image, 1, 9), dark);
    EXPECT_EQ(Rgb(image, 4, 0), light);
    EXPECT_EQ(Rgb(image, 4, 1), dark);
    EXPECT_EQ(Rgb(image, 8, 9), dark);
    EXPECT_EQ(Rgb(image, 7, 9), light);
}

}  // namespace
}  // namespace lintel
