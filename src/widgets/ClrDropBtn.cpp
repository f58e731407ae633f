#include "widgets/ClrDropBtn.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QWindow>
#include <cstdio>

#include "titles/IniStore.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

constexpr std::string_view kColorsSection = "Colors";
constexpr int kCustomCount = 16;
// The width the arrow part takes at the right of the swatch, and the x from the button's
// right at which a click counts as one on the arrow.
constexpr int kArrowPart = 10;
constexpr int kArrowClickWidth = 13;

// Custom colour k (0..15) of the stored list: (1,1), (1,2), (2,1), (2,2) ... (8,2).
int StoredX(int k) {
    return k / 2 + 1;
}
int StoredY(int k) {
    return k % 2 + 1;
}

// A down-pointing arrow five pixels wide and three high, its top-left corner at `at`.
void Arrow(QPainter& p, QPoint at, TColor color) {
    const QColor c = ColorToQColor(color);
    for (int row = 0; row < 3; ++row)
        p.fillRect(QRect(at.x() + row, at.y() + row, 5 - 2 * row, 1), c);
}

}  // namespace

TColorDropButton::TColorDropButton(QWidget* parent)
    : QPushButton(parent),
      paletteColors_(DefaultPaletteColors()),
      customColors_(DefaultCustomColors()),
      paletteIndex_(FirstIndexOf(color_)) {
    resize(45, 22);
    connect(this, &QPushButton::clicked, this, [this] { Click(); });
}

TColorDropButton::~TColorDropButton() {
    if (palette_) {
        // The palette goes with the button; its answers must not reach a half-destroyed one.
        palette_->OnClosed = nullptr;
        palette_->OnColorChosen = nullptr;
        customColors_ = palette_->CustomColors();
        delete palette_.data();
        RestoreTopmostWindows();
    }
    SaveCustomColors();
}

void TColorDropButton::SetPaletteColors(const TColorArrayClass& value) {
    paletteColors_.Assign(value);
    paletteIndex_ = FirstIndexOf(color_);
}

void TColorDropButton::SetCustomColors(const TColorArrayClass& value) {
    customColors_ = Fitted(value, 8, 2, clWhite);
}

int TColorDropButton::FirstIndexOf(TColor value) const {
    for (int i = 1; i <= paletteColors_.Count(); ++i)
        if (paletteColors_.Get(i) == value)
            return i;
    return 0;
}

void TColorDropButton::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    paletteIndex_ = FirstIndexOf(value);
    update();
    ColorChanged();
}

void TColorDropButton::SetPaletteIndex(int value) {
    if (value < 0 || value > paletteColors_.Count() || value == paletteIndex_)
        return;
    color_ = value >= 1 ? paletteColors_.Get(value) : otherColor_;
    paletteIndex_ = value;
    update();
    ColorChanged();
}

void TColorDropButton::ColorChanged() {
    if (OnColorChange)
        OnColorChange(this);
}

void TColorDropButton::ResetColors() {
    paletteColors_ = DefaultPaletteColors();
    customColors_ = DefaultCustomColors();
    otherColor_ = clBtnFace;
    paletteIndex_ = FirstIndexOf(color_);
    update();
}

void TColorDropButton::Click() {
    if (suppressNextClick_) {
        suppressNextClick_ = false;
        return;
    }
    // A click that reaches the button before the palette lost its activation closes it.
    if (palette_) {
        palette_->close();
        return;
    }
    if (cycleColors_) {
        const int x = clickX_ ? *clickX_ : mapFromGlobal(QCursor::pos()).x();
        if (x <= width() - kArrowClickWidth) {
            SetPaletteIndex(paletteIndex_ >= paletteColors_.Count() ? 0 : paletteIndex_ + 1);
            return;
        }
    }
    DropDown();
}

void TColorDropButton::LowerTopmostWindows() {
    // The program's windows that stay on top (the settings dialog among them) step back
    // while the palette is open, so the colour dialog it opens is not hidden behind them.
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && window->flags().testFlag(Qt::WindowStaysOnTopHint)) {
            window->setFlag(Qt::WindowStaysOnTopHint, false);
            loweredTopmost_.emplace_back(window);
        }
    }
}

void TColorDropButton::RestoreTopmostWindows() {
    for (const QPointer<QWindow>& window : loweredTopmost_) {
        if (window)
            window->setFlag(Qt::WindowStaysOnTopHint, true);
    }
    loweredTopmost_.clear();
}

void TColorDropButton::DropDown() {
    LowerTopmostWindows();
    auto* palette = new TColorDropPalette(this);
    // Below the button; above it when it would pass the bottom of the work area.
    QPoint at = mapToGlobal(QPoint(0, height()));
    const QScreen* screen = QGuiApplication::screenAt(at);
    const QRect work = (screen != nullptr ? screen : this->screen())->availableGeometry();
    const int workRight = work.x() + work.width();
    if (at.y() + palette->height() > work.y() + work.height())
        at.setY(mapToGlobal(QPoint(0, 0)).y() - TColorDropPalette::kClientHeight);
    // Pushed in from the right edge, it keeps a few pixels off it.
    if (at.x() < work.x())
        at.setX(work.x());
    else if (at.x() + palette->width() > workRight)
        at.setX(workRight - 78);
    palette->move(at);

    palette->SetShowHints(showColorHints_);
    palette->SetOtherBtnCaption(otherBtnCaption_);
    palette->SetOtherColor(otherColor_);
    palette->SetPaletteColors(paletteColors_);
    palette->SetCustomColors(customColors_);
    palette->SetCurrentColor(color_);
    palette->OnColorChosen = [this](bool isOther, TColor color) {
        SetColor(color);
        if (isOther)
            otherColor_ = color;
    };
    palette->OnClosed = [this, palette] { PaletteClosed(palette); };
    palette->HintSender = this;
    palette->OnGetColorHintText = OnGetColorHintText;
    palette_ = palette;
    update();
    palette->show();
}

void TColorDropButton::PaletteClosed(TColorDropPalette* palette) {
    if (palette != palette_)
        return;
    // The click that closed the palette by taking its activation away must not open it
    // again when it reaches the button.
    if (!palette_->ClosedByKey() && rect().contains(mapFromGlobal(QCursor::pos())))
        suppressNextClick_ = true;
    customColors_ = palette_->CustomColors();
    palette_ = nullptr;
    RestoreTopmostWindows();
    update();
    // Into the store at once, so the owner may write its file while the button lives.
    SaveCustomColors();
}

void TColorDropButton::mouseReleaseEvent(QMouseEvent* event) {
    clickX_ = event->position().toPoint().x();
    QPushButton::mouseReleaseEvent(event);
    clickX_.reset();
}

void TColorDropButton::keyPressEvent(QKeyEvent* event) {
    // A click by the keyboard is never the mouse click that closed the palette.
    suppressNextClick_ = false;
    QPushButton::keyPressEvent(event);
}

void TColorDropButton::leaveEvent(QEvent* event) {
    // The mouse went elsewhere instead of clicking the button.
    suppressNextClick_ = false;
    QPushButton::leaveEvent(event);
}

void TColorDropButton::showEvent(QShowEvent* event) {
    QPushButton::showEvent(event);
    // By now the button and its parent have their final names.
    if (loadedEntry_ != ColorsEntryName())
        LoadCustomColors();
}

void TColorDropButton::SetCustomColorsStore(TIniStore* store) {
    store_ = store;
    loadedEntry_.reset();
    LoadCustomColors();
}

std::string TColorDropButton::ColorsEntryName() const {
    std::string name = ToCp932(objectName()).bytes;
    if (const QWidget* parent = parentWidget())
        name += "." + ToCp932(parent->objectName()).bytes;
    return name;
}

void TColorDropButton::LoadCustomColors() {
    if (store_ == nullptr || objectName().isEmpty())
        return;
    const std::string entry = ColorsEntryName();
    loadedEntry_ = entry;
    const std::string text = store_->ReadString(kColorsSection, entry, "");
    if (text.find(',') == std::string::npos)
        return;
    std::size_t start = 0;
    for (int k = 0; k < kCustomCount; ++k) {
        std::optional<std::int32_t> value;
        if (start <= text.size()) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            value = ParseInteger(std::string_view(text).substr(start, comma - start));
            start = comma + 1;
        }
        customColors_.Set(StoredX(k), StoredY(k), value.value_or(clWhite));
    }
}

void TColorDropButton::SaveCustomColors() {
    // Colours that were never loaded for this entry are not its colours: writing them
    // would overwrite what the entry holds.
    if (store_ == nullptr || objectName().isEmpty() || loadedEntry_ != ColorsEntryName())
        return;
    std::string text;
    for (int k = 0; k < kCustomCount; ++k) {
        char item[10];
        std::snprintf(item, sizeof item, "$%08X",
                      static_cast<unsigned>(customColors_.Get(StoredX(k), StoredY(k))));
        if (k > 0)
            text += ',';
        text += item;
    }
    store_->WriteString(kColorsSection, *loadedEntry_, text);
}

void TColorDropButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool pressed = isDown() || DroppedDown();
    QRect area = rect();
    if (pressed) {
        DrawOutline(p, area, clWindowFrame);
        area.adjust(1, 1, -1, -1);
        DrawOutline(p, area, clBtnShadow);
        area.adjust(1, 1, -1, -1);
        p.fillRect(area, ColorToQColor(clBtnFace));
    } else {
        QStyleOptionButton option;
        initStyleOption(&option);
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, this);
    }

    QRect inner = rect().adjusted(3, 3, -3, -3);
    if (pressed)
        inner.translate(1, 1);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
    inner.adjust(1, 1, -1, -1);
    inner.adjust(2, 1, -2, -1);
    QRect swatch = inner.adjusted(0, 0, -kArrowPart, 0);

    DrawOutline(p, swatch, clWindowFrame);
    const QRect fill = swatch.adjusted(1, 1, -1, -1);
    if (isEnabled()) {
        p.fillRect(fill, ColorToQColor(color_));
    } else {
        // A 50 % dither says there is no colour to choose.
        const QColor face = ColorToQColor(clBtnFace);
        const QColor light = ColorToQColor(clBtnHighlight);
        for (int y = fill.top(); y <= fill.bottom(); ++y)
            for (int x = fill.left(); x <= fill.right(); ++x)
                p.fillRect(QRect(x, y, 1, 1), (x + y) % 2 != 0 ? light : face);
    }

    const int lineX = swatch.right() + 3;
    p.fillRect(QRect(lineX, swatch.top(), 1, swatch.height()), ColorToQColor(clBtnShadow));
    p.fillRect(QRect(lineX + 1, swatch.top(), 1, swatch.height()), ColorToQColor(clBtnHighlight));
    const QPoint arrowAt(lineX + 3, (height() - 3) / 2 + (pressed ? 1 : 0));
    if (isEnabled()) {
        Arrow(p, arrowAt, clBtnText);
    } else {
        Arrow(p, arrowAt + QPoint(1, 1), clBtnHighlight);
        Arrow(p, arrowAt, clBtnShadow);
    }
}

}  // namespace lintel
