// Between the bar and the desktop's media controls: the bar's state handed to them after
// every event of the bar, and their requests given to the bar's own handlers, so the
// desktop's play key does what the panel's buttons do.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "playback/BarEngine.h"
#include "shell/MediaControls.h"

namespace lintel {

class TfrmMain;

/// Which of the bar's commands can be given now.
struct TBarCommandsOpen {
    bool transport = false;      ///< the transport group of the panel and menus is enabled
    bool pauseAndEdit = false;   ///< the pause command is enabled
    bool noModalDialog = false;  ///< no modal dialog or message box is open
};

/// The player's state as the desktop is shown it: the mode as the engine sees the device,
/// the current track with the loaded disc's titles, and the commands the bar offers.
[[nodiscard]] TMediaState MediaStateOf(TBarEngine& engine, const TBarCommandsOpen& open);

/// The track id of track `track` of the disc `discId`, under the program's own prefix.
[[nodiscard]] std::string MediaTrackId(const std::string& discId, int track);

class TMediaBridge {
public:
    /// Both must outlive the bridge; the controls' requests go to `bar` from now on.
    TMediaBridge(TMediaControls& controls, TfrmMain& bar);

    /// Where the player stands before an event of the bar, to tell a jump afterwards.
    struct TPlace {
        std::string trackId;
        std::int64_t milliseconds = 0;
        bool playing = false;
        std::chrono::steady_clock::time_point at;
    };
    [[nodiscard]] TPlace Place();

    /// Hands the bar's state to the controls. Given where the player stood before the
    /// event, a jump within the same track other than by playing on is reported too; the
    /// polling tick gives none, as it only follows play.
    void BarChanged(const std::optional<TPlace>& before = std::nullopt);

private:
    void Wire();
    /// Moves to `milliseconds` into the current track and says so.
    void SeekTo(std::int64_t milliseconds);

    TMediaControls& controls_;
    TfrmMain& bar_;
    TMediaState state_;
    bool inside_ = false;
    bool seeking_ = false;  ///< a seek asked for, which reports itself
};

}  // namespace lintel
