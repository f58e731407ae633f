#include "widgets/SystemColors.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>
#include <optional>

namespace lintel {
namespace {

// Where a system colour comes from: a palette role when Qt has one that means the same,
// else a fixed colour. The fixed values are also the fallback before the application
// exists, and they are the classic grey desktop look the bar was first drawn for.
struct Entry {
    std::optional<QPalette::ColorRole> role;
    QPalette::ColorGroup group;
    QRgb fixed;
};

constexpr auto A = QPalette::Active;
constexpr auto D = QPalette::Disabled;
constexpr auto I = QPalette::Inactive;

const std::array<Entry, syscolor::kLast + 1>& Table() {
    static const std::array<Entry, syscolor::kLast + 1> table = {{
        /* 0 scroll bar */ {std::nullopt, A, 0xC8C8C8},
        /* 1 desktop */ {std::nullopt, A, 0x3A6EA5},
        /* 2 active caption */ {QPalette::Highlight, A, 0x000080},
        /* 3 inactive caption */ {std::nullopt, A, 0x808080},
        /* 4 menu */ {QPalette::Window, A, 0xC0C0C0},
        /* 5 window */ {QPalette::Base, A, 0xFFFFFF},
        /* 6 window frame */ {std::nullopt, A, 0x000000},
        /* 7 menu text */ {QPalette::WindowText, A, 0x000000},
        /* 8 window text */ {QPalette::Text, A, 0x000000},
        /* 9 caption text */ {QPalette::HighlightedText, A, 0xFFFFFF},
        /* 10 active border */ {QPalette::Button, A, 0xC0C0C0},
        /* 11 inactive border */ {QPalette::Button, I, 0xC0C0C0},
        /* 12 application workspace */ {QPalette::Dark, A, 0x808080},
        /* 13 highlight */ {QPalette::Highlight, A, 0x000080},
        /* 14 highlight text */ {QPalette::HighlightedText, A, 0xFFFFFF},
        /* 15 button face */ {QPalette::Button, A, 0xC0C0C0},
        /* 16 button shadow */ {QPalette::Dark, A, 0x808080},
        /* 17 grey text */ {QPalette::Text, D, 0x808080},
        /* 18 button text */ {QPalette::ButtonText, A, 0x000000},
        /* 19 inactive caption text */ {std::nullopt, A, 0xC0C0C0},
        /* 20 button highlight */ {QPalette::Light, A, 0xFFFFFF},
        /* 21 3D dark shadow */ {QPalette::Shadow, A, 0x000000},
        /* 22 3D light */ {QPalette::Midlight, A, 0xDFDFDF},
        /* 23 tooltip text */ {QPalette::ToolTipText, A, 0x000000},
        /* 24 tooltip background */ {QPalette::ToolTipBase, A, 0xFFFFE1},
        /* 25 unused */ {std::nullopt, A, 0x000000},
        /* 26 hot-tracked item */ {QPalette::Link, A, 0x0000FF},
        /* 27 gradient of active caption */ {std::nullopt, A, 0x1084D0},
        /* 28 gradient of inactive caption */ {std::nullopt, A, 0xB5B5B5},
        /* 29 menu highlight */ {QPalette::Highlight, A, 0x000080},
        /* 30 menu bar */ {QPalette::Window, A, 0xC0C0C0},
    }};
    return table;
}

}  // namespace

QColor ColorToQColor(TColor color) {
    const auto value = static_cast<std::uint32_t>(color);
    if (!IsSystemColor(color)) {
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                      static_cast<int>((value >> 16) & 0xFF));
    }
    const std::uint32_t index = value - 0x80000000u;
    if (index > static_cast<std::uint32_t>(syscolor::kLast)) {
        return QColor(0, 0, 0);
    }
    const Entry& entry = Table()[index];
    if (entry.role && qGuiApp != nullptr) {
        const QColor c = QGuiApplication::palette().color(entry.group, *entry.role);
        return QColor(c.red(), c.green(), c.blue());
    }
    return QColor(QRgb(entry.fixed));
}

TColor ColorToRGB(TColor color) {
    return QColorToColor(ColorToQColor(color));
}

TColor QColorToColor(const QColor& color) {
    return RGBColor(color.red(), color.green(), color.blue());
}

}  // namespace lintel
