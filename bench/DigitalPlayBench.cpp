// Digital play of a disc image through a real sound server (PulseAudio with a null sink,
// reached through ALSA's default device): the time from Play to the first sample heard at
// the sink's monitor, and over ten seconds of play the wake-ups a second and the CPU of
// all the process's threads beside aplay playing the same bytes through the same device,
// the allocations per sector, and the wake-ups while stopped.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/CddaReader.h"
#include "platform/CueBinImage.h"
#include "platform/DigitalPlayer.h"
#include "support/ScopedEnv.h"
#include "support/SinkRecorder.h"
#include "support/SoundServer.h"
#include "support/TempDir.h"

extern char** environ;

// Every allocation of C++ code counts, the player's threads' among them.
static std::atomic<std::uint64_t> allocations{0};
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

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
    std::string bin = folder.File("disc.bin");
};

Stage& TheStage() {
    static Stage stage;
    return stage;
}

bool Ready(benchmark::State& state) {
    if (!TheStage().server.Running()) {
        state.SkipWithError("pulseaudio did not come up");
        return false;
    }
    return true;
}

// The image's BIN file read as it is, as an image is played without paranoia.
class BinFileSource final : public SectorSource {
public:
    explicit BinFileSource(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {}
    ~BinFileSource() override { close(fd_); }
    void Seek(std::uint32_t frame) override { next_ = frame - 150; }
    bool Read(CdSector& sector) override {
        const auto at = static_cast<off_t>(next_++) * static_cast<off_t>(kCdSectorBytes);
        return pread(fd_, sector.data(), sector.size(), at) == static_cast<ssize_t>(sector.size());
    }
    bool Preemphasis(std::uint32_t) const override { return false; }

private:
    int fd_;
    std::uint32_t next_ = 0;
};

SectorSourceOpener FileOpener() {
    return [](std::string&) { return std::make_unique<BinFileSource>(TheStage().bin); };
}

// Context switches (each a wake-up) and CPU time of all threads of process `pid`.
struct Usage {
    std::uint64_t switches = 0;
    double cpuSeconds = 0;
};
Usage UsageOf(pid_t pid) {
    Usage usage;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) {
        return usage;
    }
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const std::string task = tasks + "/" + entry->d_name;
        std::ifstream status(task + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
                usage.switches += std::stoull(line.substr(line.find(':') + 1));
            }
        }
        std::ifstream schedstat(task + "/schedstat");  // nanoseconds on the CPU first
        std::uint64_t runNs = 0;
        schedstat >> runNs;
        usage.cpuSeconds += static_cast<double>(runNs) / 1e9;
    }
    closedir(dir);
    return usage;
}

// Wake-ups a second, CPU (percent of one core) and allocations in this process of `pid`
// over `span`.
struct Measured {
    double wakeups = 0;
    double cpuPercent = 0;
    std::uint64_t allocations = 0;
};
Measured Measure(pid_t pid, std::chrono::seconds span) {
    const Usage before = UsageOf(pid);
    const std::uint64_t allocated = allocations.load();
    std::this_thread::sleep_for(span);
    const std::uint64_t allocatedAfter = allocations.load();
    const Usage after = UsageOf(pid);
    const double seconds = static_cast<double>(span.count());
    return {static_cast<double>(after.switches - before.switches) / seconds,
            (after.cpuSeconds - before.cpuSeconds) / seconds * 100, allocatedAfter - allocated};
}

// From Play to the first sample heard at the sink's monitor, each time from a new place
// on the disc; beside it the time to the device's start.
void BM_PlayToFirstSampleHeard(benchmark::State& state) {
    if (!Ready(state)) {
        return;
    }
    DigitalPlayer player(state.range(0) ? CddaReaderOpener(TheStage().cue) : FileOpener(), {});
    std::uint32_t from = 150;
    double deviceStart = 0;
    for (auto _ : state) {
        test::SinkRecorder recorder;
        std::this_thread::sleep_for(200ms);
        const std::size_t before = test::ReadBytes(recorder.Path()).size();
        const Clock::time_point play = Clock::now();
        player.Play(from, from + 750);
        Clock::time_point heard = play;
        while (Clock::now() - play < 3s) {
            const std::string recorded = test::ReadBytes(recorder.Path());
            if (recorded.find_first_not_of('\0', before) != std::string::npos) {
                heard = Clock::now();
                break;
            }
            std::this_thread::sleep_for(1ms);
        }
        state.SetIterationTime(std::chrono::duration<double>(heard - play).count());
        deviceStart += static_cast<double>(player.GetFigures().startLatency.value_or(0us).count());
        player.Stop();
        from += 1000;
    }
    state.counters["to_device_start_ms"] = deviceStart / 1000 / state.iterations();
}
BENCHMARK(BM_PlayToFirstSampleHeard)
    ->ArgName("paranoia")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// Ten seconds of play: this process's wake-ups and CPU, its allocations per sector, then
// aplay playing the same bytes through the same device, then five seconds stopped.
void BM_PlayingBesideAplay(benchmark::State& state) {
    if (!Ready(state)) {
        return;
    }
    for (auto _ : state) {
        {
            DigitalPlayer player(state.range(0) ? CddaReaderOpener(TheStage().cue) : FileOpener(),
                                 {});
            player.Play(150, 150 + 75 * 12);
            std::this_thread::sleep_for(1s);  // past the start
            const Measured playing = Measure(getpid(), 10s);
            state.counters["allocations_per_sector"] =
                static_cast<double>(playing.allocations) / (10 * 75);
            state.counters["lintel_wakeups_per_s"] = playing.wakeups;
            state.counters["lintel_cpu_percent"] = playing.cpuPercent;
            player.Stop();
            state.counters["stopped_wakeups_per_s"] = Measure(getpid(), 5s).wakeups;
        }

        const std::string raw = TheStage().folder.File("twelve.raw");
        {
            std::ifstream in(TheStage().bin, std::ios::binary);
            std::string bytes(12 * 75 * kCdSectorBytes, '\0');
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            std::ofstream(raw, std::ios::binary) << bytes;
        }
        std::vector<std::string> args{"aplay", "-q", "-D", "default", "-t", "raw", "-f", "cd", raw};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t aplay = -1;
        if (posix_spawnp(&aplay, "aplay", nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("aplay is missing (alsa-utils)");
            return;
        }
        std::this_thread::sleep_for(1s);
        const Measured played = Measure(aplay, 10s);
        state.counters["aplay_wakeups_per_s"] = played.wakeups;
        state.counters["aplay_cpu_percent"] = played.cpuPercent;
        kill(aplay, SIGTERM);
        int status = 0;
        waitpid(aplay, &status, 0);
    }
}
BENCHMARK(BM_PlayingBesideAplay)
    ->ArgName("paranoia")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
