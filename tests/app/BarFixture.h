// The bar window on a virtual drive V: holding a two-track disc, in a scratch program
// folder and system folder, over a simulated desktop (no slides: every move is one step).
// Message boxes are answered with OK and their texts kept.
#pragma once

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main.h"
#include "platform/Drives.h"
#include "shell/SimulatedAppBarShell.h"
#include "shell/SimulatedDesktopSurface.h"
#include "shell/SimulatedMediaControls.h"
#include "shell/SimulatedNotifyIconHost.h"
#include "support/BoxAnswerer.h"
#include "support/StepClock.h"
#include "support/TempDir.h"

namespace lintel::test {

class BarFixture : public ::testing::Test {
protected:
    static constexpr char kTwoTracks[] = "track 00:02:00\ntrack 03:10:05\nleadout 05:02:00\n";

    void SetUp() override {
        App();
        shell_.SetDragFullWindows(false);
        std::filesystem::create_directories(dir_.File("prog"));
        std::filesystem::create_directories(dir_.File("sys"));
        dir_.Write("sys/v.disc", kTwoTracks);
        dir_.Write("sys/drives.ini", "[Drives]\nV=v.disc\n");
    }

    /// Builds the bar over prog/lintel.ini, or over `settingsFile` when one is named.
    void Create(const std::string& settingsFile = "") {
        drives_ =
            std::make_unique<TDriveTable>(dir_.File("sys"), std::vector<std::string>{}, clock_);
        TStartupPaths paths{dir_.File("prog"),
                            settingsFile.empty() ? dir_.File("prog/lintel.ini") : settingsFile,
                            dir_.File("sys")};
        bar_ = std::make_unique<TfrmMain>(*drives_, paths,
                                          TBarDesktop{shell_, surface_, &tray_, nullptr, &media_});
    }

    /// Create(), then start-up and the main loop's first pass, which the close path needs.
    void Start(const std::string& settingsFile = "") {
        Create(settingsFile);
        bar_->Startup();
        QApplication::processEvents();
    }

    /// Starts the bar on drive V: with `extra` lines appended to lintel.ini.
    void StartWith(const std::string& extra) {
        dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n" + extra);
        Start();
    }

    /// Closes the bar as the user does and writes its settings back.
    void CloseBar() {
        bar_->close();
        EXPECT_EQ(bar_->FormDestroy(), 0);
        bar_.reset();
    }

    std::string Ini() { return ReadBytes(dir_.File("prog/lintel.ini")); }
    TIniStore& Settings() { return *bar_->Engine().Settings(); }
    TOperationPanel* Panel() { return bar_->pnlOperation(); }
    QColor PixelOfBar(int x, int y) { return bar_->grab().toImage().pixelColor(x, y); }

    /// A press or a release of `button` at `local` on `w`.
    static void Press(QWidget* w, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonPress, local, w->mapToGlobal(local), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void Release(QWidget* w, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonRelease, local, w->mapToGlobal(local), button,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    /// A notification without arguments (enter, leave) to `w`.
    static void Notify(QWidget* w, QEvent::Type type) {
        QEvent e(type);
        QApplication::sendEvent(w, &e);
    }

    TempDir dir_;
    StepClock clock_;
    BoxAnswerer answerer_;
    TSimulatedNotifyIconHost tray_;
    TSimulatedAppBarShell shell_{1024, 768};
    TSimulatedDesktopSurface surface_;
    TSimulatedMediaControls media_;
    std::unique_ptr<TDriveTable> drives_;
    std::unique_ptr<TfrmMain> bar_;
};

}  // namespace lintel::test
