#include "app/OperationPanel.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <QToolButton>

#include "dialogs/BarSettings.h"
#include "platform/Cp932.h"
#include "widgets/Bevelclk.h"
#include "widgets/Glyphs.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

/// A button of the panel: its place, picture, hint and command.
struct TButton {
    QToolButton* TOperationPanel::*field;
    int left;
    int width;
    TGlyph glyph;
    const char* hint;
    std::function<void()> TBarCommands::*command;
};

/// A flat button of the panel. The style draws no focus mark on a flat tool button, so a
/// keyboard user would not see where the focus is: this one draws the dotted frame of a
/// focused control inside its edge, once the keyboard moved the focus (a click that
/// activates the bar shows nothing new).
class TPanelButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        QToolButton::paintEvent(event);
        if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange))
            return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
};

}  // namespace

TOperationPanel::TOperationPanel(QWidget& bar, const TBarCommands& commands,
                                 std::function<TIniStore*()> settings)
    : QWidget(&bar), bar_(bar), settings_(std::move(settings)) {
    QPalette buttonFace = palette();
    buttonFace.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    setPalette(buttonFace);
    setGeometry(361, 2, kWidth, kHeight);
    setAutoFillBackground(true);

    bvlFrame_ = new TBevelclk(this);
    bvlFrame_->setGeometry(4, 0, 9, 18);
    bvlFrame_->SetShape(TBevelShape::bsFrame);
    bvlFrame_->SetStyle(TBevelStyle::bsRaised);
    bvlFrame_->SetHint(cp932::Literal("ドラッグでパネル移動。バブルクリックで列幅変更"));
    setAccessibleName(Text("操作パネル"));

    using P = TOperationPanel;
    using C = TBarCommands;
    // Eject and close tray share one place; the door state shows one of them.
    static const TButton kButtons[] = {
        {&P::sbtPlay_, 16, 35, TGlyph::Play, "再生", &C::sbtPlayClick},
        {&P::sbtPause_, 50, 18, TGlyph::Pause, "一時停止", &C::sbtPauseClick},
        {&P::sbtStop_, 67, 18, TGlyph::Stop, "停止", &C::sbtStopClick},
        {&P::sbtPrev_, 84, 18, TGlyph::Prev, "前曲", &C::sbtPrevClick},
        {&P::sbtNext_, 101, 20, TGlyph::Next, "次曲", &C::sbtNextClick},
        {&P::sbtEject_, 118, 18, TGlyph::Eject, "取り出し", &C::sbtEjectClick},
        {&P::sbtClose_, 118, 18, TGlyph::Close, "閉", &C::sbtCloseClick},
        {&P::sbtPrgSet_, 135, 35, TGlyph::Program, "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ", &C::sbtPrgSetClick},
        {&P::sbtRepeat_, 169, 18, TGlyph::Repeat, "リピート", &C::sbtRepeatClick},
        {&P::sbtCDEdit_, 185, 18, TGlyph::TitleEdit, "ﾀｲﾄﾙ編集", &C::sbtCDEditClick},
        {&P::sbtConfig_, 202, 18, TGlyph::Settings, "設定", &C::sbtConfigClick},
        {&P::sbtHelp_, 219, 18, TGlyph::Help, "ヘルプ", &C::sbtHelpClick},
        {&P::sbtExit_, 236, 18, TGlyph::Exit, "終了", &C::sbtExitClick},
    };
    for (const TButton& b : kButtons) {
        auto* button = new TPanelButton(this);
        button->setAutoRaise(true);
        // Reached with Tab once the bar is active; a click leaves the focus where it was.
        button->setFocusPolicy(Qt::TabFocus);
        button->setGeometry(b.left, 0, b.width, kHeight);
        button->setIcon(GlyphIcon(b.glyph));
        button->setIconSize(QSize(12, 12));
        button->setToolTip(Text(b.hint));
        button->setAccessibleName(Text(b.hint));
        if (const std::function<void()>& command = commands.*b.command)
            connect(button, &QToolButton::clicked, this, [command] { command(); });
        else
            button->setEnabled(false);
        this->*b.field = button;
    }
    sbtClose_->hide();
    // A latching button: its pressed state shows whether repeat is on.
    sbtRepeat_->setCheckable(true);

    installEventFilter(this);
    bvlFrame_->installEventFilter(this);
}

void TOperationPanel::SetShown(bool shown) {
    if (!shown)
        EndPanelDrag();
    setVisible(shown);
}

// ---- the buttons' states

void TOperationPanel::EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit) {
    for (QToolButton* b : {sbtPlay_, sbtStop_, sbtNext_, sbtPrev_, sbtRepeat_, sbtPrgSet_})
        b->setEnabled(transport == TTransportGroup::Enabled);
    for (QToolButton* b : {sbtPause_, sbtCDEdit_})
        b->setEnabled(pauseAndEdit == TPauseAndEdit::Enabled);
}

void TOperationPanel::EnableProgramSet(bool enabled) {
    sbtPrgSet_->setEnabled(enabled);
}

void TOperationPanel::SetDoorState(bool closed) {
    sbtEject_->setVisible(closed);
    sbtClose_->setVisible(!closed);
}

void TOperationPanel::SetRepeatState(bool on) {
    // The click itself toggles a checkable button; the player's word is what counts.
    sbtRepeat_->setChecked(on);
}

bool TOperationPanel::RepeatDown() const {
    return sbtRepeat_->isChecked();
}

// ---- the pointer over the bar

bool TOperationPanel::FollowsPointer() const {
    TIniStore* settings = settings_();
    return settings != nullptr && ReadInteger(*settings, TSetting::ConfigVisiOpeType) == 0;
}

bool TOperationPanel::Contains(const QObject* object) const {
    for (const QObject* o = object; o != nullptr; o = o->parent()) {
        if (o == this)
            return true;
    }
    return false;
}

void TOperationPanel::PointerEntered() {
    if (FollowsPointer())
        SetShown(true);
}

void TOperationPanel::PointerLeft(const QObject* from) {
    if (Contains(from)) {
        // Qt passes one leave up from the control to every window it leaves, all in one
        // go; the bar's own leave that follows belongs to this one and is ignored.
        leavingFromPanel_ = true;
        QTimer::singleShot(0, this, [this] { leavingFromPanel_ = false; });
        return;
    }
    if (from == &bar_ && leavingFromPanel_)
        return;
    // From one control to another, or back onto the bar's own surface, Qt reports no
    // enter for the bar: the pointer is still over the bar, so the panel stays.
    if (bar_.rect().contains(bar_.mapFromGlobal(QCursor::pos())))
        return;
    if (FollowsPointer())
        SetShown(false);
}

// ---- the drag

bool TOperationPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this || watched == bvlFrame_)
        return PanelMouse(event);
    return false;
}

bool TOperationPanel::PanelMouse(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    // A drag whose button is no longer held lost its release to someone else (a popup,
    // another grab); it ends here instead of going on from a stale press.
    if (dragButton_ != Qt::NoButton && !(mouse->buttons() & dragButton_) &&
        type != QEvent::MouseButtonRelease)
        EndPanelDrag();
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (dragButton_ == Qt::NoButton) {
                dragButton_ = mouse->button();
                dragStartPlace_ = pos();
                dragPressPoint_ = mouse->globalPosition().toPoint();
            }
            return true;
        case QEvent::MouseMove:
            if (dragButton_ != Qt::NoButton) {
                const QPoint now = mouse->globalPosition().toPoint();
                const TPoint place =
                    DragPanel({dragStartPlace_.x(), dragStartPlace_.y()},
                              {dragPressPoint_.x(), dragPressPoint_.y()}, {now.x(), now.y()},
                              bar_.width(), bar_.height(), width(), height());
                move(place.x, place.y);
            }
            return true;
        default:  // the release
            if (mouse->button() == dragButton_)
                EndPanelDrag();
            return true;
    }
}

void TOperationPanel::EndPanelDrag() {
    if (dragButton_ == Qt::NoButton)
        return;
    dragButton_ = Qt::NoButton;
    if (TIniStore* settings = settings_())
        SaveOperationPanelPlace(*settings, {x(), y()});
}

}  // namespace lintel
