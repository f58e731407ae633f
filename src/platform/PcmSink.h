// Where digital play sends its samples: CD audio, 44,100 Hz, 16-bit little-endian stereo.
// The system's default sound device through ALSA, or a silent sink that consumes samples
// by the clock, so play goes on at the same pace when no sound device can be had.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace lintel {

inline constexpr unsigned kCdSampleRate = 44100;
/// Bytes in one sample frame: two channels of 16 bits.
inline constexpr std::size_t kCdFrameBytes = 4;

/// One open stream of sample frames, written a period at a time. No call but Wait waits
/// for the device: the player asks how much fits, writes whole periods, and sleeps in
/// Wait until the device can take the next one. The device starts only when told, so
/// nothing written waits for a threshold. Used by one thread at a time.
class PcmSink {
public:
    virtual ~PcmSink() = default;
    /// Sample frames in one period: the unit of writing and of waking.
    [[nodiscard]] virtual long PeriodFrames() const = 0;
    /// Sleeps until a period can be written, `wake` (a descriptor) becomes readable, or
    /// `limit` has passed.
    virtual void Wait(int wake, std::chrono::milliseconds limit) = 0;
    /// Sample frames that can be written now. A device that ran dry is made ready again
    /// here, the underrun counted, and must be started again.
    [[nodiscard]] virtual long Space() = 0;
    /// Writes up to `frames` sample frames (interleaved left, right, 16-bit little-endian
    /// as on the disc); returns how many were taken.
    virtual long Write(const std::uint8_t* samples, long frames) = 0;
    /// Starts playing what was written; true when it plays (or already did).
    virtual bool Start() = 0;
    /// Whether the device is playing what was written.
    [[nodiscard]] virtual bool Started() const = 0;
    /// Sample frames written but not yet heard.
    [[nodiscard]] virtual long Delay() = 0;
    /// Holds or continues output where it stands; false when the device cannot hold, so
    /// the caller must stop and start again.
    [[nodiscard]] virtual bool Hold(bool on) = 0;
    /// How often the device ran dry since the sink opened.
    [[nodiscard]] virtual unsigned Underruns() const = 0;
    /// Why the device went away (a sound server that quit, an output unplugged), or empty
    /// while it is there. Nothing written to a lost device is heard.
    [[nodiscard]] virtual std::string Lost() const = 0;
};

/// Opens ALSA's default playback device for CD audio; nullptr with `error` set (plain
/// text from ALSA, not translated) when there is none or it is busy.
[[nodiscard]] std::unique_ptr<PcmSink> OpenDefaultPcm(std::string& error);

/// A sink that hears nothing and takes samples as fast as a device would: the frames
/// written count as heard as time passes from its start, never ahead of what was written.
[[nodiscard]] std::unique_ptr<PcmSink> MakeSilentPcm();

}  // namespace lintel
