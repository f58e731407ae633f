#include "settings/BarLayout.h"

#include <algorithm>
#include <cstdint>

namespace lintel {
namespace {

// Gap the one-row arrangements leave between the end of the first label and the second
// (measured from the first label's left edge at 4, so the visible gap is 12 pixels).
constexpr int kRowGap = 16;
// Margin at the bar's edges and between a label and a gauge placed behind it.
constexpr int kMargin = 4;
// Added to the labels' height to get the bar's thickness.
constexpr int kDockExtra = 12;

// `value` moved into first..last; when the range is empty (a control larger than the
// bar) the control keeps its first edge at `first`.
int Within(std::int64_t value, int first, int last) {
    if (last < first) {
        return first;
    }
    return static_cast<int>(std::clamp<std::int64_t>(value, first, last));
}

}  // namespace

std::optional<TBarEdge> EdgeOfPosition(int position) {
    switch (position) {
        case 0:
            return TBarEdge::Top;
        case 1:
            return TBarEdge::Bottom;
        default:
            return std::nullopt;
    }
}

std::optional<int> PositionOfEdge(TBarEdge edge) {
    switch (edge) {
        case TBarEdge::Top:
            return 0;
        case TBarEdge::Bottom:
            return 1;
        case TBarEdge::Floating:
            break;
    }
    return std::nullopt;
}

bool EmptiesDiscLabel(bool visible, std::string_view text) {
    return !visible && text != kNoDiscText && text != kNotAudioText;
}

bool EmptiesTrackLabel(bool visible) {
    return !visible;
}

TLayoutResult ArrangeLabels(const TLayoutInput& in, int order) {
    TLayoutResult out{in.discLabel, in.trackLabel, in.gauge, in.panel, in.horzDockSize};
    TBounds& disc = out.discLabel;
    TBounds& track = out.trackLabel;

    switch (order) {
        case kOrderDiscFirst:
            disc.left = kMargin;
            track.left = disc.width + kRowGap;
            break;
        case kOrderTrackFirst:
            track.left = kMargin;
            disc.left = track.width + kRowGap;
            break;
        case kOrderDiscOnTop:
            disc.top = kMargin;
            track.top = disc.height + kMargin;
            break;
        case kOrderTrackOnTop:
            track.top = kMargin;
            disc.top = track.height + kMargin;
            break;
        default:
            break;
    }

    switch (order) {
        case kOrderDiscFirst:
        case kOrderTrackFirst:
            disc.top = track.top = kMargin;
            out.horzDockSize = std::max(disc.height, track.height) + kDockExtra;
            break;
        case kOrderDiscOnTop:
        case kOrderTrackOnTop:
            disc.left = track.left = kMargin;
            out.horzDockSize = disc.height + track.height + kDockExtra;
            break;
        case kOrderFree:
            out.horzDockSize = in.freeDockSize;
            break;
        default:
            break;
    }
    return out;
}

TBounds PlaceGauge(int position, int clientWidth, const TBounds& gauge, const TBounds& discLabel,
                   const TBounds& trackLabel, std::optional<TPoint> freePlace) {
    TBounds out = gauge;
    switch (position) {
        case kGaugeTopRight:
            out.top = kMargin;
            out.left = clientWidth - gauge.width - kMargin;
            break;
        case kGaugeAfterDisc:
            out.left = discLabel.Right() + kMargin;
            out.top = discLabel.top;
            break;
        case kGaugeAfterTrack:
            out.left = trackLabel.Right() + kMargin;
            out.top = trackLabel.top;
            break;
        case kGaugeFree:
            if (freePlace) {
                out.left = freePlace->x;
                out.top = freePlace->y;
            }
            break;
        default:
            break;
    }
    return out;
}

TLayoutResult LayoutBar(const TLayoutInput& in) {
    TLayoutResult out = ArrangeLabels(in, in.order);
    out.gauge =
        PlaceGauge(in.gaugePosition, in.clientWidth, in.gauge, out.discLabel, out.trackLabel);
    // A panel whose top lies at or below the bar's lower edge could not be seen at all,
    // so it is lifted to sit on that edge; one that only overlaps it stays.
    if (out.panel.top >= out.horzDockSize) {
        out.panel.top = out.horzDockSize - out.panel.height;
    }
    return out;
}

TPoint PanelStartPlace(std::optional<int> storedX, std::optional<int> storedY, int clientWidth,
                       int clientHeight, int panelWidth, int panelHeight) {
    TPoint place{storedX.value_or(clientWidth - panelWidth),
                 storedY.value_or(clientHeight - panelHeight)};
    const std::int64_t x = place.x;
    const std::int64_t y = place.y;
    const bool unseen =
        x + panelWidth <= 0 || x >= clientWidth || y + panelHeight <= 0 || y >= clientHeight;
    if (unseen) {
        place.x = Within(x, 0, clientWidth - panelWidth);
        place.y = Within(y, 0, clientHeight - panelHeight);
    }
    return place;
}

TPoint DragPanel(TPoint startPlace, TPoint pressPoint, TPoint currentPoint, int clientWidth,
                 int clientHeight, int panelWidth, int panelHeight) {
    const std::int64_t x = std::int64_t{startPlace.x} + currentPoint.x - std::int64_t{pressPoint.x};
    const std::int64_t y = std::int64_t{startPlace.y} + currentPoint.y - std::int64_t{pressPoint.y};
    return {Within(x, 0, clientWidth - panelWidth), Within(y, 0, clientHeight - panelHeight)};
}

}  // namespace lintel
