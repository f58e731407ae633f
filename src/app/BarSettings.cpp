#include "app/BarSettings.h"

#include <QFont>
#include <QWidget>

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

void ApplyLabelFont(TIniStore& settings, const TLabelFontKeys& keys, TShadowLabel& label,
                    void (TBarSettingsTarget::*setPad)(const std::string&),
                    TBarSettingsTarget& bar) {
    const std::string name = ReadString(settings, keys.name);
    label.SetFontColor(ReadInteger(settings, keys.insideColor));
    const TColor border = ReadInteger(settings, keys.borderColor);
    label.Highlight().SetColor(border);
    label.Shadow().SetColor(border);
    // Face, size and style go to the label together, so it measures itself once.
    label.setFont(FontFrom(label.font(), name, ReadBounded(settings, keys.size),
                           ReadBool(settings, keys.bold), ReadBool(settings, keys.italic)));
    label.setVisible(ReadBool(settings, keys.visible));
    (bar.*setPad)(LabelPad(ReadBool(settings, keys.space)));
    const bool useBack = ReadBool(settings, keys.useBack);
    label.Highlight().SetVisible(useBack);
    label.Shadow().SetVisible(useBack);
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

// ---- apply

std::string LabelPad(bool space) {
    return space ? " " : "";
}

void ApplyCDNameFont(TIniStore& settings, TBarSettingsTarget& bar) {
    ApplyLabelFont(settings, DiscLabelKeys(), bar.DiscLabel(), &TBarSettingsTarget::SetDiscLabelPad,
                   bar);
}

void ApplyTrackFont(TIniStore& settings, TBarSettingsTarget& bar) {
    ApplyLabelFont(settings, TrackLabelKeys(), bar.TrackLabel(),
                   &TBarSettingsTarget::SetTrackLabelPad, bar);
}

void ApplyTimeBar(TIniStore& settings, TBarSettingsTarget& bar) {
    TTextGauge& gauge = bar.TimeGauge();
    gauge.setFont(FontFrom(gauge.font(), ReadString(settings, S::TbFontName),
                           ReadBounded(settings, S::TbFontSize), ReadBool(settings, S::TbBold),
                           ReadBool(settings, S::TbItalic)));
    gauge.SetForeColor(ReadInteger(settings, S::TbForeColor));
    gauge.SetBackColor(ReadInteger(settings, S::TbBackColor));
    gauge.resize(ReadBounded(settings, S::TbWidth), ReadBounded(settings, S::TbHeight));
    gauge.setVisible(ReadBool(settings, S::TbVisible));
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

void LayoutBar(TIniStore& settings, TBarSettingsTarget& bar) {
    TShadowLabel& disc = bar.DiscLabel();
    TShadowLabel& track = bar.TrackLabel();
    if (EmptiesDiscLabel(!disc.isHidden(), disc.Caption())) {
        disc.SetCaption("");
    }
    if (EmptiesTrackLabel(!track.isHidden())) {
        track.SetCaption("");
    }

    TLayoutInput in;
    in.clientWidth = bar.ClientSize().width();
    in.clientHeight = bar.ClientSize().height();
    in.discLabel = BoundsOf(disc);
    in.trackLabel = BoundsOf(track);
    in.gauge = BoundsOf(bar.TimeGauge());
    in.panel = BoundsOf(bar.OperationPanel());
    in.horzDockSize = bar.HorzDockSize();
    in.order = ReadInteger(settings, S::ConfigOrder);
    in.gaugePosition = ReadInteger(settings, S::TbPosition);
    in.freeDockSize = ReadBounded(settings, S::PosDocH);

    const TLayoutResult out = LayoutBar(in);
    MoveTo(disc, out.discLabel);
    MoveTo(track, out.trackLabel);
    MoveTo(bar.TimeGauge(), out.gauge);
    MoveTo(bar.OperationPanel(), out.panel);
    if (out.horzDockSize != bar.HorzDockSize()) {
        bar.SetHorzDockSize(out.horzDockSize);
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
