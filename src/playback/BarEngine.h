// The player behind the bar window: a front over the player's units (disc detection,
// transport, play order, resume, the titles on the bar and the poll timer) that keeps the
// bar operations' names, and the bar's life from start-up to the end. TfrmMain forwards
// its events here; the engine speaks to the window only through TBarView.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DriveSet.h"
#include "playback/BarTitles.h"
#include "playback/BarView.h"
#include "playback/DiscDetection.h"
#include "playback/MediaPlayer.h"
#include "playback/PlayOrder.h"
#include "playback/PlayerContext.h"
#include "playback/PollTimer.h"
#include "playback/Resume.h"
#include "playback/Transport.h"
#include "titles/IniStore.h"

namespace lintel {

/// Where start-up finds its files.
struct TStartupPaths {
    std::string programFolder;  ///< holds the settings; the first-start import writes there
    std::string settingsFile;   ///< the store's file: the program's own name with ".ini"
    std::string systemFolder;   ///< where cdplayer.ini is looked for
};

class TBarEngine {
public:
    /// `view` and `drives` must outlive the engine; the drives also open the CD device.
    TBarEngine(TBarView& view, DriveSet& drives);
    ~TBarEngine();
    TBarEngine(const TBarEngine&) = delete;
    TBarEngine& operator=(const TBarEngine&) = delete;

    // ---- the bar window's life
    /// Creation: start values, first-start import, the settings store, the applied
    /// settings, the dock edge, the device and the first disc check. A device that cannot
    /// be opened is reported once and leaves DeviceUnavailable set; start-up goes on.
    void FormCreate(const TStartupPaths& paths);
    /// Docks the bar at its edge.
    void FormShow();
    /// The saves of closing, the resume record, and the stop of the disc.
    void FormClose();
    /// Writes the settings file back if anything changed and releases the store. Returns
    /// the message of a failed write (the file on disk is then untouched).
    [[nodiscard]] std::optional<std::string> FormDestroy();

    // ---- commands
    void sbtExitClick();

    // ---- disc detection (TDiscDetection)
    void CheckDisc() { detection_.CheckDisc(); }
    void ShowNoDisc() { detection_.ShowNoDisc(); }
    void DiscRemoved() { detection_.DiscRemoved(); }
    void SetDoorState(bool closed) { detection_.SetDoorState(closed); }
    [[nodiscard]] std::string ComputeDiscId() { return detection_.ComputeDiscId(); }
    [[nodiscard]] std::string ComputeLegacyDiscKey() { return detection_.ComputeLegacyDiscKey(); }

    // ---- titles on the bar (TBarTitles)
    void LoadTitleRecord() { detection_.LoadTitleRecord(); }
    void UpdateDiscLabel() { titles_.UpdateDiscLabel(); }
    void UpdateTrackLabel() { transport_.UpdateTrackLabel(); }
    void SetDiscLabelPad(std::string pad) { titles_.SetDiscLabelPad(std::move(pad)); }
    void SetTrackLabelPad(std::string pad) { titles_.SetTrackLabelPad(std::move(pad)); }
    [[nodiscard]] const std::string& DiscLabelPad() const { return titles_.DiscLabelPad(); }
    [[nodiscard]] const std::string& TrackLabelPad() const { return titles_.TrackLabelPad(); }

    // ---- transport (TTransport). Without an open device (or before FormCreate) every
    // command does nothing.
    void sbtPlayClick() { transport_.sbtPlayClick(); }
    void sbtPauseClick() { transport_.sbtPauseClick(); }
    void sbtStopClick() { transport_.sbtStopClick(); }
    void sbtPrevClick() { transport_.sbtPrevClick(); }
    void sbtNextClick() { transport_.sbtNextClick(); }
    void sbtEjectClick() { detection_.sbtEjectClick(); }
    void sbtCloseClick() { detection_.sbtCloseClick(); }
    /// Plays the play-list entry picked in a menu (see TTransport::PlayTrack).
    void PlayTrack(int track, int index) { transport_.PlayTrack(track, index); }
    /// A track item of the menus was chosen; `tag` is its one-based play-list position.
    void TrackMenuItemClick(int tag) { transport_.PlayTrack(tag, tag - 1); }
    void ResetTrackGauge() { transport_.ResetTrackGauge(); }
    /// Moves within the current track (see TTransport::SeekInTrack).
    void SeekInTrack(std::int64_t milliseconds) { transport_.SeekInTrack(milliseconds); }
    /// Random play over the selected tracks on, or disc order (see TTransport::SetShuffle).
    void SetShuffle(bool on) { transport_.SetShuffle(on); }
    /// The length of track `track` and how far CurrentTrack has been heard, in ms.
    [[nodiscard]] std::uint32_t TrackLength(int track) { return transport_.TrackLength(track); }
    [[nodiscard]] std::uint32_t PositionInTrack() { return transport_.PositionInTrack(); }
    /// The polling tick: follows the device, starts the next entry, repeats, returns to
    /// track 1 or looks for a disc, then runs the resume check.
    void Timer1Timer();
    /// Sets the poll interval; 0 stops the timer until another interval comes.
    void SetTimerInterval(int milliseconds) { timer_.SetInterval(milliseconds); }

    // ---- menus and play order (TPlayOrder)
    void BuildTrackMenus() { order_.BuildTrackMenus(); }
    void ClearTrackMenus() { order_.ClearTrackMenus(); }
    void MarkCurrentTrack() { transport_.MarkCurrentTrack(); }
    void StepProgram(int step) { transport_.StepProgram(step); }
    void BuildRandomOrder() { order_.BuildRandomOrder(); }
    [[nodiscard]] std::string PackPlayOrder() const { return order_.PackPlayOrder(); }
    void sbtRepeatClick() { order_.sbtRepeatClick(); }
    /// Opens the program-play dialog and takes over its play mode, program and repeat.
    void sbtPrgSetClick();
    /// The title editor on the loaded disc's record; OK stores what was typed and shows
    /// it. The operation panel is hidden afterwards, whatever the outcome.
    void sbtCDEditClick() { EditTitles(nullptr); }
    /// The title editor filled with titles a look-up found for the disc `discId` (UTF-8),
    /// as if typed; OK stores them as sbtCDEditClick does. Nothing opens when `discId` is
    /// no longer the loaded disc: the answer came too late.
    void EditFoundTitles(const std::string& discId, const CdText& found);
    /// After the settings dialog closed, with any result: the bar is set again from the
    /// file (the applied settings, timer and drive), the device is opened again with the
    /// stored drive, and the labels, the disc, the layout and the dock follow. A device
    /// that cannot be opened, or a disc check that fails, is reported and the rest runs.
    void ReapplySettings();
    /// Replaces the generator of random play (the default is seeded from the clock).
    void SetRandomDraw(TRandomDraw draw) { order_.SetRandomDraw(std::move(draw)); }

    // ---- resume (TResume)
    /// Writes the resume record when a disc plays and resume is on; DiscId becomes "0".
    void SaveResumeState();
    void RestoreResumeState() { resume_.Restore(); }

    // ---- state, for the window and for tests
    [[nodiscard]] TIniStore* Settings() { return player_.settings.get(); }
    [[nodiscard]] TMediaPlayer& CDcore() { return player_.cdcore; }
    [[nodiscard]] TBarView& View() { return player_.view; }
    [[nodiscard]] const std::string& DiscId() const { return detection_.DiscId(); }
    [[nodiscard]] int CurrentTrack() const { return transport_.CurrentTrack(); }
    [[nodiscard]] bool DeviceUnavailable() const { return deviceUnavailable_; }
    [[nodiscard]] bool AudioDiscSeen() const { return detection_.AudioDiscSeen(); }
    [[nodiscard]] bool SettingsReady() const { return settingsReady_; }
    [[nodiscard]] const TStringList& TitleLines() const { return titles_.Lines(); }
    [[nodiscard]] bool Paused() const { return transport_.Paused(); }
    [[nodiscard]] bool PlayRequested() const { return transport_.PlayRequested(); }
    [[nodiscard]] bool PlayingSeen() const { return transport_.PlayingSeen(); }
    [[nodiscard]] bool ProgramMode() const { return order_.ProgramMode(); }
    [[nodiscard]] bool RandomOrder() const { return order_.RandomOrder(); }
    [[nodiscard]] bool RepeatOn() const { return order_.RepeatOn(); }
    [[nodiscard]] int ProgramIndex() const { return order_.ProgramIndex(); }
    [[nodiscard]] int EntryEndPosition() const { return transport_.EntryEndPosition(); }
    [[nodiscard]] int PausePosition() const { return transport_.PausePosition(); }
    [[nodiscard]] const TStringList& PlayOrder() const { return order_.PlayOrder(); }
    /// The program-play dialog edits the play order in place while it is open.
    TStringList& EditPlayOrder() { return order_.EditPlayOrder(); }

private:
    void EditTitles(const CdText* found);

    void FirstStartImport(const TStartupPaths& paths);
    void ApplyTimerAndDrive();

    // Built in this order: each unit uses only those above it.
    TPlayerContext player_;
    TPollTimer timer_;
    TBarTitles titles_;
    TPlayOrder order_;
    TTransport transport_;
    TResume resume_;
    TDiscDetection detection_;

    bool deviceUnavailable_ = false;
    bool settingsReady_ = false;
};

}  // namespace lintel
