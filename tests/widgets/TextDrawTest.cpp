#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include "WidgetTest.h"
#include "widgets/TextDraw.h"

namespace lintel {
namespace {

using namespace textdraw;

// Line breaks: CR LF is one break, a lone CR or LF is one each; word wrap breaks at
// blanks within the width; tabs stop every eight average characters.
TEST(TextDrawTest, LinesWrapAndTabs) {
    test::App();
    const QFont font = test::SharpFont(16);
    const int line = QFontMetrics(font).height();
    const QRect wide(0, 0, 1000, 10);
    EXPECT_EQ(Measure(font, "a\r\nb", wide, 0).height(), 2 * line);
    EXPECT_EQ(Measure(font, "a\rb\nc", wide, 0).height(), 3 * line);
    EXPECT_EQ(Measure(font, "a\n\rb", wide, 0).height(), 3 * line);

    const QString words = "alpha beta gamma delta";
    const int one = Measure(font, words, wide, kWordBreak).width();
    EXPECT_EQ(Measure(font, words, wide, kWordBreak).height(), line);
    const QRect narrow(0, 0, one / 2, 10);
    const QRect wrapped = Measure(font, words, narrow, kWordBreak);
    EXPECT_GE(wrapped.height(), 2 * line);
    EXPECT_LE(wrapped.width(), one / 2);
    // Without word wrap the width is ignored.
    EXPECT_EQ(Measure(font, words, narrow, 0).height(), line);

    const int tab = 8 * QFontMetrics(font).averageCharWidth();
    EXPECT_GE(Measure(font, "a\tb", wide, kExpandTabs).width(), tab);
}

// Right and centred lines are placed inside the rectangle; nothing is drawn outside it.
TEST(TextDrawTest, AlignmentAndClipping) {
    test::App();
    const QFont font = test::SharpFont(16);
    const auto inkColumns = [&](unsigned flags, const QRect& rect) {
        QImage image(120, 30, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter p(&image);
        Draw(p, font, "III", rect, flags, Qt::white);
        p.end();
        int first = 1000, last = -1;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 120; ++x)
                if (test::Rgb(image, x, y) != 0) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair{first, last};
    };
    const QRect box(10, 0, 100, 30);
    const int w = Measure(font, "III", box, 0).width();
    const auto left = inkColumns(kLeft, box);
    const auto right = inkColumns(kRight, box);
    const auto centre = inkColumns(kCenter, box);
    EXPECT_GE(left.first, 10);
    EXPECT_LT(left.second, 10 + w);
    EXPECT_EQ(right.first - left.first, 100 - w);
    EXPECT_EQ(centre.first - left.first, (100 - w) / 2);
    // A rectangle narrower than the text clips it.
    const auto clipped = inkColumns(kLeft, QRect(10, 0, 3, 30));
    EXPECT_LE(clipped.second, 12);
}

}  // namespace
}  // namespace lintel
