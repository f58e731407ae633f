// The desktop's media controls: its "now playing" panel, the keyboard's media keys and any
// remote control of the session. They show the player's state as the bar hands it over
// and pass the desktop's requests back to the bar; they hold no player logic of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace lintel {

/// What the desktop is shown of the player. Texts are UTF-8.
struct TMediaState {
    enum class TPlayback { Stopped, Paused, Playing };
    TPlayback playback = TPlayback::Stopped;
    bool repeat = false;
    bool shuffle = false;
    /// The current track; an empty id while no audio disc is loaded (no metadata then).
    std::string trackId;
    std::int64_t lengthMicroseconds = 0;
    std::string title;   ///< the track's name
    std::string album;   ///< the disc's title
    std::string artist;  ///< the disc's artist
    int trackNumber = 0;
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canSeek = false;
    /// False while the bar takes no commands (a modal dialog is open): every request but
    /// raise is refused then.
    bool canControl = false;

    bool operator==(const TMediaState&) const = default;
};

/// The desktop's requests. Each is called on the user-interface thread.
struct TMediaRequests {
    std::function<void()> play, pause, playPause, stop, next, previous, quit, raise;
    /// Moves by `offset` microseconds within the current track.
    std::function<void(std::int64_t offset)> seek;
    /// Moves to `position` microseconds into the track `trackId`.
    std::function<void(const std::string& trackId, std::int64_t position)> setPosition;
    std::function<void(bool on)> setShuffle;
    std::function<void(bool on)> setRepeat;
    /// How far the current track has been heard, in microseconds.
    std::function<std::int64_t()> position;
};

class TMediaControls {
public:
    virtual ~TMediaControls() = default;
    /// Where the desktop's requests go from now on.
    virtual void SetRequests(TMediaRequests requests) = 0;
    /// The player's state now. The desktop is told what changed, and nothing when nothing
    /// did.
    virtual void Update(const TMediaState& state) = 0;
    /// The position jumped to `position` microseconds other than by playing on.
    virtual void Seeked(std::int64_t position) = 0;
};

}  // namespace lintel
