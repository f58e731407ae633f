// A push button that shows a colour swatch and a small arrow; a click drops down the colour
// palette, whose choice becomes the button's colour. The sixteen custom colours of the
// colour dialog are kept per button in an INI store owned by the caller.
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QWindow>
#include <optional>
#include <string>
#include <vector>

#include "widgets/ClrDropPal.h"
#include "widgets/Events.h"
#include "widgets/SystemColors.h"

namespace lintel {

class TIniStore;

class TColorDropButton : public QPushButton {
public:
    /// A 45 x 22 button with an empty caption, black, with the default palette.
    explicit TColorDropButton(QWidget* parent = nullptr);
    /// Saves the custom colours into the store, if one is set (as every closing palette
    /// does too).
    ~TColorDropButton() override;

    [[nodiscard]] static std::string Version() { return "TColorDropButton v1.0"; }

    /// Hints ("RGB = rrr ggg bbb") over the palette's cells.
    [[nodiscard]] bool ShowColorHints() const { return showColorHints_; }
    void SetShowColorHints(bool value) { showColorHints_ = value; }
    /// Caption of the palette's button, code page 932.
    [[nodiscard]] const std::string& OtherBtnCaption() const { return otherBtnCaption_; }
    void SetOtherBtnCaption(const std::string& value) { otherBtnCaption_ = value; }
    /// Colour of the palette's other-colour box.
    [[nodiscard]] TColor OtherColor() const { return otherColor_; }
    void SetOtherColor(TColor value) { otherColor_ = value; }
    /// A click on the swatch steps through the palette instead of dropping it down.
    [[nodiscard]] bool CycleColors() const { return cycleColors_; }
    void SetCycleColors(bool value) { cycleColors_ = value; }

    /// The grid the palette shows (4 x 5 at first). A change made through the non-const
    /// reference counts for PaletteIndex from the next SetColor on.
    [[nodiscard]] const TColorArrayClass& PaletteColors() const { return paletteColors_; }
    [[nodiscard]] TColorArrayClass& PaletteColors() { return paletteColors_; }
    /// Copies `value` and finds Color in it again.
    void SetPaletteColors(const TColorArrayClass& value);
    /// The colour dialog's sixteen custom colours, 8 x 2.
    [[nodiscard]] const TColorArrayClass& CustomColors() const { return customColors_; }
    /// Copies the cells of `value` that fit in 8 x 2; the others become white.
    void SetCustomColors(const TColorArrayClass& value);

    [[nodiscard]] TColor Color() const { return color_; }
    /// Nothing when equal; else stores it, finds its first index in the palette, repaints
    /// and calls ColorChanged.
    void SetColor(TColor value);
    /// The first linear index (1..count) of Color in PaletteColors; 0 for none.
    [[nodiscard]] int PaletteIndex() const { return paletteIndex_; }
    /// Steps to palette index `value` (0 = OtherColor) when it lies in 0..count and differs
    /// from PaletteIndex.
    void SetPaletteIndex(int value);

    /// The next click on the button is ignored: it is the click that closed the palette.
    [[nodiscard]] bool SuppressNextClick() const { return suppressNextClick_; }
    [[nodiscard]] bool DroppedDown() const { return palette_ != nullptr; }
    /// The open palette, or null.
    [[nodiscard]] TColorDropPalette* DropPalette() const { return palette_; }

    /// The store the custom colours are kept in (the caller's, which outlives the button);
    /// the colours are loaded from it at once and again when the button is first shown.
    void SetCustomColorsStore(TIniStore* store);

    /// Default palette, white custom colours, OtherColor back to button face.
    virtual void ResetColors();
    /// The store's key: "name.parentName", or the name alone without a parent.
    [[nodiscard]] virtual std::string ColorsEntryName() const;
    /// Writes the sixteen custom colours into the store's section "Colors" as "$" and eight
    /// hexadecimal digits each, joined by ",", in the order (1,1), (1,2), (2,1) ... (8,2).
    /// Nothing without a store or without a name.
    virtual void SaveCustomColors();
    /// Reads them back in that order: "$" means hexadecimal, a missing or unreadable item
    /// is white; a text without a comma changes nothing.
    virtual void LoadCustomColors();
    /// Calls OnColorChange.
    virtual void ColorChanged();

    /// After Color changed.
    TNotifyEvent OnColorChange;
    /// May change the hint text of a palette cell; the sender is this button.
    TColorHintTextEvent OnGetColorHintText;

    [[nodiscard]] QSize sizeHint() const override { return {45, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Click();
    void DropDown();
    void PaletteClosed(TColorDropPalette* palette);
    [[nodiscard]] int FirstIndexOf(TColor value) const;
    /// The application's visible stay-on-top windows stop staying on top while the
    /// palette is open; Restore gives it back to them.
    void LowerTopmostWindows();
    void RestoreTopmostWindows();

    bool showColorHints_ = true;
    std::string otherBtnCaption_ = "&Other";
    TColor otherColor_ = clBtnFace;
    bool cycleColors_ = false;
    TColorArrayClass paletteColors_;
    TColorArrayClass customColors_;
    TColor color_ = clBlack;
    int paletteIndex_ = 0;
    bool suppressNextClick_ = false;
    // The entry the custom colours were last loaded from; saving goes only there.
    std::optional<std::string> loadedEntry_;
    TIniStore* store_ = nullptr;
    QPointer<TColorDropPalette> palette_;
    std::vector<QPointer<QWindow>> loweredTopmost_;
    // Where the mouse released the button during a click; none for a keyboard click.
    std::optional<int> clickX_;
};

}  // namespace lintel
