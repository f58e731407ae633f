#include "dialogs/BarSettings.h"

#include <QFont>
#include <QWidget>

#include "settings/StatusTexts.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

using S = TSetting;

QFont FontFrom(const QFont& base, const std::string& name, int points, bool bold, bool italic) {
    QFont font = base;
    // Names that are not installed are passed on as they are; Qt's substitution table
    // and its own fallback choose a face.
    font.setFamily(FromCp932(name));
    font.setPointSize(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

TBounds BoundsOf(const QWidget& w) {
    return {w.x(), w.y(), w.width(), w.height()};
}

void MoveTo(QWidget& w, const TBounds& b) {
    if (w.x() != b.left || w.y() != b.top) {
        w.move(b.left, b.top);
    }
}

}  // namespace

TAppBarEdge AppBarEdgeOf(TBarEdge edge) {
    switch (edge) {
        case TBarEdge::Top:
            return abeTop;
        case TBarEdge::Bottom:
            return abeBottom;
        case TBarEdge::Floating:
            break;
    }
    return abeFloat;
}

TBarEdge BarEdgeOf(TAppBarEdge edge) {
    switch (edge) {
        case abeTop:
            return TBarEdge::Top;
        case abeBottom:
            return TBarEdge::Bottom;
        default:
            return TBarEdge::Floating;
    }
}

// ---- apply

std::string LabelPad(bool space) {
    return space ? " " : "";
}

void ShowLabelFont(TShadowLabel& label, const TLabelFontValues& v) {
    label.SetFontColor(v.insideColor);
    label.Highlight().SetColor(v.borderColor);
    label.Shadow().SetColor(v.borderColor);
    // Face, size and style go to the label together, so it measures itself once.
    label.setFont(FontFrom(label.font(), v.name, v.size, v.bold, v.italic));
    label.setVisible(v.visible);
    label.Highlight().SetVisible(v.useBack);
    label.Shadow().SetVisible(v.useBack);
}

void ShowTimeBar(TTextGauge& gauge, const TTimeBarValues& v) {
    gauge.setFont(FontFrom(gauge.font(), v.fontName, v.fontSize, v.bold, v.italic));
    gauge.SetForeColor(v.foreColor);
    gauge.SetBackColor(v.backColor);
    gauge.resize(v.width, v.height);
    gauge.setVisible(v.visible);
}

void ApplyCDNameFont(TIniStore& settings, TBarSettingsTarget& bar) {
    TLabelFontValues v = LoadLabelFont(settings, DiscLabelKeys());
    v.size = ReadBounded(settings, DiscLabelKeys().size);
    ShowLabelFont(bar.DiscLabel(), v);
    bar.SetDiscLabelPad(LabelPad(v.space));
}

void ApplyTrackFont(TIniStore& settings, TBarSettingsTarget& bar) {
    TLabelFontValues v = LoadLabelFont(settings, TrackLabelKeys());
    v.size = ReadBounded(settings, TrackLabelKeys().size);
    ShowLabelFont(bar.TrackLabel(), v);
    bar.SetTrackLabelPad(LabelPad(v.space));
}

void ApplyTimeBar(TIniStore& settings, TBarSettingsTarget& bar) {
    TTimeBarValues v = LoadTimeBar(settings);
    v.fontSize = ReadBounded(settings, S::TbFontSize);
    v.width = ReadBounded(settings, S::TbWidth);
    v.height = ReadBounded(settings, S::TbHeight);
    ShowTimeBar(bar.TimeGauge(), v);
}

void ApplyBack(TIniStore& settings, TBarSettingsTarget& bar) {
    bar.SetBarColor(ReadInteger(settings, S::BackColor));
    if (ReadInteger(settings, S::BackItemIndex) == 1) {
        bar.SetBarColor(clBtnFace);
    }
}

void ApplyPlacement(TIniStore& settings, TBarSettingsTarget& bar) {
    if (const auto edge = EdgeOfPosition(ReadInteger(settings, S::ConfigPosition))) {
        bar.SetEdge(*edge);
    }

    TTextGauge& gauge = bar.TimeGauge();
    const TPoint freePlace{ReadBounded(settings, S::TbPosX), ReadBounded(settings, S::TbPosY)};
    MoveTo(gauge, PlaceGauge(ReadInteger(settings, S::TbPosition), bar.ClientSize().width(),
                             BoundsOf(gauge), BoundsOf(bar.DiscLabel()), BoundsOf(bar.TrackLabel()),
                             freePlace));

    bar.SetAlwaysOnTop(ReadBool(settings, S::ConfigTopMost));
    bar.SetAutoHide(ReadBool(settings, S::ConfigAutoHide));
}

void ApplyStoredSettings(TIniStore& settings, TBarSettingsTarget& bar) {
    ApplyCDNameFont(settings, bar);
    ApplyTrackFont(settings, bar);
    ApplyTimeBar(settings, bar);
    ApplyBack(settings, bar);
    ApplyPlacement(settings, bar);
}

bool BackgroundFilled(TIniStore& settings) {
    return ReadInteger(settings, S::BackItemIndex) != 0;
}

// ---- load for the dialog

TLabelFontValues LoadLabelFont(TIniStore& settings, const TLabelFontKeys& keys) {
    TLabelFontValues v;
    v.name = ReadString(settings, keys.name);
    v.insideColor = ReadInteger(settings, keys.insideColor);
    v.borderColor = ReadInteger(settings, keys.borderColor);
    v.size = ReadInteger(settings, keys.size);
    v.bold = ReadBool(settings, keys.bold);
    v.italic = ReadBool(settings, keys.italic);
    v.visible = ReadBool(settings, keys.visible);
    v.space = ReadBool(settings, keys.space);
    v.useBack = ReadBool(settings, keys.useBack);
    return v;
}

TTimeBarValues LoadTimeBar(TIniStore& settings) {
    TTimeBarValues v;
    v.visible = ReadBool(settings, S::TbVisible);
    v.fontName = ReadString(settings, S::TbFontName);
    v.fontSize = ReadInteger(settings, S::TbFontSize);
    v.bold = ReadBool(settings, S::TbBold);
    v.italic = ReadBool(settings, S::TbItalic);
    v.foreColor = ReadInteger(settings, S::TbForeColor);
    v.backColor = ReadInteger(settings, S::TbBackColor);
    v.width = ReadInteger(settings, S::TbWidth);
    v.height = ReadInteger(settings, S::TbHeight);
    return v;
}

TBackValues LoadBack(TIniStore& settings) {
    return {ReadInteger(settings, S::BackItemIndex), ReadInteger(settings, S::BackColor)};
}

TPlacementValues LoadPlacement(TIniStore& settings, TBarEdge edge) {
    TPlacementValues v;
    v.position = PositionOfEdge(edge).value_or(-1);  // no radio button for a floating bar
    v.order = ReadInteger(settings, S::ConfigOrder);
    v.timeBarPosition = ReadInteger(settings, S::TbPosition);
    v.topMost = ReadBool(settings, S::ConfigTopMost);
    v.autoHide = ReadBool(settings, S::ConfigAutoHide);
    return v;
}

TEtcValues LoadEtc(TIniStore& settings) {
    TEtcValues v;
    v.visiOpe = ReadBool(settings, S::ConfigVisiOpe);
    v.visiOpeType = ReadInteger(settings, S::ConfigVisiOpeType);
    v.autoPlay = ReadBool(settings, S::ConfigAutoPlay);
    v.cdromClose = ReadBool(settings, S::ConfigCDROMClose);
    v.resumption = ReadBool(settings, S::ConfigResumption);
    v.drive = ReadString(settings, S::ConfigDrive, TReader::SettingsDialog);
    v.timerInt = ReadString(settings, S::ConfigTimerInt);
    return v;
}

TConfigValues LoadConfig(TIniStore& settings, TBarEdge edge) {
    return {LoadLabelFont(settings, DiscLabelKeys()),
            LoadLabelFont(settings, TrackLabelKeys()),
            LoadTimeBar(settings),
            LoadBack(settings),
            LoadPlacement(settings, edge),
            LoadEtc(settings)};
}

// ---- save from the dialog

void SaveCDNameFont(TIniStore& settings, const TLabelFontValues& v) {
    const TLabelFontKeys& k = DiscLabelKeys();
    WriteString(settings, k.name, v.name);
    WriteInteger(settings, k.insideColor, v.insideColor);
    WriteInteger(settings, k.borderColor, v.borderColor);
    WriteInteger(settings, k.size, v.size);
    WriteBool(settings, k.bold, v.bold);
    WriteBool(settings, k.italic, v.italic);
    WriteBool(settings, k.visible, v.visible);
    WriteBool(settings, k.space, v.space);
    WriteBool(settings, k.useBack, v.useBack);
}

void SaveTrackFont(TIniStore& settings, const TLabelFontValues& v) {
    // The size comes second here, unlike the disc name's page.
    const TLabelFontKeys& k = TrackLabelKeys();
    WriteString(settings, k.name, v.name);
    WriteInteger(settings, k.size, v.size);
    WriteInteger(settings, k.insideColor, v.insideColor);
    WriteInteger(settings, k.borderColor, v.borderColor);
    WriteBool(settings, k.bold, v.bold);
    WriteBool(settings, k.italic, v.italic);
    WriteBool(settings, k.visible, v.visible);
    WriteBool(settings, k.space, v.space);
    WriteBool(settings, k.useBack, v.useBack);
}

void SaveTimeBar(TIniStore& settings, const TTimeBarValues& v) {
    WriteBool(settings, S::TbVisible, v.visible);
    WriteString(settings, S::TbFontName, v.fontName);
    WriteInteger(settings, S::TbFontSize, v.fontSize);
    WriteInteger(settings, S::TbForeColor, v.foreColor);
    WriteInteger(settings, S::TbBackColor, v.backColor);
    WriteBool(settings, S::TbBold, v.bold);
    WriteBool(settings, S::TbItalic, v.italic);
    WriteInteger(settings, S::TbWidth, v.width);
    WriteInteger(settings, S::TbHeight, v.height);
}

void SaveBack(TIniStore& settings, const TBackValues& v) {
    WriteInteger(settings, S::BackItemIndex, v.itemIndex);
    WriteInteger(settings, S::BackColor, v.color);
}

void SavePlacement(TIniStore& settings, const TPlacementValues& v) {
    WriteInteger(settings, S::ConfigPosition, v.position);
    WriteInteger(settings, S::ConfigOrder, v.order);
    WriteInteger(settings, S::TbPosition, v.timeBarPosition);
    WriteBool(settings, S::ConfigTopMost, v.topMost);
    WriteBool(settings, S::ConfigAutoHide, v.autoHide);
}

void SaveEtc(TIniStore& settings, const TEtcValues& v) {
    WriteBool(settings, S::ConfigVisiOpe, v.visiOpe);
    WriteInteger(settings, S::ConfigVisiOpeType, v.visiOpeType);
    WriteBool(settings, S::ConfigAutoPlay, v.autoPlay);
    WriteBool(settings, S::ConfigCDROMClose, v.cdromClose);
    WriteBool(settings, S::ConfigResumption, v.resumption);
    WriteString(settings, S::ConfigDrive, v.drive);
    WriteString(settings, S::ConfigTimerInt, v.timerInt);
}

void SaveConfig(TIniStore& settings, const TConfigValues& v) {
    SaveCDNameFont(settings, v.cdName);
    SaveTrackFont(settings, v.track);
    SaveTimeBar(settings, v.timeBar);
    SaveBack(settings, v.back);
    SavePlacement(settings, v.placement);
    SaveEtc(settings, v.etc);
}

// ---- layout and the bar's own records

namespace {

void EmptyHiddenLabels(TBarSettingsTarget& bar) {
    TShadowLabel& disc = bar.DiscLabel();
    TShadowLabel& track = bar.TrackLabel();
    if (EmptiesDiscLabel(!disc.isHidden(), disc.Caption())) {
        disc.SetCaption("");
    }
    if (EmptiesTrackLabel(!track.isHidden())) {
        track.SetCaption("");
    }
}

TLayoutInput LayoutInputOf(TBarSettingsTarget& bar) {
    TLayoutInput in;
    in.clientWidth = bar.ClientSize().width();
    in.clientHeight = bar.ClientSize().height();
    in.discLabel = BoundsOf(bar.DiscLabel());
    in.trackLabel = BoundsOf(bar.TrackLabel());
    in.gauge = BoundsOf(bar.TimeGauge());
    in.panel = BoundsOf(bar.OperationPanel());
    in.horzDockSize = bar.HorzDockSize();
    return in;
}

void MoveLabelsAndDock(TBarSettingsTarget& bar, const TLayoutResult& out) {
    MoveTo(bar.DiscLabel(), out.discLabel);
    MoveTo(bar.TrackLabel(), out.trackLabel);
    if (out.horzDockSize != bar.HorzDockSize()) {
        bar.SetHorzDockSize(out.horzDockSize);
    }
}

}  // namespace

void LayoutBar(TIniStore& settings, TBarSettingsTarget& bar) {
    EmptyHiddenLabels(bar);
    TLayoutInput in = LayoutInputOf(bar);
    in.order = ReadInteger(settings, S::ConfigOrder);
    in.gaugePosition = ReadInteger(settings, S::TbPosition);
    in.freeDockSize = ReadBounded(settings, S::PosDocH);

    const TLayoutResult out = LayoutBar(in);
    MoveTo(bar.TimeGauge(), out.gauge);
    MoveTo(bar.OperationPanel(), out.panel);
    MoveLabelsAndDock(bar, out);
}

void PreviewArrangement(TBarSettingsTarget& bar, int order) {
    EmptyHiddenLabels(bar);
    if (order >= 0) {
        const TLayoutInput in = LayoutInputOf(bar);
        MoveLabelsAndDock(bar, ArrangeLabels(in, order));
    }
}

void PreviewGaugePlace(TBarSettingsTarget& bar, int position) {
    TTextGauge& gauge = bar.TimeGauge();
    MoveTo(gauge, PlaceGauge(position, bar.ClientSize().width(), BoundsOf(gauge),
                             BoundsOf(bar.DiscLabel()), BoundsOf(bar.TrackLabel())));
}

// ---- the previews

std::string PreviewPad(bool space) {
    return space ? "  " : "";
}

void PreviewTrack(TPreviewTarget& target, const TLabelFontValues& v, int order) {
    TBarSettingsTarget& bar = target.Bar();
    TShadowLabel& track = bar.TrackLabel();
    ShowLabelFont(track, v);
    bar.SetTrackLabelPad(PreviewPad(v.space));
    PreviewArrangement(bar, order);
    target.UpdateTrackLabel();
    // Track 0 without a name: no disc, or none with audio; the status text says which.
    const std::string& text = track.Caption();
    if (text == "0. " || text == "0.   ") {
        const std::string_view status = target.TrayOpen() ? kNoDiscText : kNotAudioText;
        track.SetCaption(std::string(status) + PreviewPad(v.space));
    }
}

void PreviewCDName(TPreviewTarget& target, const TLabelFontValues& v, int order) {
    TBarSettingsTarget& bar = target.Bar();
    ShowLabelFont(bar.DiscLabel(), v);
    bar.SetDiscLabelPad(PreviewPad(v.space));
    PreviewArrangement(bar, order);
    target.UpdateDiscLabel();
    const std::string& track = bar.TrackLabel().Caption();
    for (const std::string_view status : {kNoDiscText, kNotAudioText}) {
        if (track == status || track == std::string(status) + "  ") {
            bar.DiscLabel().SetCaption(std::string(status) + PreviewPad(v.space));
        }
    }
}

void PreviewTimeBar(TBarSettingsTarget& bar, const TTimeBarValues& v) {
    ShowTimeBar(bar.TimeGauge(), v);
}

void PreviewBack(TIniStore& settings, TPreviewTarget& target, const TBackValues& v) {
    TBarSettingsTarget& bar = target.Bar();
    bar.SetBarColor(v.color);
    if (v.itemIndex == 1) {
        bar.SetBarColor(clBtnFace);
    }
    WriteInteger(settings, S::BackItemIndex, v.itemIndex);
    target.RepaintBar();
}

void PreviewPlacement(TBarSettingsTarget& bar, const TPlacementValues& v) {
    if (const auto edge = EdgeOfPosition(v.position)) {
        bar.SetEdge(*edge);
    }
    bar.SetAlwaysOnTop(v.topMost);
    bar.SetAutoHide(v.autoHide);
    PreviewGaugePlace(bar, v.timeBarPosition);
}

void PreviewTimer(TPreviewTarget& target, const std::string& interval) {
    if (const std::optional<int> milliseconds = ParseMilliseconds(interval)) {
        target.SetTimerInterval(*milliseconds);
    }
}

void PlaceOperationPanel(TIniStore& settings, TBarSettingsTarget& bar) {
    QWidget& panel = bar.OperationPanel();
    const QSize client = bar.ClientSize();
    const int x = ReadInteger(settings, S::PosOpX, client.width() - panel.width());
    const int y = ReadInteger(settings, S::PosOpY, client.height() - panel.height());
    const TPoint place =
        PanelStartPlace(x, y, client.width(), client.height(), panel.width(), panel.height());
    panel.move(place.x, place.y);
}

void SaveOperationPanelPlace(TIniStore& settings, TPoint place) {
    WriteInteger(settings, S::PosOpX, place.x);
    WriteInteger(settings, S::PosOpY, place.y);
}

void SaveFreePositions(TIniStore& settings, TBarSettingsTarget& bar) {
    if (ReadInteger(settings, S::TbPosition) == kGaugeFree) {
        WriteInteger(settings, S::PosTbX, bar.TimeGauge().x());
        WriteInteger(settings, S::PosTbY, bar.TimeGauge().y());
    }
    if (ReadInteger(settings, S::ConfigOrder) == kOrderFree) {
        WriteInteger(settings, S::PosDocH, bar.HorzDockSize());
        WriteInteger(settings, S::PosCnX, bar.DiscLabel().x());
        WriteInteger(settings, S::PosCnY, bar.DiscLabel().y());
        WriteInteger(settings, S::PosTrX, bar.TrackLabel().x());
        WriteInteger(settings, S::PosTrY, bar.TrackLabel().y());
    }
}

}  // namespace lintel
