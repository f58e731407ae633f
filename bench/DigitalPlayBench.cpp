// Digital play of a disc image through a real sound server (PulseAudio with a null sink,
// reached through ALSA's default device): the time from Play to the first samples handed
// to the device, the process's CPU while playing, how far the reported position is from
// what the device says was heard, and the underruns of a minute of play while every other
// core is kept busy.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/CddaReader.h"
#include "platform/CueBinImage.h"
#include "platform/DigitalPlayer.h"
#include "support/ScopedEnv.h"
#include "support/SoundServer.h"
#include "support/TempDir.h"

namespace {

using namespace lintel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The sound server and a two-minute image of one audio track, shared by every benchmark.
struct Stage {
    test::SoundServer server;
    test::TempDir folder;
    test::ScopedEnv alsa{
        "ALSA_CONFIG_PATH",
        folder.Write("asound.conf", "pcm.!default { type pulse device nul }\n").c_str()};
    std::string cue = test::WriteCueBinImage(folder.Path(), "disc", {{false, 120 * 75}});
};

Stage& TheStage() {
    static Stage stage;
    return stage;
}

// What the device said was heard, each time the player asked: (when, frames heard).
struct HeardLog {
    std::mutex mutex;
    std::vector<std::pair<Clock::time_point, std::uint64_t>> entries;
};

// The default device, noting written minus delay at every look at the delay.
class LoggingSink final : public PcmSink {
public:
    LoggingSink(std::unique_ptr<PcmSink> sink, HeardLog& log) : sink_(std::move(sink)), log_(log) {}
    long Space() override { return sink_->Space(); }
    long Write(const std::uint8_t* samples, long frames) override {
        const long taken = sink_->Write(samples, frames);
        written_ += static_cast<std::uint64_t>(std::max(taken, 0L));
        return taken;
    }
    long Delay() override {
        const long delay = sink_->Delay();
        const std::lock_guard lock(log_.mutex);
        log_.entries.emplace_back(Clock::now(),
                                  written_ - std::min<std::uint64_t>(written_, delay));
        return delay;
    }
    bool Hold(bool on) override { return sink_->Hold(on); }
    unsigned Underruns() const override { return sink_->Underruns(); }

private:
    std::unique_ptr<PcmSink> sink_;
    HeardLog& log_;
    std::uint64_t written_ = 0;
};

DigitalAudio AudioLoggingTo(HeardLog& log) {
    DigitalAudio audio;
    audio.openSink = [&log](std::string& error) -> std::unique_ptr<PcmSink> {
        std::unique_ptr<PcmSink> sink = OpenDefaultPcm(error);
        return sink ? std::make_unique<LoggingSink>(std::move(sink), log) : nullptr;
    };
    return audio;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool Ready(benchmark::State& state) {
    if (!TheStage().server.Running()) {
        state.SkipWithError("pulseaudio did not come up");
        return false;
    }
    return true;
}

// From Play to the first samples the device took, each time from a new place on the disc.
void BM_PlayToFirstSample(benchmark::State& state) {
    if (!Ready(state)) {
        return;
    }
    HeardLog log;
    DigitalPlayer player(CddaReaderOpener(TheStage().cue), AudioLoggingTo(log));
    std::uint32_t from = 150;
    for (auto _ : state) {
        player.Play(from, from + 750);
        std::optional<std::chrono::microseconds> latency;
        while (!(latency = player.GetFigures().startLatency)) {
            std::this_thread::sleep_for(1ms);
        }
        state.SetIterationTime(std::chrono::duration<double>(*latency).count());
        player.Stop();
        from += 1000;
        if (from > 110 * 75) {
            from = 150;
        }
    }
}
BENCHMARK(BM_PlayToFirstSample)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Ten seconds of play: CPU of the whole process (reader, output and the sound client's
// threads) as a share of one core, and the reported position against written minus
// delay at the same moment, in frames of 1/75 s.
void BM_PlayingCpuAndPosition(benchmark::State& state) {
    if (!Ready(state)) {
        return;
    }
    for (auto _ : state) {
        HeardLog log;
        DigitalPlayer player(CddaReaderOpener(TheStage().cue), AudioLoggingTo(log));
        player.Play(150, 150 + 75 * 11);
        std::this_thread::sleep_for(500ms);  // past the start
        std::vector<std::pair<Clock::time_point, std::uint32_t>> reported;
        const double cpuBefore = CpuSeconds();
        const Clock::time_point start = Clock::now();
        while (Clock::now() - start < 10s) {
            // Looks at odd moments, as the bar's timer does against the device's periods.
            std::this_thread::sleep_for(
                std::chrono::microseconds(9000 + reported.size() * 7919 % 41000));
            reported.emplace_back(Clock::now(), *player.Status().position);
        }
        const double cpu = (CpuSeconds() - cpuBefore) /
                           std::chrono::duration<double>(Clock::now() - start).count();
        player.Stop();

        // Written minus delay at each report, from the device's looks on either side.
        double worst = 0;
        double sum = 0;
        const std::lock_guard lock(log.mutex);
        for (const auto& [when, frame] : reported) {
            const auto after = std::lower_bound(
                log.entries.begin(), log.entries.end(), when,
                [](const auto& entry, Clock::time_point t) { return entry.first < t; });
            if (after == log.entries.begin() || after == log.entries.end()) {
                continue;
            }
            const auto before = after - 1;
            const double span = std::chrono::duration<double>(after->first - before->first).count();
            const double part =
                span > 0 ? std::chrono::duration<double>(when - before->first).count() / span : 0;
            const double heard = before->second + part * (static_cast<double>(after->second) -
                                                          static_cast<double>(before->second));
            const double error = std::abs((frame - 150) - heard / 588.0);
            worst = std::max(worst, error);
            sum += error;
        }
        state.counters["cpu_percent_of_a_core"] = cpu * 100;
        state.counters["position_error_max_frames"] = worst;
        state.counters["position_error_mean_frames"] = sum / reported.size();
    }
}
BENCHMARK(BM_PlayingCpuAndPosition)->Iterations(1)->Unit(benchmark::kSecond);

// A minute of play while every other core spins: the device's underruns.
void BM_UnderrunsWithOtherCoresBusy(benchmark::State& state) {
    if (!Ready(state)) {
        return;
    }
    for (auto _ : state) {
        std::atomic<bool> spin{true};
        std::vector<std::thread> load;
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i + 1 < cores; ++i) {
            load.emplace_back([&spin] {
                volatile std::uint64_t x = 0;
                while (spin.load(std::memory_order_relaxed)) {
                    x = x + 1;
                }
            });
        }
        HeardLog log;
        DigitalPlayer player(CddaReaderOpener(TheStage().cue), AudioLoggingTo(log));
        player.Play(150, 150 + 60 * 75);
        while (player.Status().audioStatus == 0x11) {
            std::this_thread::sleep_for(100ms);
        }
        spin = false;
        for (std::thread& t : load) {
            t.join();
        }
        state.counters["underruns"] = player.GetFigures().underruns;
        state.counters["damaged_sectors"] = player.GetFigures().damagedSectors;
    }
}
BENCHMARK(BM_UnderrunsWithOtherCoresBusy)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
