// Between the bar and the desktop's media controls: the bar's state handed to them after
// every event of the bar, and their requests given to the bar's own handlers, so the
// desktop's play key does what the panel's buttons do.
#pragma once

#include <chrono>
#include <cstdint>
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

    /// Hands the bar's state to the controls, and reports a jump of the position that was
    /// not the normal flow of play.
    void BarChanged();

private:
    void Wire();
    /// Moves to `milliseconds` into the current track and says so.
    void SeekTo(std::int64_t milliseconds);

    TMediaControls& controls_;
    TfrmMain& bar_;
    TMediaState state_;
    // Where the last look found the position, to tell a jump from play.
    std::string lastTrackId_;
    std::int64_t lastPosition_ = 0;
    std::chrono::steady_clock::time_point lastLook_;
    bool inside_ = false;
    bool seeking_ = false;  ///< a seek asked for, which reports itself
};

}  // namespace lintel
