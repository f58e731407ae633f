// The operation panel from the keyboard. Once the bar is active, Tab and Shift+Tab (and
// the arrow keys) walk its buttons, Space and Enter press the focused one, and Escape
// hands the keyboard back to the window that had it before the bar took it.
#pragma once

#include <QObject>
#include <memory>

#include "shell/WindowFocus.h"

class QToolButton;
class QWidget;

namespace lintel {

class TOperationPanel;

class TPanelKeys : public QObject {
public:
    /// Watches the keys on `panel`'s buttons. `focus` is the desktop's focus, or nullptr
    /// where the program cannot ask for it: Escape then only leaves the panel.
    TPanelKeys(QWidget& bar, TOperationPanel& panel, std::unique_ptr<TWindowFocus> focus);
    ~TPanelKeys() override;
    TPanelKeys(const TPanelKeys&) = delete;
    TPanelKeys& operator=(const TPanelKeys&) = delete;

    /// Activates the bar and puts the focus on the panel's first button that can take it,
    /// remembering the window that was active. The panel must be shown already.
    void MoveToPanel();
    /// Leaves the panel and gives the keyboard back to the remembered window.
    void LeavePanel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Moves the focus `step` buttons along the panel, round at its ends.
    void Step(QToolButton* from, int step);
    /// Shows the focus mark, as after a move by the keyboard.
    void MarkKeyboardFocus();

    QWidget& bar_;
    TOperationPanel& panel_;
    std::unique_ptr<TWindowFocus> focus_;
    TBarId previous_ = 0;
    // The bar was asked to activate for the keyboard and has not been activated yet.
    bool keyboardMove_ = false;
};

}  // namespace lintel
