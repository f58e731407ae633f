#include "widgets/TextGauges.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/Cp932.h"
#include "widgets/Accessible.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

constexpr QRgb kRgbMask = 0x00FFFFFF;

// The range message, with the bounds a valid value must lie between.
EInvalidOperation RangeError(std::int64_t low, std::int64_t high) {
    return EInvalidOperation(std::to_string(low) + cp932::Literal(" から ") + std::to_string(high) +
                             cp932::Literal(" の間の値でなければなりません"));
}

// image := image XOR layer, colour channels only. Black in the layer leaves the image
// alone; white inverts it exactly.
void XorInto(QImage& image, const QImage& layer) {
    for (int y = 0; y < image.height(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            dst[x] = 0xFF000000 | ((dst[x] ^ src[x]) & kRgbMask);
        }
    }
}

// A filled rectangle given by its edges, right and bottom excluded.
void FillEdges(QPainter& p, int left, int top, int right, int bottom, const QColor& c) {
    if (right > left && bottom > top) {
        p.fillRect(QRect(left, top, right - left, bottom - top), c);
    }
}

// The direction of (x, y) seen from (cx, cy), in degrees counter-clockwise from the
// positive x axis (screen y grows downwards).
double AngleOf(double cx, double cy, double x, double y) {
    return std::atan2(cy - y, x - cx) * 180.0 / std::numbers::pi;
}

// A wedge of the ellipse bounded by (left, top, right, bottom), right and bottom
// excluded, from the radial through (x1, y1) counter-clockwise to the radial through
// (x2, y2); equal radials give the whole ellipse.
void DrawWedge(QPainter& p, int left, int top, int right, int bottom, int x1, int y1, int x2,
               int y2) {
    const double cx = (left + right) / 2.0;
    const double cy = (top + bottom) / 2.0;
    const double start = AngleOf(cx, cy, x1, y1);
    double span = AngleOf(cx, cy, x2, y2) - start;
    while (span <= 1e-9) span += 360.0;
    if (span > 360.0)
        span = 360.0;
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    p.drawPie(box, static_cast<int>(std::lround(start * 16)),
              static_cast<int>(std::lround(span * 16)));
}

// Round to nearest, ties to even.
int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

}  // namespace

int GaugeSize(int percent, int n) {
    return static_cast<int>(n * (percent * 0.01));
}

void TBltBitmap::MakeLike(const QImage& model) {
    *static_cast<QImage*>(this) = QImage(model.size(), QImage::Format_RGB32);
    fill(ColorToQColor(clWindowFrame));
}

TTextGauge::TTextGauge(QWidget* parent) : QWidget(parent) {
    InstallAccessibleInterfaces();
    // The gauge paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

void TTextGauge::Refresh() {
    if (!isVisible() || shown_.isNull() || shown_.size() != size()) {
        shown_ = QImage();
        update();
        return;
    }
    QImage next = Picture();
    // The bounding box of the pixels that differ.
    int left = next.width(), right = -1, top = next.height(), bottom = -1;
    for (int y = 0; y < next.height(); ++y) {
        const auto* was = reinterpret_cast<const QRgb*>(shown_.constScanLine(y));
        const auto* now = reinterpret_cast<const QRgb*>(next.constScanLine(y));
        for (int x = 0; x < next.width(); ++x) {
            if (was[x] != now[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    shown_ = std::move(next);
    if (right >= 0)
        update(QRect(QPoint(left, top), QPoint(right, bottom)));
}

void TTextGauge::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    Refresh();
}

void TTextGauge::SetText(const std::string& value) {
    if (value == text_)
        return;
    text_ = value;
    Refresh();
    QAccessibleEvent name(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&name);
    QAccessibleValueChangeEvent changed(this, Progress() / valueScale_);
    QAccessible::updateAccessibility(&changed);
}

void TTextGauge::SetKind(TGaugeKind value) {
    if (value == kind_)
        return;
    kind_ = value;
    Refresh();
}

void TTextGauge::SetShowText(bool value) {
    if (value == showText_)
        return;
    showText_ = value;
    Refresh();
}

void TTextGauge::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_)
        return;
    borderStyle_ = value;
    Refresh();
}

void TTextGauge::SetForeColor(TColor value) {
    if (value == foreColor_)
        return;
    foreColor_ = value;
    Refresh();
}

void TTextGauge::SetBackColor(TColor value) {
    if (value == backColor_)
        return;
    backColor_ = value;
    Refresh();
}

void TTextGauge::SetMinValue(std::int32_t value) {
    if (value == minValue_)
        return;
    if (value > maxValue_ && !loading_) {
        throw RangeError(-2147483647, static_cast<std::int64_t>(maxValue_) - 1);
    }
    minValue_ = value;
    if (progress_ < value)
        progress_ = value;
    Refresh();
}

void TTextGauge::SetMaxValue(std::int32_t value) {
    if (value == maxValue_)
        return;
    if (value < minValue_ && !loading_) {
        throw RangeError(static_cast<std::int64_t>(minValue_) + 1, 2147483647);
    }
    maxValue_ = value;
    if (progress_ > value)
        progress_ = value;
    Refresh();
}

void TTextGauge::SetProgress(std::int32_t value) {
    // While loading the bounds may be crossed, so clamp to the minimum last.
    if (value > maxValue_)
        value = maxValue_;
    if (value < minValue_)
        value = minValue_;
    if (value == progress_)
        return;
    const int before = PercentDone();
    progress_ = value;
    if (PercentDone() != before)
        Refresh();
}

int TTextGauge::PercentOf(std::int32_t progress, std::int32_t min, std::int32_t max) {
    if (max == min)
        return 0;
    // In floating point: the differences of two 32-bit values overflow 32 bits.
    const double done =
        (static_cast<double>(progress) - min) * 100.0 / (static_cast<double>(max) - min);
    return static_cast<int>(done);
}

int TTextGauge::PercentDone() const {
    return PercentOf(progress_, minValue_, maxValue_);
}

QRect TTextGauge::InnerRect() const {
    QRect r = rect();
    if (borderStyle_ == TBorderStyle::bsSingle) {
        r.adjust(1, 1, -1, -1);
    }
    return r;
}

void TTextGauge::DrawKind(QImage& overlay, const QRect& r) const {
    QPainter p(&overlay);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Edges as exclusive coordinates, the way the rules below count them.
    const int left = r.left();
    const int top = r.top();
    const int right = r.left() + r.width();
    const int bottom = r.top() + r.height();
    const int percent = PercentDone();
    const bool single = borderStyle_ == TBorderStyle::bsSingle;
    const QColor fore = ColorToQColor(foreColor_);
    const QColor back = ColorToQColor(backColor_);
    const QColor face = ColorToQColor(color_);

    switch (kind_) {
        case TGaugeKind::gkText:
            FillEdges(p, left, top, right, bottom, back);
            break;
        case TGaugeKind::gkHorizontalBar: {
            const int w = right - left + 1;
            const int h = bottom - top + 1;
            FillEdges(p, left, top, right, bottom, back);
            int filled = GaugeSize(percent, w);
            if (filled > w)
                filled = w;
            if (filled >= 1)
                FillEdges(p, left, top, filled, h, fore);
            break;
        }
        case TGaugeKind::gkVerticalBar: {
            const int w = right - left + 1;
            const int h = bottom - top + 1;
            FillEdges(p, left, top, right, bottom, back);
            int filled = GaugeSize(percent, h);
            if (filled >= h)
                filled = h - 1;
            FillEdges(p, left, h - filled, w, h, fore);
            break;
        }
        case TGaugeKind::gkPie: {
            const int w = right - left + (single ? 1 : 0);
            const int h = bottom - top + (single ? 1 : 0);
            FillEdges(p, left, top, right, bottom, face);
            p.setPen(QPen(fore, 1));
            p.setBrush(back);
            p.drawEllipse(QRect(left, top, w - left - 1, h - top - 1));
            if (percent > 0) {
                p.setBrush(fore);
                const int mx = w / 2;
                const int my = h / 2;
                const double a = std::numbers::pi * (percent * 0.02 + 0.5);
                DrawWedge(p, left, top, w, h, RoundEven(mx * (1 - std::cos(a))),
                          RoundEven(my * (1 - std::sin(a))), mx, 0);
            }
            break;
        }
        case TGaugeKind::gkNeedle: {
            const int x = left;
            const int y = top;
            const int w = right - left + (single ? 1 : 0);
            const int h = bottom - top + (single ? 1 : 0);
            FillEdges(p, left, top, right, bottom, face);
            p.setPen(QPen(fore, 1));
            p.setBrush(back);
            DrawWedge(p, x, y, w, 2 * h - 1, x + w, bottom - 1, x, bottom - 1);
            // A line's end point is not drawn.
            if (w > 0)
                p.drawLine(x, bottom, x + w - 1, bottom);
            if (percent > 0) {
                const int mx = width() / 2;
                const double a = std::numbers::pi * percent * 0.01;
                p.drawLine(mx, bottom - 1, RoundEven(mx * (1 - std::cos(a))),
                           RoundEven((bottom - 1) * (1 - std::sin(a))));
            }
            break;
        }
    }
}

void TTextGauge::DrawCaption(QImage& image, const QRect& r) const {
    TBltBitmap caption;
    caption.MakeLike(image);
    caption.fill(Qt::black);
    {
        QPainter p(&caption);
        // Every caption pixel must be pure white so that the XOR inverts exactly.
        QFont f = font();
        f.setStyleStrategy(QFont::NoAntialias);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setFont(f);
        p.setPen(Qt::white);
        const QString text = FromCp932(text_);
        const QFontMetrics metrics(f);
        const int x = (r.width() + 1 - metrics.horizontalAdvance(text)) / 2;
        const int y = (r.height() + 1 - metrics.height()) / 2;
        p.setClipRect(r);
        p.drawText(QPoint(x, y + metrics.ascent()), text);
    }
    XorInto(image, caption);
}

QImage TTextGauge::Picture() const {
    // The settings allow a width or height of 0: nothing to draw then.
    if (width() <= 0 || height() <= 0)
        return QImage();
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    const QRect r = InnerRect();
    TBltBitmap overlay;
    overlay.MakeLike(image);
    overlay.fill(Qt::black);
    DrawKind(overlay, r);
    // The image is black, so this makes it the overlay; a frame's rim stays black.
    XorInto(image, overlay);
    if (showText_)
        DrawCaption(image, r);
    return image;
}

void TTextGauge::paintEvent(QPaintEvent* event) {
    if (shown_.isNull() || shown_.size() != size())
        shown_ = Picture();
    if (shown_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), shown_, event->rect());
}

void TTextGauge::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        shown_ = QImage();
        update();
    }
    QWidget::changeEvent(event);
}

void TTextGauge::mousePressEvent(QMouseEvent* event) {
    Press(this, event);
}
void TTextGauge::mouseMoveEvent(QMouseEvent* event) {
    Move(this, event);
}
void TTextGauge::mouseReleaseEvent(QMouseEvent* event) {
    Release(this, event);
}
void TTextGauge::mouseDoubleClickEvent(QMouseEvent* event) {
    DoubleClick(this, event);
}

}  // namespace lintel
