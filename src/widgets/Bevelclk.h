// A bevel (a decorative frame or line) that also reports mouse presses and double
// clicks to its owner; the bar's operation panel uses one as its drag grip.
#pragma once

#include <QWidget>

#include "widgets/Events.h"

namespace lintel {

enum class TBevelShape {
    bsBox,
    bsFrame,
    bsTopLine,
    bsBottomLine,
    bsLeftLine,
    bsRightLine,
    bsSpacer
};
enum class TBevelStyle { bsLowered, bsRaised };

class TBevelclk : public QWidget {
public:
    explicit TBevelclk(QWidget* parent = nullptr);

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);
    /// Tooltip text in code page 932.
    void SetHint(const std::string& hint);

    /// A mouse button pressed over the bevel; the second press of a double click comes
    /// after OnDblClick, with ssDouble.
    TMouseEvent OnMouseDown;
    /// A double click of the left button.
    TNotifyEvent OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TBevelShape shape_ = TBevelShape::bsBox;
    TBevelStyle style_ = TBevelStyle::bsLowered;
};

}  // namespace lintel
