// The virtual display of an X11 test program with its application and the desktop-toolbar
// service, made once for the whole program: Qt allows one application per program, and it
// must be told the display before it starts.
#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "XSession.h"
#include "shell/X11AppBarShell.h"

namespace lintel::test {

struct Desktop {
    XSession x;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<TX11AppBarShell> shell;

    Desktop() {
        if (!XSession::Available())
            return;
        const std::string display = x.Start();
        if (display.empty())
            return;
        qputenv("DISPLAY", display.c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "x11_shell_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        shell = TX11AppBarShell::Create();
    }
    ~Desktop() {
        shell.reset();
        app.reset();
    }
};

inline Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

}  // namespace lintel::test
