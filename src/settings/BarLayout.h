// Where the bar's controls go: the labels, the time gauge and the operation panel, and
// how thick the docked bar becomes. Pure geometry in bar client pixels (origin at the
// top left), so every arrangement can be checked without a window.
#pragma once

#include <optional>
#include <string_view>

#include "settings/StatusTexts.h"

namespace lintel {

/// A control's place and size, as the form states them.
struct TBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    [[nodiscard]] int Right() const { return left + width; }   ///< first column past the control
    [[nodiscard]] int Bottom() const { return top + height; }  ///< first row below the control
    bool operator==(const TBounds&) const = default;
};

struct TPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TPoint&) const = default;
};

/// The docking edges the bar uses.
enum class TBarEdge { Top, Bottom, Floating };

/// The edge [Config] "Position" stores: 0 top, 1 bottom; nothing for any other value.
[[nodiscard]] std::optional<TBarEdge> EdgeOfPosition(int position);
/// The value [Config] "Position" stores for `edge`; nothing for a floating bar.
[[nodiscard]] std::optional<int> PositionOfEdge(TBarEdge edge);

/// True when a hidden disc label's text is to be emptied before the layout: always,
/// unless it is exactly one of the two status texts (a padded status text is emptied).
[[nodiscard]] bool EmptiesDiscLabel(bool visible, std::string_view text);
/// True when the track label's text is to be emptied: whenever it is hidden.
[[nodiscard]] bool EmptiesTrackLabel(bool visible);

// The arrangements of [Config] "Order".
inline constexpr int kOrderDiscFirst = 0;   ///< one row, disc name first
inline constexpr int kOrderTrackFirst = 1;  ///< one row, track name first
inline constexpr int kOrderDiscOnTop = 2;   ///< two rows, disc name on top
inline constexpr int kOrderTrackOnTop = 3;  ///< two rows, track name on top
inline constexpr int kOrderFree = 4;        ///< labels stay where they are

// The places of [TimeBar] "Position".
inline constexpr int kGaugeTopRight = 0;
inline constexpr int kGaugeAfterDisc = 1;
inline constexpr int kGaugeAfterTrack = 2;
inline constexpr int kGaugeFree = 3;

/// Everything a layout depends on. Label sizes are those after their texts were set
/// (and after hidden labels were emptied), since the labels size themselves to their
/// text.
struct TLayoutInput {
    int clientWidth = 792;
    int clientHeight = 36;
    TBounds discLabel{8, 4, 0, 0};
    TBounds trackLabel{184, 4, 0, 0};
    TBounds gauge{480, 4, 144, 12};
    TBounds panel{361, 2, 258, 18};
    int horzDockSize = 36;  ///< the thickness before this layout
    int order = kOrderDiscFirst;
    int gaugePosition = kGaugeTopRight;
    int freeDockSize = 48;  ///< [iPosition] "DocH", used by the free arrangement
};

/// Where every control ends up. A control the rules do not move keeps its input bounds.
struct TLayoutResult {
    TBounds discLabel;
    TBounds trackLabel;
    TBounds gauge;
    TBounds panel;
    int horzDockSize = 0;
};

/// The labels' arrangement and the bar's thickness for `order` (one or two rows, or the
/// free arrangement with `freeDockSize`). An unknown order moves nothing and keeps the
/// thickness. Only the labels and horzDockSize of the result are filled in from this
/// step; the rest are copied from the input.
[[nodiscard]] TLayoutResult ArrangeLabels(const TLayoutInput& in, int order);

/// The gauge's place for `position`: top right, behind one of the two labels (given at
/// their final places), or, for the free place, `freePlace` when the caller has one.
/// Any other case leaves the gauge where it is.
[[nodiscard]] TBounds PlaceGauge(int position, int clientWidth, const TBounds& gauge,
                                 const TBounds& discLabel, const TBounds& trackLabel,
                                 std::optional<TPoint> freePlace = std::nullopt);

/// The whole layout: labels and thickness, then the gauge (never to the free place,
/// which only the applied settings set), then the panel lifted into a thinner bar when
/// its top lies below the bar's thickness. The panel never moves sideways here.
[[nodiscard]] TLayoutResult LayoutBar(const TLayoutInput& in);

/// Where the panel goes when the bar is first shown: the stored place, or the bottom
/// right corner of the client area for a coordinate not stored. A stored place from
/// which no part of the panel could be seen (and so grabbed) is pulled fully inside.
[[nodiscard]] TPoint PanelStartPlace(std::optional<int> storedX, std::optional<int> storedY,
                                     int clientWidth, int clientHeight, int panelWidth,
                                     int panelHeight);

/// The panel's place while it is dragged: moved by the pointer's travel since the
/// press, and kept wholly inside the bar's client area (a panel wider or taller than
/// the bar keeps its left or top edge at 0).
[[nodiscard]] TPoint DragPanel(TPoint startPlace, TPoint pressPoint, TPoint currentPoint,
                               int clientWidth, int clientHeight, int panelWidth, int panelHeight);

}  // namespace lintel
