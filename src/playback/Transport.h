// The transport: the commands that play, pause, stop and move between tracks, the gauge
// of the current track, and the polling tick's following of the device. The device tells
// nothing by itself: everything the bar shows about playback comes from the tick.
#pragma once

#include <cstdint>
#include <string>

#include "playback/BarTitles.h"
#include "playback/PlayOrder.h"
#include "playback/PlayerContext.h"
#include "playback/PollTimer.h"

namespace lintel {

/// What the transport found at a polling tick.
enum class TTickFound {
    Busy,      ///< the disc plays (and was followed), is paused, or the device is not ready
    TrayOpen,  ///< the tray is open
    Followed,  ///< stopped: the next entry, the repeat or the return to track 1 started
    Idle,      ///< stopped with nothing to follow: time to look at the disc
};

class TTransport {
public:
    /// All must outlive the transport.
    TTransport(TPlayerContext& player, TPollTimer& timer, TBarTitles& titles, TPlayOrder& order);

    // ---- commands, one per button and its menu items. Without an open device (or before
    // the store exists) every command does nothing.
    void sbtPlayClick();
    void sbtPauseClick();
    void sbtStopClick();
    void sbtPrevClick();
    void sbtNextClick();
    /// Plays the play-list entry picked in a menu: in disc order track `track` and on
    /// through the disc, in program mode the entry at `index` (from 0) within its range.
    /// A track or an entry that is not on the disc plays nothing.
    void PlayTrack(int track, int index);
    /// Moves within the current track to `milliseconds` from its start (clamped to the
    /// track): play goes on from there to the end of the disc, in program mode to the
    /// entry's end. While paused only the place where play resumes moves; stopped, the
    /// track plays from there.
    void SeekInTrack(std::int64_t milliseconds);
    /// Random play on: the tracks selected in the program-play dialog (every track when
    /// none is) in a new random order, after the track that plays now. Off: disc order
    /// from the current track, play going on through the disc.
    void SetShuffle(bool on);
    /// Plays the next (+1) or previous (-1) program entry; wraps first when repeat is on
    /// and the last entry was reached; stops when no entry is left.
    void StepProgram(int step);

    // ---- the polling tick
    /// Follows the device: the track that plays into the labels and the gauge; at a stop,
    /// the next program entry, the repeat of the disc or the return to track 1.
    [[nodiscard]] TTickFound Tick();

    // ---- what the bar shows of the current track
    /// Sets the gauge's range and text for CurrentTrack.
    void ResetTrackGauge();
    /// Shows CurrentTrack and its name on the track label.
    void UpdateTrackLabel();
    /// Marks the entry that plays in both menus.
    void MarkCurrentTrack();
    /// The length of track `track` in milliseconds, as the gauge shows it.
    [[nodiscard]] std::uint32_t TrackLength(int track);
    /// How far the device stands into CurrentTrack, in milliseconds heard (0 before it).
    [[nodiscard]] std::uint32_t PositionInTrack();
    /// The track the device stands in becomes the current one (track 1 when the device
    /// cannot tell), shown on the track label.
    void TakeDeviceTrack();

    // ---- the disc goes
    /// No disc to play: not paused, no play seen, track 1, and the gauge says so.
    void NoDisc();
    /// As NoDisc, and a play asked for is forgotten too.
    void DiscRemoved();

    // ---- state
    [[nodiscard]] int CurrentTrack() const { return currentTrack_; }
    [[nodiscard]] bool Paused() const { return paused_; }
    [[nodiscard]] bool PlayRequested() const { return playRequested_; }
    [[nodiscard]] bool PlayingSeen() const { return playingSeen_; }
    [[nodiscard]] int EntryEndPosition() const { return entryEndPosition_; }
    [[nodiscard]] int PausePosition() const { return pausePosition_; }

private:
    /// The end of the last track in milliseconds: the end of every play through the disc.
    std::uint32_t DiscEndMilliseconds();
    /// The last millisecond of track `track` as a program entry plays it.
    std::uint32_t EntryEnd(int track);
    /// Plays track `track` of the disc as a program entry, storing its end.
    void PlayEntryRange(int track);
    /// At a tick while the disc plays: the gauge, and the track that plays.
    void FollowPlay();

    TPlayerContext& player_;
    TPollTimer& timer_;
    TBarTitles& titles_;
    TPlayOrder& order_;

    int currentTrack_ = 1;
    bool paused_ = false;
    bool playRequested_ = false;
    bool playingSeen_ = false;
    int pausePosition_ = 0;
    int entryEndPosition_ = 0;
    std::string trackLengthText_;
};

}  // namespace lintel
