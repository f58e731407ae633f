// The player behind the bar window: the player state and the bar operations that start
// and end the program, find and identify discs and load their titles. TfrmMain forwards
// its events here; the engine speaks to the window only through TBarView.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "platform/DriveSet.h"
#include "playback/BarView.h"
#include "playback/MediaPlayer.h"
#include "titles/IniStore.h"
#include "titles/TitleRecords.h"

namespace lintel {

/// Draws a pseudo-random integer uniformly from 0 to n - 1 (n >= 1).
using TRandomDraw = std::function<int(int n)>;

/// Where start-up finds its files.
struct TStartupPaths {
    std::string programFolder;  ///< holds lintel.ini; the first-start import writes there
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
    std::optional<std::string> FormDestroy();

    // ---- commands
    void sbtExitClick();

    // ---- disc detection
    void CheckDisc();
    void ShowNoDisc();
    void DiscRemoved();
    void SetDoorState(bool closed);
    /// The track-table form of the disc identity, in upper-case hexadecimal.
    std::string ComputeDiscId();
    /// The legacy key: decimal track count, disc minutes and seconds, track 1 minutes and
    /// seconds.
    std::string ComputeLegacyDiscKey();

    // ---- titles on the bar
    void LoadTitleRecord();
    void UpdateDiscLabel();
    void UpdateTrackLabel();
    /// The texts appended to the disc and the track label (one blank or nothing), as
    /// the label fonts' settings say; they show at the labels' next update.
    void SetDiscLabelPad(std::string pad) { discLabelPad_ = std::move(pad); }
    void SetTrackLabelPad(std::string pad) { trackLabelPad_ = std::move(pad); }
    const std::string& DiscLabelPad() const { return discLabelPad_; }
    const std::string& TrackLabelPad() const { return trackLabelPad_; }

    // ---- transport commands, one handler per command for its button and menu items.
    // Without an open device (or before FormCreate) every command does nothing.
    void sbtPlayClick();
    void sbtPauseClick();
    void sbtStopClick();
    void sbtPrevClick();
    void sbtNextClick();
    void sbtEjectClick();
    void sbtCloseClick();
    /// Plays the play-list entry picked in a menu: in disc order track `track` and on
    /// through the disc, in program mode the entry at `index` (from 0) within its range.
    /// A track or an entry that is not on the disc plays nothing.
    void PlayTrack(int track, int index);
    /// A track item of the menus was chosen; `tag` is its one-based play-list position.
    void TrackMenuItemClick(int tag);
    void EnableTransport(bool transport, bool pauseAndEdit);
    /// Sets the gauge's range and text for CurrentTrack.
    void ResetTrackGauge();
    /// The polling tick: follows the device, starts the next entry, repeats, returns to
    /// track 1 or looks for a disc, then runs the resume check.
    void Timer1Timer();
    /// Sets the poll interval; 0 stops the timer until another interval comes.
    void SetTimerInterval(int milliseconds);

    // ---- menus
    /// Hands the captions of the current play list to both menus ("%.2d: " and the name).
    void BuildTrackMenus();
    void ClearTrackMenus();
    /// Marks the entry that plays: ProgramIndex in program mode, else CurrentTrack.
    void MarkCurrentTrack();

    // ---- play order and repeat
    /// Plays the next (+1) or previous (-1) program entry; wraps first when repeat is on
    /// and the last entry was reached; stops when no entry is left.
    void StepProgram(int step);
    /// Fills PlayOrder with the selected lines of the program-play dialog, each once, in
    /// random order.
    void BuildRandomOrder();
    /// Every entry of PlayOrder followed by one blank.
    std::string PackPlayOrder() const;
    void sbtRepeatClick();
    /// Opens the program-play dialog and takes over its play mode, program and repeat.
    void sbtPrgSetClick();
    /// Replaces the generator of random play (the default is seeded from the clock).
    void SetRandomDraw(TRandomDraw draw) { randomDraw_ = std::move(draw); }

    // ---- resume
    /// Writes the resume record when a disc plays and resume is on; DiscId becomes "0".
    void SaveResumeState();
    /// Plays as the resume record says and tells the user so.
    void RestoreResumeState();

    // ---- state, for the window and for tests
    TIniStore* Settings() { return settings_.get(); }
    TMediaPlayer& CDcore() { return cdcore_; }
    const std::string& DiscId() const { return discId_; }
    int CurrentTrack() const { return currentTrack_; }
    bool DeviceUnavailable() const { return deviceUnavailable_; }
    bool AudioDiscSeen() const { return audioDiscSeen_; }
    bool SettingsReady() const { return settingsReady_; }
    const TStringList& TitleLines() const { return titleLines_; }
    bool Paused() const { return paused_; }
    bool PlayRequested() const { return playRequested_; }
    bool PlayingSeen() const { return playingSeen_; }
    bool ProgramMode() const { return programMode_; }
    bool RandomOrder() const { return randomOrder_; }
    bool RepeatOn() const { return repeatOn_; }
    int ProgramIndex() const { return programIndex_; }
    int EntryEndPosition() const { return entryEndPosition_; }
    int PausePosition() const { return pausePosition_; }
    const TStringList& PlayOrder() const { return playOrder_; }
    /// The program-play dialog edits the play order in place while it is open.
    TStringList& EditPlayOrder() { return playOrder_; }

private:
    void FirstStartImport(const TStartupPaths& paths);
    void ApplyTimerAndDrive();
    void ShowDiscState(const std::string& caption);
    TitleRecordOrigin OpenTitleRecord(bool fromTrackTable);
    /// Whether commands may reach the device: the store exists and the device is open.
    bool Ready() const { return settings_ != nullptr && cdcore_.IsOpen(); }
    /// Switches the poll timer; it runs only while switched on with an interval above 0.
    void SwitchTimer(bool on);
    /// The track of play-order entry `index`, or nothing when the entry is no track of
    /// the disc.
    std::optional<int> EntryTrack(int index);
    /// Plays track `track` of the disc as a program entry, storing its end.
    void PlayEntryRange(int track);
    /// The end of the last track in milliseconds: the end of every play through the disc.
    std::uint32_t DiscEndMilliseconds();
    /// The packed play order as far as whole entries fit on one stored line under `key`.
    std::string PackPlayOrderFor(std::string_view key) const;
    /// At a stopped tick: the resume record is used for the same disc, else discarded.
    void ResumeCheck();

    TBarView& view_;
    DriveSet& drives_;
    TMediaPlayer cdcore_;
    std::unique_ptr<TIniStore> settings_;

    // The player state.
    std::string discId_ = "0";
    int currentTrack_ = 1;
    bool paused_ = false;
    bool playRequested_ = false;
    bool playingSeen_ = false;
    bool programMode_ = false;
    bool randomOrder_ = false;
    bool repeatOn_ = false;
    TStringList playOrder_;
    int programIndex_ = -1;
    int pausePosition_ = 0;
    int entryEndPosition_ = 0;
    std::string trackLengthText_;
    int timerInterval_ = 1000;
    bool timerOn_ = false;
    std::mt19937 generator_;
    TRandomDraw randomDraw_;
    TStringList titleLines_;
    std::string title_;
    std::string artist_;
    DiscLabelAffixes affixes_;
    bool audioDiscSeen_ = false;
    bool deviceUnavailable_ = false;
    bool settingsReady_ = false;
    bool configDialogOpen_ = false;
    std::string discLabelPad_;
    std::string trackLabelPad_;
};

}  // namespace lintel
