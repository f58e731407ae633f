// The bar's one dispatch point and the way its messages and its end go. An error a
// command raises is shown in a message box with its text and the program goes on; a
// second error while a box is open, and every message after a terminating signal, goes to
// standard error instead. The bar closes only once every loop nested in the main loop
// (message boxes, dialogs, menus) has ended.
#pragma once

#include <QObject>
#include <functional>
#include <string>

class QWidget;

namespace lintel {

class TDispatchPoint : public QObject {
public:
    /// Message boxes open over `window`, and the close closes it.
    explicit TDispatchPoint(QWidget& window);

    /// Runs `command`. An error it raises is shown and goes no further.
    void Dispatch(const std::function<void()>& command);
    /// Shows `text` (code page 932) in a message box with an OK button, or on standard
    /// error after a terminating signal.
    void ShowMessage(const std::string& text);
    /// Writes `text` (code page 932) on standard error as one line of the program's.
    void ReportOnStandardError(const std::string& text) const;

    /// Call from the main loop's first event: its level is the one a close waits for.
    void MainLoopRunning();
    /// Closes the window once every nested loop has ended; asked before the main loop
    /// runs, once it does.
    void CloseWhenUnwound();
    /// A terminating signal arrived: open menus and dialogs close, every message from now
    /// on goes to standard error, and the window closes.
    void CloseForSignal();
    /// The window closed: nothing is left to close.
    void SetClosed() { closed_ = true; }

    [[nodiscard]] bool Closed() const { return closed_; }
    [[nodiscard]] bool ClosedBySignal() const { return closedBySignal_; }

private:
    QWidget& window_;
    int errorBoxesOpen_ = 0;
    int baseLoopLevel_ = 0;
    bool running_ = false;
    bool closeRetryPending_ = false;
    bool closeRequested_ = false;
    bool closed_ = false;
    bool closedBySignal_ = false;
};

}  // namespace lintel
