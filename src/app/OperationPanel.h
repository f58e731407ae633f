// pnlOperation, the bar's operation panel: a grip (bvlFrame) and one flat button per
// command on the button face. The panel's surface and its grip drag it about inside the
// bar with any button; where a drag leaves it is stored. In panel mode 0 it shows only
// while the pointer is over the bar.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>

#include "app/BarCommands.h"

class QToolButton;

namespace lintel {

class TBevelclk;
class TIniStore;

class TOperationPanel : public QWidget {
public:
    /// The panel's size as designed.
    static constexpr int kWidth = 258;
    static constexpr int kHeight = 18;

    /// Builds the panel on `bar` with a button per command of `commands`; a command
    /// without a callback gives a disabled button. `settings` gives the settings store, or
    /// nullptr while there is none: the panel mode is read from it at every pointer
    /// notification, and a drag's end is stored in it.
    TOperationPanel(QWidget& bar, const TBarCommands& commands,
                    std::function<TIniStore*()> settings);

    /// Shows or hides the panel. A panel hidden mid-drag would never see its release, so
    /// the drag ends first.
    void SetShown(bool shown);
    /// Ends a running drag, storing where the panel stands; nothing when none runs.
    void EndPanelDrag();

    // ---- the pointer over the bar (panel mode 0)
    /// The pointer entered the bar or one of its controls.
    void PointerEntered();
    /// The pointer left `from`: the bar or one of its controls.
    void PointerLeft(const QObject* from);

    // ---- the buttons' states
    void EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit);
    void EnableProgramSet(bool enabled);
    /// Eject shows while the tray is closed, close tray while it is open, in one place.
    void SetDoorState(bool closed);
    /// The latch of the repeat button.
    void SetRepeatState(bool on);
    [[nodiscard]] bool RepeatDown() const;

    // ---- the controls
    [[nodiscard]] TBevelclk* bvlFrame() const { return bvlFrame_; }
    [[nodiscard]] QToolButton* sbtPlay() const { return sbtPlay_; }
    [[nodiscard]] QToolButton* sbtPause() const { return sbtPause_; }
    [[nodiscard]] QToolButton* sbtStop() const { return sbtStop_; }
    [[nodiscard]] QToolButton* sbtPrev() const { return sbtPrev_; }
    [[nodiscard]] QToolButton* sbtNext() const { return sbtNext_; }
    [[nodiscard]] QToolButton* sbtEject() const { return sbtEject_; }
    [[nodiscard]] QToolButton* sbtClose() const { return sbtClose_; }
    [[nodiscard]] QToolButton* sbtRepeat() const { return sbtRepeat_; }
    [[nodiscard]] QToolButton* sbtPrgSet() const { return sbtPrgSet_; }
    [[nodiscard]] QToolButton* sbtCDEdit() const { return sbtCDEdit_; }
    [[nodiscard]] QToolButton* sbtConfig() const { return sbtConfig_; }
    [[nodiscard]] QToolButton* sbtHelp() const { return sbtHelp_; }
    [[nodiscard]] QToolButton* sbtExit() const { return sbtExit_; }

protected:
    /// Mouse presses, moves and releases on the panel's own surface and its grip.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool PanelMouse(QEvent* event);
    /// Panel mode 0: the panel shows while the pointer is over the bar.
    [[nodiscard]] bool FollowsPointer() const;
    [[nodiscard]] bool Contains(const QObject* object) const;

    QWidget& bar_;
    std::function<TIniStore*()> settings_;
    TBevelclk* bvlFrame_ = nullptr;
    QToolButton* sbtPlay_ = nullptr;
    QToolButton* sbtPause_ = nullptr;
    QToolButton* sbtStop_ = nullptr;
    QToolButton* sbtPrev_ = nullptr;
    QToolButton* sbtNext_ = nullptr;
    QToolButton* sbtEject_ = nullptr;
    QToolButton* sbtClose_ = nullptr;
    QToolButton* sbtRepeat_ = nullptr;
    QToolButton* sbtPrgSet_ = nullptr;
    QToolButton* sbtCDEdit_ = nullptr;
    QToolButton* sbtConfig_ = nullptr;
    QToolButton* sbtHelp_ = nullptr;
    QToolButton* sbtExit_ = nullptr;
    // The drag: the button that holds it (none while no drag runs), where the panel stood
    // and where the pointer was pressed, on the screen.
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPoint dragStartPlace_;
    QPoint dragPressPoint_;
    // Set while one leave notification passes from the panel up to the bar window.
    bool leavingFromPanel_ = false;
};

}  // namespace lintel
