// The program's entry: one copy per executable name, then the bar until it closes.
#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/ProgramPaths.h"
#include "app/QtJapanese.h"
#include "app/main.h"
#include "platform/AlsaMixer.h"
#include "platform/AlsaQuiet.h"
#include "platform/Cp932.h"
#include "platform/Drives.h"
#include "platform/Executable.h"
#include "platform/FileIo.h"
#include "platform/InstanceGuard.h"
#include "platform/SystemFolder.h"
#include "platform/VirtualCdDevice.h"
#include "platform/WindowSystem.h"
#include "shell/DesktopShell.h"
#include "widgets/Fonts.h"
#include "widgets/TrayIcon.h"

int main(int argc, char** argv) {
    using namespace lintel;

    // Before anything shows: a second copy under the same name ends without a trace.
    InstanceGuard guard = InstanceGuard::AcquireForProgram();
    if (guard.GetStatus() == InstanceGuard::Status::AnotherRunning)
        return 0;
    if (guard.GetStatus() == InstanceGuard::Status::Failed) {
        // Running unguarded beats not running at all; the user is told why.
        std::fprintf(stderr, "lintel: %s\n", cp932::ToUtf8(guard.Error()).c_str());
    }

    // Before the mixer or a player opens ALSA: its own lines on standard error would
    // repeat at every opening of the settings dialog on a machine without sound.
    QuietAlsaErrors();

    const std::string exe = ExecutablePath();
    if (exe.empty()) {
        std::fprintf(stderr, "lintel: the program cannot tell where its own file lies\n");
        return 1;
    }

    // Reading the font configuration is the largest single step before the bar can show
    // its texts; it runs beside Qt's own start and is awaited before the first font use.
    std::thread fontConfig([] { FcInit(); });

    // The program reads no command line: Qt sees only the program's name and the window
    // system to use.
    std::vector<std::string> qtArgs = QtPlatformArguments(argc, argv);
    qtArgs.insert(qtArgs.begin(), argc > 0 ? argv[0] : "lintel");
    std::vector<char*> qtArgv;
    for (std::string& arg : qtArgs) qtArgv.push_back(arg.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgs.size());
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationDisplayName(QStringLiteral("Lintel"));
    // Every window, the about box and the tray show the one icon of the program.
    QApplication::setWindowIcon(ProgramIcon());
    // The bar closes the program itself; a closed message box must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (std::string error; !LoadQtJapanese(app, error))
        std::fprintf(stderr, "lintel: %s\n", error.c_str());
    fontConfig.join();
    RegisterFontSubstitutes();

    FolderResult systemFolder = SystemFolder();
    if (!systemFolder.Ok())
        std::fprintf(stderr, "lintel: %s\n", cp932::ToUtf8(systemFolder.error).c_str());

    const TStartupPaths paths = StartupPathsFor(exe, systemFolder.path);
    // A write-back killed half-way left its temporary file; with the guard held no other
    // copy can be writing the settings file now, so any such file is a leftover.
    if (guard.Held())
        AtomicFileWriter::RemoveLeftovers(paths.settingsFile);

    SteadyCdClock clock;
    TDriveTable drives(systemFolder.path, clock);
    for (const std::string& warning : drives.Warnings())
        std::fprintf(stderr, "lintel: drives.ini: %s\n", cp932::ToUtf8(warning).c_str());

    int code = 0;
    {
        // The running desktop's services; away from X11 the bar docks by its own rules.
        const TDesktopShell desktop = MakeDesktopShell();
        if (!desktop.reservesStrip)
            std::fprintf(stderr,
                         "lintel: no X11 display: the bar cannot reserve its strip of the screen "
                         "here\n");
        if (!desktop.mediaControls)
            std::fprintf(stderr, "lintel: no media controls for the desktop: %s\n",
                         desktop.mediaControlsError.c_str());
        const std::unique_ptr<MixerSystem> mixers = MakeAlsaMixerSystem();
        TfrmMain frmMain(drives, paths,
                         {*desktop.appBars, *desktop.surface, desktop.notifyIcons.get(),
                          mixers.get(), desktop.mediaControls.get()});
        // Digital play without a sound device goes on silently; the user is told why once,
        // on standard error and in a box over the bar (the report comes from a player
        // thread, the box opens on this one).
        drives.SetNoSoundDeviceReport([&frmMain](const std::string& message) {
            std::fprintf(stderr, "lintel: %s\n", cp932::ToUtf8(message).c_str());
            QMetaObject::invokeMethod(
                &frmMain, [&frmMain, message] { frmMain.ShowMessage(message); },
                Qt::QueuedConnection);
        });
        frmMain.Startup();
        QApplication::exec();
        code = frmMain.FormDestroy();
        drives.SetNoSoundDeviceReport(nullptr);
    }
    return code;
}
