#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QWidget>
#include <memory>
#include <vector>

#include "dialogs/BarSettings.h"
#include "support/TempDir.h"
#include "widgets/QtText.h"
#include "widgets/WidgetTest.h"

namespace lintel {
namespace {

using test::ReadBytes;
using test::TempDir;

const std::string kGothic932 = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";

// The bar's widgets at their form places on a plain 792 x 36 parent, and a record of
// what the operations set on the bar itself.
class FakeBar : public TBarSettingsTarget {
public:
    FakeBar() {
        test::App();
        parent_ = std::make_unique<QWidget>();
        parent_->resize(792, 36);
        disc_ = new TShadowLabel(parent_.get());
        disc_->move(8, 4);
        track_ = new TShadowLabel(parent_.get());
        track_->move(184, 4);
        for (TShadowLabel* label : {disc_, track_}) {
            label->SetTransparent(true);
            label->SetShowAccelChar(false);
        }
        gauge_ = new TTextGauge(parent_.get());
        gauge_->setGeometry(480, 4, 144, 12);
        panel_ = new QWidget(parent_.get());
        panel_->setGeometry(361, 2, 258, 18);
    }

    TShadowLabel& DiscLabel() override { return *disc_; }
    TShadowLabel& TrackLabel() override { return *track_; }
    TTextGauge& TimeGauge() override { return *gauge_; }
    QWidget& OperationPanel() override { return *panel_; }
    QSize ClientSize() const override { return parent_->size(); }
    void SetBarColor(TColor color) override { colors.push_back(color); }
    void SetEdge(TBarEdge value) override { edge = value; }
    TBarEdge Edge() const override { return edge; }
    void SetAlwaysOnTop(bool value) override { alwaysOnTop = value; }
    void SetAutoHide(bool value) override { autoHide = value; }
    int HorzDockSize() const override { return horzDockSize; }
    void SetHorzDockSize(int value) override { horzDockSize = value; }
    void SetDiscLabelPad(const std::string& pad) override { discPad = pad; }
    void SetTrackLabelPad(const std::string& pad) override { trackPad = pad; }

    std::vector<TColor> colors;  ///< every colour set, in order
    TBarEdge edge = TBarEdge::Floating;
    bool alwaysOnTop = true;
    bool autoHide = true;
    int horzDockSize = 36;
    std::string discPad = "unset";
    std::string trackPad = "unset";

private:
    std::unique_ptr<QWidget> parent_;
    TShadowLabel* disc_;
    TShadowLabel* track_;
    TTextGauge* gauge_;
    QWidget* panel_;
};

// What the bar's widgets show, read back in the dialog's terms: the half of a round trip
// that starts from the widgets.
TLabelFontValues FromLabel(const TShadowLabel& label, const std::string& pad) {
    TLabelFontValues v;
    v.name = ToCp932(label.font().family()).bytes;
    v.insideColor = label.FontColor();
    v.borderColor = label.Highlight().Color();
    EXPECT_EQ(label.Shadow().Color(), v.borderColor);
    v.size = label.font().pointSize();
    v.bold = label.font().bold();
    v.italic = label.font().italic();
    v.visible = !label.isHidden();
    EXPECT_TRUE(pad.empty() || pad == " ");
    v.space = pad == " ";
    v.useBack = label.Highlight().Visible();
    EXPECT_EQ(label.Shadow().Visible(), v.useBack);
    return v;
}

TTimeBarValues FromGauge(const TTextGauge& gauge) {
    TTimeBarValues v;
    v.visible = !gauge.isHidden();
    v.fontName = ToCp932(gauge.font().family()).bytes;
    v.fontSize = gauge.font().pointSize();
    v.foreColor = gauge.ForeColor();
    v.backColor = gauge.BackColor();
    v.bold = gauge.font().bold();
    v.italic = gauge.font().italic();
    v.width = gauge.width();
    v.height = gauge.height();
    return v;
}

// The bar's operations the previews call, over the same fake bar: the labels' texts are
// set as the bar sets them, the bar's text followed by its pad.
class FakePreview : public TPreviewTarget {
public:
    explicit FakePreview(FakeBar& bar) : bar_(bar) {}
    TBarSettingsTarget& Bar() override { return bar_; }
    void UpdateDiscLabel() override { bar_.DiscLabel().SetCaption(discText + bar_.discPad); }
    void UpdateTrackLabel() override { bar_.TrackLabel().SetCaption(trackText + bar_.trackPad); }
    bool TrayOpen() override { return trayOpen; }
    void SetTimerInterval(int milliseconds) override { interval = milliseconds; }
    void RepaintBar() override { ++repaints; }

    std::string discText;
    std::string trackText;
    bool trayOpen = false;
    int interval = 0;
    int repaints = 0;

private:
    FakeBar& bar_;
};

class BarSettingsTest : public ::testing::Test {
protected:
    // A store on a file that does not exist yet, or on `bytes`.
    TIniStore& Store(const std::string& bytes = {}) {
        const std::string path =
            bytes.empty() ? dir_.File("lintel.ini") : dir_.Write("lintel.ini", bytes);
        store_ = std::make_unique<TIniStore>(path);
        return *store_;
    }

    TempDir dir_;
    std::unique_ptr<TIniStore> store_;
    FakeBar bar_;
};

// An empty lintel.ini: white 9-point and 24-point labels in the Japanese gothic face
// with a black outline and no pad, a visible 144 x 12 lime-on-green gauge at the top
// right, transparent background, docked at the bottom, neither on top nor hiding.
TEST_F(BarSettingsTest, EmptyFileGivesTheStartDefaults) {
    TIniStore& store = Store();
    ApplyStoredSettings(store, bar_);

    for (TShadowLabel* label : {&bar_.DiscLabel(), &bar_.TrackLabel()}) {
        EXPECT_EQ(ToCp932(label->font().family()).bytes, kGothic932);
        EXPECT_EQ(label->FontColor(), clWhite);
        EXPECT_EQ(label->Highlight().Color(), clBlack);
        EXPECT_EQ(label->Shadow().Color(), clBlack);
        EXPECT_TRUE(label->Highlight().Visible());
        EXPECT_TRUE(label->Shadow().Visible());
        EXPECT_FALSE(label->isHidden());
        EXPECT_FALSE(label->font().bold());
        EXPECT_FALSE(label->font().italic());
    }
    EXPECT_EQ(bar_.DiscLabel().font().pointSize(), 9);
    EXPECT_EQ(bar_.TrackLabel().font().pointSize(), 24);
    EXPECT_EQ(bar_.discPad, "");
    EXPECT_EQ(bar_.trackPad, "");

    const TTextGauge& gauge = bar_.TimeGauge();
    EXPECT_FALSE(gauge.isHidden());
    EXPECT_EQ(gauge.geometry(), QRect(792 - 144 - 4, 4, 144, 12));
    EXPECT_EQ(gauge.ForeColor(), clLime);
    EXPECT_EQ(gauge.BackColor(), clGreen);
    EXPECT_EQ(ToCp932(gauge.font().family()).bytes, kGothic932);
    EXPECT_EQ(gauge.font().pointSize(), 9);

    EXPECT_EQ(bar_.colors, std::vector<TColor>{0});
    EXPECT_FALSE(BackgroundFilled(store));
    EXPECT_EQ(bar_.edge, TBarEdge::Bottom);
    EXPECT_FALSE(bar_.alwaysOnTop);
    EXPECT_FALSE(bar_.autoHide);

    // The rest of the file's defaults, as the other readers see them.
    const TEtcValues etc = LoadEtc(store);
    EXPECT_TRUE(etc.visiOpe);
    EXPECT_EQ(etc.visiOpeType, 0);
    EXPECT_FALSE(etc.autoPlay);
    EXPECT_FALSE(etc.cdromClose);
    EXPECT_FALSE(etc.resumption);
    EXPECT_EQ(ReadMilliseconds(store, TSetting::ConfigTimerInt), 1000);

    PlaceOperationPanel(store, bar_);
    EXPECT_EQ(bar_.OperationPanel().pos(), QPoint(534, 18));
    EXPECT_FALSE(store.Changed());  // applying only reads
}

// "Space" on gives a pad of exactly one blank, whatever else the section holds.
TEST_F(BarSettingsTest, SpaceGivesExactlyOneBlank) {
    TIniStore& store = Store("[CDName_Font]\r\nSpace=1\r\n[Track_Font]\r\nSpace=7\r\n");
    ApplyCDNameFont(store, bar_);
    ApplyTrackFont(store, bar_);
    EXPECT_EQ(bar_.discPad, " ");
    EXPECT_EQ(bar_.trackPad, " ");
    EXPECT_EQ(LabelPad(false), "");
}

// Colours are 0x00BBGGRR: 255 is red, not blue. Mode 1 replaces the colour by button
// face; mode 0 keeps the colour but leaves the background unfilled; other modes fill.
TEST_F(BarSettingsTest, BackgroundModesAndColourByteOrder) {
    ApplyBack(Store("[Back]\r\nItemIndex=2\r\nColor=255\r\n"), bar_);
    ASSERT_EQ(bar_.colors.size(), 1u);
    EXPECT_EQ(ColorToQColor(bar_.colors[0]), QColor(255, 0, 0));
    EXPECT_TRUE(BackgroundFilled(*store_));

    bar_.colors.clear();
    ApplyBack(Store("[Back]\r\nItemIndex=1\r\nColor=255\r\n"), bar_);
    EXPECT_EQ(bar_.colors, (std::vector<TColor>{255, clBtnFace}));
    EXPECT_TRUE(BackgroundFilled(*store_));

    bar_.colors.clear();
    ApplyBack(Store("[Back]\r\nItemIndex=0\r\nColor=255\r\n"), bar_);
    EXPECT_EQ(bar_.colors, std::vector<TColor>{255});
    EXPECT_FALSE(BackgroundFilled(*store_));

    bar_.colors.clear();
    ApplyBack(Store("[Back]\r\nItemIndex=9\r\nColor=-2147483633\r\n"), bar_);
    EXPECT_EQ(bar_.colors, std::vector<TColor>{clBtnFace});
    EXPECT_TRUE(BackgroundFilled(*store_));
}

// Apply's previews: two-blank pads; track 0 without a name shows the drive's status
// (tray out or not), which the disc label copies; a named track keeps its text.
TEST_F(BarSettingsTest, PreviewsShowStatusTextsWithTheTwoBlankPad) {
    FakePreview target(bar_);
    TLabelFontValues font = LoadLabelFont(Store(), DiscLabelKeys());
    target.trackText = "0. ";
    target.discText = "";
    target.trayOpen = true;
    PreviewTrack(target, font, 0);
    PreviewCDName(target, font, 0);
    EXPECT_EQ(bar_.TrackLabel().Caption(), "No Disc");
    EXPECT_EQ(bar_.DiscLabel().Caption(), "No Disc");

    font.space = true;
    target.trayOpen = false;
    PreviewTrack(target, font, 0);
    PreviewCDName(target, font, 0);
    EXPECT_EQ(bar_.trackPad, "  ");
    EXPECT_EQ(bar_.TrackLabel().Caption(), "Not Audio CD  ");
    EXPECT_EQ(bar_.DiscLabel().Caption(), "Not Audio CD  ");

    target.trackText = "3. Song";
    target.discText = "<Album>";
    PreviewTrack(target, font, 0);
    PreviewCDName(target, font, 0);
    EXPECT_EQ(bar_.TrackLabel().Caption(), "3. Song  ");
    EXPECT_EQ(bar_.DiscLabel().Caption(), "<Album>  ");
}

// The background choice is written at once for the erase; the free gauge place and a
// missing edge choice leave the bar as it is; a timer text that is no interval is ignored.
TEST_F(BarSettingsTest, PreviewsOfBackPlacementAndTimer) {
    FakePreview target(bar_);
    TIniStore& store = Store();
    PreviewBack(store, target, {1, 255});
    EXPECT_EQ(bar_.colors, (std::vector<TColor>{255, clBtnFace}));
    EXPECT_EQ(ReadInteger(store, TSetting::BackItemIndex), 1);
    EXPECT_EQ(target.repaints, 1);

    const QRect gauge = bar_.TimeGauge().geometry();
    PreviewPlacement(bar_, {-1, 0, kGaugeFree, true, false});
    EXPECT_EQ(bar_.edge, TBarEdge::Floating);
    EXPECT_TRUE(bar_.alwaysOnTop);
    EXPECT_FALSE(bar_.autoHide);
    EXPECT_EQ(bar_.TimeGauge().geometry(), gauge);
    PreviewPlacement(bar_, {0, 0, 0, false, false});
    EXPECT_EQ(bar_.edge, TBarEdge::Top);

    PreviewTimer(target, "500");
    PreviewTimer(target, "abc");
    EXPECT_EQ(target.interval, 500);
}

TEST_F(BarSettingsTest, PlacementSetsEdgeGaugeAndDockFlags) {
    ApplyCDNameFont(Store(), bar_);
    ApplyTrackFont(*store_, bar_);
    const QRect disc = bar_.DiscLabel().geometry();
    const QRect track = bar_.TrackLabel().geometry();

    ApplyPlacement(Store("[Config]\r\nPosition=0\r\nTopMost=1\r\nAutoHide=1\r\n"
                         "[TimeBar]\r\nPosition=1\r\n"),
                   bar_);
    EXPECT_EQ(bar_.edge, TBarEdge::Top);
    EXPECT_TRUE(bar_.alwaysOnTop);
    EXPECT_TRUE(bar_.autoHide);
    EXPECT_EQ(bar_.TimeGauge().pos(), QPoint(disc.x() + disc.width() + 4, disc.y()));

    ApplyPlacement(Store("[TimeBar]\r\nPosition=2\r\n"), bar_);
    EXPECT_EQ(bar_.edge, TBarEdge::Bottom);
    EXPECT_FALSE(bar_.alwaysOnTop);
    EXPECT_EQ(bar_.TimeGauge().pos(), QPoint(track.x() + track.width() + 4, track.y()));

    // The free place comes from PosX and PosY, the top left corner without them.
    ApplyPlacement(Store("[TimeBar]\r\nPosition=3\r\nPosX=100\r\nPosY=7\r\n"), bar_);
    EXPECT_EQ(bar_.TimeGauge().pos(), QPoint(100, 7));
    ApplyPlacement(Store("[TimeBar]\r\nPosition=3\r\n"), bar_);
    EXPECT_EQ(bar_.TimeGauge().pos(), QPoint(0, 0));

    // Other values leave the edge and the gauge alone.
    bar_.edge = TBarEdge::Floating;
    bar_.TimeGauge().move(33, 3);
    ApplyPlacement(Store("[Config]\r\nPosition=2\r\n[TimeBar]\r\nPosition=4\r\n"), bar_);
    EXPECT_EQ(bar_.edge, TBarEdge::Floating);
    EXPECT_EQ(bar_.TimeGauge().pos(), QPoint(33, 3));
}

// Absurd stored values never reach the widgets: they give the defaults.
TEST_F(BarSettingsTest, AbsurdValuesGiveSafeDefaults) {
    TIniStore& store = Store(
        "[CDName_Font]\r\nSize=-12\r\nInside_Color=white\r\nVisible=maybe\r\n"
        "[Track_Font]\r\nSize=2147483647\r\nName=\r\n"
        "[TimeBar]\r\nWidth=-50\r\nHeight=99999999\r\nFontSize=0\r\nPosition=3\r\n"
        "PosX=2147483647\r\nPosY=-2147483648\r\nTr_B_color=0x\r\n"
        "[Back]\r\nItemIndex=junk\r\nColor=12abc\r\n"
        "[Config]\r\nPosition=-7\r\nOrder=4\r\n"
        "[iPosition]\r\nDocH=-5\r\nOp_X=2147483647\r\nOp_Y=-2147483648\r\n");
    ApplyStoredSettings(store, bar_);
    EXPECT_EQ(bar_.DiscLabel().font().pointSize(), 9);
    EXPECT_EQ(bar_.DiscLabel().FontColor(), clWhite);
    EXPECT_FALSE(bar_.DiscLabel().isHidden());
    EXPECT_EQ(bar_.TrackLabel().font().pointSize(), 24);
    const TTextGauge& gauge = bar_.TimeGauge();
    EXPECT_EQ(gauge.size(), QSize(144, 12));
    EXPECT_EQ(gauge.font().pointSize(), 9);
    EXPECT_EQ(gauge.pos(), QPoint(0, 0));
    EXPECT_EQ(gauge.BackColor(), clGreen);
    EXPECT_EQ(bar_.colors, std::vector<TColor>{0});
    EXPECT_FALSE(BackgroundFilled(store));
    EXPECT_EQ(bar_.edge, TBarEdge::Floating);

    LayoutBar(store, bar_);
    EXPECT_EQ(bar_.horzDockSize, 48);
    PlaceOperationPanel(store, bar_);
    EXPECT_EQ(bar_.OperationPanel().pos(), QPoint(534, 0));
}

// Apply then save: what the widgets show, stored again, is exactly what the file said,
// key for key and byte for byte.
TEST_F(BarSettingsTest, ApplyThenSaveRoundTrip) {
    TConfigValues values;
    values.cdName = {
        cp932::Literal("ＭＳ ゴシック"), 0x123456, 0x654321, 11, true, false, true, true, false};
    values.track = {"DejaVu Sans", 0x00FFFF, 0x800000, 30, false, true, false, false, true};
    values.timeBar = {false, "Serif", 14, 0x0000FF, 0xFF00FF, true, true, 200, 20};
    values.back = {2, 0x336699};
    values.placement = {0, 2, 1, true, false};
    values.etc = {false, 1, true, true, true, "E:", "500"};

    TIniStore& first = Store();
    SaveConfig(first, values);
    ApplyStoredSettings(first, bar_);

    TConfigValues shown = LoadConfig(first, bar_.Edge());
    shown.cdName = FromLabel(bar_.DiscLabel(), bar_.discPad);
    shown.track = FromLabel(bar_.TrackLabel(), bar_.trackPad);
    shown.timeBar = FromGauge(bar_.TimeGauge());
    ASSERT_EQ(bar_.colors.size(), 1u);
    shown.back.color = bar_.colors.back();
    shown.placement.topMost = bar_.alwaysOnTop;
    shown.placement.autoHide = bar_.autoHide;
    EXPECT_EQ(shown, values);

    TIniStore second(dir_.File("again.ini"));
    SaveConfig(second, shown);
    EXPECT_EQ(second.Serialize(), first.Serialize());
}

// Load then save through the file on disk: the Japanese defaults are written as code
// page 932 bytes, every key in the order its save operation writes it.
TEST_F(BarSettingsTest, DefaultsSavedInOrderAsCodePage932) {
    const std::string path = dir_.File("lintel.ini");
    {
        TIniStore store(path);
        SaveConfig(store, LoadConfig(store, TBarEdge::Bottom));
        ASSERT_TRUE(store.UpdateFile().Ok());
    }
    const std::string font = "Name=" + kGothic932 + "\r\n";
    const std::string expected =
        "[CDName_Font]\r\n" + font +
        "Inside_Color=16777215\r\nBorder_Color=0\r\nSize=9\r\nBold=0\r\nItalic=0\r\n"
        "Visible=1\r\nSpace=0\r\nUseBack=1\r\n\r\n"
        "[Track_Font]\r\n" +
        font +
        "Size=24\r\nInside_Color=16777215\r\nBorder_Color=0\r\nBold=0\r\nItalic=0\r\n"
        "Visible=1\r\nSpace=0\r\nUseBack=1\r\n\r\n"
        "[TimeBar]\r\nVisible=1\r\nFontName=" +
        kGothic932 +
        "\r\nFontSize=9\r\nTr_F_color=65280\r\nTr_B_color=32768\r\nBold=0\r\nItalic=0\r\n"
        "Width=144\r\nHeight=12\r\nPosition=0\r\n\r\n"
        "[Back]\r\nItemIndex=0\r\nColor=0\r\n\r\n"
        "[Config]\r\nPosition=1\r\nOrder=0\r\nTopMost=0\r\nAutoHide=0\r\nVisiOpe=1\r\n"
        "VisiOpeType=0\r\nAutoPlay=0\r\nCDROMClose=0\r\nResumption=0\r\nDrive=Q:\r\n"
        "TimerInt=1000\r\n\r\n";
    EXPECT_EQ(ReadBytes(path), expected);
}

// Floating, the arrangement page shows no edge, and OK stores -1.
TEST_F(BarSettingsTest, FloatingBarStoresNoEdge) {
    TIniStore& store = Store();
    TPlacementValues placement = LoadPlacement(store, TBarEdge::Floating);
    EXPECT_EQ(placement.position, -1);
    SavePlacement(store, placement);
    EXPECT_EQ(store.ReadString("Config", "Position", ""), "-1");
    EXPECT_EQ(LoadPlacement(store, TBarEdge::Top).position, 0);
}

// The close-time saves: the free gauge's place, and under the free arrangement the
// thickness and both labels' places; nothing in the other arrangements.
TEST_F(BarSettingsTest, FreePositionsAreStoredAtClose) {
    TIniStore& none = Store("[Config]\r\nOrder=2\r\n[TimeBar]\r\nPosition=0\r\n");
    SaveFreePositions(none, bar_);
    EXPECT_FALSE(none.Changed());

    TIniStore& store = Store("[Config]\r\nOrder=4\r\n[TimeBar]\r\nPosition=3\r\n");
    bar_.TimeGauge().move(300, 5);
    bar_.horzDockSize = 52;
    SaveFreePositions(store, bar_);
    TStringList lines;
    store.ReadSectionValues("iPosition", lines);
    EXPECT_EQ(lines, (TStringList{"Tb_X=300", "Tb_Y=5", "DocH=52", "Cn_X=8", "Cn_Y=4", "Tr_X=184",
                                  "Tr_Y=4"}));
}

TEST_F(BarSettingsTest, PanelPlaceIsStoredAndRestored) {
    TIniStore& store = Store();
    SaveOperationPanelPlace(store, {120, 9});
    PlaceOperationPanel(store, bar_);
    EXPECT_EQ(bar_.OperationPanel().pos(), QPoint(120, 9));
    // Stored far outside the bar: pulled back in where it can be grabbed.
    SaveOperationPanelPlace(store, {900, 40});
    PlaceOperationPanel(store, bar_);
    EXPECT_EQ(bar_.OperationPanel().pos(), QPoint(534, 18));
}

// The layout on real labels: sizes come from the labels' own text measurement.
class LayoutOnWidgetsTest : public BarSettingsTest {
protected:
    void SetUp() override {
        ApplyStoredSettings(Store(), bar_);
        bar_.DiscLabel().SetCaption("<Blue / Band>");
        bar_.TrackLabel().SetCaption("3. Intro");
    }
    QRect Disc() { return bar_.DiscLabel().geometry(); }
    QRect Track() { return bar_.TrackLabel().geometry(); }
};

TEST_F(LayoutOnWidgetsTest, OneRowDiscFirstLeavesTwelvePixels) {
    store_->WriteInteger("TimeBar", "Position", 2);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(Disc().topLeft(), QPoint(4, 4));
    EXPECT_EQ(Track().topLeft(), QPoint(Disc().width() + 16, 4));
    EXPECT_EQ(Track().x() - (Disc().x() + Disc().width()), 12);
    EXPECT_EQ(bar_.horzDockSize, std::max(Disc().height(), Track().height()) + 12);
    EXPECT_EQ(bar_.TimeGauge().pos(), QPoint(Track().x() + Track().width() + 4, 4));
}

TEST_F(LayoutOnWidgetsTest, OneRowTrackFirst) {
    store_->WriteInteger("Config", "Order", 1);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(Track().topLeft(), QPoint(4, 4));
    EXPECT_EQ(Disc().topLeft(), QPoint(Track().width() + 16, 4));
}

TEST_F(LayoutOnWidgetsTest, TwoRowsStackTheLabels) {
    store_->WriteInteger("Config", "Order", 2);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(Disc().topLeft(), QPoint(4, 4));
    EXPECT_EQ(Track().topLeft(), QPoint(4, Disc().height() + 4));
    EXPECT_EQ(bar_.horzDockSize, Disc().height() + Track().height() + 12);

    store_->WriteInteger("Config", "Order", 3);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(Track().topLeft(), QPoint(4, 4));
    EXPECT_EQ(Disc().topLeft(), QPoint(4, Track().height() + 4));
}

TEST_F(LayoutOnWidgetsTest, FreeArrangementKeepsTheFormPlaces) {
    store_->WriteInteger("Config", "Order", 4);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(Disc().topLeft(), QPoint(8, 4));
    EXPECT_EQ(Track().topLeft(), QPoint(184, 4));
    EXPECT_EQ(bar_.horzDockSize, 48);
    store_->WriteInteger("iPosition", "DocH", 60);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(bar_.horzDockSize, 60);
}

// A hidden disc label keeps only an exact status text; emptied, it shrinks to one blank
// and the track label follows it closely.
TEST_F(LayoutOnWidgetsTest, HiddenLabelsAreEmptied) {
    TShadowLabel blank;
    blank.setFont(bar_.DiscLabel().font());
    blank.SetShowAccelChar(false);
    blank.SetCaption(" ");

    bar_.DiscLabel().hide();
    bar_.DiscLabel().SetCaption("No Disc ");
    LayoutBar(*store_, bar_);
    EXPECT_EQ(bar_.DiscLabel().Caption(), "");
    EXPECT_EQ(Disc().width(), blank.width());
    EXPECT_EQ(Track().x(), blank.width() + 16);

    bar_.DiscLabel().SetCaption("No Disc");
    LayoutBar(*store_, bar_);
    EXPECT_EQ(bar_.DiscLabel().Caption(), "No Disc");

    bar_.TrackLabel().hide();
    bar_.TrackLabel().SetCaption("No Disc");
    LayoutBar(*store_, bar_);
    EXPECT_EQ(bar_.TrackLabel().Caption(), "");
}

// A panel below a thinner bar is lifted onto its lower edge by the next layout.
TEST_F(LayoutOnWidgetsTest, PanelBelowTheBarIsLifted) {
    bar_.OperationPanel().move(534, 200);
    LayoutBar(*store_, bar_);
    EXPECT_EQ(bar_.OperationPanel().pos(), QPoint(534, bar_.horzDockSize - 18));
}

}  // namespace
}  // namespace lintel
