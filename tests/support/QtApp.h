// The one QApplication of a test program that shows widgets: created at first use and
// kept until exit, since Qt allows one per program.
#pragma once

#include <QApplication>

#include "widgets/Fonts.h"

namespace lintel::test {

/// The application, with the program's font substitutes. Closing the last window does
/// not end its loop: a test's windows come and go, as the bar's message boxes do.
inline QApplication& App() {
    static QApplication* app = [] {
        static int argc = 1;
        static char name[] = "lintel_tests";
        static char* argv[] = {name, nullptr};
        auto* a = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        RegisterFontSubstitutes();
        return a;
    }();
    return *app;
}

}  // namespace lintel::test
