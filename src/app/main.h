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

#include "app/BarSettings.h"
#include "app/Glyphs.h"
#include "app/Help.h"
#include "platform/Drives.h"
#include "playback/BarEngine.h"
#include "playback/BarView.h"
#include "shell/AppBarShell.h"
#include "widgets/AppBar.h"

class QToolButton;
class QCloseEvent;

namespace lintel {

class TShadowLabel;
class TTextGauge;
class TBevelclk;
class TSignalWake;
class TTrayIcon;
class TNotifyIconHost;
class TTrackMenus;
class TEnginePrgSetHost;
class TfrmPrgSet;

/// The desktop's services the bar uses. Without a notification area the bar has no tray
/// icon; without a desktop-toolbar service it docks over a stand-in of its own.
struct TBarDesktop {
    /// The desktop-toolbar service that docks the bar. Without one the bar keeps its own
    /// docking rules over a service of its own that knows only the screen's size.
    TAppBarShell* appBarShell = nullptr;
    /// The notification area that shows the bar's tray icon.
    TNotifyIconHost* trayHost = nullptr;
};

/// Holds the bar's stand-in desktop-toolbar service when none is given; a base of its
/// own so that it exists before the app bar that uses it and outlives it.
class TAppBarShellHolder {
protected:
    explicit TAppBarShellHolder(TAppBarShell* given);
    TAppBarShell& HeldShell() { return *shell_; }

private:
    std::unique_ptr<TAppBarShell> standIn_;
    TAppBarShell* shell_ = nullptr;
};

class TfrmMain : private TAppBarShellHolder,
                 public TAppBar,
                 public TBarView,
                 public TBarSettingsTarget {
public:
    /// The bar's client size as designed; docked, it spans the screen's width.
    static constexpr int kBarWidth = 792;
    static constexpr int kBarHeight = 36;

    /// Builds the window and runs the engine's FormCreate: the settings store, the
    /// device and the first disc check. Messages of start-up are shown on the spot. The
    /// poll timer does not run until Startup() completes.
    TfrmMain(TDriveTable& drives, const TStartupPaths& paths, TBarDesktop desktop = {});
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
    int FormDestroy();

    /// Runs `command` for an event of the bar. An error it raises is shown in a message
    /// box with its text and the program goes on; nothing is thrown past this point.
    void Dispatch(const std::function<void()>& command);

    /// A terminating signal arrived (on the loop, not in the handler): open message boxes
    /// and dialogs are closed and the bar closes as by the Exit command. Before the
    /// settings store exists the program ends of the signal at once, writing nothing.
    void SignalArrived(int signo);

    // ---- events of the controls
    void sbtPlayClick();
    void sbtPauseClick();
    void sbtStopClick();
    void sbtPrevClick();
    void sbtNextClick();
    void sbtEjectClick();
    void sbtCloseClick();
    void sbtRepeatClick();
    void sbtPrgSetClick();
    void sbtHelpClick();
    void sbtExitClick();
    void Timer1Timer();
    /// The panel item of the right-click menu: flips its check mark and shows the panel
    /// exactly when it is now checked.
    void pmnOpePanelClick();
    /// A click on the bar's own background: the "ココロ" box, then the panel flips.
    void FormClick();
    /// Opens the help at the bar's page; by default the desktop's browser shows it.
    std::function<void()> OnHelp;
    void pmnAboutClick();

    // ---- TBarView
    void SetDiscLabel(const std::string& text) override;
    void SetTrackLabel(const std::string& text) override;
    void LayoutBar() override;
    void SetGaugeMax(int maxValue) override;
    void SetGaugeProgress(int value) override;
    void SetGaugeText(const std::string& text) override;
    void ShowOperationPanel() override;
    void HideOperationPanel() override;
    void EnableTransport(bool transport, bool pauseAndEdit) override;
    void SetDoorState(bool closed) override;
    void SetRepeatState(bool on) override;
    bool GaugeVisible() const override;
    void BuildTrackMenus(const TStringList& captions) override;
    void ClearTrackMenus() override;
    void MarkCurrentTrack(int track) override;
    void ResetPlayModeChoice() override;
    void ApplyStoredSettings(TIniStore& settings) override;
    void SaveLayout(TIniStore& settings) override;
    void SetEdge(TBarEdge edge) override;
    /// The docking edge; during a move of the bar, the edge the move would give.
    TBarEdge Edge() const override;
    void ReapplyEdge() override;
    void SetTimerInterval(int milliseconds) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(const std::string& text) override;
    void CloseBar() override;
    void EnableProgramSet(bool enabled) override;
    std::vector<bool> ProgramTrackSelection() const override;
    bool ShowProgramDialog() override;
    int PlayModeChoice() const override;
    bool ProgramRepeatChecked() const override;

    // ---- TBarSettingsTarget (SetEdge and Edge are shared with TBarView)
    TShadowLabel& DiscLabel() override { return *slbCDName_; }
    TShadowLabel& TrackLabel() override { return *slbTrack_; }
    TTextGauge& TimeGauge() override { return *gagTrTime_; }
    QWidget& OperationPanel() override { return *pnlOperation_; }
    QSize ClientSize() const override { return size(); }
    void SetBarColor(TColor color) override;
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
    enum class TBackdrop { BarColor, DesktopPicture, Translucent, ButtonFace };
    TBackdrop Backdrop() const;

    // ---- the window's parts and state, for the program and its tests
    TBarEngine& Engine() { return engine_; }
    TShadowLabel* slbCDName() const { return slbCDName_; }
    TShadowLabel* slbTrack() const { return slbTrack_; }
    TTextGauge* gagTrTime() const { return gagTrTime_; }
    QWidget* pnlOperation() const { return pnlOperation_; }
    TBevelclk* bvlFrame() const { return bvlFrame_; }
    QToolButton* sbtPlay() const { return sbtPlay_; }
    QToolButton* sbtPause() const { return sbtPause_; }
    QToolButton* sbtStop() const { return sbtStop_; }
    QToolButton* sbtPrev() const { return sbtPrev_; }
    QToolButton* sbtNext() const { return sbtNext_; }
    QToolButton* sbtEject() const { return sbtEject_; }
    QToolButton* sbtClose() const { return sbtClose_; }
    QToolButton* sbtRepeat() const { return sbtRepeat_; }
    QToolButton* sbtPrgSet() const { return sbtPrgSet_; }
    QToolButton* sbtCDEdit() const { return sbtCDEdit_; }
    QToolButton* sbtConfig() const { return sbtConfig_; }
    QToolButton* sbtHelp() const { return sbtHelp_; }
    QToolButton* sbtExit() const { return sbtExit_; }
    TColor BarColor() const { return barColor_; }
    const QTimer& Timer1() const { return timer1_; }
    TTrackMenus& Menus() const { return *menus_; }
    TfrmPrgSet& frmPrgSet() const { return *frmPrgSet_; }
    /// The tray icon, or nullptr without a notification area.
    TTrayIcon* TrayIcon() const { return trayIcon_.get(); }
    bool StartupComplete() const { return startupComplete_; }
    bool OpePanelChecked() const { return opePanelChecked_; }
    const TStringList& TrackMenuCaptions() const { return trackMenuCaptions_; }
    int MarkedTrack() const { return markedTrack_; }
    /// Set once the close began; the loop then ends.
    bool Closed() const { return closed_; }
    bool ClosedBySignal() const { return closedBySignal_; }

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
    void BuildControls();
    void BuildMenusAndDialogs();
    void BuildTrayIcon(TNotifyIconHost& host);
    QToolButton* AddButton(int left, int width, TGlyph glyph, const char* hintUtf8,
                           void (TfrmMain::*click)());
    void UpdateTimer();
    /// The panel mode of the settings, read at each notification: 0 shows the panel
    /// while the pointer is over the bar.
    bool PanelFollowsPointer();
    bool InPanel(const QObject* object) const;
    bool PointerOverBar() const;
    void PointerEntered();
    void PointerLeft(const QObject* from);
    void SetPanelShown(bool shown);
    /// Mouse presses, moves and releases on the panel's own surface and its grip.
    bool PanelMouse(QEvent* event);
    /// Ends a running drag of the panel and stores where the panel stands.
    void EndPanelDrag();
    /// The client area's top left corner on the screen, in device pixels.
    QPoint ScreenOrigin() const;
    void CheckBackdropPlace();
    /// Closes the window once every nested loop (message box, dialog, menu) has ended.
    void CloseWhenUnwound();
    void ReportOnStandardError(const std::string& text) const;

    TBarEngine engine_;
    TSignalWake* signalWake_ = nullptr;
    TDesktopHelpOpener helpOpener_;
    THelp help_;
    std::unique_ptr<TTrackMenus> menus_;
    std::unique_ptr<TEnginePrgSetHost> prgSetHost_;
    std::unique_ptr<TfrmPrgSet> frmPrgSet_;
    std::unique_ptr<TTrayIcon> trayIcon_;

    TShadowLabel* slbCDName_ = nullptr;
    TShadowLabel* slbTrack_ = nullptr;
    TTextGauge* gagTrTime_ = nullptr;
    QWidget* pnlOperation_ = nullptr;
    TBevelclk* bvlFrame_ = nullptr;
    QToolButton* sbtPlay_ = nullptr;
    QToolButton* sbtPause_ = nullptr;
    QToolButton* sbtStop_ = nullptr;
    QToolButton* sbtPrev_ = nullptr;
    QToolButton* sbtNext_ = nullptr;
    QToolButton* sbtEject_ = nullptr;
    QToolButton* sbtClose_ = nullptr;
    QToolButton* sbtRepeat_ = nullptr;
    QToolButton* sbtPrgSet_ = nullptr;
    QToolButton* sbtCDEdit_ = nullptr;
    QToolButton* sbtConfig_ = nullptr;
    QToolButton* sbtHelp_ = nullptr;
    QToolButton* sbtExit_ = nullptr;
    QTimer timer1_;
    QTimer backdropTimer_;
    std::optional<QPoint> paintedOrigin_;

    TColor barColor_ = clBtnFace;
    bool translucent_ = false;
    // The panel's drag: the button that holds it (none while no drag runs), where the
    // panel stood and where the pointer was pressed, on the screen.
    Qt::MouseButton panelDragButton_ = Qt::NoButton;
    QPoint dragStartPlace_;
    QPoint dragPressPoint_;
    // Set while one leave notification passes from the panel up to the bar window.
    bool leavingFromPanel_ = false;
    // A press on the bar's own surface and whether the pointer moved before the release.
    bool pressedOnBar_ = false;
    bool movedSincePress_ = false;
    QPoint barPressPoint_;
    int timerInterval_ = 1000;
    bool timerWanted_ = true;
    bool startupComplete_ = false;
    bool opePanelChecked_ = true;
    TStringList trackMenuCaptions_;
    int markedTrack_ = 0;
    int errorBoxesOpen_ = 0;
    int baseLoopLevel_ = 0;
    bool running_ = false;
    bool closeRetryPending_ = false;
    bool closeRequested_ = false;
    bool closed_ = false;
    bool closedBySignal_ = false;
    bool destroyed_ = false;
};

}  // namespace lintel
