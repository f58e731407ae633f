// Carrying lintel.ini onto the bar and the settings dialog's values back into it.
//
// The apply operations read the file at the moment they run, with the defaults of the
// settings table, and set the bar's widgets straight away; the bar keeps no copy of its
// settings. The save operations write what the settings dialog holds, key by key, in a
// fixed order (which is the order new keys appear in the file).
#pragma once

#include <QSize>
#include <string>

#include "settings/BarLayout.h"
#include "settings/SettingsKeys.h"
#include "shell/AppBarShell.h"
#include "titles/IniStore.h"
#include "widgets/ShadowLabel.h"
#include "widgets/SystemColors.h"
#include "widgets/TextGauges.h"

class QWidget;

namespace lintel {

/// What the apply and layout operations set on the bar window. TfrmMain implements it
/// with its own widgets; tests implement it with real widgets on a plain parent.
class TBarSettingsTarget {
public:
    virtual ~TBarSettingsTarget() = default;

    virtual TShadowLabel& DiscLabel() = 0;   ///< slbCDName
    virtual TShadowLabel& TrackLabel() = 0;  ///< slbTrack
    virtual TTextGauge& TimeGauge() = 0;     ///< gagTrTime
    virtual QWidget& OperationPanel() = 0;   ///< pnlOperation
    virtual QSize ClientSize() const = 0;

    /// The bar's own colour; whether the background is filled with it is decided at
    /// each erase (BackgroundFilled).
    virtual void SetBarColor(TColor color) = 0;
    virtual void SetEdge(TBarEdge edge) = 0;
    virtual TBarEdge Edge() const = 0;
    /// Both take effect at the bar's next re-dock.
    virtual void SetAlwaysOnTop(bool value) = 0;
    virtual void SetAutoHide(bool value) = 0;
    virtual int HorzDockSize() const = 0;
    virtual void SetHorzDockSize(int value) = 0;
    /// The texts appended to the disc and the track label's text.
    virtual void SetDiscLabelPad(const std::string& pad) = 0;
    virtual void SetTrackLabelPad(const std::string& pad) = 0;
};

/// What the settings dialog's previews reach of the bar besides its widgets.
class TPreviewTarget {
public:
    virtual ~TPreviewTarget() = default;
    /// The bar's widgets the previews set.
    virtual TBarSettingsTarget& Bar() = 0;
    virtual void UpdateDiscLabel() = 0;
    virtual void UpdateTrackLabel() = 0;
    /// Whether the device reports the open state (the tray is out).
    virtual bool TrayOpen() = 0;
    virtual void SetTimerInterval(int milliseconds) = 0;
    virtual void RepaintBar() = 0;
};

/// The desktop-toolbar edge of a settings edge, and back: left, right and floating bars
/// all count as floating.
[[nodiscard]] TAppBarEdge AppBarEdgeOf(TBarEdge edge);
[[nodiscard]] TBarEdge BarEdgeOf(TAppBarEdge edge);

// ---- the apply operations, called in this order at start-up and after the dialog
void ApplyCDNameFont(TIniStore& settings, TBarSettingsTarget& bar);
void ApplyTrackFont(TIniStore& settings, TBarSettingsTarget& bar);
void ApplyTimeBar(TIniStore& settings, TBarSettingsTarget& bar);
void ApplyBack(TIniStore& settings, TBarSettingsTarget& bar);
/// Edge, then the gauge's place (its free place from [TimeBar] "PosX", "PosY"), then
/// always-on-top and auto-hide.
void ApplyPlacement(TIniStore& settings, TBarSettingsTarget& bar);
/// The five above in order; the sixth (timer and drive) belongs to the engine.
void ApplyStoredSettings(TIniStore& settings, TBarSettingsTarget& bar);

/// The pad a "Space" setting stands for once stored: one blank, or nothing.
[[nodiscard]] std::string LabelPad(bool space);

/// [Back] "ItemIndex" read at an erase: true when the bar is filled with its colour,
/// false when the desktop shows behind it (mode 0).
[[nodiscard]] bool BackgroundFilled(TIniStore& settings);

// ---- the settings dialog's values, as its controls hold them

/// One label's page.
struct TLabelFontValues {
    std::string name;  ///< font face as typed, code page 932
    TColor insideColor = 0;
    TColor borderColor = 0;
    int size = 0;
    bool bold = false;
    bool italic = false;
    bool visible = false;
    bool space = false;
    bool useBack = false;
    bool operator==(const TLabelFontValues&) const = default;
};

/// The time bar's page.
struct TTimeBarValues {
    bool visible = false;
    std::string fontName;
    int fontSize = 0;
    TColor foreColor = 0;
    TColor backColor = 0;
    bool bold = false;
    bool italic = false;
    int width = 0;
    int height = 0;
    bool operator==(const TTimeBarValues&) const = default;
};

/// The background page; the radio group's index is -1 when nothing is chosen.
struct TBackValues {
    int itemIndex = 0;
    TColor color = 0;
    bool operator==(const TBackValues&) const = default;
};

/// The arrangement page: docking edge, order and gauge place as radio indexes.
struct TPlacementValues {
    int position = 0;
    int order = 0;
    int timeBarPosition = 0;
    bool topMost = false;
    bool autoHide = false;
    bool operator==(const TPlacementValues&) const = default;
};

/// The general page; drive and interval are the boxes' texts as typed.
struct TEtcValues {
    bool visiOpe = false;
    int visiOpeType = 0;
    bool autoPlay = false;
    bool cdromClose = false;
    bool resumption = false;
    std::string drive;
    std::string timerInt;
    bool operator==(const TEtcValues&) const = default;
};

/// All six pages, in the order the save operations run.
struct TConfigValues {
    TLabelFontValues cdName;
    TLabelFontValues track;
    TTimeBarValues timeBar;
    TBackValues back;
    TPlacementValues placement;
    TEtcValues etc;
    bool operator==(const TConfigValues&) const = default;
};

// ---- showing one page's values on the bar, for the apply operations and the previews
/// Font, colours, visibility and outline of a label (not its pad).
void ShowLabelFont(TShadowLabel& label, const TLabelFontValues& values);
/// Font, colours, size and visibility of the time gauge.
void ShowTimeBar(TTextGauge& gauge, const TTimeBarValues& values);

// ---- reading the file as the dialog shows it (table defaults, values as stored; the
// dialog clamps them into its controls' ranges itself)
[[nodiscard]] TLabelFontValues LoadLabelFont(TIniStore& settings, const TLabelFontKeys& keys);
[[nodiscard]] TTimeBarValues LoadTimeBar(TIniStore& settings);
[[nodiscard]] TBackValues LoadBack(TIniStore& settings);
/// The edge comes from the bar, not the file: top 0, bottom 1, floating -1.
[[nodiscard]] TPlacementValues LoadPlacement(TIniStore& settings, TBarEdge edge);
/// The drive box shows "Q:" when no drive is stored.
[[nodiscard]] TEtcValues LoadEtc(TIniStore& settings);
[[nodiscard]] TConfigValues LoadConfig(TIniStore& settings, TBarEdge edge);

// ---- the save operations, run in this order when the dialog closes with OK
void SaveCDNameFont(TIniStore& settings, const TLabelFontValues& values);
void SaveTrackFont(TIniStore& settings, const TLabelFontValues& values);
void SaveTimeBar(TIniStore& settings, const TTimeBarValues& values);
void SaveBack(TIniStore& settings, const TBackValues& values);
void SavePlacement(TIniStore& settings, const TPlacementValues& values);
void SaveEtc(TIniStore& settings, const TEtcValues& values);
/// The six saves in order.
void SaveConfig(TIniStore& settings, const TConfigValues& values);

// ---- the layout on the real widgets, and the places the bar records itself

/// Empties hidden labels' texts, arranges labels, gauge and panel by [Config] "Order",
/// [iPosition] "DocH" and [TimeBar] "Position", and sets the bar's thickness.
void LayoutBar(TIniStore& settings, TBarSettingsTarget& bar);

/// The settings dialog's preview of an arrangement: hidden labels emptied, the labels
/// arranged by `order` and the bar's thickness set, as the layout does, but with the
/// dialog's order and without the gauge and panel steps. With `order` -1 (no choice)
/// only the hidden labels are emptied.
void PreviewArrangement(TBarSettingsTarget& bar, int order);
/// The preview's gauge place for the dialog's choice: top right or behind a label; the
/// free place (and no choice) leaves the gauge where it stands.
void PreviewGaugePlace(TBarSettingsTarget& bar, int position);

// ---- the settings dialog's previews (Apply): the dialog's values shown on the bar
// without storing them. They differ from the apply operations in three ways: the pads are
// two blanks instead of one, a gauge set to the free place is not moved, and the panel is
// not pulled up into a thinner bar.

/// The pad a ticked "Space" box shows while the dialog is open: two blanks.
[[nodiscard]] std::string PreviewPad(bool space);
/// The track label with the page's values, arranged by `order`, its text set again; track
/// 0 without a name becomes "No Disc" (tray out) or "Not Audio CD", with the pad.
void PreviewTrack(TPreviewTarget& target, const TLabelFontValues& values, int order);
/// The disc label likewise; it copies a status text the track label shows.
void PreviewCDName(TPreviewTarget& target, const TLabelFontValues& values, int order);
void PreviewTimeBar(TBarSettingsTarget& bar, const TTimeBarValues& values);
/// Also writes [Back] "ItemIndex" at once: the bar's background erase reads it from the file.
void PreviewBack(TIniStore& settings, TPreviewTarget& target, const TBackValues& values);
/// Edge (none for no choice), always-on-top, auto-hide and the gauge's place.
void PreviewPlacement(TBarSettingsTarget& bar, const TPlacementValues& values);
/// The poll timer's interval; text that is no interval leaves the timer as it runs.
void PreviewTimer(TPreviewTarget& target, const std::string& interval);

/// Places the operation panel from [iPosition] "Op_X", "Op_Y" when the bar is shown.
void PlaceOperationPanel(TIniStore& settings, TBarSettingsTarget& bar);
/// Stores the panel's place after a drag.
void SaveOperationPanelPlace(TIniStore& settings, TPoint place);

/// The close-time saves that only the widgets know: a free gauge's place, and under
/// the free arrangement the bar's thickness and both labels' places. (The engine
/// stores the docking edge itself.)
void SaveFreePositions(TIniStore& settings, TBarSettingsTarget& bar);

}  // namespace lintel
