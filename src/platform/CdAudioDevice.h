// The CD audio device as a back end provides it: a drive opened for exclusive use that
// plays its own audio output. Every position here is in absolute frames from the start of
// the disc (track 1 normally starts at frame 150, that is 00:02:00), whatever the back
// end, so the player's conversions to milliseconds, MSF and TMSF give the same units for
// every drive.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CdText.h"

namespace lintel {

/// Device modes with the values the player reads from QueryMode.
enum class CdMode : int {
    NotReady = 0,
    Stopped = 1,
    Playing = 2,
    Recording = 3,
    Seeking = 4,
    Paused = 5,
    Open = 6,  ///< tray open or no medium
};

/// One track of a disc's table of contents.
struct CdTrack {
    std::uint32_t start = 0;  ///< absolute frame of the track's first sector
    bool data = false;        ///< a data track rather than audio

    bool operator==(const CdTrack&) const = default;
};

/// A disc's table of contents. tracks[0] is track 1: a back end numbers the tracks from 1
/// whatever the disc's first track number is. Starts rise strictly and the lead-out comes
/// after the last start.
struct CdToc {
    std::vector<CdTrack> tracks;
    std::uint32_t leadOut = 0;  ///< absolute frame just after the last track

    [[nodiscard]] int TrackCount() const { return static_cast<int>(tracks.size()); }
    /// Start of track t (1-based); the lead-out for any t beyond the last track. A t below
    /// 1 throws std::out_of_range rather than read before the table.
    [[nodiscard]] std::uint32_t StartOf(int t) const {
        return t > TrackCount() ? leadOut : tracks.at(static_cast<std::size_t>(t - 1)).start;
    }
    /// True when play from `from` up to `to` (exclusive) covers at least one frame and lies
    /// between the start of track 1 and the lead-out: the range every drive accepts.
    [[nodiscard]] bool CanPlay(std::uint32_t from, std::uint32_t to) const {
        return from < to && from >= StartOf(1) && to <= leadOut;
    }
    /// True when `frame` is a place a drive can seek to: track 1's start to the lead-out.
    [[nodiscard]] bool CanSeek(std::uint32_t frame) const {
        return frame >= StartOf(1) && frame <= leadOut;
    }
    bool operator==(const CdToc&) const = default;
};

/// What a drive knows of the titles its disc carries.
struct CdTextRead {
    /// The drive is still reading them: ask again later rather than wait.
    bool pending = false;
    /// The titles; nothing when the disc carries none or the read gave up.
    std::optional<CdText> text;
};

/// What a drive said about itself when it was opened.
struct CdCapabilities {
    bool canEject = false;  ///< the drive can open its tray by command
};

/// One CD drive. Commands other than Open fail (false, nullopt, CdMode::NotReady) while
/// the device is not open. No command blocks for longer than the drive needs to take it:
/// Play returns as soon as play has started and the disc plays on by itself.
class CdAudioDevice {
public:
    virtual ~CdAudioDevice() = default;

    /// Opens the drive for exclusive use: while it is open, no other device object, in
    /// this process or another, can open the same drive. Returns nothing on success, else
    /// the reason as a message for the user (code page 932). An empty drive or an open
    /// tray does not make Open fail.
    [[nodiscard]] virtual std::optional<std::string> Open() = 0;
    /// Releases the drive. Closing a device that is not open does nothing.
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;

    /// What the drive can do; valid after a successful Open.
    [[nodiscard]] virtual CdCapabilities Capabilities() const = 0;

    /// The table of contents of the disc in the drive; nullopt without a readable disc.
    [[nodiscard]] virtual std::optional<CdToc> ReadToc() = 0;
    /// The drive's mode now. A play that reached its end reports Stopped.
    [[nodiscard]] virtual CdMode Mode() = 0;
    /// The current position in absolute frames; nullopt without a disc.
    [[nodiscard]] virtual std::optional<std::uint32_t> Position() = 0;
    /// The titles the disc in the drive carries (CD-Text). Never waits for the drive: a
    /// read that takes time answers pending until it is done. By default, none.
    [[nodiscard]] virtual CdTextRead ReadCdText() { return {}; }

    /// Plays from frame `from` up to frame `to` (exclusive) and returns at once; play
    /// stops by itself at `to`, leaving the position there. Fails when the range is empty
    /// or outside the disc.
    [[nodiscard]] virtual bool Play(std::uint32_t from, std::uint32_t to) = 0;
    /// Ends play; the position stays where play stopped.
    [[nodiscard]] virtual bool Stop() = 0;
    /// Holds play at the current position; fails unless playing.
    [[nodiscard]] virtual bool Pause() = 0;
    /// Continues a paused play towards its old end; fails unless paused.
    [[nodiscard]] virtual bool Resume() = 0;
    /// Moves to `frame` without playing (play or pause in progress ends there).
    [[nodiscard]] virtual bool Seek(std::uint32_t frame) = 0;

    /// Opens the tray (ending any play); fails when the drive cannot eject.
    [[nodiscard]] virtual bool OpenDoor() = 0;
    /// Closes the tray; the disc in it, if any, is read afresh. Not [[nodiscard]]: the
    /// player's close-tray command does not look at the answer.
    virtual bool CloseDoor() = 0;
};

/// Finds the back end behind an element name: "E:" names a drive by its letter, the empty
/// name the default drive. The drive table of the program provides the real one; tests
/// provide one that hands out virtual drives.
class CdDeviceFactory {
public:
    virtual ~CdDeviceFactory() = default;
    /// The device for `elementName`, not yet open; or nullptr with `error` set to a
    /// message for the user (code page 932) when no CD drive answers to that name.
    [[nodiscard]] virtual std::unique_ptr<CdAudioDevice> DeviceFor(const std::string& elementName,
                                                                   std::string& error) = 0;
};

}  // namespace lintel
