// The outlined text label of the bar: its caption painted up to three times, a shadow
// copy, a highlight copy and the text itself, optionally over a horizontal gradation.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "widgets/Events.h"
#include "widgets/SystemColors.h"

namespace lintel {

/// One shifted copy of a label's text: whether it is drawn, its colour and its shift.
/// Every setter compares first and reports a real change through OnChange.
class TShadow {
public:
    TShadow() = default;
    TShadow(const TShadow&) = delete;
    TShadow& operator=(const TShadow&) = delete;

    bool Visible() const { return visible_; }
    TColor Color() const { return color_; }
    int OffsetLeft() const { return offsetLeft_; }
    int OffsetTop() const { return offsetTop_; }

    void SetVisible(bool value);
    void SetColor(TColor value);
    /// Horizontal shift in pixels, positive to the right.
    void SetOffsetLeft(int value);
    /// Vertical shift in pixels, positive downwards.
    void SetOffsetTop(int value);

    /// Copies the four values of `source` (not its OnChange) and then reports one change,
    /// whether or not anything differed.
    void Assign(const TShadow& source);

    /// Called with this object after any of the four values changed.
    std::function<void(TShadow* sender)> OnChange;

private:
    void Changed();

    bool visible_ = true;
    TColor color_ = clSilver;
    int offsetLeft_ = 1;
    int offsetTop_ = 1;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

/// A text label whose caption (code page 932 bytes) is drawn with a shadow copy, then a
/// highlight copy, then the text on top. Auto-size measures the plain text only: the
/// copies' offsets never enlarge the label.
class TShadowLabel : public QWidget, public TMouseEvents {
public:
    explicit TShadowLabel(QWidget* parent = nullptr);
    ~TShadowLabel() override;

    const std::string& Caption() const { return caption_; }
    /// A change of the spoken text is announced to assistive technology.
    void SetCaption(const std::string& value);
    /// The caption as a screen reader hears it: the blanks that pad it are dropped.
    QString SpokenText() const;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    /// On: "&x" underlines x and "&&" shows one "&". Off: every "&" is shown.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    /// A transparent label paints no background at all, not even the gradation.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    /// On: the label takes the size of its text whenever the text or the font changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    /// Background colour, and the colour the gradation runs towards.
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    /// Colour of the text itself (the label's font colour).
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);

    bool Gradation() const { return gradation_; }
    void SetGradation(bool value);
    /// Colour of the gradation's leftmost column.
    TColor GradationColor() const { return gradationColor_; }
    void SetGradationColor(TColor value);

    /// The owned copies; changing them repaints the label.
    TShadow& Highlight() { return highlight_; }
    TShadow& Shadow() { return shadow_; }
    const TShadow& Highlight() const { return highlight_; }
    const TShadow& Shadow() const { return shadow_; }
    /// Copies `source` into the owned object and repaints; a null source is ignored.
    void SetHighlight(const TShadow* source);
    void SetShadow(const TShadow* source);

    /// Resizes the label to its text when AutoSize is on; a right-aligned label keeps
    /// its right edge.
    void AdjustBounds();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    /// The caption as drawn and measured: an empty caption, or a lone "&" that would
    /// vanish as a prefix, gets one blank so it still has the height of a line.
    QString DrawnText() const;
    unsigned TextFlags() const;

    std::string caption_;
    QString text_;  // caption_ decoded once
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    bool autoSize_ = true;
    TColor color_ = clBtnFace;
    TColor fontColor_ = clWindowText;
    bool gradation_ = false;
    TColor gradationColor_ = clBlack;
    TShadow highlight_;
    TShadow shadow_;
};

}  // namespace lintel
