#include "widgets/Bevelclk.h"

#include <QPainter>

#include "widgets/QtText.h"
#include "widgets/SystemColors.h"

namespace lintel {
namespace {

// Two sides of a box in `first` (left and top) and two in `second` (right and bottom),
// the corners given inclusive.
void BevelRect(QPainter& p, const QRect& r, const QColor& first, const QColor& second) {
    p.setPen(first);
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.setPen(second);
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
}

}  // namespace

TBevelclk::TBevelclk(QWidget* parent) : QWidget(parent) {
    resize(50, 50);
}

void TBevelclk::SetShape(TBevelShape value) {
    if (value == shape_)
        return;
    shape_ = value;
    update();
}

void TBevelclk::SetStyle(TBevelStyle value) {
    if (value == style_)
        return;
    style_ = value;
    update();
}

void TBevelclk::SetHint(const std::string& hint) {
    setToolTip(FromCp932(hint));
}

void TBevelclk::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor light = ColorToQColor(clBtnHighlight);
    const QColor dark = ColorToQColor(clBtnShadow);
    // A raised bevel is lit from the top left, a lowered one from the bottom right.
    const QColor first = style_ == TBevelStyle::bsRaised ? light : dark;
    const QColor second = style_ == TBevelStyle::bsRaised ? dark : light;
    const int w = width();
    const int h = height();
    switch (shape_) {
        case TBevelShape::bsBox:
            BevelRect(p, QRect(0, 0, w, h), first, second);
            break;
        case TBevelShape::bsFrame:
            // An etched frame: two boxes of opposite lighting, one pixel apart.
            BevelRect(p, QRect(1, 1, w - 1, h - 1), second, second);
            BevelRect(p, QRect(0, 0, w - 1, h - 1), first, first);
            break;
        case TBevelShape::bsTopLine:
            p.fillRect(QRect(0, 0, w, 1), first);
            p.fillRect(QRect(0, 1, w, 1), second);
            break;
        case TBevelShape::bsBottomLine:
            p.fillRect(QRect(0, h - 2, w, 1), first);
            p.fillRect(QRect(0, h - 1, w, 1), second);
            break;
        case TBevelShape::bsLeftLine:
            p.fillRect(QRect(0, 0, 1, h), first);
            p.fillRect(QRect(1, 0, 1, h), second);
            break;
        case TBevelShape::bsRightLine:
            p.fillRect(QRect(w - 2, 0, 1, h), first);
            p.fillRect(QRect(w - 1, 0, 1, h), second);
            break;
        case TBevelShape::bsSpacer:
            break;
    }
}

void TBevelclk::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) {
        const QPoint pos = event->position().toPoint();
        OnMouseDown(this, ButtonOf(*event), ShiftOf(*event), pos.x(), pos.y());
    }
}

void TBevelclk::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick && event->button() == Qt::LeftButton)
        OnDblClick(this);
    if (OnMouseDown) {
        const QPoint pos = event->position().toPoint();
        OnMouseDown(this, ButtonOf(*event), ShiftOf(*event) | ssDouble, pos.x(), pos.y());
    }
}

}  // namespace lintel
