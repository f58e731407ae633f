// The CPU of one poll tick of the bar while a disc plays: the engine follows the drive and
// the bar paints what changed. The bar runs on Qt's offscreen platform over a simulated
// desktop, on a virtual drive whose clock moves one second a tick (the default interval),
// so the time per tick divided by a second is the share of a core that playing costs.
// Beside it, what a tick paints: paint events and pixels. Argument 1 adds the desktop's
// media controls (the MPRIS adaptors, on no bus), which look at the player after each tick.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPaintEvent>
#include <filesystem>
#include <memory>

#include "app/main.h"
#include "platform/Drives.h"
#include "shell/MprisMediaControls.h"
#include "shell/SimulatedAppBarShell.h"
#include "shell/SimulatedDesktopSurface.h"
#include "shell/SimulatedNotifyIconHost.h"
#include "support/QtApp.h"
#include "support/StepClock.h"
#include "support/TempDir.h"

namespace {

using namespace lintel;

// Counts the paint events of every widget and the pixels they cover.
class PaintCounter : public QObject {
public:
    long long events = 0;
    long long pixels = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            ++events;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                pixels += static_cast<long long>(r.width()) * r.height();
        }
        return false;
    }
};

void BM_PlayingTick(benchmark::State& state) {
    test::App();
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("prog"));
    std::filesystem::create_directories(dir.File("sys"));
    // Twelve tracks of eight minutes: more ticks than the run takes, with a track change
    // every 480 of them, as on a real disc.
    std::string disc;
    for (int t = 0; t < 12; ++t) disc += "length 08:00:00\n";
    dir.Write("sys/v.disc", disc);
    dir.Write("sys/drives.ini", "[Drives]\nV=v.disc\n");
    dir.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");

    test::StepClock clock;
    TDriveTable drives(dir.File("sys"), {}, clock);
    TSimulatedAppBarShell shell(1024, 768);
    TSimulatedDesktopSurface surface;
    TSimulatedNotifyIconHost tray;
    TMprisMediaControls media;
    auto bar = std::make_unique<TfrmMain>(
        drives, TStartupPaths{dir.File("prog"), dir.File("prog/lintel.ini"), dir.File("sys")},
        TBarDesktop{shell, surface, &tray, nullptr, state.range(0) != 0 ? &media : nullptr});
    bar->Startup();
    QApplication::processEvents();
    bar->sbtPlayClick();
    QApplication::processEvents();

    PaintCounter paints;
    qApp->installEventFilter(&paints);
    for (auto _ : state) {
        clock.Step(std::chrono::milliseconds(1000));
        bar->Timer1Timer();
        QApplication::processEvents();  // the paints the tick asked for
    }
    qApp->removeEventFilter(&paints);
    if (!bar->Engine().PlayRequested())
        state.SkipWithError("the disc stopped playing during the run");
    const double ticks = static_cast<double>(state.iterations());
    state.counters["paints_per_tick"] = static_cast<double>(paints.events) / ticks;
    state.counters["pixels_per_tick"] = static_cast<double>(paints.pixels) / ticks;
    bar->close();
    (void)bar->FormDestroy();
}

BENCHMARK(BM_PlayingTick)->Unit(benchmark::kMicrosecond)->Iterations(3000)->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
