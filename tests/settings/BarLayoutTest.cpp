#include <gtest/gtest.h>

#include <climits>

#include "settings/BarLayout.h"

namespace lintel {
namespace {

// The form's start geometry with labels of the given sizes.
TLayoutInput Bar(int discWidth, int discHeight, int trackWidth, int trackHeight) {
    TLayoutInput in;
    in.discLabel = {8, 4, discWidth, discHeight};
    in.trackLabel = {184, 4, trackWidth, trackHeight};
    return in;
}

// [Config] "Position": 0 top, 1 bottom; any other value leaves the edge, and a floating
// bar stores none.
TEST(BarEdgePosition, TopIsZeroAndBottomIsOne) {
    EXPECT_EQ(EdgeOfPosition(0), TBarEdge::Top);
    EXPECT_EQ(EdgeOfPosition(1), TBarEdge::Bottom);
    EXPECT_EQ(EdgeOfPosition(2), std::nullopt);
    EXPECT_EQ(EdgeOfPosition(-1), std::nullopt);
    EXPECT_EQ(PositionOfEdge(TBarEdge::Top), 0);
    EXPECT_EQ(PositionOfEdge(TBarEdge::Bottom), 1);
    EXPECT_EQ(PositionOfEdge(TBarEdge::Floating), std::nullopt);
}

TEST(HiddenLabels, OnlyExactStatusTextsSurviveOnAHiddenDiscLabel) {
    EXPECT_FALSE(EmptiesDiscLabel(true, "<Blue / Band>"));
    EXPECT_TRUE(EmptiesDiscLabel(false, "<Blue / Band>"));
    EXPECT_FALSE(EmptiesDiscLabel(false, "No Disc"));
    EXPECT_FALSE(EmptiesDiscLabel(false, "Not Audio CD"));
    // The pad makes it another text.
    EXPECT_TRUE(EmptiesDiscLabel(false, "No Disc "));
    EXPECT_TRUE(EmptiesDiscLabel(false, "Not Audio CD "));
    EXPECT_TRUE(EmptiesDiscLabel(false, "no disc"));
    EXPECT_TRUE(EmptiesDiscLabel(false, ""));

    EXPECT_TRUE(EmptiesTrackLabel(false));
    EXPECT_FALSE(EmptiesTrackLabel(true));
}

// One row, disc name first: a 100-pixel disc label puts the track label at 116, a gap
// of 12 pixels; the bar is the taller label plus 12.
TEST(ArrangeLabelsTest, OneRowDiscFirst) {
    TLayoutInput in = Bar(100, 13, 60, 32);
    in.discLabel.top = in.trackLabel.top = 20;
    const TLayoutResult out = ArrangeLabels(in, kOrderDiscFirst);
    EXPECT_EQ(out.discLabel, (TBounds{4, 4, 100, 13}));
    EXPECT_EQ(out.trackLabel, (TBounds{116, 4, 60, 32}));
    EXPECT_EQ(out.trackLabel.left - out.discLabel.Right(), 12);
    EXPECT_EQ(out.horzDockSize, 44);
}

TEST(ArrangeLabelsTest, OneRowTrackFirst) {
    const TLayoutResult out = ArrangeLabels(Bar(100, 40, 150, 32), kOrderTrackFirst);
    EXPECT_EQ(out.trackLabel, (TBounds{4, 4, 150, 32}));
    EXPECT_EQ(out.discLabel, (TBounds{166, 4, 100, 40}));
    EXPECT_EQ(out.horzDockSize, 52);
}

// Two rows, disc name on top: heights 13 and 32 give the track label Top 17 and a bar
// 57 pixels thick.
TEST(ArrangeLabelsTest, TwoRowsDiscOnTop) {
    const TLayoutResult out = ArrangeLabels(Bar(100, 13, 60, 32), kOrderDiscOnTop);
    EXPECT_EQ(out.discLabel, (TBounds{4, 4, 100, 13}));
    EXPECT_EQ(out.trackLabel, (TBounds{4, 17, 60, 32}));
    EXPECT_EQ(out.horzDockSize, 57);
}

TEST(ArrangeLabelsTest, TwoRowsTrackOnTop) {
    const TLayoutResult out = ArrangeLabels(Bar(100, 13, 60, 32), kOrderTrackOnTop);
    EXPECT_EQ(out.trackLabel, (TBounds{4, 4, 60, 32}));
    EXPECT_EQ(out.discLabel, (TBounds{4, 36, 100, 13}));
    EXPECT_EQ(out.horzDockSize, 57);
}

// The free arrangement keeps the labels where they stand and takes the thickness from
// "DocH" (48 when absent, which the caller's read supplies).
TEST(ArrangeLabelsTest, FreeKeepsLabelsAndUsesStoredThickness) {
    TLayoutInput in = Bar(100, 13, 60, 32);
    const TLayoutResult out = ArrangeLabels(in, kOrderFree);
    EXPECT_EQ(out.discLabel, in.discLabel);
    EXPECT_EQ(out.trackLabel, in.trackLabel);
    EXPECT_EQ(out.horzDockSize, 48);
    in.freeDockSize = 60;
    EXPECT_EQ(ArrangeLabels(in, kOrderFree).horzDockSize, 60);
}

TEST(ArrangeLabelsTest, UnknownOrderChangesNothing) {
    TLayoutInput in = Bar(100, 13, 60, 32);
    in.horzDockSize = 77;
    for (int order : {-1, 5, INT_MAX}) {
        const TLayoutResult out = ArrangeLabels(in, order);
        EXPECT_EQ(out.discLabel, in.discLabel);
        EXPECT_EQ(out.trackLabel, in.trackLabel);
        EXPECT_EQ(out.horzDockSize, 77);
    }
}

TEST(PlaceGaugeTest, EveryPlace) {
    const TBounds gauge{480, 4, 144, 12};
    const TBounds disc{4, 4, 100, 13};
    const TBounds track{116, 9, 60, 32};
    EXPECT_EQ(PlaceGauge(kGaugeTopRight, 792, gauge, disc, track), (TBounds{644, 4, 144, 12}));
    EXPECT_EQ(PlaceGauge(kGaugeAfterDisc, 792, gauge, disc, track), (TBounds{108, 4, 144, 12}));
    EXPECT_EQ(PlaceGauge(kGaugeAfterTrack, 792, gauge, disc, track), (TBounds{180, 9, 144, 12}));
    // The layout never moves a free gauge; the applied settings give it its place.
    EXPECT_EQ(PlaceGauge(kGaugeFree, 792, gauge, disc, track), gauge);
    EXPECT_EQ(PlaceGauge(kGaugeFree, 792, gauge, disc, track, TPoint{30, 2}),
              (TBounds{30, 2, 144, 12}));
    EXPECT_EQ(PlaceGauge(4, 792, gauge, disc, track, TPoint{30, 2}), gauge);
    EXPECT_EQ(PlaceGauge(-1, 792, gauge, disc, track), gauge);
}

// The whole layout: the gauge follows the labels at their new places.
TEST(LayoutBarTest, GaugeFollowsArrangedLabels) {
    TLayoutInput in = Bar(100, 13, 60, 32);
    in.order = kOrderTrackFirst;
    in.gaugePosition = kGaugeAfterDisc;
    const TLayoutResult out = LayoutBar(in);
    EXPECT_EQ(out.discLabel.left, 76);
    EXPECT_EQ(out.gauge.left, 76 + 100 + 4);
    EXPECT_EQ(out.gauge.top, 4);

    in.order = kOrderDiscOnTop;
    in.gaugePosition = kGaugeAfterTrack;
    const TLayoutResult two = LayoutBar(in);
    EXPECT_EQ(two.gauge.left, 4 + 60 + 4);
    EXPECT_EQ(two.gauge.top, 17);
}

// A panel stored below the bar (Op_Y 40, bar 36) is lifted to Top 18; one that only
// overlaps the lower edge stays; the panel never moves sideways.
TEST(LayoutBarTest, PanelIsLiftedOnlyWhenBelowTheBar) {
    TLayoutInput in = Bar(100, 24, 60, 24);  // one row: 24 + 12 = 36 thick
    in.panel = {534, 40, 258, 18};
    TLayoutResult out = LayoutBar(in);
    ASSERT_EQ(out.horzDockSize, 36);
    EXPECT_EQ(out.panel, (TBounds{534, 18, 258, 18}));

    in.panel.top = 30;
    EXPECT_EQ(LayoutBar(in).panel, (TBounds{534, 30, 258, 18}));

    // Exactly on the lower edge the panel is out of sight as well, so it is lifted.
    in.panel.top = 36;
    EXPECT_EQ(LayoutBar(in).panel.top, 18);
}

TEST(LayoutBarTest, FreeArrangementWithoutDocHIs48Thick) {
    TLayoutInput in = Bar(100, 13, 60, 32);
    in.order = kOrderFree;
    in.panel = {534, 50, 258, 18};
    const TLayoutResult out = LayoutBar(in);
    EXPECT_EQ(out.horzDockSize, 48);
    EXPECT_EQ(out.discLabel, (TBounds{8, 4, 100, 13}));
    EXPECT_EQ(out.trackLabel, (TBounds{184, 4, 60, 32}));
    EXPECT_EQ(out.panel.top, 30);
    EXPECT_EQ(out.gauge, (TBounds{644, 4, 144, 12}));
}

TEST(PanelPlaceTest, StartPlace) {
    // Nothing stored: the bottom right corner.
    EXPECT_EQ(PanelStartPlace(std::nullopt, std::nullopt, 792, 36, 258, 18), (TPoint{534, 18}));
    EXPECT_EQ(PanelStartPlace(100, std::nullopt, 792, 36, 258, 18), (TPoint{100, 18}));
    // A stored place is kept, even when the panel only partly shows.
    EXPECT_EQ(PanelStartPlace(100, 5, 792, 36, 258, 18), (TPoint{100, 5}));
    EXPECT_EQ(PanelStartPlace(700, 30, 792, 36, 258, 18), (TPoint{700, 30}));
    EXPECT_EQ(PanelStartPlace(-200, 0, 792, 36, 258, 18), (TPoint{-200, 0}));
    // One that could not be seen at all is pulled fully inside.
    EXPECT_EQ(PanelStartPlace(5000, 5, 792, 36, 258, 18), (TPoint{534, 5}));
    EXPECT_EQ(PanelStartPlace(-258, 5, 792, 36, 258, 18), (TPoint{0, 5}));
    EXPECT_EQ(PanelStartPlace(10, 40, 792, 36, 258, 18), (TPoint{10, 18}));
    EXPECT_EQ(PanelStartPlace(INT_MAX, INT_MIN, 792, 36, 258, 18), (TPoint{534, 0}));
}

TEST(PanelPlaceTest, DragFollowsThePointerInsideTheBar) {
    const TPoint start{300, 2};
    EXPECT_EQ(DragPanel(start, {310, 10}, {350, 14}, 792, 36, 258, 18), (TPoint{340, 6}));
    EXPECT_EQ(DragPanel(start, {310, 10}, {310, 10}, 792, 36, 258, 18), start);
    // Stopped at every edge of the bar.
    EXPECT_EQ(DragPanel(start, {310, 10}, {1500, 90}, 792, 36, 258, 18), (TPoint{534, 18}));
    EXPECT_EQ(DragPanel(start, {310, 10}, {-900, -90}, 792, 36, 258, 18), (TPoint{0, 0}));
    // A bar narrower or thinner than the panel keeps the panel's left and top edge at 0.
    EXPECT_EQ(DragPanel(start, {310, 10}, {400, 30}, 200, 12, 258, 18), (TPoint{0, 0}));
    // Extreme pointer travel does not wrap around.
    EXPECT_EQ(DragPanel({INT_MAX, 0}, {INT_MIN, 0}, {INT_MAX, 0}, 792, 36, 258, 18),
              (TPoint{534, 0}));
}

}  // namespace
}  // namespace lintel
