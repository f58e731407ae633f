#include "app/PanelKeys.h"

#include <QKeyEvent>
#include <QToolButton>

#include "app/OperationPanel.h"

namespace lintel {
namespace {

/// The panel's buttons that can take the focus now, in their order on the panel.
QList<QToolButton*> Reachable(const TOperationPanel& panel) {
    QList<QToolButton*> buttons = panel.findChildren<QToolButton*>();
    buttons.removeIf([&](QToolButton* b) { return !b->isVisibleTo(&panel) || !b->isEnabled(); });
    return buttons;
}

}  // namespace

TPanelKeys::TPanelKeys(QWidget& bar, TOperationPanel& panel, std::unique_ptr<TWindowFocus> focus)
    : QObject(&bar), bar_(bar), panel_(panel), focus_(std::move(focus)) {
    for (QToolButton* button : panel_.findChildren<QToolButton*>())
        button->installEventFilter(this);
    // Escape also where no button holds the focus: a pressed button may have hidden the panel.
    bar_.installEventFilter(this);
}

TPanelKeys::~TPanelKeys() = default;

void TPanelKeys::MoveToPanel() {
    if (focus_)
        previous_ = focus_->ActiveWindowBesides(static_cast<TBarId>(bar_.winId()));
    const QList<QToolButton*> buttons = Reachable(panel_);
    if (!buttons.isEmpty())
        buttons.front()->setFocus(Qt::TabFocusReason);
    bar_.raise();
    bar_.activateWindow();
    // The keyboard moved the focus, so its mark shows, also when the desktop activates the
    // bar only later.
    keyboardMove_ = true;
    MarkKeyboardFocus();
}

void TPanelKeys::MarkKeyboardFocus() {
    bar_.setAttribute(Qt::WA_KeyboardFocusChange);
    if (QWidget* focused = bar_.focusWidget())
        focused->update();
}

void TPanelKeys::LeavePanel() {
    if (QWidget* focused = bar_.focusWidget())
        focused->clearFocus();
    if (focus_ && previous_ != 0)
        focus_->Activate(previous_);
    previous_ = 0;
}

void TPanelKeys::Step(QToolButton* from, int step) {
    const QList<QToolButton*> buttons = Reachable(panel_);
    const auto n = buttons.size();
    if (n == 0)
        return;
    const auto here = buttons.indexOf(from);
    buttons[((here < 0 ? 0 : here) + step + n) % n]->setFocus(step > 0 ? Qt::TabFocusReason
                                                                       : Qt::BacktabFocusReason);
}

bool TPanelKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &bar_ && event->type() == QEvent::WindowActivate && keyboardMove_) {
        keyboardMove_ = false;
        MarkKeyboardFocus();
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        LeavePanel();
        return true;
    }
    auto* button = qobject_cast<QToolButton*>(watched);
    if (button == nullptr)
        return false;
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Space presses a button by itself; Enter does the same here.
            if (button->isEnabled())
                button->click();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Up:
            Step(button, -1);
            return true;
        case Qt::Key_Right:
        case Qt::Key_Down:
            Step(button, +1);
            return true;
        default:
            return false;
    }
}

}  // namespace lintel
