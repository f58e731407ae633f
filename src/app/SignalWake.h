// The signals a desktop session sends to end a program (SIGTERM, SIGINT, SIGHUP), turned
// into an ordinary event of the Qt loop. The handler itself only writes the signal's
// number into a pipe; everything else happens on the loop, where it is safe to touch
// widgets, the settings store and the CD device.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace lintel {

class TSignalWake : public QObject {
public:
    /// Installs the handlers. Only one object may exist at a time; a second one installs
    /// nothing and reports Installed() false.
    explicit TSignalWake(QObject* parent = nullptr);
    /// Puts back the handlers that were in place before and closes the pipe.
    ~TSignalWake() override;
    TSignalWake(const TSignalWake&) = delete;
    TSignalWake& operator=(const TSignalWake&) = delete;

    bool Installed() const { return installed_; }

    /// Called on the loop once for every signal that arrived, with its number.
    std::function<void(int signo)> OnSignal;

    /// The signals handled, in the order they are installed.
    static constexpr int kSignals[] = {15 /*SIGTERM*/, 2 /*SIGINT*/, 1 /*SIGHUP*/};

private:
    void Drain();

    bool installed_ = false;
    int readFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lintel
