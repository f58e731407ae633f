// What the player's engine asks of the bar window. TfrmMain implements it with its
// widgets; tests implement it with a recorder, so every playback rule runs without Qt.
// All texts are code page 932 bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/CdText.h"
#include "settings/BarLayout.h"  // TBarEdge
#include "titles/IniStore.h"

namespace lintel {

/// Whether the transport group (play, stop, previous, next, repeat, program play) can be
/// used, and apart from it whether pause and title edit can.
enum class TTransportGroup : bool { Disabled, Enabled };
enum class TPauseAndEdit : bool { Disabled, Enabled };

class TBarView {
public:
    virtual ~TBarView() = default;

    // ---- the labels slbCDName and slbTrack, and their arrangement
    virtual void SetDiscLabel(const std::string& text) = 0;
    virtual void SetTrackLabel(const std::string& text) = 0;
    /// Arranges labels and gauge for the current texts and settings.
    virtual void LayoutBar() = 0;

    // ---- the time gauge gagTrTime (range from 0)
    virtual void SetGaugeMax(int maxValue) = 0;
    virtual void SetGaugeProgress(int value) = 0;
    virtual void SetGaugeText(const std::string& text) = 0;

    // ---- the operation panel and the commands
    virtual void ShowOperationPanel() = 0;
    /// Hides pnlOperation and unchecks pmnOpePanel.
    virtual void HideOperationPanel() = 0;
    /// Enables two groups of controls: the transport commands, and pause with title edit.
    virtual void EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit) = 0;
    /// Shows eject (closed) or close-tray (open) on the panel and in both menus.
    virtual void SetDoorState(bool closed) = 0;
    /// Replaces the track items of both menus with `captions`, one per entry of the play
    /// list in its order; the item of entry i carries the tag i + 1.
    virtual void BuildTrackMenus(const TStringList& captions) = 0;
    virtual void ClearTrackMenus() = 0;
    /// Puts the radio mark on the item of the play-list entry at `position` (from 1; in
    /// disc order that is the track number). A position outside the items marks nothing.
    virtual void MarkCurrentTrack(int position) = 0;
    /// Sets the program-play dialog back to its first choice, play in disc order.
    virtual void ResetPlayModeChoice() = 0;

    // ---- settings applied to and saved from the widgets
    /// The first five apply operations, in order: fonts of both labels, time bar,
    /// background, placement. The timer and the drive are the engine's.
    virtual void ApplyStoredSettings(TIniStore& settings) = 0;
    /// The close-time saves of positions that only the widgets know (gauge, labels, bar).
    virtual void SaveLayout(TIniStore& settings) = 0;
    virtual void SetEdge(TBarEdge edge) = 0;
    [[nodiscard]] virtual TBarEdge Edge() const = 0;
    /// Docks the bar again at its edge, as after every change of the desktop.
    virtual void ReapplyEdge() = 0;

    // ---- the poll timer Timer1, run exactly as told: the engine decides when it runs
    // (never with an interval of 0)
    /// Interval in milliseconds; it takes effect while the timer is enabled.
    virtual void SetTimerInterval(int milliseconds) = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;

    // ---- repeat, the program-play command and the gauge's visibility
    /// Shows repeat on the pressed state of sbtRepeat and the marks of pmnRepeat and
    /// pmnRepeatR.
    virtual void SetRepeatState(bool on) = 0;
    /// Enables sbtPrgSet, pmnPrgSet and pmnPrgSetR (they are off while the disc plays;
    /// EnableTransport turns them on again with the transport group).
    virtual void EnableProgramSet(bool enabled) = 0;
    /// Whether gagTrTime is shown; a hidden gauge is not fed, but tracks are still
    /// followed.
    [[nodiscard]] virtual bool GaugeVisible() const = 0;
    /// One flag per line of the program-play dialog's track list (lsbAllTrack), in line
    /// order: whether the line is selected.
    [[nodiscard]] virtual std::vector<bool> ProgramTrackSelection() const = 0;
    /// Shows the program-play dialog modally; true when it closed with OK.
    [[nodiscard]] virtual bool ShowProgramDialog() = 0;
    /// The dialog's play-mode choice (rdgHowPlay): 0 disc order, 1 program, 2 random.
    [[nodiscard]] virtual int PlayModeChoice() const = 0;
    /// The dialog's repeat box (chbRepeat).
    [[nodiscard]] virtual bool ProgramRepeatChecked() const = 0;
    /// Shows the title editor modally on a copy of `titleLines`, the record of a disc of
    /// `trackCount` tracks; the edited copy when it closed with OK, else nothing.
    [[nodiscard]] virtual std::optional<TStringList> ShowTitleEditor(const TStringList& titleLines,
                                                                     int trackCount) = 0;
    /// The title editor as ShowTitleEditor shows it, then filled with `found` (UTF-8) as
    /// if the user typed it.
    [[nodiscard]] virtual std::optional<TStringList> ShowFoundTitles(const TStringList& titleLines,
                                                                     int trackCount,
                                                                     const CdText& found) = 0;

    // ---- the user and the program
    /// A modal message box with an OK button. Ticks may arrive while it is open.
    virtual void ShowMessage(const std::string& text) = 0;
    /// Asks the bar window to close, as the Exit command does.
    virtual void CloseBar() = 0;
};

}  // namespace lintel
