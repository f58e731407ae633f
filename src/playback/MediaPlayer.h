// CDcore: the player's one CD audio device. It opens the drive named by DriveName through
// the factory it is given and speaks the player's time formats (milliseconds, MSF, TMSF)
// over a back end that speaks absolute frames.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/CdAudioDevice.h"
#include "platform/CdTime.h"

namespace lintel {

/// A device error the user sees; what() is the message in code page 932.
class TMCIError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMediaPlayer {
public:
    /// Error codes of the last command; stored, as the player never reads them.
    enum : int { kOk = 0, kCommandFailed = 1, kNoMedium = 2, kBadPosition = 3 };

    /// `factory` must outlive the player.
    explicit TMediaPlayer(CdDeviceFactory& factory);
    ~TMediaPlayer();  ///< closes the device
    TMediaPlayer(const TMediaPlayer&) = delete;
    TMediaPlayer& operator=(const TMediaPlayer&) = delete;

    /// Element name for the next OpenDevice: "E:", or empty for the default drive.
    [[nodiscard]] const std::string& DriveName() const { return driveName_; }
    void SetDriveName(std::string name) { driveName_ = std::move(name); }

    /// Closes an open device, then opens the drive of DriveName for exclusive use, reads
    /// whether it can eject and sets the TMSF format. Throws TMCIError with the drive's
    /// message when no drive answers to the name or the drive cannot be opened.
    void OpenDevice();
    /// Releases the drive. Without an open device nothing happens.
    void CloseDevice();
    [[nodiscard]] bool IsOpen() const { return device_ != nullptr; }
    [[nodiscard]] bool CanEject() const { return canEject_; }
    [[nodiscard]] int Error() const { return error_; }

    /// MCI_FORMAT_MILLISECONDS, MCI_FORMAT_MSF or MCI_FORMAT_TMSF for every following
    /// position or length; any other value, or no device, leaves the format as it is.
    void SetTimeFormat(std::uint32_t format);
    [[nodiscard]] std::uint32_t TimeFormat() const { return format_; }

    // Queries. A query that fails (no disc, a track out of range, no device where no
    // check is made) gives 0.

    /// Mode 0..6 as CdMode lists them.
    [[nodiscard]] int QueryMode();
    [[nodiscard]] std::uint32_t QueryTrackCount();
    /// The disc's length (lead-out less the start of track 1): milliseconds, or MSF in
    /// both MSF and TMSF format.
    [[nodiscard]] std::uint32_t QueryLength();
    /// The current position: absolute milliseconds or MSF, or TMSF within its track.
    [[nodiscard]] std::uint32_t QueryPosition();
    /// Track t's length (the next start, or the lead-out, less its own start): milliseconds,
    /// or MSF in both MSF and TMSF format.
    [[nodiscard]] std::uint32_t QueryTrackLength(int t);
    /// Track t's start: absolute milliseconds or MSF, or TMSF (t, 0, 0, 0).
    [[nodiscard]] std::uint32_t QueryTrackStart(int t);

    /// The titles the disc carries (CD-Text), as the device knows them now; none without
    /// a device.
    [[nodiscard]] CdTextRead QueryCdText();
    /// The disc's table of contents in absolute frames; none without a disc.
    [[nodiscard]] std::optional<CdToc> QueryToc() { return Toc(); }

    // Commands.

    /// Starts play and returns: from `from` (else the current position) to `to` (else the
    /// end of the disc), both in the current format. The positions serve this one play;
    /// EndPos gives back the `to` given.
    void PlayRange(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to);
    [[nodiscard]] std::optional<std::uint32_t> EndPos() const { return endPos_; }
    void StopPlay();
    void RewindToStart();
    /// Moves to `position` (current format) without playing; a play or a pause in
    /// progress ends there. A position off the disc is recorded as kBadPosition.
    void Seek(std::uint32_t position);
    /// Playing: pause. Paused: resume, or when that fails play on from the position.
    /// Otherwise nothing.
    void TogglePause();
    /// To the start of the next track (of the current one when it is the last): playing
    /// on from there when playing, else seeking there.
    void SeekNextTrack();
    /// To the start of the current track, or of the previous one within the first second
    /// of a track other than track 1; playing or seeking as SeekNextTrack.
    void SeekPreviousTrack();
    /// Opens the tray when the drive said it can eject; otherwise nothing.
    void OpenDoor();
    /// Closes the tray; the outcome is not looked at.
    void CloseDoor();

private:
    void RequireDevice() const;
    /// The disc's table of contents; records kNoMedium when there is none.
    std::optional<CdToc> Toc();
    /// Toc, when track `t` is on the disc; records kBadPosition when it is not.
    std::optional<CdToc> TocWithTrack(int t);
    /// Where the device stands: its disc, position and track; kNoMedium when unknown.
    struct Place {
        CdToc toc;
        std::uint32_t position;
        int track;
    };
    std::optional<Place> CurrentPlace();
    /// Frames of a position given in the current format; nullopt (kBadPosition) when it
    /// names no place on the disc.
    std::optional<std::uint32_t> ToFrames(std::uint32_t value, const CdToc& toc);
    std::uint32_t PositionValue(std::uint32_t frames, const CdToc& toc) const;
    std::uint32_t DurationValue(std::uint32_t frames) const;
    void Record(bool ok, int failure = kCommandFailed) { error_ = ok ? kOk : failure; }
    /// Starts play at `frame` towards the end of the disc when playing, else seeks there.
    void MoveTo(std::uint32_t frame, const CdToc& toc);

    CdDeviceFactory& factory_;
    std::unique_ptr<CdAudioDevice> device_;
    std::string driveName_;
    bool canEject_ = false;
    std::uint32_t format_ = MCI_FORMAT_TMSF;
    int error_ = kOk;
    std::optional<std::uint32_t> endPos_;
};

}  // namespace lintel
