// Start-up as a user meets it: from exec of a program until its window is mapped on an
// X display (Xvfb with openbox), for the real bar on a virtual disc and, beside it, for a
// Qt program that shows an empty window of the same size. Each start is timed from
// outside: the bench watches the root window for the map of a window of the bar's size.
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
    void Reset() const {
        std::ofstream(program.parent_path() / "lintel.ini", std::ios::binary | std::ios::trunc)
            << "[Config]\r\nDrive=V:\r\n";
    }
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

// Starts `path` and returns the seconds until a bar-sized child of the root is mapped;
// the program is then ended with SIGTERM and waited for.
double TimeToWindow(const std::string& path, const Scratch& scratch) {
    lintel::test::XSession& x = Display().session;
    xcb_connection_t* c = x.Connection();
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, x.Root(), XCB_CW_EVENT_MASK, &mask);
    x.Sync();
    while (xcb_generic_event_t* stale = xcb_poll_for_event(c)) std::free(stale);

    scratch.Reset();
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
            if (BarSized(c, map->window))
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
        std::free(event);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    const uint32_t none = 0;
    xcb_change_window_attributes(c, x.Root(), XCB_CW_EVENT_MASK, &none);
    x.Sync();
    return seconds;
}

void Run(benchmark::State& state, const std::string& path) {
    const Scratch scratch;
    TimeToWindow(path == LINTEL_BINARY ? scratch.program.string() : path, scratch);  // warm
    for (auto _ : state) {
        state.SetIterationTime(
            TimeToWindow(path == LINTEL_BINARY ? scratch.program.string() : path, scratch));
    }
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

}  // namespace

BENCHMARK_MAIN();
