// Colour values as the program stores them, and the one table of its system colours.
//
// A colour value is 32 bits: 0x00BBGGRR for a plain colour (red in the low byte), or,
// with the top bit set, 0x80000000 plus the index of a system colour that is looked up
// when drawn. In lintel.ini it is a signed decimal integer, so a system colour is a
// negative number there (button face, 0x8000000F, is -2147483633).
#pragma once

#include <QColor>
#include <cstdint>

namespace lintel {

using TColor = std::int32_t;

namespace syscolor {
// Indexes of the system colours, numbered as the stored values number them.
constexpr int kScrollBar = 0;
constexpr int kBackground = 1;
constexpr int kActiveCaption = 2;
constexpr int kInactiveCaption = 3;
constexpr int kMenu = 4;
constexpr int kWindow = 5;
constexpr int kWindowFrame = 6;
constexpr int kMenuText = 7;
constexpr int kWindowText = 8;
constexpr int kCaptionText = 9;
constexpr int kActiveBorder = 10;
constexpr int kInactiveBorder = 11;
constexpr int kAppWorkspace = 12;
constexpr int kHighlight = 13;
constexpr int kHighlightText = 14;
constexpr int kBtnFace = 15;
constexpr int kBtnShadow = 16;
constexpr int kGrayText = 17;
constexpr int kBtnText = 18;
constexpr int kInactiveCaptionText = 19;
constexpr int kBtnHighlight = 20;
constexpr int k3DDkShadow = 21;
constexpr int k3DLight = 22;
constexpr int kInfoText = 23;
constexpr int kInfoBk = 24;
constexpr int kHotLight = 26;
constexpr int kGradientActiveCaption = 27;
constexpr int kGradientInactiveCaption = 28;
constexpr int kMenuHilight = 29;
constexpr int kMenuBar = 30;
/// The highest index the table knows.
constexpr int kLast = kMenuBar;
}  // namespace syscolor

/// The colour value that names system colour `index`.
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u + static_cast<std::uint32_t>(index));
}

/// The colour value of a plain colour.
constexpr TColor RGBColor(int red, int green, int blue) {
    return static_cast<TColor>(static_cast<std::uint32_t>(red & 0xFF) |
                               (static_cast<std::uint32_t>(green & 0xFF) << 8) |
                               (static_cast<std::uint32_t>(blue & 0xFF) << 16));
}

/// True when `color` names a system colour rather than a plain one.
constexpr bool IsSystemColor(TColor color) {
    return (static_cast<std::uint32_t>(color) & 0x80000000u) != 0;
}

// The named colours the program uses.
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clScrollBar = SystemColor(syscolor::kScrollBar);
constexpr TColor clWindow = SystemColor(syscolor::kWindow);
constexpr TColor clWindowFrame = SystemColor(syscolor::kWindowFrame);
constexpr TColor clWindowText = SystemColor(syscolor::kWindowText);
constexpr TColor clHighlight = SystemColor(syscolor::kHighlight);
constexpr TColor clBtnFace = SystemColor(syscolor::kBtnFace);
constexpr TColor clBtnShadow = SystemColor(syscolor::kBtnShadow);
constexpr TColor clBtnText = SystemColor(syscolor::kBtnText);
constexpr TColor clBtnHighlight = SystemColor(syscolor::kBtnHighlight);
constexpr TColor clGrayText = SystemColor(syscolor::kGrayText);

/// The colour `color` stands for now. A system colour comes from the application's
/// palette where Qt has a matching role and from a fixed value otherwise; an index the
/// table does not know gives black. A plain value ignores its top byte.
QColor ColorToQColor(TColor color);

/// The same as a plain 0x00BBGGRR value: a system colour is resolved, a plain one is
/// returned without its top byte.
TColor ColorToRGB(TColor color);

/// The plain colour value of a Qt colour (its alpha is dropped).
TColor QColorToColor(const QColor& color);

}  // namespace lintel
