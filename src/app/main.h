// TfrmMain, the bar window: a thin frameless strip at the top or bottom edge of the
// screen with the disc and track labels, the time gauge and the operation panel. It is
// a thin form: every event goes to the player's engine through one dispatch point, and
// the engine speaks back through the TBarView operations implemented here.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Backdrop.h"
#include "app/BarTimer.h"
#include "app/DispatchPoint.h"
#include "app/OperationPanel.h"
#include "dialogs/About.h"
#include "dialogs/BarSettings.h"
#include "dialogs/Help.h"
#include "platform/DriveSet.h"
#include "playback/BarEngine.h"
#include "playback/BarView.h"
#include "shell/AppBarShell.h"
#include "widgets/AppBar.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TextGauges.h"

class QCloseEvent;

namespace lintel {

class TPanelKeys;
class TSignalWake;
class TTrayIcon;
class TNotifyIconHost;
class TTrackMenus;
class TTitleSearch;
class TEnginePrgSetHost;
class TfrmPrgSet;
class MixerSystem;
class TMediaControls;
class TMediaBridge;

/// The desktop's services the bar uses, which must outlive it.
struct TBarDesktop {
    /// The desktop-toolbar service that docks the bar.
    TAppBarShell& appBars;
    /// What lies behind the bar on the desktop.
    const TDesktopSurface& surface;
    /// The notification area that shows the bar's tray icon; without one the bar has no
    /// tray icon.
    TNotifyIconHost* trayHost = nullptr;
    /// The sound card's mixers for the settings dialog's volume page; without them the
    /// page says that there is no mixer.
    MixerSystem* mixers = nullptr;
    /// The desktop's media controls; without them the desktop does not see the player.
    TMediaControls* mediaControls = nullptr;
};

class TfrmMain : public TAppBar, public TBarView, public TBarSettingsTarget {
public:
    /// The bar's client size as designed; docked, it spans the screen's width.
    static constexpr int kBarWidth = 792;
    static constexpr int kBarHeight = 36;

    /// Builds the window and runs the engine's FormCreate: the settings store, the
    /// device and the first disc check. Messages of start-up are shown on the spot. The
    /// poll timer does not run until Startup() completes.
    TfrmMain(DriveSet& drives, const TStartupPaths& paths, const TBarDesktop& desktop);
    /// Releases the store if FormDestroy() was not called, reporting a failed write on
    /// standard error.
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    /// Shows the bar, runs FormShow and then starts the poll timer: start-up is complete.
    void Startup();
    /// Writes the settings back after the loop ended. A failed write is shown in a
    /// message box when the user closed the bar, on standard error when a signal did.
    /// Returns the program's exit code: 0, or 1 when the write failed.
    [[nodiscard]] int FormDestroy();

    /// Runs `command` for an event of the bar. An error it raises is shown in a message
    /// box with its text and the program goes on; nothing is thrown past this point.
    void Dispatch(const std::function<void()>& command);

    /// Brings the bar into view for the desktop: shown, raised, and an auto-hidden bar
    /// slid in.
    void RaiseBar();
    /// Whether a modal dialog or message box is open over the bar.
    [[nodiscard]] bool ModalDialogOpen() const;

    /// A terminating signal arrived (on the loop, not in the handler): open message boxes
    /// and dialogs are closed and the bar closes as by the Exit command. Before the
    /// settings store exists the program ends of the signal at once, writing nothing.
    void SignalArrived(int signo);

    // ---- events of the controls
    void sbtPlayClick() {
        Dispatch([this] { engine_.sbtPlayClick(); });
    }
    void sbtPauseClick() {
        Dispatch([this] { engine_.sbtPauseClick(); });
    }
    void sbtStopClick() {
        Dispatch([this] { engine_.sbtStopClick(); });
    }
    void sbtPrevClick() {
        Dispatch([this] { engine_.sbtPrevClick(); });
    }
    void sbtNextClick() {
        Dispatch([this] { engine_.sbtNextClick(); });
    }
    void sbtEjectClick() {
        Dispatch([this] { engine_.sbtEjectClick(); });
    }
    void sbtCloseClick() {
        Dispatch([this] { engine_.sbtCloseClick(); });
    }
    void sbtRepeatClick();
    void sbtPrgSetClick() {
        Dispatch([this] { engine_.sbtPrgSetClick(); });
    }
    void sbtCDEditClick() {
        Dispatch([this] { engine_.sbtCDEditClick(); });
    }
    void sbtHelpClick();
    /// The settings dialog, and the bar set again from the file after it.
    void sbtConfigClick();
    void sbtExitClick() {
        Dispatch([this] { engine_.sbtExitClick(); });
    }
    void Timer1Timer();
    /// The panel item of the right-click menu: flips its check mark and shows the panel
    /// exactly when it is now checked.
    void pmnOpePanelClick();
    /// A click on the bar's own background: the "ココロ" box, then the panel flips.
    void FormClick();
    /// Opens the help at the bar's page; by default the desktop's browser shows it.
    std::function<void()> OnHelp;
    void pmnAboutClick() { TAboutBox(this).exec(); }
    /// Shows the operation panel, activates the bar and gives the keyboard to the panel's
    /// first button; Escape there gives it back.
    void pmnMoveToPanelClick();

    // ---- TBarView
    void SetDiscLabel(const std::string& text) override;
    void SetTrackLabel(const std::string& text) override;
    void LayoutBar() override;
    void SetGaugeMax(int maxValue) override { gagTrTime_->SetMaxValue(maxValue); }
    void SetGaugeProgress(int value) override { gagTrTime_->SetProgress(value); }
    void SetGaugeText(const std::string& text) override { gagTrTime_->SetText(text); }
    void ShowOperationPanel() override { panel_->SetShown(true); }
    void HideOperationPanel() override;
    void EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit) override;
    void SetDoorState(bool closed) override;
    void SetRepeatState(bool on) override;
    [[nodiscard]] bool GaugeVisible() const override { return !gagTrTime_->isHidden(); }
    void BuildTrackMenus(const TStringList& captions) override;
    void ClearTrackMenus() override;
    void MarkCurrentTrack(int track) override;
    void ResetPlayModeChoice() override;
    void ApplyStoredSettings(TIniStore& settings) override {
        lintel::ApplyStoredSettings(settings, *this);
    }
    void SaveLayout(TIniStore& settings) override { SaveFreePositions(settings, *this); }
    void SetEdge(TBarEdge edge) override;
    /// The docking edge; during a move of the bar, the edge the move would give.
    [[nodiscard]] TBarEdge Edge() const override;
    /// The thickness the last layout computed takes effect here.
    void ReapplyEdge() override { TAppBar::ReapplyEdge(); }
    void SetTimerInterval(int milliseconds) override { timer1_.SetInterval(milliseconds); }
    void SetTimerEnabled(bool enabled) override { timer1_.SetEnabled(enabled); }
    void ShowMessage(const std::string& text) override { dispatch_->ShowMessage(text); }
    void CloseBar() override { dispatch_->CloseWhenUnwound(); }
    void EnableProgramSet(bool enabled) override;
    [[nodiscard]] std::vector<bool> ProgramTrackSelection() const override;
    [[nodiscard]] bool ShowProgramDialog() override;
    [[nodiscard]] std::optional<TStringList> ShowTitleEditor(const TStringList& titleLines,
                                                             int trackCount) override;
    [[nodiscard]] std::optional<TStringList> ShowFoundTitles(const TStringList& titleLines,
                                                             int trackCount,
                                                             const CdText& found) override;
    [[nodiscard]] int PlayModeChoice() const override;
    [[nodiscard]] bool ProgramRepeatChecked() const override;

    // ---- TBarSettingsTarget (SetEdge and Edge are shared with TBarView)
    TShadowLabel& DiscLabel() override { return *slbCDName_; }
    TShadowLabel& TrackLabel() override { return *slbTrack_; }
    TTextGauge& TimeGauge() override { return *gagTrTime_; }
    QWidget& OperationPanel() override { return *panel_; }
    QSize ClientSize() const override { return size(); }
    void SetBarColor(TColor color) override { backdrop_->SetBarColor(color); }
    void SetAlwaysOnTop(bool value) override { TAppBar::SetAlwaysOnTop(value); }
    void SetAutoHide(bool value) override { TAppBar::SetAutoHide(value); }
    int HorzDockSize() const override { return TAppBar::HorzDockSize(); }
    void SetHorzDockSize(int value) override { TAppBar::SetHorzDockSize(value); }

    // ---- TAppBar
    /// Besides the base's work, lays the bar out again on every change of its state.
    void OnAppBarStateChange(bool proposed, TAppBarEdge edge) override;
    void SetDiscLabelPad(const std::string& pad) override { engine_.SetDiscLabelPad(pad); }
    void SetTrackLabelPad(const std::string& pad) override { engine_.SetTrackLabelPad(pad); }

    /// How the background is painted at present.
    [[nodiscard]] TBarBackdrop::TKind Backdrop() const { return backdrop_->Kind(); }

    // ---- the window's parts and state, for the program and its tests
    TBarEngine& Engine() { return engine_; }
    TShadowLabel* slbCDName() const { return slbCDName_; }
    TShadowLabel* slbTrack() const { return slbTrack_; }
    TTextGauge* gagTrTime() const { return gagTrTime_; }
    TOperationPanel* pnlOperation() const { return panel_; }
    TColor BarColor() const { return backdrop_->BarColor(); }
    const QTimer& Timer1() const { return timer1_.Timer(); }
    TTrackMenus& Menus() const { return *menus_; }
    TTitleSearch& TitleSearch() const { return *titleSearch_; }
    /// The program-play dialog, built at its first use.
    TfrmPrgSet& frmPrgSet();
    /// The tray icon, or nullptr without a notification area.
    TTrayIcon* TrayIcon() const { return trayIcon_.get(); }
    [[nodiscard]] bool StartupComplete() const { return startupComplete_; }
    [[nodiscard]] bool OpePanelChecked() const { return opePanelChecked_; }
    const TStringList& TrackMenuCaptions() const { return trackMenuCaptions_; }
    int MarkedTrack() const { return markedTrack_; }
    DriveSet& Drives() const { return drives_; }
    MixerSystem& Mixers() const { return *mixers_; }
    THelp& Help() { return help_; }
    const std::string& SystemFolder() const { return systemFolder_; }
    /// Set while the settings dialog is open: a change of the dock then does not lay the
    /// bar out by the stored settings, which would undo the dialog's preview.
    void SetConfigDialogOpen(bool open) { configDialogOpen_ = open; }
    [[nodiscard]] bool ConfigDialogOpen() const { return configDialogOpen_; }
    /// Set once the close began; the loop then ends.
    [[nodiscard]] bool Closed() const { return dispatch_->Closed(); }
    [[nodiscard]] bool ClosedBySignal() const { return dispatch_->ClosedBySignal(); }

protected:
    /// The app bar's messages go the way of every message of the bar.
    void ShowInformation(const QString& text) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    /// The bar's commands, for its panel and its menus.
    TBarCommands Commands();
    void BuildControls();
    void BuildMenusAndDialogs();
    void BuildTrayIcon(TNotifyIconHost& host);
    /// Shows the desktop's media controls the bar's state after an event.
    void MediaStateChanged();
    /// The bar's description for a screen reader: the disc and the track it shows.
    void DescribeBar();
    void ReportOnStandardError(const std::string& text) const {
        dispatch_->ReportOnStandardError(text);
    }

    DriveSet& drives_;
    std::string systemFolder_;
    MixerSystem* mixers_;
    std::unique_ptr<MixerSystem> noMixers_;
    TBarEngine engine_;
    TDispatchPoint* dispatch_ = nullptr;
    TBarBackdrop* backdrop_ = nullptr;
    TSignalWake* signalWake_ = nullptr;
    TDesktopHelpOpener helpOpener_;
    THelp help_;
    std::unique_ptr<TTrackMenus> menus_;
    TTitleSearch* titleSearch_ = nullptr;
    std::unique_ptr<TEnginePrgSetHost> prgSetHost_;
    std::unique_ptr<TfrmPrgSet> frmPrgSet_;
    std::unique_ptr<TTrayIcon> trayIcon_;
    std::unique_ptr<TMediaBridge> media_;

    TShadowLabel* slbCDName_ = nullptr;
    TShadowLabel* slbTrack_ = nullptr;
    TTextGauge* gagTrTime_ = nullptr;
    TOperationPanel* panel_ = nullptr;
    TPanelKeys* panelKeys_ = nullptr;
    TBarTimer timer1_;
    // A press on the bar's own surface and whether the pointer moved before the release.
    bool pressedOnBar_ = false;
    bool movedSincePress_ = false;
    QPoint barPressPoint_;
    bool startupComplete_ = false;
    bool opePanelChecked_ = true;
    TStringList trackMenuCaptions_;
    int markedTrack_ = 0;
    bool destroyed_ = false;
    bool configDialogOpen_ = false;
};

}  // namespace lintel
