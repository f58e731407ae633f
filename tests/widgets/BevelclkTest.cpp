#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "WidgetTest.h"
#include "platform/Cp932.h"
#include "widgets/About.h"
#include "widgets/Bevelclk.h"
#include "widgets/QtText.h"
#include "widgets/SystemColors.h"
#include "widgets/TrayIcon.h"

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

// The fixed texts and geometry of the about box.
TEST(AboutBoxTest, FixedTextsAndGeometry) {
    test::App();
    TAboutBox box;
    EXPECT_EQ(ToCp932(box.windowTitle()).bytes, cp932::Literal("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(box.size(), QSize(311, 209));
    EXPECT_EQ(box.ProductName()->text(), "Lintel");
    EXPECT_TRUE(box.ProductName()->font().bold());
    EXPECT_EQ(box.ProductName()->font().pixelSize(), 21);
    EXPECT_EQ(box.ProductName()->pos(), QPoint(80, 16));
    EXPECT_EQ(box.Version()->text(), "Ver.1.45");
    EXPECT_EQ(box.Version()->pos(), QPoint(174, 23));
    EXPECT_EQ(box.Panel()->geometry(), QRect(8, 8, 297, 161));
    EXPECT_EQ(box.OKButton()->geometry(), QRect(86, 176, 155, 24));
    EXPECT_TRUE(box.OKButton()->isDefault());
    EXPECT_EQ(box.font().pixelSize(), 12);
    // The program's icon, the tray's, on the box and at (32, 8) in its panel.
    const QImage programIcon = ProgramIcon().pixmap(32, 32).toImage();
    EXPECT_EQ(box.windowIcon().pixmap(32, 32).toImage(), programIcon);
    QLabel* icon = qobject_cast<QLabel*>(box.Panel()->childAt(48, 24));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->geometry(), QRect(32, 8, 32, 32));
    EXPECT_EQ(icon->pixmap().toImage(), programIcon);
    for (QLineEdit* edit : box.findChildren<QLineEdit*>()) {
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_FALSE(edit->hasFrame());
    }
}

// The box closes with its button, with Enter and with the window's close box, and its
// modal loop always returns to the caller.
TEST(AboutBoxTest, ClosesEveryWay) {
    test::App();
    {
        TAboutBox box;
        QTimer::singleShot(0, &box, [&] { box.OKButton()->click(); });
        EXPECT_EQ(box.exec(), QDialog::Accepted);
    }
    {
        TAboutBox box;
        QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Return); });
        EXPECT_EQ(box.exec(), QDialog::Accepted);
    }
    {
        TAboutBox box;
        QTimer::singleShot(0, &box, [&] { box.close(); });
        EXPECT_EQ(box.exec(), QDialog::Rejected);
    }
}

}  // namespace
}  // namespace lintel
