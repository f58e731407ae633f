#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "dialogs/About.h"
#include "platform/Cp932.h"
#include "support/QtApp.h"
#include "widgets/QtText.h"
#include "widgets/TrayIcon.h"

namespace lintel {
namespace {

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
