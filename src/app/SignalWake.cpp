#include "app/SignalWake.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace lintel {

static_assert(TSignalWake::kSignals[0] == SIGTERM && TSignalWake::kSignals[1] == SIGINT &&
              TSignalWake::kSignals[2] == SIGHUP);

namespace {

// The write end, read by the handler; -1 while no object is installed.
volatile sig_atomic_t gWriteFd = -1;
struct sigaction gPrevious[3];

extern "C" void WakeOnSignal(int signo) {
    const int saved = errno;
    const int fd = gWriteFd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signo);
        // A full pipe already holds enough wake-ups; losing this byte loses nothing.
        [[maybe_unused]] ssize_t n = write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

TSignalWake::TSignalWake(QObject* parent) : QObject(parent) {
    if (gWriteFd >= 0)
        return;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    readFd_ = fds[0];
    gWriteFd = fds[1];

    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = WakeOnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls keep a signal from failing a file write half-way.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
    installed_ = true;
}

TSignalWake::~TSignalWake() {
    if (!installed_)
        return;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
    const int writeFd = gWriteFd;
    gWriteFd = -1;
    delete notifier_;
    close(writeFd);
    close(readFd_);
}

void TSignalWake::Drain() {
    unsigned char bytes[64];
    for (;;) {
        const ssize_t n = read(readFd_, bytes, sizeof bytes);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            if (OnSignal)
                OnSignal(bytes[i]);
        }
    }
}

}  // namespace lintel
