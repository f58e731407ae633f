// Play order: the play list behind the track menus, program and random play, repeat, and
// the program-play command. In program mode the play list is PlayOrder, whose entries are
// zero-based track indexes in decimal; otherwise it is the disc's tracks in order.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "playback/BarTitles.h"
#include "playback/PlayerContext.h"
#include "playback/PollTimer.h"
#include "titles/IniStore.h"

namespace lintel {

/// Draws a pseudo-random integer uniformly from 0 to n - 1 (n >= 1).
using TRandomDraw = std::function<int(int n)>;

/// The track (from 1) that entry `index` of `order` names, or nothing when the index is
/// outside the order or the entry names no track of a disc of `trackCount` tracks.
[[nodiscard]] std::optional<int> EntryTrack(const TStringList& order, int index, int trackCount);

class TPlayOrder {
public:
    /// All three must outlive the play order.
    TPlayOrder(TPlayerContext& player, const TBarTitles& titles, TPollTimer& timer);

    // ---- the play list in the menus
    /// Hands the captions of the current play list to both menus ("%.2d: " and the name).
    void BuildTrackMenus();
    void ClearTrackMenus();
    /// Marks the entry that plays: ProgramIndex in program mode, else `currentTrack`.
    void MarkCurrentTrack(int currentTrack);

    // ---- program and random play
    /// The track of play-order entry `index` on the disc in the drive, or nothing.
    [[nodiscard]] std::optional<int> EntryTrack(int index);
    /// Moves ProgramIndex by `step` (+1 next, -1 previous) and gives the track of the entry
    /// reached. With repeat on, the last entry first wraps to before the first (a random
    /// order is drawn again). Nothing, and the index stays, when no entry is left there or
    /// the entry names no track of this disc.
    [[nodiscard]] std::optional<int> StepEntry(int step);
    /// The entry picked in a menu or by the resume record plays next.
    void SetProgramIndex(int index) { programIndex_ = index; }
    /// Fills PlayOrder with the selected lines of the program-play dialog, each once, in
    /// random order.
    void BuildRandomOrder();
    /// BuildRandomOrder over the lines flagged in `selected`.
    void BuildRandomOrder(const std::vector<bool>& selected);
    /// Random play from the start of a new order: the selected lines of the program-play
    /// dialog, or all `trackCount` tracks when none is selected.
    void StartRandomOrder(int trackCount);
    /// Every entry of PlayOrder followed by one blank.
    [[nodiscard]] std::string PackPlayOrder() const;
    /// The packed play order as far as whole entries fit on one stored line under `key`.
    [[nodiscard]] std::string PackPlayOrderFor(std::string_view key) const;
    /// Back to disc order: program and random play end.
    void ReturnToDiscOrder();
    /// Program mode ends with the disc; whether the order was random is kept (the resume
    /// record stores it).
    void LeaveProgramMode() { programMode_ = false; }
    /// What a resume record says of the play order.
    struct TResumed {
        bool repeat = false;
        bool program = false;
        bool random = false;
        TStringList order;  ///< the play order, used in program mode only
    };
    /// Takes over a resume record's repeat, program and random play and program.
    void Resume(TResumed resumed);

    // ---- commands
    void sbtRepeatClick();
    /// Opens the program-play dialog and takes over its play mode, program and repeat; a
    /// program is stored under the title record `discId`. Needs the store.
    void sbtPrgSetClick(std::string_view discId);

    // ---- random draws
    /// Replaces the generator of random play (the default is seeded from the clock).
    void SetRandomDraw(TRandomDraw draw) { randomDraw_ = std::move(draw); }
    /// Random play only: each run draws another order.
    void SeedFromClock();

    // ---- state
    [[nodiscard]] bool ProgramMode() const { return programMode_; }
    [[nodiscard]] bool RandomOrder() const { return randomOrder_; }
    [[nodiscard]] bool RepeatOn() const { return repeatOn_; }
    [[nodiscard]] int ProgramIndex() const { return programIndex_; }
    [[nodiscard]] const TStringList& PlayOrder() const { return playOrder_; }
    /// The program-play dialog edits the play order in place while it is open.
    TStringList& EditPlayOrder() { return playOrder_; }

private:
    TPlayerContext& player_;
    const TBarTitles& titles_;
    TPollTimer& timer_;

    bool programMode_ = false;
    bool randomOrder_ = false;
    bool repeatOn_ = false;
    /// Random play over every track, drawn again so at each wrap.
    bool overAllTracks_ = false;
    TStringList playOrder_;
    int programIndex_ = -1;
    std::mt19937 generator_;
    TRandomDraw randomDraw_;
};

}  // namespace lintel
