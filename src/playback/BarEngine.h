// The player behind the bar window: the player state and the bar operations that start
// and end the program, find and identify discs and load their titles. TfrmMain forwards
// its events here; the engine speaks to the window only through TBarView.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "playback/BarView.h"
#include "playback/MediaPlayer.h"
#include "platform/Drives.h"
#include "titles/IniStore.h"
#include "titles/TitleRecords.h"

namespace lintel {

/// Where start-up finds its files.
struct TStartupPaths {
    std::string programFolder;  ///< holds lintel.ini; the first-start import writes there
    std::string settingsFile;   ///< the store's file: the program's own name with ".ini"
    std::string systemFolder;   ///< where cdplayer.ini is looked for
};

class TBarEngine {
public:
    /// `view` and `drives` must outlive the engine; the drives also open the CD device.
    TBarEngine(TBarView& view, TDriveTable& drives);
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

    // ---- playback entry points that disc detection and closing use
    void sbtPlayClick();
    void SaveResumeState();
    void ResetTrackGauge();
    void EnableTransport(bool transport, bool pauseAndEdit);

    // ---- state, for the window and for tests
    TIniStore* Settings() { return settings_.get(); }
    TMediaPlayer& CDcore() { return cdcore_; }
    const std::string& DiscId() const { return discId_; }
    int CurrentTrack() const { return currentTrack_; }
    bool DeviceUnavailable() const { return deviceUnavailable_; }
    bool AudioDiscSeen() const { return audioDiscSeen_; }
    bool SettingsReady() const { return settingsReady_; }
    const TStringList& TitleLines() const { return titleLines_; }

private:
    void FirstStartImport(const TStartupPaths& paths);
    void ApplyTimerAndDrive();
    void ShowDiscState(const std::string& caption);
    TitleRecordOrigin OpenTitleRecord(bool fromTrackTable);

    TBarView& view_;
    TDriveTable& drives_;
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
