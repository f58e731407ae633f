#include "platform/PcmSink.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <thread>

#include "platform/AlsaQuiet.h"

namespace lintel {
namespace {

// Half a second in the device: enough to ride out a busy machine, short enough that a
// stop is not heard late. Written and woken for in quarters of a second: the sound
// server then asks for data four times a second too.
constexpr unsigned kLatencyMicroseconds = 500000;
constexpr unsigned kPeriodMicroseconds = 250000;
// A suspended device is asked to resume this often, a tenth of a second apart, before it
// is prepared afresh.
constexpr int kResumeTries = 10;
// Underruns in a row with nothing written between them: the device is not coming back.
constexpr int kUnderrunsInARow = 5;

class AlsaPcm final : public PcmSink {
public:
    AlsaPcm(snd_pcm_t* pcm, long period) : pcm_(pcm), period_(period) {}
    ~AlsaPcm() override { snd_pcm_close(pcm_); }  // drops what was not heard
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    long PeriodFrames() const override { return period_; }

    void Wait(int wake, std::chrono::milliseconds limit) override {
        std::array<pollfd, 8> fds{};
        int count = 0;
        if (lost_.empty()) {
            count = std::clamp(snd_pcm_poll_descriptors(pcm_, fds.data(), fds.size() - 1), 0,
                               static_cast<int>(fds.size() - 1));
        }
        fds[static_cast<std::size_t>(count)] = {wake, POLLIN, 0};
        if (poll(fds.data(), static_cast<nfds_t>(count + 1), static_cast<int>(limit.count())) > 0 &&
            count > 0) {
            // Some plugins learn here that their descriptor was seen.
            unsigned short events = 0;
            static_cast<void>(snd_pcm_poll_descriptors_revents(
                pcm_, fds.data(), static_cast<unsigned>(count), &events));
        }
    }

    long Space() override {
        if (!lost_.empty()) {
            return 0;
        }
        snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
        if (avail < 0 && Recover(static_cast<int>(avail))) {
            avail = snd_pcm_avail(pcm_);
        }
        return avail < 0 ? 0 : static_cast<long>(avail);
    }

    long Write(const std::uint8_t* samples, long frames) override {
        if (!lost_.empty()) {
            return 0;
        }
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm_, samples, static_cast<snd_pcm_uframes_t>(frames));
        if (written < 0) {
            if (written != -EAGAIN) {
                Recover(static_cast<int>(written));
            }
            return 0;
        }
        underrunsInARow_ = 0;
        return static_cast<long>(written);
    }

    bool Start() override {
        if (!lost_.empty()) {
            return false;
        }
        if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED) {
            return Started();
        }
        const int result = snd_pcm_start(pcm_);
        if (result < 0) {
            Recover(result);
        }
        return result == 0;
    }

    bool Started() const override {
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        return state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_DRAINING;
    }

    long Delay() override {
        if (!lost_.empty()) {
            return 0;
        }
        snd_pcm_sframes_t delay = 0;
        const int result = snd_pcm_delay(pcm_, &delay);
        if (result < 0) {
            Recover(result);
            return 0;  // ran dry: nothing is waiting to be heard
        }
        return std::max<long>(0, static_cast<long>(delay));
    }

    bool Hold(bool on) override {
        if (!lost_.empty()) {
            return true;
        }
        if (snd_pcm_pause(pcm_, on ? 1 : 0) == 0) {
            return true;
        }
        // Nothing was playing yet (a hold before the start): there is nothing to hold.
        return snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED;
    }

    unsigned Underruns() const override { return underruns_; }
    std::string Lost() const override { return lost_; }

private:
    /// Brings the device back after `error`; false when it is lost.
    bool Recover(int error) {
        int result = error;
        if (error == -EPIPE) {
            ++underruns_;
            result = ++underrunsInARow_ > kUnderrunsInARow ? error : snd_pcm_prepare(pcm_);
        } else if (error == -ESTRPIPE) {
            for (int i = 0; i < kResumeTries && (result = snd_pcm_resume(pcm_)) == -EAGAIN; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            if (result < 0) {
                result = snd_pcm_prepare(pcm_);
            }
        }
        if (result < 0) {
            lost_ = snd_strerror(result);
            return false;
        }
        return true;
    }

    snd_pcm_t* pcm_;
    long period_;
    unsigned underruns_ = 0;
    int underrunsInARow_ = 0;
    std::string lost_;
};

class SilentPcm final : public PcmSink {
public:
    long PeriodFrames() const override { return kPeriod; }
    void Wait(int wake, std::chrono::milliseconds limit) override {
        Advance();
        // Until a period is free, as a device would wake for it.
        const std::uint64_t held = written_ - heard_;
        if (started_ && !held_ && held + kPeriod > kBuffer) {
            const auto free =
                std::chrono::milliseconds((held + kPeriod - kBuffer) * 1000 / kCdSampleRate + 1);
            limit = std::min(limit, free);
        }
        pollfd fd{wake, POLLIN, 0};
        static_cast<void>(poll(&fd, 1, static_cast<int>(limit.count())));
    }
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
    bool Start() override {
        if (!started_) {
            started_ = true;
            Rebase(Clock::now());
        }
        return true;
    }
    bool Started() const override { return started_; }
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
    std::string Lost() const override { return {}; }

private:
    using Clock = std::chrono::steady_clock;
    // In 64 bits: the product overflows 32.
    static constexpr std::uint64_t kBuffer =
        std::uint64_t{kCdSampleRate} * kLatencyMicroseconds / 1000000;
    static constexpr long kPeriod =
        static_cast<long>(std::uint64_t{kCdSampleRate} * kPeriodMicroseconds / 1000000);

    // Time heard runs on while started and not held, and never beyond what was written: a
    // sink that ran dry starts its clock again with the next write.
    void Advance() {
        const Clock::time_point now = Clock::now();
        if (held_ || !started_) {
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
    bool started_ = false;
    bool held_ = false;
};

// Sets the device up for CD audio: half a second in tenths, the start left to the
// player, and a wake-up for each free period.
int Configure(snd_pcm_t* pcm, snd_pcm_uframes_t& period) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    unsigned rate = kCdSampleRate;
    unsigned bufferTime = kLatencyMicroseconds;
    unsigned periodTime = kPeriodMicroseconds;
    int result = 0;
    if ((result = snd_pcm_hw_params_any(pcm, hw)) < 0 ||
        (result = snd_pcm_hw_params_set_rate_resample(pcm, hw, 1)) < 0 ||
        (result = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (result = snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE)) < 0 ||
        (result = snd_pcm_hw_params_set_channels(pcm, hw, 2)) < 0 ||
        (result = snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr)) < 0 ||
        (result = snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, nullptr)) < 0 ||
        (result = snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, nullptr)) < 0 ||
        (result = snd_pcm_hw_params(pcm, hw)) < 0) {
        return result;
    }
    if (rate != kCdSampleRate) {
        return -EINVAL;
    }
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
    snd_pcm_hw_params_get_buffer_size(hw, &buffer);

    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_uframes_t boundary = 0;
    if ((result = snd_pcm_sw_params_current(pcm, sw)) < 0 ||
        (result = snd_pcm_sw_params_get_boundary(sw, &boundary)) < 0 ||
        // Never started by a threshold: a stretch shorter than the buffer plays too.
        (result = snd_pcm_sw_params_set_start_threshold(pcm, sw, boundary)) < 0 ||
        (result = snd_pcm_sw_params_set_stop_threshold(pcm, sw, buffer)) < 0 ||
        (result = snd_pcm_sw_params_set_avail_min(pcm, sw, period)) < 0 ||
        (result = snd_pcm_sw_params(pcm, sw)) < 0) {
        return result;
    }
    return 0;
}

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
    snd_pcm_uframes_t period = 0;
    result = Configure(pcm, period);
    if (result < 0 || period == 0) {
        error = snd_strerror(result < 0 ? result : -EINVAL);
        snd_pcm_close(pcm);
        return nullptr;
    }
    return std::make_unique<AlsaPcm>(pcm, static_cast<long>(period));
}

std::unique_ptr<PcmSink> MakeSilentPcm() {
    return std::make_unique<SilentPcm>();
}

}  // namespace lintel
