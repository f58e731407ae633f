#include "app/DispatchPoint.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "platform/Cp932.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

int LoopLevel() {
    return QThread::currentThread()->loopLevel();
}

}  // namespace

TDispatchPoint::TDispatchPoint(QWidget& window) : QObject(&window), window_(window) {}

void TDispatchPoint::Dispatch(const std::function<void()>& command) {
    std::string error;
    try {
        command();
        return;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = cp932::Literal("不明なエラーが発生しました。");
    }
    // Ticks go on while an error box is open; a device that fails every tick must not
    // pile up boxes, so a second error waits on standard error instead.
    if (errorBoxesOpen_ > 0 || closedBySignal_) {
        ReportOnStandardError(error);
        return;
    }
    ++errorBoxesOpen_;
    try {
        ShowMessage(error);
    } catch (...) {
        ReportOnStandardError(error);
    }
    --errorBoxesOpen_;
}

void TDispatchPoint::ReportOnStandardError(const std::string& text) const {
    std::fprintf(stderr, "lintel: %s\n", cp932::ToUtf8(text).c_str());
    std::fflush(stderr);
}

void TDispatchPoint::ShowMessage(const std::string& text) {
    if (closedBySignal_) {
        ReportOnStandardError(text);
        return;
    }
    QMessageBox box(&window_);
    box.setWindowTitle(QStringLiteral("Lintel"));
    box.setIcon(QMessageBox::NoIcon);
    // Disc and track titles come from files: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(UnifyLineBreaks(FromCp932(text)));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void TDispatchPoint::MainLoopRunning() {
    baseLoopLevel_ = LoopLevel();
    running_ = true;
    if (closeRequested_)
        CloseWhenUnwound();
}

void TDispatchPoint::CloseWhenUnwound() {
    closeRequested_ = true;
    if (closed_ || !running_)
        return;  // MainLoopRunning() closes once the main loop runs
    if (LoopLevel() > baseLoopLevel_) {
        if (!closeRetryPending_) {
            closeRetryPending_ = true;
            QTimer::singleShot(20, this, [this] {
                closeRetryPending_ = false;
                CloseWhenUnwound();
            });
        }
        return;
    }
    window_.close();
}

void TDispatchPoint::CloseForSignal() {
    closedBySignal_ = true;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible())
            dialog->reject();
    }
    CloseWhenUnwound();
}

}  // namespace lintel
