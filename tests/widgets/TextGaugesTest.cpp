#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "WidgetTest.h"
#include "platform/Cp932.h"
#include "widgets/TextGauges.h"

namespace lintel {
namespace {

using test::Rgb;

constexpr QRgb kLime = 0x00FF00;
constexpr QRgb kGreen = 0x008000;
constexpr QRgb kMagenta = 0xFF00FF;      // lime inverted
constexpr QRgb kPaleMagenta = 0xFF7FFF;  // green inverted

// The bar's gauge: 144 x 12, no border, lime on green, a sharp caption font.
class TextGaugeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        gauge_ = std::make_unique<TTextGauge>();
        gauge_->setFont(test::SharpFont(12));
        gauge_->resize(144, 12);
        gauge_->SetBorderStyle(TBorderStyle::bsNone);
        gauge_->SetForeColor(clLime);
        gauge_->SetBackColor(clGreen);
        gauge_->SetText("0:00/0:00");
    }

    /// Whether `image` shows the inverted caption over the back colour and nothing else:
    /// no fill, and some caption.
    static ::testing::AssertionResult OnlyCaptionOverBack(const QImage& image) {
        int caption = 0;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 144; ++x) {
                const QRgb c = Rgb(image, x, y);
                if (c != kGreen && c != kPaleMagenta)
                    return ::testing::AssertionFailure()
                           << "colour " << c << " at " << x << "," << y;
                caption += c == kPaleMagenta;
            }
        }
        if (caption == 0)
            return ::testing::AssertionFailure() << "no caption";
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<TTextGauge> gauge_;
};

// A new gauge as the toolkit would create it.
TEST_F(TextGaugeTest, NewGaugeDefaults) {
    TTextGauge fresh;
    EXPECT_EQ(fresh.size(), QSize(100, 100));
    EXPECT_EQ(fresh.Kind(), TGaugeKind::gkHorizontalBar);
    EXPECT_EQ(fresh.BorderStyle(), TBorderStyle::bsSingle);
    EXPECT_EQ(fresh.ForeColor(), clBlack);
    EXPECT_EQ(fresh.BackColor(), clWhite);
    EXPECT_EQ(fresh.Color(), clWindow);
    EXPECT_TRUE(fresh.ShowText());
    EXPECT_EQ(fresh.MinValue(), 0);
    EXPECT_EQ(fresh.MaxValue(), 100);
    EXPECT_EQ(fresh.Progress(), 0);
    EXPECT_TRUE(fresh.Text().empty());
}

// At 50 %: w = 145, F = trunc(145 * 0.5) = 72, so columns 0 to 71 are filled. Caption
// pixels are exactly inverted: magenta over the fill, 0xFF7FFF over the rest.
TEST_F(TextGaugeTest, HalfFilledBarWithInvertedCaption) {
    gauge_->SetProgress(50);
    const QImage image = gauge_->Picture();
    int overFill = 0, overEmpty = 0;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 144; ++x) {
            const QRgb c = Rgb(image, x, y);
            if (x < 72) {
                ASSERT_TRUE(c == kLime || c == kMagenta) << x << "," << y << " " << std::hex << c;
                overFill += c == kMagenta;
            } else {
                ASSERT_TRUE(c == kGreen || c == kPaleMagenta)
                    << x << "," << y << " " << std::hex << c;
                overEmpty += c == kPaleMagenta;
            }
        }
    }
    // "0:00/0:00" is centred, so it straddles the boundary.
    EXPECT_GT(overFill, 10);
    EXPECT_GT(overEmpty, 10);

    // The widget shows exactly this picture.
    const QImage shown = gauge_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, image);
}

// The caption is centred in the gauge: (w + 1 - text width) / 2, truncated.
TEST_F(TextGaugeTest, CaptionIsCentred) {
    gauge_->SetText("8");
    const QImage image = gauge_->Picture();
    int left = 144, right = -1;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 144; ++x) {
            if (Rgb(image, x, y) == kPaleMagenta) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, left);
    const QFontMetrics metrics(gauge_->font());
    const int origin = (145 - metrics.horizontalAdvance("8")) / 2;
    EXPECT_GE(left, origin);
    EXPECT_LT(right, origin + metrics.horizontalAdvance("8"));
}

// Horizontal bar at 100 % with no border: F = w reaches past the right edge and is
// clipped, so every column is filled; at 0 % nothing is.
TEST_F(TextGaugeTest, HorizontalBarEnds) {
    gauge_->SetShowText(false);
    gauge_->SetProgress(100);
    QImage image = gauge_->Picture();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 144; ++x) ASSERT_EQ(Rgb(image, x, y), kLime);
    gauge_->SetProgress(0);
    image = gauge_->Picture();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 144; ++x) ASSERT_EQ(Rgb(image, x, y), kGreen);
    // 1 %: trunc(145 * 0.01) = 1 column.
    gauge_->SetProgress(1);
    image = gauge_->Picture();
    EXPECT_EQ(Rgb(image, 0, 5), kLime);
    EXPECT_EQ(Rgb(image, 1, 5), kGreen);
}

// Vertical bar at 100 %: F = h - 1, so the top row keeps the back colour.
TEST_F(TextGaugeTest, VerticalBarLeavesTopRow) {
    gauge_->SetShowText(false);
    gauge_->SetKind(TGaugeKind::gkVerticalBar);
    gauge_->resize(20, 30);
    gauge_->SetProgress(100);
    QImage image = gauge_->Picture();
    for (int x = 0; x < 20; ++x) {
        ASSERT_EQ(Rgb(image, x, 0), kGreen);
        for (int y = 1; y < 30; ++y) ASSERT_EQ(Rgb(image, x, y), kLime) << x << "," << y;
    }
    // 50 %: h = 31, F = 15: rows 16 to 29 from h - F = 16 to the clipped bottom.
    gauge_->SetProgress(50);
    image = gauge_->Picture();
    EXPECT_EQ(Rgb(image, 3, 15), kGreen);
    EXPECT_EQ(Rgb(image, 3, 16), kLime);
    EXPECT_EQ(Rgb(image, 3, 29), kLime);
}

// bsSingle: a one-pixel black frame, the bar inside it, the caption clipped inside.
TEST_F(TextGaugeTest, SingleBorderFrameAndClippedCaption) {
    gauge_->SetBorderStyle(TBorderStyle::bsSingle);
    gauge_->SetProgress(100);
    gauge_->SetText("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    const QImage image = gauge_->Picture();
    for (int x = 0; x < 144; ++x) {
        ASSERT_EQ(Rgb(image, x, 0), 0u);
        ASSERT_EQ(Rgb(image, x, 11), 0u);
    }
    for (int y = 0; y < 12; ++y) {
        ASSERT_EQ(Rgb(image, 0, y), 0u);
        ASSERT_EQ(Rgb(image, 143, y), 0u);
    }
    int caption = 0;
    for (int y = 1; y < 11; ++y) {
        for (int x = 1; x < 143; ++x) {
            const QRgb c = Rgb(image, x, y);
            ASSERT_TRUE(c == kLime || c == kMagenta) << x << "," << y;
            caption += c == kMagenta;
        }
    }
    EXPECT_GT(caption, 0);
}

// ShowText off draws no caption at all; gkText is the back colour plus the caption.
TEST_F(TextGaugeTest, CaptionSwitchAndTextKind) {
    gauge_->SetProgress(50);
    gauge_->SetShowText(false);
    QImage image = gauge_->Picture();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 144; ++x) ASSERT_EQ(Rgb(image, x, y), x < 72 ? kLime : kGreen);

    gauge_->SetShowText(true);
    gauge_->SetKind(TGaugeKind::gkText);
    image = gauge_->Picture();
    EXPECT_TRUE(OnlyCaptionOverBack(image));
}

// The percentage is truncated toward zero, in floating point, and 0 for an empty range.
TEST_F(TextGaugeTest, PercentageRules) {
    gauge_->SetMaxValue(3);
    gauge_->SetProgress(1);
    EXPECT_EQ(gauge_->PercentDone(), 33);
    gauge_->SetProgress(2);
    EXPECT_EQ(gauge_->PercentDone(), 66);

    gauge_->SetMaxValue(100);
    gauge_->SetMinValue(-100);
    gauge_->SetProgress(-99);  // 0.5 % truncates to 0
    EXPECT_EQ(gauge_->PercentDone(), 0);

    // The widest range does not overflow.
    gauge_->SetMinValue(INT_MIN);
    gauge_->SetMaxValue(INT_MAX);
    gauge_->SetProgress(0);
    EXPECT_EQ(gauge_->PercentDone(), 50);

    // An empty range: no fill, caption still drawn.
    gauge_->SetMinValue(0);
    gauge_->SetMaxValue(0);
    EXPECT_EQ(gauge_->PercentDone(), 0);
    const QImage image = gauge_->Picture();
    EXPECT_TRUE(OnlyCaptionOverBack(image));

    EXPECT_EQ(GaugeSize(50, 145), 72);
    EXPECT_EQ(GaugeSize(99, 13), 12);  // 12.87 truncated
    EXPECT_EQ(GaugeSize(100, 145), 145);
}

// Progress is clamped into the range; moving a bound drags Progress along.
TEST_F(TextGaugeTest, ProgressIsClamped) {
    gauge_->SetProgress(-5);
    EXPECT_EQ(gauge_->Progress(), 0);
    gauge_->SetProgress(500);
    EXPECT_EQ(gauge_->Progress(), 100);
    gauge_->SetMaxValue(60);
    EXPECT_EQ(gauge_->Progress(), 60);
    gauge_->SetProgress(10);
    gauge_->SetMinValue(20);
    EXPECT_EQ(gauge_->Progress(), 20);
}

// The two range errors carry the range message in code page 932 and change nothing;
// while loading, the bounds may be set in any order.
TEST_F(TextGaugeTest, RangeErrors) {
    try {
        gauge_->SetMinValue(101);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(std::string(e.what()),
                  cp932::Literal("-2147483647 から 99 の間の値でなければなりません"));
    }
    EXPECT_EQ(gauge_->MinValue(), 0);

    gauge_->SetMinValue(10);
    try {
        gauge_->SetMaxValue(9);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(std::string(e.what()),
                  cp932::Literal("11 から 2147483647 の間の値でなければなりません"));
    }
    EXPECT_EQ(gauge_->MaxValue(), 100);

    // Equal bounds are allowed.
    EXPECT_NO_THROW(gauge_->SetMaxValue(10));

    gauge_->SetLoading(true);
    EXPECT_NO_THROW(gauge_->SetMinValue(500));
    EXPECT_NO_THROW(gauge_->SetMaxValue(1000));
    gauge_->SetLoading(false);
    EXPECT_EQ(gauge_->MinValue(), 500);
    EXPECT_EQ(gauge_->MaxValue(), 1000);
    EXPECT_EQ(gauge_->Progress(), 500);
}

// Progress repaints only when the whole percentage changes; the other setters repaint
// on every real change and never on an equal value.
TEST_F(TextGaugeTest, RepaintsOnlyOnVisibleChange) {
    gauge_->show();
    test::Flush();
    test::PaintCounter paints(gauge_.get());
    gauge_->SetMaxValue(100000);
    gauge_->SetProgress(1000);
    test::Flush();
    paints.count = 0;
    gauge_->SetProgress(1005);  // still 1 %
    test::Flush();
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(gauge_->Progress(), 1005);
    gauge_->SetProgress(2000);  // 2 %
    test::Flush();
    EXPECT_EQ(paints.count, 1);

    paints.count = 0;
    gauge_->SetText("0:00/0:00");
    gauge_->SetForeColor(clLime);
    gauge_->SetKind(TGaugeKind::gkHorizontalBar);
    test::Flush();
    EXPECT_EQ(paints.count, 0);
    gauge_->SetText("0:01/0:00");
    test::Flush();
    EXPECT_EQ(paints.count, 1);

    // The text kind shows no percentage: a change of it leaves every pixel as it was.
    gauge_->SetKind(TGaugeKind::gkText);
    test::Flush();
    paints.count = 0;
    gauge_->SetProgress(50000);
    test::Flush();
    EXPECT_EQ(paints.count, 0);
}

// The pie fills clockwise from the top: at 25 % the upper right quarter is the fore
// colour and the upper left is still the face; the needle points by the percentage.
TEST_F(TextGaugeTest, PieAndNeedle) {
    gauge_->SetShowText(false);
    gauge_->resize(41, 41);
    gauge_->SetColor(RGBColor(0, 0, 255));
    gauge_->SetKind(TGaugeKind::gkPie);
    QImage image = gauge_->Picture();
    EXPECT_EQ(Rgb(image, 0, 0), 0x0000FFu);  // outside the dial
    EXPECT_EQ(Rgb(image, 20, 20), kGreen);   // face at 0 %
    gauge_->SetProgress(25);
    image = gauge_->Picture();
    EXPECT_EQ(Rgb(image, 28, 12), kLime);
    EXPECT_EQ(Rgb(image, 12, 12), kGreen);
    EXPECT_EQ(Rgb(image, 12, 28), kGreen);

    gauge_->SetKind(TGaugeKind::gkNeedle);
    gauge_->SetProgress(50);
    image = gauge_->Picture();
    // At 50 % the needle stands straight up from the middle of the bottom.
    EXPECT_EQ(Rgb(image, 20, 30), kLime);
    EXPECT_EQ(Rgb(image, 10, 30), kGreen);
}

// A gauge sized to nothing (the settings allow 0 x 0) paints nothing and keeps working.
TEST_F(TextGaugeTest, EmptyGaugeIsHarmless) {
    gauge_->resize(0, 12);
    EXPECT_TRUE(gauge_->Picture().isNull());
    gauge_->show();
    gauge_->SetProgress(70);
    test::Flush();
    EXPECT_EQ(gauge_->Progress(), 70);
    gauge_->resize(10, 0);
    EXPECT_TRUE(gauge_->Picture().isNull());
    gauge_->resize(1, 1);
    EXPECT_EQ(gauge_->Picture().size(), QSize(1, 1));
}

// Mouse presses go to the owner with the gauge as sender.
TEST_F(TextGaugeTest, MouseDownReachesOwner) {
    QWidget* sender = nullptr;
    TMouseButton button = TMouseButton::mbLeft;
    gauge_->OnMouseDown = [&](QWidget* s, TMouseButton b, TShiftState, int, int) {
        sender = s;
        button = b;
    };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(gauge_.get(), &press);
    EXPECT_EQ(sender, gauge_.get());
    EXPECT_EQ(button, TMouseButton::mbRight);
}

}  // namespace
}  // namespace lintel
