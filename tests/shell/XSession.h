// A private X display for a test: Xvfb on a free display number with openbox managing it,
// both ended when the session ends. Tests that need it skip when the two programs are
// missing, and fail in CI (tools/deps.sh installs them for `make test`).
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/X11Client.h"

namespace lintel::test {

class XSession {
public:
    XSession() = default;
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    ~XSession() { Stop(); }

    static bool Available() {
        return access("/usr/bin/Xvfb", X_OK) == 0 && access("/usr/bin/openbox", X_OK) == 0;
    }

    /// Starts the display and the window manager; returns the display name (":N"), or an
    /// empty string when either failed to come up.
    std::string Start(int width = 1024, int height = 768) {
        int fds[2];
        if (pipe(fds) != 0)
            return {};
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        xvfb_ = fork();
        if (xvfb_ == 0) {
            // A test that dies takes its display with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                  "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty())
            return {};
        display_ = ":" + number;
        openbox_ = fork();
        if (openbox_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            setenv("DISPLAY", display_.c_str(), 1);
            execl("/usr/bin/openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Ready once openbox announces itself on the root window.
        x11_ = TX11Client::Connect(display_.c_str());
        if (!x11_)
            return {};
        const bool up = WaitFor([&] {
            return !Cardinals(Root(), Atom("_NET_SUPPORTING_WM_CHECK")).empty() &&
                   !Cardinals(Root(), Atom("_NET_WORKAREA")).empty();
        });
        return up ? display_ : std::string();
    }

    void Stop() {
        x11_.reset();
        for (pid_t* pid : {&openbox_, &xvfb_}) {
            if (*pid > 0) {
                kill(*pid, SIGTERM);
                waitpid(*pid, nullptr, 0);
                *pid = 0;
            }
        }
    }

    /// The test's own client: apart from the program under test, as another process
    /// would be.
    const TX11Client& X() const { return *x11_; }
    xcb_connection_t* Connection() const { return x11_->Connection(); }
    xcb_window_t Root() const { return x11_->Root(); }
    xcb_atom_t Atom(const char* name) const { return x11_->Atom(name); }
    std::vector<uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property) const {
        return x11_->Cardinals(window, property);
    }
    void Sync() const { x11_->Sync(); }

    /// The work area of the first desktop: x, y, width, height.
    std::vector<uint32_t> WorkArea() const {
        std::vector<uint32_t> w = Cardinals(Root(), Atom("_NET_WORKAREA"));
        w.resize(4);
        return w;
    }

    /// Polls `done` for up to five seconds, running `between` after each miss.
    template <typename Done, typename Between>
    static bool WaitFor(Done done, Between between) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            between();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    }
    template <typename Done>
    static bool WaitFor(Done done) {
        return WaitFor(done, [] {});
    }

    /// A plain window of the test's own client, for standing in for another program's.
    xcb_window_t CreateWindow(int x, int y, int w, int h) {
        xcb_connection_t* c = Connection();
        const xcb_window_t id = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, Root(), x, y, w, h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, x11_->Screen().root_visual, 0, nullptr);
        xcb_flush(c);
        return id;
    }

private:
    pid_t xvfb_ = 0;
    pid_t openbox_ = 0;
    std::string display_;
    std::unique_ptr<TX11Client> x11_;
};

}  // namespace lintel::test
