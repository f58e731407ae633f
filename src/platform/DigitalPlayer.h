// Digital play of a disc: a reader thread fetches CD-DA sectors from a source (a drive
// through paranoia, or an image's files) into a bounded queue, and an output thread hands
// them to the sound device a period at a time, sleeping on the device in between. What
// the player reports as its position is what has been heard: the sample frames written
// minus those the device still holds. Every command returns at once or within a second,
// whatever the drive or the sound server is doing; a thread stuck in either finishes on
// its own and owns, with the player, everything it touches.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/CdDriveIo.h"
#include "platform/PcmSink.h"
#include "platform/SectorSource.h"

namespace lintel {

/// Where digital play sends its sound, and whom it tells when something is wrong.
struct DigitalAudio {
    /// Opens the sound device for one stretch of play; nullptr with the reason set when
    /// there is none. A stretch without a device plays silently by the clock.
    std::function<std::unique_ptr<PcmSink>(std::string& error)> openSink = OpenDefaultPcm;
    /// Told the reason each time a stretch finds no sound device, or loses it and cannot
    /// open it again; may be called from the player's own thread.
    std::function<void(const std::string& reason)> noSoundDevice;
    /// Told the source's message for the user (code page 932) when the source could not
    /// be opened after several tries, so play stopped; once until the disc is forgotten.
    /// May be called from the player's own thread.
    std::function<void(const std::string& message)> cannotRead;
    /// Speed a drive reads at while playing, in multiples of the audio rate: a slow disc
    /// is a quiet one, and four times the rate still fills the queue quickly.
    int driveSpeed = 4;
};

class DigitalPlayer {
public:
    /// Plays what `openSource` opens: a drive or the files of a disc image.
    DigitalPlayer(SectorSourceOpener openSource, DigitalAudio audio);
    /// Ends play; returns within a second even while a read or the sound device hangs.
    ~DigitalPlayer();
    DigitalPlayer(const DigitalPlayer&) = delete;
    DigitalPlayer& operator=(const DigitalPlayer&) = delete;

    /// Starts play from absolute frame `from` up to `to` (exclusive) and returns at once;
    /// a play in progress ends. No sector at or after `to` is read.
    void Play(std::uint32_t from, std::uint32_t to);
    /// Holds play where it is heard; false unless playing. Returns once the device is held
    /// (at most a second).
    bool Pause();
    /// Continues a held play; false unless paused. Returns at once.
    bool Resume();
    /// Ends play; returns once the device is silent (at most a second).
    void Stop();
    /// The disc changed or went: the source is closed, so the drive has no other opener
    /// and can eject, and the next play opens it afresh. Waits at most a second for a
    /// read in progress, and not again while that read still hangs; false when the source
    /// could not be closed in that time.
    bool Forget();

    /// Play as a drive's sub-channel tells it: playing or paused with the frame being
    /// heard, completed with the end of the range (until the next command), or no play.
    /// Costs a lock and a look at the clock, never a call to the drive or the device.
    [[nodiscard]] Subchannel Status() const;
    /// True while a play runs or is held, so the drive is busy with its reads.
    [[nodiscard]] bool Busy() const;

    /// Figures for measurement: the time from the last Play to the device's start with
    /// its first samples, the device's underruns, and the sectors read with errors.
    struct Figures {
        std::optional<std::chrono::microseconds> startLatency;
        unsigned underruns = 0;
        unsigned damagedSectors = 0;
    };
    [[nodiscard]] Figures GetFigures() const;

private:
    struct Shared;
    static void ReaderLoop(Shared& shared);
    static void OutputLoop(Shared& shared);

    std::shared_ptr<Shared> shared_;
};

}  // namespace lintel
