// Digital play of a disc: a reader thread fetches CD-DA sectors through paranoia into a
// bounded queue, and an output thread hands them to the sound device. What the player
// reports as its position is what has been heard: the sample frames written minus those
// the device still holds. Every command returns at once or within a few milliseconds,
// whatever the drive is doing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/CdDriveIo.h"
#include "platform/PcmSink.h"
#include "platform/SectorSource.h"

namespace lintel {

/// Where digital play sends its sound, and whom it tells when it has none.
struct DigitalAudio {
    /// Opens the sound device for one stretch of play; nullptr with the reason set when
    /// there is none. A stretch without a device plays silently by the clock.
    std::function<std::unique_ptr<PcmSink>(std::string& error)> openSink = OpenDefaultPcm;
    /// Told the reason each time a stretch finds no sound device; may be called from the
    /// player's own thread.
    std::function<void(const std::string& reason)> noSoundDevice;
    /// Speed a drive reads at while playing, in multiples of the audio rate: a slow disc
    /// is a quiet one, and four times the rate still fills the queue quickly.
    int driveSpeed = 4;
};

class DigitalPlayer {
public:
    /// Plays what `openSource` opens: a drive or the files of a disc image.
    DigitalPlayer(SectorSourceOpener openSource, DigitalAudio audio);
    ~DigitalPlayer();
    DigitalPlayer(const DigitalPlayer&) = delete;
    DigitalPlayer& operator=(const DigitalPlayer&) = delete;

    /// Starts play from absolute frame `from` up to `to` (exclusive) and returns at once;
    /// a play in progress ends.
    void Play(std::uint32_t from, std::uint32_t to);
    /// Holds play where it is heard; false unless playing. Returns once the device is held
    /// (at most a second).
    bool Pause();
    /// Continues a held play; false unless paused. Returns at once.
    bool Resume();
    /// Ends play; returns once the device is silent (at most a second).
    void Stop();
    /// The disc changed or went: the next play opens it afresh.
    void Forget();

    /// Play as a drive's sub-channel tells it: playing or paused with the frame being
    /// heard, completed with the end of the range (until the next command), or no play.
    [[nodiscard]] Subchannel Status() const;

    /// Figures for measurement: the time from the last Play to its first samples handed
    /// to the device, the device's underruns, and the sectors read with errors.
    struct Figures {
        std::optional<std::chrono::microseconds> startLatency;
        unsigned underruns = 0;
        unsigned damagedSectors = 0;
    };
    [[nodiscard]] Figures GetFigures() const;

private:
    enum class Phase { Idle, Playing, Paused, Completed };
    using Clock = std::chrono::steady_clock;

    void StartStretch(std::uint32_t from, std::uint32_t to);
    /// Hands a command to the output thread and waits, a bounded time, until it is done.
    void AwaitOutput(std::unique_lock<std::mutex>& lock);
    void ReaderLoop();
    void OutputLoop();
    std::unique_ptr<PcmSink> OpenSink();
    /// Sample frames heard of the running stretch, moved on by the clock since the
    /// output thread last asked the device.
    [[nodiscard]] std::uint64_t HeardNow() const;
    /// The most sample frames that can have been heard by now. A device that takes
    /// samples faster than it plays them (ALSA's null device, a plain file) reports them
    /// heard at once; the clock keeps such a stretch to its own length.
    [[nodiscard]] std::uint64_t ClockLimit() const;

    const SectorSourceOpener openSource_;
    const DigitalAudio audio_;

    mutable std::mutex mutex_;
    std::condition_variable readerWake_;
    std::condition_variable outputWake_;
    std::condition_variable handled_;
    bool quit_ = false;
    bool forget_ = false;

    Phase phase_ = Phase::Idle;
    std::uint64_t generation_ = 0;  // a new stretch or a stop drops what came before
    std::uint64_t commands_ = 0;    // Pause and Stop wait until the output thread saw theirs
    std::uint64_t commandsHandled_ = 0;
    bool restartOnResume_ = false;  // the device could not hold: resume plays afresh

    std::uint32_t from_ = 0;      // the running stretch: its first frame,
    std::uint32_t to_ = 0;        // its end,
    std::uint32_t readNext_ = 0;  // and the next sector to read
    std::deque<CdSector> queue_;

    std::uint64_t written_ = 0;  // sample frames of the stretch given to the device
    std::uint64_t heard_ = 0;    // and heard, as of heardAt_
    Clock::time_point heardAt_;
    bool running_ = false;           // the device is playing, so the heard frames move on
    Clock::time_point paceAt_;       // since when the stretch has been heard,
    std::uint64_t pacedFrames_ = 0;  // from which frame

    Clock::time_point playAt_;
    Figures figures_;

    std::thread reader_;
    std::thread output_;
};

}  // namespace lintel
