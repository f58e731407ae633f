// Start-up as a user meets it: from exec of a program until its window is mapped on an
// X display (Xvfb with openbox), for the real bar on a virtual disc and, beside it, for a
// Qt program that shows an empty window of the same size. Each start is timed from
// outside: the bench watches the root window for the map of a window of the bar's size.
//
// Then the CPU the bar's user-interface thread takes while a disc plays, as the kernel
// counts it for that thread, against the time that passed; the empty window beside it.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "shell/XSession.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct PrivateDisplay {
    lintel::test::XSession session;
    std::string name = session.Start(1024, 768);
};

PrivateDisplay& Display() {
    static PrivateDisplay display;
    if (display.name.empty())
        throw std::runtime_error("Xvfb and openbox did not come up");
    return display;
}

// A scratch home whose system folder declares V: on a sample disc, and a program folder
// holding a copy of the bar with its settings file.
struct Scratch {
    fs::path root = fs::temp_directory_path() / ("lintel-startup-" + std::to_string(getpid()));
    fs::path home = root / "home";
    fs::path runtime = root / "run";
    fs::path program = root / "prog" / "lintel";

    Scratch() {
        const fs::path system = home / ".config" / "lintel";
        fs::create_directories(system);
        fs::create_directories(runtime);
        fs::create_directories(program.parent_path());
        for (const fs::path& p : {home, home / ".config", system, runtime}) chmod(p.c_str(), 0700);
        fs::copy_file(fs::path(LINTEL_SOURCE_DIR) / "samples" / "twelve-tracks.disc",
                      system / "twelve-tracks.disc", fs::copy_options::overwrite_existing);
        std::ofstream(system / "drives.ini") << "[Drives]\nV=twelve-tracks.disc\n";
        fs::copy_file(LINTEL_BINARY, program, fs::copy_options::overwrite_existing);
        Reset();
    }
    /// The settings file of a first start, before each start: the bar writes it at exit.
    void Reset(const std::string& extra = "") const {
        std::ofstream(Ini(), std::ios::binary | std::ios::trunc)
            << "[Config]\r\nDrive=V:\r\n" + extra;
    }
    [[nodiscard]] fs::path Ini() const { return program.parent_path() / "lintel.ini"; }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

// Whether a window this size is the bar's (or the yardstick's): docked, it spans the
// screen and is only as thick as its labels.
bool BarSized(xcb_connection_t* c, xcb_window_t window) {
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const bool bar = g != nullptr && g->width >= 792 && g->height < 200;
    std::free(g);
    return bar;
}

// The time the main thread of `pid` has run, in seconds, as the scheduler counts it.
double ThreadCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    long long ns = -1;
    in >> ns;
    if (!in)
        throw std::runtime_error("no scheduler figures for the program");
    return static_cast<double>(ns) * 1e-9;
}

struct Started {
    pid_t pid;
    double seconds;  // from exec until the bar-sized window was mapped
    xcb_window_t window;
    double cpuSeconds;  // the main thread had run by then
};

// Starts `path` and waits until a bar-sized child of the root is mapped.
Started Launch(const std::string& path, const Scratch& scratch) {
    lintel::test::XSession& x = Display().session;
    xcb_connection_t* c = x.Connection();
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, x.Root(), XCB_CW_EVENT_MASK, &mask);
    x.Sync();
    while (xcb_generic_event_t* stale = xcb_poll_for_event(c)) std::free(stale);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", Display().name.c_str(), 1);
        setenv("HOME", scratch.home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (scratch.home / ".config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", scratch.runtime.c_str(), 1);
        unsetenv("QT_QPA_PLATFORM");
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    double seconds = -1;
    xcb_window_t window = XCB_NONE;
    double cpu = 0;
    const Clock::time_point deadline = start + std::chrono::seconds(10);
    while (seconds < 0) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (event == nullptr) {
            if (xcb_connection_has_error(c) != 0)
                throw std::runtime_error("the X connection broke");
            if (Clock::now() > deadline || waitpid(child, nullptr, WNOHANG) == child) {
                kill(child, SIGKILL);
                waitpid(child, nullptr, 0);
                throw std::runtime_error(path + " showed no window of the bar's size");
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (BarSized(c, map->window)) {
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
                window = map->window;
                cpu = ThreadCpuSeconds(child);
            }
        }
        std::free(event);
    }
    const uint32_t none = 0;
    xcb_change_window_attributes(c, x.Root(), XCB_CW_EVENT_MASK, &none);
    x.Sync();
    return {child, seconds, window, cpu};
}

void End(pid_t child) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
}

// Starts `path` and waits until a bar-sized child of the root is mapped; the program is
// then ended with SIGTERM and waited for.
Started StartAndEnd(const std::string& path, const Scratch& scratch) {
    scratch.Reset();
    const Started started = Launch(path, scratch);
    End(started.pid);
    return started;
}

// Beside the time, the CPU the main thread took until then: on a busy machine the time
// swings with the other work, the CPU much less.
void Run(benchmark::State& state, const std::string& path) {
    const Scratch scratch;
    const std::string program = path == LINTEL_BINARY ? scratch.program.string() : path;
    StartAndEnd(program, scratch);  // warm
    double cpu = 0;
    for (auto _ : state) {
        const Started started = StartAndEnd(program, scratch);
        state.SetIterationTime(started.seconds);
        cpu = started.cpuSeconds;
    }
    state.counters["cpu_ms"] = cpu * 1e3;
}

void BM_StartupToDockedBar(benchmark::State& state) {
    Run(state, LINTEL_BINARY);
}
void BM_StartupToEmptyQtWindow(benchmark::State& state) {
    Run(state, EMPTY_WINDOW_BINARY);
}

// One start per repetition, so the report has a mean and a standard deviation.
BENCHMARK(BM_StartupToDockedBar)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StartupToEmptyQtWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The pixels of `window` as the X server has them.
std::string Picture(xcb_window_t window) {
    xcb_connection_t* c = Display().session.Connection();
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (g == nullptr)
        return {};
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, g->width, g->height, ~0u),
        nullptr);
    std::free(g);
    if (image == nullptr)
        return {};
    std::string bytes(reinterpret_cast<const char*>(xcb_get_image_data(image)),
                      static_cast<std::size_t>(xcb_get_image_data_length(image)));
    std::free(image);
    return bytes;
}

// The share of one core the program's user-interface thread takes over ten seconds, once
// it has settled; for the bar, while the disc plays (it plays on its own at start).
void IdleCpu(benchmark::State& state, const std::string& path, const std::string& settings) {
    const Scratch scratch;
    const bool bar = path == LINTEL_BINARY;
    constexpr double kSpan = 10;
    double share = 0;
    for (auto _ : state) {
        scratch.Reset(settings);
        const Started started = Launch(bar ? scratch.program.string() : path, scratch);
        std::this_thread::sleep_for(std::chrono::seconds(2));  // first ticks, fonts, paints
        const std::string first = Picture(started.window);
        const double before = ThreadCpuSeconds(started.pid);
        std::this_thread::sleep_for(std::chrono::duration<double>(kSpan));
        share = (ThreadCpuSeconds(started.pid) - before) / kSpan;
        // While the disc plays, the time on the gauge moves.
        if (bar && (first.empty() || Picture(started.window) == first))
            state.SkipWithError("the disc was not playing");
        End(started.pid);
        state.SetIterationTime(kSpan);
    }
    state.counters["core_percent"] = share * 100;
}

void BM_IdleCpuPlaying(benchmark::State& state) {
    IdleCpu(state, LINTEL_BINARY, "AutoPlay=1\r\n");
}
void BM_IdleCpuEmptyQtWindow(benchmark::State& state) {
    IdleCpu(state, EMPTY_WINDOW_BINARY, "");
}

BENCHMARK(BM_IdleCpuPlaying)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_IdleCpuEmptyQtWindow)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
