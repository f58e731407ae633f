// The bar's background on the real bar window: its own colour, the button face, the
// desktop's picture at the bar's place, or nothing of its own under a compositing manager.
#include <gtest/gtest.h>

#include <QImage>

#include "BarFixture.h"
#include "widgets/SystemColors.h"

namespace lintel {
namespace {

class BackdropTest : public test::BarFixture {
protected:
    /// A desktop picture whose every pixel tells where it lies: red = x mod 256, green =
    /// y mod 256, blue 0x80.
    static QImage PlacePicture(int width, int height) {
        QImage picture(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) picture.setPixel(x, y, qRgb(x % 256, y % 256, 0x80));
        return picture;
    }
    static QColor AtPlace(QPoint p) { return QColor(p.x() % 256, p.y() % 256, 0x80); }
};

// Mode 0 shows the part of the desktop's picture that lies under the bar, wherever the bar
// stands.
TEST_F(BackdropTest, ModeZeroShowsTheDesktopPictureAtTheBarsPlace) {
    surface_.SetPicture(PlacePicture(1024, 768));
    StartWith("");
    ASSERT_EQ(bar_->Backdrop(), TBarBackdrop::TKind::DesktopPicture);
    const int h = bar_->height();
    ASSERT_EQ(bar_->pos(), QPoint(0, 768 - h));
    for (const QPoint p : {QPoint(1, 1), QPoint(300, 2), QPoint(2, h - 1)})
        EXPECT_EQ(PixelOfBar(p.x(), p.y()), AtPlace(bar_->pos() + p)) << p.x() << "," << p.y();

    bar_->SetEdge(TBarEdge::Top);
    ASSERT_EQ(bar_->pos(), QPoint(0, 0));
    EXPECT_EQ(PixelOfBar(1, 1), AtPlace(QPoint(1, 1)));
    EXPECT_EQ(PixelOfBar(300, 2), AtPlace(QPoint(300, 2)));
}

// Beyond the picture the desktop is black, not the button face.
TEST_F(BackdropTest, APictureSmallerThanTheScreenLeavesBlackBeyondIt) {
    surface_.SetPicture(PlacePicture(200, 768));
    StartWith("");
    EXPECT_EQ(PixelOfBar(199, 1), AtPlace(bar_->pos() + QPoint(199, 1)));
    EXPECT_EQ(PixelOfBar(200, 1), QColor(0, 0, 0));
    EXPECT_EQ(PixelOfBar(bar_->width() - 1, 1), QColor(0, 0, 0));
}

// With a compositing manager the window is translucent and paints no picture of its own;
// its own colour is still opaque.
TEST_F(BackdropTest, UnderACompositingManagerTheBarLeavesItsBackgroundToIt) {
    surface_.SetPicture(PlacePicture(1024, 768));
    surface_.SetCompositingActive(true);
    StartWith("");
    EXPECT_EQ(bar_->Backdrop(), TBarBackdrop::TKind::Translucent);
    EXPECT_TRUE(bar_->testAttribute(Qt::WA_TranslucentBackground));
    // Cleared to nothing: transparent, or black where the grab has no alpha channel; a
    // picture or the button face would show their colours.
    const QColor cleared = PixelOfBar(1, 1);
    EXPECT_TRUE(cleared.alpha() == 0 || cleared == QColor(0, 0, 0)) << cleared.name().toStdString();
    CloseBar();

    StartWith("\r\n[Back]\r\nItemIndex=2\r\nColor=255\r\n");
    EXPECT_EQ(bar_->Backdrop(), TBarBackdrop::TKind::BarColor);
    EXPECT_EQ(PixelOfBar(1, 1), QColor(255, 0, 0));
}

TEST_F(BackdropTest, ColoursAreStoredBlueGreenRed) {
    // 255 is red in 0x00BBGGRR; a swapped byte order would paint it blue.
    StartWith("\r\n[Back]\r\nItemIndex=2\r\nColor=255\r\n");
    EXPECT_EQ(bar_->Backdrop(), TBarBackdrop::TKind::BarColor);
    EXPECT_EQ(PixelOfBar(1, 1), QColor(255, 0, 0));
    EXPECT_EQ(PixelOfBar(bar_->width() - 1, 0), QColor(255, 0, 0));
    bar_.reset();
    StartWith("\r\n[Back]\r\nItemIndex=2\r\nColor=16711680\r\n");
    EXPECT_EQ(PixelOfBar(1, 1), QColor(0, 0, 255));
    bar_.reset();
    // Mode 1 is the button face whatever colour is stored.
    StartWith("\r\n[Back]\r\nItemIndex=1\r\nColor=255\r\n");
    EXPECT_EQ(bar_->BarColor(), clBtnFace);
    EXPECT_EQ(PixelOfBar(1, 1), ColorToQColor(clBtnFace));
}

TEST_F(BackdropTest, WithoutADesktopPictureModeZeroFallsBackToTheButtonFace) {
    // The simulated desktop starts without a picture and without a compositing manager.
    StartWith("\r\n[Back]\r\nItemIndex=0\r\nColor=255\r\n");
    EXPECT_EQ(bar_->Backdrop(), TBarBackdrop::TKind::ButtonFace);
    EXPECT_EQ(PixelOfBar(1, 1), ColorToQColor(clBtnFace));
    // The mode is read at each paint: the bar colour shows as soon as the file says so.
    Settings().WriteInteger("Back", "ItemIndex", 2);
    EXPECT_EQ(PixelOfBar(1, 1), QColor(255, 0, 0));
}

}  // namespace
}  // namespace lintel
