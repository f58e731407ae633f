#include "platform/PcmSink.h"

#include <alsa/asoundlib.h>

#include <algorithm>

#include "platform/AlsaQuiet.h"

namespace lintel {
namespace {

// Half a second in the device: enough to ride out a busy machine, short enough that a
// stop is not heard late.
constexpr unsigned kLatencyMicroseconds = 500000;

class AlsaPcm final : public PcmSink {
public:
    explicit AlsaPcm(snd_pcm_t* pcm) : pcm_(pcm) {}
    ~AlsaPcm() override { snd_pcm_close(pcm_); }  // drops what was not heard
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    long Space() override {
        snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
        if (avail < 0) {
            Recover(static_cast<int>(avail));
            avail = snd_pcm_avail(pcm_);
        }
        return avail < 0 ? 0 : static_cast<long>(avail);
    }

    long Write(const std::uint8_t* samples, long frames) override {
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm_, samples, static_cast<snd_pcm_uframes_t>(frames));
        if (written < 0) {
            if (written != -EAGAIN) {
                Recover(static_cast<int>(written));
            }
            return 0;
        }
        return static_cast<long>(written);
    }

    long Delay() override {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) {
            return 0;  // ran dry: nothing is waiting to be heard
        }
        return static_cast<long>(delay);
    }

    bool Hold(bool on) override {
        if (snd_pcm_pause(pcm_, on ? 1 : 0) == 0) {
            return true;
        }
        // Nothing was playing yet (a hold before the first write): there is nothing to hold.
        return snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED;
    }

    unsigned Underruns() const override { return underruns_; }

private:
    void Recover(int error) {
        if (error == -EPIPE) {
            ++underruns_;
        }
        snd_pcm_recover(pcm_, error, 1);
    }

    snd_pcm_t* pcm_;
    unsigned underruns_ = 0;
};

class SilentPcm final : public PcmSink {
public:
    long Space() override {
        Advance();
        return static_cast<long>(kBuffer - (written_ - heard_));
    }
    long Write(const std::uint8_t*, long frames) override {
        Advance();
        const long taken = std::min(frames, static_cast<long>(kBuffer - (written_ - heard_)));
        written_ += static_cast<std::uint64_t>(taken);
        return taken;
    }
    long Delay() override {
        Advance();
        return static_cast<long>(written_ - heard_);
    }
    bool Hold(bool on) override {
        Advance();
        held_ = on;
        Rebase(Clock::now());
        return true;
    }
    unsigned Underruns() const override { return 0; }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::uint64_t kBuffer = kCdSampleRate * kLatencyMicroseconds / 1000000;

    // Time heard runs on while not held, and never beyond what was written: a sink that
    // ran dry starts its clock again with the next write.
    void Advance() {
        const Clock::time_point now = Clock::now();
        if (held_) {
            return;
        }
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(now - since_).count();
        heard_ = heardSince_ + static_cast<std::uint64_t>(elapsed) * kCdSampleRate / 1000000;
        if (heard_ >= written_) {
            heard_ = written_;
            Rebase(now);
        }
    }
    void Rebase(Clock::time_point now) {
        since_ = now;
        heardSince_ = heard_;
    }

    Clock::time_point since_ = Clock::now();
    std::uint64_t heardSince_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t heard_ = 0;
    bool held_ = false;
};

}  // namespace

std::unique_ptr<PcmSink> OpenDefaultPcm(std::string& error) {
    // ALSA's own complaints would repeat at every play without a device; the player
    // reports the reason itself, once.
    QuietAlsaErrors();
    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (result < 0) {
        error = snd_strerror(result);
        return nullptr;
    }
    result = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                                kCdSampleRate, 1, kLatencyMicroseconds);
    if (result < 0) {
        error = snd_strerror(result);
        snd_pcm_close(pcm);
        return nullptr;
    }
    return std::make_unique<AlsaPcm>(pcm);
}

std::unique_ptr<PcmSink> MakeSilentPcm() {
    return std::make_unique<SilentPcm>();
}

}  // namespace lintel
