// The drop-down window of the colour button: a 4 x 5 grid of colours, an other-colour box
// and a button that opens Qt's colour dialog; and the colour grid both of them keep.
#pragma once

#include <QPainter>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "widgets/SystemColors.h"

namespace lintel {

/// A grid index outside the grid.
class EColorArrayIndexError : public std::out_of_range {
public:
    EColorArrayIndexError() : std::out_of_range("Array index out of bounds") {}
};

/// A grid of colour values with 1-based indexes; element (x, y) is linear index
/// (y - 1) * XSize + x, so the linear order runs along the rows.
class TColorArrayClass {
public:
    /// The values a grid is stored as: the colours run column by column, (1,1), (1,2) ...
    struct TStoredForm {
        std::int32_t XSize = 0;
        std::int32_t YSize = 0;
        std::vector<TColor> Colors;
    };

    TColorArrayClass() = default;
    /// A grid of `xSize` x `ySize` black cells.
    TColorArrayClass(int xSize, int ySize);

    [[nodiscard]] int XSize() const { return xSize_; }
    [[nodiscard]] int YSize() const { return ySize_; }
    [[nodiscard]] int Count() const { return xSize_ * ySize_; }
    /// A different size gives a new grid of black cells: the old values are not kept.
    /// A negative size counts as 0.
    void SetXSize(int value);
    void SetYSize(int value);

    /// Throw EColorArrayIndexError unless 1 <= x <= XSize and 1 <= y <= YSize.
    [[nodiscard]] TColor Get(int x, int y) const;
    void Set(int x, int y, TColor value);
    /// Throws EColorArrayIndexError unless 1 <= i <= Count.
    [[nodiscard]] TColor Get(int i) const;

    /// Copies both sizes and every value.
    void Assign(const TColorArrayClass& source) { *this = source; }
    bool operator==(const TColorArrayClass& other) const = default;

    [[nodiscard]] TStoredForm Stored() const;
    /// Takes the sizes, then fills the new grid in stored order; values past the grid's
    /// count are dropped, cells without a value stay black.
    void LoadStored(const TStoredForm& stored);

private:
    [[nodiscard]] std::size_t Offset(int x, int y) const;

    std::int32_t xSize_ = 0;
    std::int32_t ySize_ = 0;
    std::vector<TColor> colors_;
};

/// The palette every new colour button shows (4 x 5).
[[nodiscard]] TColorArrayClass DefaultPaletteColors();
/// The custom colours of a new button: 8 x 2 white cells.
[[nodiscard]] TColorArrayClass DefaultCustomColors();
/// A `xSize` x `ySize` grid holding the cells of `source` that fit in it, `fill` elsewhere:
/// how a grid of any size is shown in the palette's fixed grids.
[[nodiscard]] TColorArrayClass Fitted(const TColorArrayClass& source, int xSize, int ySize,
                                      TColor fill);

/// A one-pixel outline of `color` along the inside of `r`.
void DrawOutline(QPainter& p, const QRect& r, TColor color);

/// (sender, colour, x, y, text): may change the hint text of a cell; y = 0 is the
/// other-colour box.
using TColorHintTextEvent =
    std::function<void(QWidget* sender, TColor color, int x, int y, QString& text)>;

/// The drop-down window. It closes itself (and is then freed) on a click, Enter, Escape, a
/// chosen "&Other" colour, or when it or the application loses activation; it reports what
/// was chosen and that it closed through the callbacks.
class TColorDropPalette : public QWidget {
public:
    static constexpr int kCellSize = 18;
    static constexpr int kColumns = 4;
    static constexpr int kRows = 5;
    static constexpr int kClientWidth = 72;
    static constexpr int kClientHeight = 121;
    static constexpr int kOtherTop = 98;
    static constexpr int kOtherHeight = 21;

    /// A cell of the grid; y = 0 is the other-colour box, (-1, -1) is none.
    struct TCell {
        int x = -1;
        int y = -1;
        bool operator==(const TCell&) const = default;
    };

    /// `owner` is the button; the palette is a window of its own above the owner's window.
    explicit TColorDropPalette(QWidget* owner);
    ~TColorDropPalette() override;

    void SetShowHints(bool value) { showHints_ = value; }
    void SetOtherBtnCaption(const std::string& caption);
    [[nodiscard]] TColor OtherColor() const { return otherColor_; }
    void SetOtherColor(TColor value);
    [[nodiscard]] const TColorArrayClass& PaletteColors() const { return paletteColors_; }
    /// Shown in the 4 x 5 grid; cells a smaller grid lacks are black.
    void SetPaletteColors(const TColorArrayClass& value);
    /// The sixteen custom colours of the colour dialog, 8 x 2.
    [[nodiscard]] const TColorArrayClass& CustomColors() const { return customColors_; }
    void SetCustomColors(const TColorArrayClass& value);
    [[nodiscard]] TColor CurrentColor() const { return currentColor_; }
    /// Selects the first cell whose colour, resolved to RGB, is `value`; a colour the grid
    /// does not hold becomes the other colour and selects the other-colour box.
    void SetCurrentColor(TColor value);

    [[nodiscard]] TCell SelectedCell() const { return selected_; }
    [[nodiscard]] bool ClosedByKey() const { return closedByKey_; }
    [[nodiscard]] bool ColorDialogOpen() const { return colorDialogOpen_; }
    [[nodiscard]] QPushButton* BtnOther() const { return btnOther_; }

    /// The cell at client point `p`; (0, 0) for the other-colour box.
    [[nodiscard]] static TCell CellAt(QPoint p);
    /// In the grid, or the other-colour box (y = 0).
    [[nodiscard]] static bool Valid(TCell cell);
    /// The client rectangle a cell is drawn in.
    [[nodiscard]] static QRect CellRect(TCell cell);
    /// The colour shown in `cell` (the other colour for y = 0).
    [[nodiscard]] TColor CellColor(TCell cell) const;

    /// The hint over client point `p`: false when none is to be shown.
    bool HintAt(QPoint p, QString& text, QRect& rect);

    /// (is-other, colour) when a colour was chosen; the palette closes right after.
    std::function<void(bool isOther, TColor color)> OnColorChosen;
    /// After the palette closed; it is freed once control returns to the event loop.
    std::function<void()> OnClosed;
    TColorHintTextEvent OnGetColorHintText;
    /// The sender the hint-text callback is given (the owning button).
    QWidget* HintSender = nullptr;

protected:
    /// Hands the hint text of a cell to OnGetColorHintText.
    virtual void ColorHintText(TColor color, int x, int y, QString& text);
    /// The default text of a cell, "RGB = rrr ggg bbb", passed through ColorHintText.
    virtual QString RaiseColorHintText(TCell cell);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void DrawCell(QPainter& p, TCell cell, bool selected) const;
    void Select(TCell cell);
    /// Reports the colour of `cell` when it is valid.
    void Choose(TCell cell);
    void btnOtherClick();
    /// The focus window is this one or a dialog it opened.
    [[nodiscard]] bool HoldsFocus() const;
    /// Closes unless the colour dialog is open.
    void CloseOnDeactivation();

    QPushButton* btnOther_;
    bool showHints_ = true;
    TColorArrayClass paletteColors_ = DefaultPaletteColors();
    TColorArrayClass customColors_ = DefaultCustomColors();
    TColor otherColor_ = clBtnFace;
    TColor currentColor_ = clBlack;
    TCell selected_;
    bool closedByKey_ = false;
    bool colorDialogOpen_ = false;
    bool wasActive_ = false;
    bool closed_ = false;
};

}  // namespace lintel
