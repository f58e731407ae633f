// TfrmMain, the bar window: a thin frameless strip at the top or bottom edge of the
// screen with the disc and track labels, the time gauge and the operation panel. It is
// a thin form: every event goes to the player's engine through one dispatch point, and
// the engine speaks back through the TBarView operations implemented here.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/Glyphs.h"
#include "playback/BarEngine.h"
#include "playback/BarView.h"

class QToolButton;
class QCloseEvent;

namespace lintel {

class TShadowLabel;
class TTextGauge;
class TBevelclk;
class TSignalWake;

class TfrmMain : public QWidget, public TBarView {
public:
    /// The bar's client size as designed.
    static constexpr int kBarWidth = 792;
    static constexpr int kBarHeight = 36;

    /// Builds the window and runs the engine's FormCreate: the settings store, the
    /// device and the first disc check. Messages of start-up are shown on the spot. The
    /// poll timer does not run until Startup() completes.
    TfrmMain(TDriveTable& drives, const TStartupPaths& paths);
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
    void sbtExitClick();
    void Timer1Timer();

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
    TBarEdge Edge() const override { return edge_; }
    void ReapplyEdge() override;
    void SetTimerInterval(int milliseconds) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(const std::string& text) override;
    void CloseBar() override;

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
    QToolButton* sbtExit() const { return sbtExit_; }
    const QTimer& Timer1() const { return timer1_; }
    bool StartupComplete() const { return startupComplete_; }
    bool OpePanelChecked() const { return opePanelChecked_; }
    const TStringList& TrackMenuCaptions() const { return trackMenuCaptions_; }
    int MarkedTrack() const { return markedTrack_; }
    /// Set once the close began; the loop then ends.
    bool Closed() const { return closed_; }
    bool ClosedBySignal() const { return closedBySignal_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    QToolButton* AddButton(int left, int width, TGlyph glyph, const char* hintUtf8,
                           void (TfrmMain::*click)());
    void UpdateTimer();
    /// Closes the window once every nested loop (message box, dialog, menu) has ended.
    void CloseWhenUnwound();
    void ReportOnStandardError(const std::string& text) const;

    TBarEngine engine_;
    TSignalWake* signalWake_ = nullptr;

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
    QToolButton* sbtExit_ = nullptr;
    QTimer timer1_;

    TBarEdge edge_ = TBarEdge::Bottom;
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
