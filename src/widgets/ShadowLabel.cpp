#include "widgets/ShadowLabel.h"

#include <QEvent>
#include <QPainter>

#include "widgets/Accessible.h"
#include "widgets/QtText.h"
#include "widgets/TextDraw.h"

namespace lintel {

// ---- TShadow ----

void TShadow::SetVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value;
    Changed();
}

void TShadow::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    Changed();
}

void TShadow::SetOffsetLeft(int value) {
    if (value == offsetLeft_)
        return;
    offsetLeft_ = value;
    Changed();
}

void TShadow::SetOffsetTop(int value) {
    if (value == offsetTop_)
        return;
    offsetTop_ = value;
    Changed();
}

void TShadow::Assign(const TShadow& source) {
    visible_ = source.visible_;
    color_ = source.color_;
    offsetLeft_ = source.offsetLeft_;
    offsetTop_ = source.offsetTop_;
    Changed();
}

void TShadow::Changed() {
    if (OnChange)
        OnChange(this);
}

// ---- TShadowLabel ----

TShadowLabel::TShadowLabel(QWidget* parent) : QWidget(parent) {
    InstallAccessibleInterfaces();
    resize(65, 17);
    highlight_.SetColor(clWhite);
    highlight_.SetOffsetLeft(-1);
    highlight_.SetOffsetTop(-1);
    shadow_.SetColor(clSilver);
    const auto repaint = [this](TShadow*) { update(); };
    highlight_.OnChange = repaint;
    shadow_.OnChange = repaint;
    AdjustBounds();
}

TShadowLabel::~TShadowLabel() {
    highlight_.OnChange = nullptr;
    shadow_.OnChange = nullptr;
}

void TShadowLabel::SetCaption(const std::string& value) {
    if (value == caption_)
        return;
    const QString spokenBefore = SpokenText();
    caption_ = value;
    text_ = FromCp932(caption_);
    AdjustBounds();
    update();
    NotifyNameAndText(this, spokenBefore, SpokenText());
}

QString TShadowLabel::SpokenText() const {
    qsizetype end = text_.size();
    while (end > 0 && text_[end - 1] == QLatin1Char(' ')) --end;
    return text_.left(end);
}

void TShadowLabel::SetAlignment(TAlignment value) {
    if (value == alignment_)
        return;
    alignment_ = value;
    update();
}

void TShadowLabel::SetLayout(TTextLayout value) {
    if (value == layout_)
        return;
    layout_ = value;
    update();
}

void TShadowLabel::SetWordWrap(bool value) {
    if (value == wordWrap_)
        return;
    wordWrap_ = value;
    AdjustBounds();
    update();
}

void TShadowLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_)
        return;
    showAccelChar_ = value;
    AdjustBounds();
    update();
}

void TShadowLabel::SetTransparent(bool value) {
    if (value == transparent_)
        return;
    transparent_ = value;
    update();
}

void TShadowLabel::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    AdjustBounds();
}

void TShadowLabel::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    update();
}

void TShadowLabel::SetFontColor(TColor value) {
    if (value == fontColor_)
        return;
    fontColor_ = value;
    update();
}

void TShadowLabel::SetGradation(bool value) {
    if (value == gradation_)
        return;
    gradation_ = value;
    update();
}

void TShadowLabel::SetGradationColor(TColor value) {
    if (value == gradationColor_)
        return;
    gradationColor_ = value;
    update();
}

void TShadowLabel::SetHighlight(const TShadow* source) {
    if (source == nullptr)
        return;
    highlight_.Assign(*source);
    update();
}

void TShadowLabel::SetShadow(const TShadow* source) {
    if (source == nullptr)
        return;
    shadow_.Assign(*source);
    update();
}

QString TShadowLabel::DrawnText() const {
    if (text_.isEmpty() || (showAccelChar_ && text_ == u"&")) {
        return text_ + u' ';
    }
    return text_;
}

unsigned TShadowLabel::TextFlags() const {
    unsigned flags = textdraw::kExpandTabs;
    switch (alignment_) {
        case TAlignment::taLeftJustify:
            flags |= textdraw::kLeft;
            break;
        case TAlignment::taRightJustify:
            flags |= textdraw::kRight;
            break;
        case TAlignment::taCenter:
            flags |= textdraw::kCenter;
            break;
    }
    if (wordWrap_)
        flags |= textdraw::kWordBreak;
    if (!showAccelChar_)
        flags |= textdraw::kNoPrefix;
    return flags;
}

void TShadowLabel::AdjustBounds() {
    if (!autoSize_)
        return;
    const QRect measured = textdraw::Measure(font(), DrawnText(), rect(),
                                             TextFlags() & ~(textdraw::kCenter | textdraw::kRight));
    int left = x();
    if (alignment_ == TAlignment::taRightJustify) {
        left += width() - measured.width();
    }
    setGeometry(left, y(), measured.width(), measured.height());
}

void TShadowLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QString text = DrawnText();
    const unsigned flags = TextFlags();
    const int w = width();
    const int h = height();

    if (!transparent_) {
        if (gradation_) {
            const QColor start = ColorToQColor(gradationColor_);
            const QColor end = ColorToQColor(color_);
            const int sr = start.red(), sg = start.green(), sb = start.blue();
            const auto dr = static_cast<std::int16_t>(end.red() - sr);
            const auto dg = static_cast<std::int16_t>(end.green() - sg);
            const auto db = static_cast<std::int16_t>(end.blue() - sb);
            for (int x = 0; x < w; ++x) {
                const double t = static_cast<double>(x) / w;
                // Truncated toward zero, so the right edge only approaches the end colour.
                const QColor c(static_cast<int>(sr + dr * t), static_cast<int>(sg + dg * t),
                               static_cast<int>(sb + db * t));
                // The top row is left to whatever lies beneath the label.
                painter.fillRect(QRect(x, 1, 1, h - 1), c);
            }
        } else {
            painter.fillRect(rect(), ColorToQColor(color_));
        }
    }

    const QFont f = font();
    const int textHeight = textdraw::Measure(f, text, rect(), flags).height();
    QRect r = rect();
    switch (layout_) {
        case TTextLayout::tlTop:
            break;
        case TTextLayout::tlCenter:
            r.translate(0, (h - textHeight) / 2);
            break;
        case TTextLayout::tlBottom:
            r.translate(0, h - textHeight);
            break;
    }
    const QRect hr = r.translated(highlight_.OffsetLeft(), highlight_.OffsetTop());
    const QRect sr = r.translated(shadow_.OffsetLeft(), shadow_.OffsetTop());

    QColor shadowColor, highlightColor, textColor;
    if (isEnabled()) {
        shadowColor = ColorToQColor(shadow_.Color());
        highlightColor = ColorToQColor(highlight_.Color());
        textColor = ColorToQColor(fontColor_);
    } else {
        shadowColor = ColorToQColor(clGray);
        highlightColor = ColorToQColor(clBtnHighlight);
        textColor = ColorToQColor(clBtnShadow);
    }

    if (shadow_.Visible()) {
        textdraw::Draw(painter, f, text, sr, flags, shadowColor);
    }
    if (highlight_.Visible()) {
        textdraw::Draw(painter, f, text, hr, flags, highlightColor);
    }
    textdraw::Draw(painter, f, text, r, flags, textColor);
}

void TShadowLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        AdjustBounds();
        update();
    }
    QWidget::changeEvent(event);
}

void TShadowLabel::mousePressEvent(QMouseEvent* event) {
    Press(this, event);
}
void TShadowLabel::mouseMoveEvent(QMouseEvent* event) {
    Move(this, event);
}
void TShadowLabel::mouseReleaseEvent(QMouseEvent* event) {
    Release(this, event);
}
void TShadowLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    DoubleClick(this, event);
}

}  // namespace lintel
