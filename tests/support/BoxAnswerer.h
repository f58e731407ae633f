// Shared set-up of the bar window's and the dialogs' tests: a helper that answers the
// modal message boxes they open, keeping their texts, and a bounded wait on the loop.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

#include "support/QtApp.h"

namespace lintel::test {

/// Watches for modal message boxes while it lives. Each new box has its text recorded and
/// is then handed to `onBox`, which by default presses OK.
class BoxAnswerer {
public:
    BoxAnswerer() {
        App();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

    std::vector<QString> texts;
    /// Returns true when it closed the box.
    std::function<bool(QMessageBox&)> onBox = [](QMessageBox& box) {
        box.accept();
        return true;
    };

private:
    void Look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            current_ = nullptr;
            return;
        }
        if (box == current_)
            return;
        current_ = box;
        texts.push_back(box->text());
        if (onBox(*box))
            current_ = nullptr;  // the next box may reuse this one's address
    }

    QTimer timer_;
    QMessageBox* current_ = nullptr;
};

/// Runs the event loop until `done` holds or `limit` passes; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace lintel::test
