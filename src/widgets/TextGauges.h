// The time gauge: a value between a minimum and a maximum shown as a bar, a pie or a
// needle, with a caption whose pixels invert whatever lies beneath them.
#pragma once

#include <QImage>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "widgets/Events.h"
#include "widgets/SystemColors.h"

namespace lintel {

/// A property given a value it cannot take. what() is the message in code page 932.
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum class TBorderStyle { bsNone, bsSingle };

/// An off-screen picture made the size of another and filled with the window-frame
/// colour, which is what every layer of the gauge starts from before it is cleared.
class TBltBitmap : public QImage {
public:
    void MakeLike(const QImage& model);
};

class TTextGauge : public QWidget, public TMouseEvents {
public:
    explicit TTextGauge(QWidget* parent = nullptr);

    /// Colour outside the dial of the pie and needle kinds.
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    /// The caption, code page 932 bytes; the gauge never formats it itself.
    const std::string& Text() const { return text_; }
    /// A change of the caption is announced to assistive technology, with the value; a
    /// change of Progress alone is not.
    void SetText(const std::string& value);
    TGaugeKind Kind() const { return kind_; }
    void SetKind(TGaugeKind value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool value);
    /// bsSingle draws a one-pixel black frame and keeps everything else inside it.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    /// Filled part, dial outline and needle.
    TColor ForeColor() const { return foreColor_; }
    void SetForeColor(TColor value);
    /// Empty part and dial face.
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value);

    std::int32_t MinValue() const { return minValue_; }
    /// Throws EInvalidOperation, changing nothing, when `value` exceeds MaxValue (unless
    /// loading). Raises Progress to the new minimum when it lay below.
    void SetMinValue(std::int32_t value);
    std::int32_t MaxValue() const { return maxValue_; }
    /// Throws EInvalidOperation, changing nothing, when `value` is below MinValue (unless
    /// loading). Lowers Progress to the new maximum when it lay above.
    void SetMaxValue(std::int32_t value);
    std::int32_t Progress() const { return progress_; }
    /// Clamps `value` into MinValue..MaxValue and stores it; repaints only when the
    /// whole percentage changes, so a gauge fed in milliseconds repaints rarely.
    void SetProgress(std::int32_t value);

    /// While loading, MinValue and MaxValue may be set in any order without the range
    /// checks; Progress is still clamped to whatever range results.
    void SetLoading(bool loading) { loading_ = loading; }

    /// How many steps of Progress make one unit of the value a screen reader hears (the
    /// bar feeds milliseconds and speaks seconds); at least 1.
    std::int32_t ValueScale() const { return valueScale_; }
    void SetValueScale(std::int32_t steps) { valueScale_ = std::max<std::int32_t>(steps, 1); }

    bool Loading() const { return loading_; }

    /// trunc((Progress - MinValue) * 100 / (MaxValue - MinValue)), or 0 for an empty
    /// range.
    int PercentDone() const;

    /// The whole gauge as it paints itself; a null image when it has no area.
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    static int PercentOf(std::int32_t progress, std::int32_t min, std::int32_t max);
    /// Shows a change of state: a shown gauge repaints only the pixels that differ from
    /// the picture on screen (a tick while playing changes a digit or a column or two).
    void Refresh();
    QRect InnerRect() const;
    void DrawKind(QImage& overlay, const QRect& r) const;
    void DrawCaption(QImage& image, const QRect& r) const;

    TColor color_ = clWindow;
    std::string text_;
    TGaugeKind kind_ = TGaugeKind::gkHorizontalBar;
    bool showText_ = true;
    std::int32_t valueScale_ = 1;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    TColor foreColor_ = clBlack;
    TColor backColor_ = clWhite;
    std::int32_t minValue_ = 0;
    std::int32_t maxValue_ = 100;
    std::int32_t progress_ = 0;
    bool loading_ = false;
    QImage shown_;  ///< the picture last painted, or null when it must be made anew
};

/// trunc(n * (percent * 0.01)): how many of n pixels a percentage covers.
int GaugeSize(int percent, int n);

}  // namespace lintel
