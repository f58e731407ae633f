#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPalette>
#include <memory>

#include "WidgetTest.h"
#include "platform/Cp932.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TextDraw.h"

namespace lintel {
namespace {

using test::Rgb;

constexpr QRgb kBack = 0x102030;  // the parent's colour behind the label

// A label on a plain parent; pictures are taken of the label's area of the parent, so
// a transparent label shows the parent where it paints nothing.
class ShadowLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        parent_ = std::make_unique<QWidget>();
        parent_->resize(320, 100);
        parent_->setAutoFillBackground(true);
        QPalette pal = parent_->palette();
        pal.setColor(QPalette::Window, QColor(kBack));
        parent_->setPalette(pal);
        label_ = new TShadowLabel(parent_.get());
        label_->move(10, 20);
        label_->setFont(test::SharpFont(19));
        label_->SetTransparent(true);
        label_->SetShowAccelChar(false);
        label_->SetFontColor(clWhite);
        label_->SetCaption("Agx&W");
    }

    QImage Picture() const {
        return parent_->grab(label_->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The pixels of the text alone: true where the text colour lies.
    std::vector<std::vector<bool>> TextMask() {
        label_->Highlight().SetVisible(false);
        label_->Shadow().SetVisible(false);
        label_->SetFontColor(clWhite);
        const QImage image = Picture();
        std::vector<std::vector<bool>> mask(image.height(), std::vector<bool>(image.width()));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = Rgb(image, x, y);
                // Sharp glyphs: every pixel is either background or text colour.
                EXPECT_TRUE(c == kBack || c == 0xFFFFFF) << x << "," << y;
                mask[y][x] = c == 0xFFFFFF;
            }
        }
        return mask;
    }

    static bool At(const std::vector<std::vector<bool>>& m, int x, int y) {
        return y >= 0 && y < static_cast<int>(m.size()) && x >= 0 &&
               x < static_cast<int>(m[0].size()) && m[y][x];
    }

    // What each pixel must be when the text (mask) is drawn over the highlight copy at
    // (hx, hy) drawn over the shadow copy at (sx, sy).
    void ExpectPasses(const QImage& image, const std::vector<std::vector<bool>>& mask, QRgb text,
                      QRgb highlight, int hx, int hy, QRgb shadow, int sx, int sy,
                      bool highlightOn = true, bool shadowOn = true) {
        int shadowSeen = 0, highlightSeen = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                QRgb want = kBack;
                if (At(mask, x, y)) {
                    want = text;
                } else if (highlightOn && At(mask, x - hx, y - hy)) {
                    want = highlight;
                    ++highlightSeen;
                } else if (shadowOn && At(mask, x - sx, y - sy)) {
                    want = shadow;
                    ++shadowSeen;
                }
                ASSERT_EQ(Rgb(image, x, y), want) << "pixel " << x << "," << y;
            }
        }
        EXPECT_EQ(highlightSeen > 0, highlightOn);
        EXPECT_EQ(shadowSeen > 0, shadowOn);
    }

    std::unique_ptr<QWidget> parent_;
    TShadowLabel* label_ = nullptr;
};

// A new label carries the highlight up-left in white and the shadow down-right in
// silver, a black gradation start, and sizes itself to its text.
TEST_F(ShadowLabelTest, NewLabelDefaults) {
    TShadowLabel fresh;
    EXPECT_TRUE(fresh.Highlight().Visible());
    EXPECT_EQ(fresh.Highlight().Color(), clWhite);
    EXPECT_EQ(fresh.Highlight().OffsetLeft(), -1);
    EXPECT_EQ(fresh.Highlight().OffsetTop(), -1);
    EXPECT_TRUE(fresh.Shadow().Visible());
    EXPECT_EQ(fresh.Shadow().Color(), clSilver);
    EXPECT_EQ(fresh.Shadow().OffsetLeft(), 1);
    EXPECT_EQ(fresh.Shadow().OffsetTop(), 1);
    EXPECT_FALSE(fresh.Gradation());
    EXPECT_EQ(fresh.GradationColor(), clBlack);
    EXPECT_TRUE(fresh.AutoSize());
    EXPECT_FALSE(fresh.Transparent());
    EXPECT_TRUE(fresh.ShowAccelChar());
}

// The bar's outline: text over the highlight copy over the shadow copy, each copy at
// its own offset, every pixel accounted for.
TEST_F(ShadowLabelTest, ThreePassesInOrderAtTheirOffsets) {
    const auto mask = TextMask();
    label_->SetFontColor(RGBColor(255, 255, 0));
    label_->Highlight().SetVisible(true);
    label_->Highlight().SetColor(RGBColor(255, 0, 0));
    label_->Shadow().SetVisible(true);
    label_->Shadow().SetColor(RGBColor(0, 0, 255));
    ExpectPasses(Picture(), mask, 0xFFFF00, 0xFF0000, -1, -1, 0x0000FF, 1, 1);

    // Other offsets move only the copies.
    label_->Highlight().SetOffsetLeft(2);
    label_->Highlight().SetOffsetTop(0);
    label_->Shadow().SetOffsetLeft(0);
    label_->Shadow().SetOffsetTop(2);
    ExpectPasses(Picture(), mask, 0xFFFF00, 0xFF0000, 2, 0, 0x0000FF, 0, 2);
}

// The highlight lies over the shadow where both would fall on the same pixel.
TEST_F(ShadowLabelTest, HighlightCoversShadow) {
    const auto mask = TextMask();
    label_->Highlight().SetVisible(true);
    label_->Highlight().SetColor(RGBColor(255, 0, 0));
    label_->Highlight().SetOffsetLeft(1);
    label_->Highlight().SetOffsetTop(1);
    label_->Shadow().SetVisible(true);
    label_->Shadow().SetColor(RGBColor(0, 0, 255));
    // Same offset: the shadow is hidden completely under the highlight.
    ExpectPasses(Picture(), mask, 0xFFFFFF, 0xFF0000, 1, 1, 0x0000FF, 1, 1, true, false);
}

// A copy with both offsets at 0 lies under the text and cannot be seen.
TEST_F(ShadowLabelTest, ZeroOffsetCopyIsHidden) {
    const auto mask = TextMask();
    label_->Shadow().SetVisible(true);
    label_->Shadow().SetColor(RGBColor(0, 0, 255));
    label_->Shadow().SetOffsetLeft(0);
    label_->Shadow().SetOffsetTop(0);
    ExpectPasses(Picture(), mask, 0xFFFFFF, 0, 0, 0, 0x0000FF, 0, 0, false, false);
}

// Disabled: grey shadow, button-highlight copy and button-shadow text, whatever the
// properties say, and a pass whose Visible is off is still skipped.
TEST_F(ShadowLabelTest, DisabledColours) {
    const auto mask = TextMask();
    QPalette pal = QApplication::palette();
    const QPalette saved = pal;
    pal.setColor(QPalette::Active, QPalette::Light, QColor(0xEE, 0xDD, 0xCC));
    pal.setColor(QPalette::Active, QPalette::Dark, QColor(0x11, 0x22, 0x33));
    QApplication::setPalette(pal);
    label_->setFont(test::SharpFont(19));  // keep the font the mask was taken with
    label_->SetFontColor(RGBColor(255, 255, 0));
    label_->Highlight().SetVisible(true);
    label_->Highlight().SetColor(RGBColor(255, 0, 0));
    label_->Shadow().SetVisible(true);
    label_->Shadow().SetColor(RGBColor(0, 0, 255));
    label_->setEnabled(false);
    ExpectPasses(Picture(), mask, 0x112233, 0xEEDDCC, -1, -1, 0x808080, 1, 1);

    label_->Highlight().SetVisible(false);
    ExpectPasses(Picture(), mask, 0x112233, 0, -1, -1, 0x808080, 1, 1, false, true);
    QApplication::setPalette(saved);
}

// The gradation: the first column is exactly the start colour, every channel is
// truncated (never rounded), and the top row shows what lies beneath.
TEST_F(ShadowLabelTest, GradationColumnsTruncateAndSkipTopRow) {
    label_->SetCaption("");
    label_->SetAutoSize(false);
    label_->resize(100, 20);
    label_->SetTransparent(false);
    label_->SetGradation(true);
    label_->SetGradationColor(RGBColor(10, 200, 255));
    label_->SetColor(RGBColor(255, 0, 100));
    const QImage image = Picture();
    EXPECT_EQ(Rgb(image, 0, 1), 0x0AC8FFu);
    EXPECT_EQ(Rgb(image, 0, 19), 0x0AC8FFu);
    // x = 2: red 14.9, green 196, blue 251.9.
    EXPECT_EQ(Rgb(image, 2, 10), qRgb(14, 196, 251) & 0xFFFFFF);
    // x = 99: red 252.55, green 2, blue 101.55; the end colour is never reached.
    EXPECT_EQ(Rgb(image, 99, 10), qRgb(252, 2, 101) & 0xFFFFFF);
    for (int x = 0; x < 100; ++x) {
        ASSERT_EQ(Rgb(image, x, 0), kBack) << "column " << x;
        ASSERT_EQ(Rgb(image, x, 5), Rgb(image, x, 19)) << "column " << x;
    }
}

// A transparent label paints no background, even with the gradation on; an opaque one
// without gradation fills its whole area.
TEST_F(ShadowLabelTest, TransparentPaintsNoBackground) {
    label_->SetCaption("");
    label_->SetAutoSize(false);
    label_->resize(50, 20);
    label_->SetGradation(true);
    label_->SetColor(RGBColor(255, 0, 0));
    QImage image = Picture();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 50; ++x) ASSERT_EQ(Rgb(image, x, y), kBack);
    }
    label_->SetTransparent(false);
    label_->SetGradation(false);
    image = Picture();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 50; ++x) ASSERT_EQ(Rgb(image, x, y), 0xFF0000u);
    }
}

// Vertical layouts: centre shifts by (Height - h) / 2 truncated toward zero, so a text
// 5 pixels taller than the label moves up 2 pixels, not 3; bottom by Height - h. The
// text is clipped to its shifted rectangle, so a text moved up loses its bottom rows.
TEST_F(ShadowLabelTest, VerticalLayouts) {
    const auto mask = TextMask();
    const int h = static_cast<int>(mask.size());
    const int w = static_cast<int>(mask[0].size());
    label_->SetAutoSize(false);
    const auto expectShift = [&](int height, TTextLayout layout, int shift) {
        label_->resize(w, height);
        label_->SetLayout(layout);
        const QImage image = Picture();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool text = At(mask, x, y - shift) && y < height + shift;
                ASSERT_EQ(Rgb(image, x, y), text ? 0xFFFFFFu : kBack)
                    << "height " << height << " pixel " << x << "," << y;
            }
        }
    };
    expectShift(h - 5, TTextLayout::tlCenter, -2);
    expectShift(h + 7, TTextLayout::tlCenter, 3);
    expectShift(h + 7, TTextLayout::tlBottom, 7);
    expectShift(h + 7, TTextLayout::tlTop, 0);
}

// Auto-size measures the plain text: one line of the font, as wide as the text; the
// copies' offsets never enlarge the label. An empty caption is one blank wide.
TEST_F(ShadowLabelTest, AutoSizeFromPlainText) {
    const QFontMetrics metrics(label_->font());
    EXPECT_EQ(label_->height(), metrics.height());
    EXPECT_EQ(
        label_->width(),
        textdraw::Measure(label_->font(), "Agx&W", QRect(0, 0, 1, 1), textdraw::kNoPrefix).width());
    const QSize before = label_->size();
    label_->Shadow().SetOffsetLeft(5);
    label_->Highlight().SetOffsetTop(-6);
    EXPECT_EQ(label_->size(), before);

    label_->SetCaption("Agx&WAgx&W");
    EXPECT_GT(label_->width(), before.width());
    EXPECT_EQ(label_->height(), before.height());

    label_->SetCaption("");
    EXPECT_EQ(label_->height(), metrics.height());
    EXPECT_EQ(label_->width(),
              textdraw::Measure(label_->font(), " ", QRect(0, 0, 1, 1), 0).width());
    EXPECT_GT(label_->width(), 0);

    // Two lines are two line heights.
    label_->SetCaption("a\r\nb");
    EXPECT_EQ(label_->height(), 2 * metrics.height());

    // A right-aligned label keeps its right edge.
    label_->SetCaption("Agx");
    label_->SetAlignment(TAlignment::taRightJustify);
    const int right = label_->x() + label_->width();
    label_->SetCaption("Agx Agx Agx");
    EXPECT_EQ(label_->x() + label_->width(), right);
}

// "&" with prefixes on: a lone "&" is drawn as "& " (a blank appended), and "&&" shows
// one "&"; with prefixes off every "&" shows.
TEST_F(ShadowLabelTest, AmpersandHandling) {
    const QFont f = label_->font();
    const QRect any(0, 0, 1, 1);
    label_->SetShowAccelChar(true);
    label_->SetCaption("&");
    EXPECT_EQ(label_->width(), textdraw::Measure(f, "& ", any, 0).width());
    label_->SetCaption("a&&b");
    EXPECT_EQ(label_->width(), textdraw::Measure(f, "a&b", any, textdraw::kNoPrefix).width());
    label_->SetShowAccelChar(false);
    EXPECT_EQ(label_->width(), textdraw::Measure(f, "a&&b", any, textdraw::kNoPrefix).width());
    EXPECT_GT(textdraw::Measure(f, "a&&b", any, textdraw::kNoPrefix).width(),
              textdraw::Measure(f, "a&b", any, textdraw::kNoPrefix).width());
}

// A caption in code page 932 is shown as its Japanese characters.
TEST_F(ShadowLabelTest, JapaneseCaptionIsDecoded) {
    const std::string title = cp932::Literal("ココロ");
    label_->setFont(test::SharpFont(19, QStringLiteral("IPAPGothic")));
    label_->SetCaption(title);
    EXPECT_EQ(label_->Caption(), title);
    EXPECT_EQ(label_->width(),
              textdraw::Measure(label_->font(), QString::fromUtf8("ココロ"), QRect(0, 0, 1, 1), 0)
                  .width());
    const QImage image = Picture();
    int white = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) white += Rgb(image, x, y) == 0xFFFFFF;
    EXPECT_GT(white, 20);
}

// Setters repaint only on a real change, the copies' setters included.
TEST_F(ShadowLabelTest, RepaintOnlyOnRealChange) {
    parent_->show();
    test::Flush();
    test::PaintCounter paints(label_);
    const auto paintsAfter = [&](auto change) {
        paints.count = 0;
        change();
        test::Flush();
        return paints.count;
    };
    const TColor colour = label_->Highlight().Color();
    EXPECT_EQ(paintsAfter([&] { label_->Highlight().SetColor(colour); }), 0);
    EXPECT_GE(paintsAfter([&] { label_->Highlight().SetColor(RGBColor(1, 2, 3)); }), 1);
    EXPECT_EQ(paintsAfter([&] { label_->Shadow().SetOffsetLeft(1); }), 0);
    EXPECT_GE(paintsAfter([&] { label_->Shadow().SetOffsetLeft(2); }), 1);
    EXPECT_EQ(paintsAfter([&] { label_->SetGradationColor(clBlack); }), 0);
    EXPECT_GE(paintsAfter([&] { label_->SetGradationColor(clBlue); }), 1);
    EXPECT_EQ(paintsAfter([&] { label_->SetCaption("Agx&W"); }), 0);
    EXPECT_GE(paintsAfter([&] { label_->SetCaption("other"); }), 1);
    EXPECT_EQ(paintsAfter([&] { label_->SetFontColor(clWhite); }), 0);
    EXPECT_EQ(paintsAfter([&] { label_->SetHighlight(nullptr); }), 0);
}

// Assigning copies the four values into the owned object, never replacing it, and
// reports one change; the source's own callback is not taken over.
TEST(ShadowTest, AssignCopiesValuesAndReportsOnce) {
    test::App();
    TShadow source;
    source.SetVisible(false);
    source.SetColor(RGBColor(9, 8, 7));
    source.SetOffsetLeft(-3);
    source.SetOffsetTop(4);
    int sourceCalls = 0;
    source.OnChange = [&](TShadow*) { ++sourceCalls; };

    TShadowLabel label;
    TShadow* owned = &label.Shadow();
    int calls = 0;
    TShadow* sender = nullptr;
    owned->OnChange = [&](TShadow* s) {
        ++calls;
        sender = s;
    };
    label.SetShadow(&source);
    EXPECT_EQ(&label.Shadow(), owned);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sender, owned);
    EXPECT_EQ(sourceCalls, 0);
    EXPECT_FALSE(owned->Visible());
    EXPECT_EQ(owned->Color(), RGBColor(9, 8, 7));
    EXPECT_EQ(owned->OffsetLeft(), -3);
    EXPECT_EQ(owned->OffsetTop(), 4);

    // Each setter reports only a real change.
    owned->SetColor(RGBColor(9, 8, 7));
    owned->SetVisible(false);
    EXPECT_EQ(calls, 1);
    owned->SetOffsetTop(5);
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace lintel
