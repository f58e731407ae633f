#include "widgets/Accessible.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>

#include "widgets/AppBar.h"
#include "widgets/QtText.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TextGauges.h"

namespace lintel {
namespace {

/// A label's text for a reader: what it draws, as static text.
class TShadowLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TShadowLabelAccessible(TShadowLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? Spoken() : QAccessibleWidget::text(t);
    }

    // Read-only text without a caret or a selection.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return Spoken().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Spoken().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    QString Spoken() const { return static_cast<TShadowLabel*>(widget())->SpokenText(); }
};

/// The gauge as a progress bar named by its caption.
class TTextGaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TTextGaugeAccessible(TTextGauge* gauge)
        : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? FromCp932(Gauge().Text()) : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return Gauge().Progress() / Gauge().ValueScale(); }
    void setCurrentValue(const QVariant&) override {}  // shown, not set
    QVariant maximumValue() const override { return Gauge().MaxValue() / Gauge().ValueScale(); }
    QVariant minimumValue() const override { return Gauge().MinValue() / Gauge().ValueScale(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    const TTextGauge& Gauge() const { return *static_cast<TTextGauge*>(widget()); }
};

/// The menu an action stands in, or nullptr.
QMenu* MenuOf(const QAction* action) {
    for (QObject* o : action->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(o))
            return menu;
    }
    return nullptr;
}

/// A menu item that shows a mark. Qt reads every menu item as a plain one, so a check
/// mark could not be heard; this one is a check box (a radio button within an exclusive
/// group) that reports whether it is marked.
class TMarkedItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TMarkedItemAccessible(QAction* action, QMenu* menu) : action_(action), menu_(menu) {
        // A reader with the menu open hears the mark come and go.
        QObject::connect(action, &QAction::toggled, action, [action] {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(action, changed);
            QAccessible::updateAccessibility(&event);
        });
    }

    bool isValid() const override { return !action_.isNull() && !menu_.isNull(); }
    QObject* object() const override { return action_; }
    QWindow* window() const override { return menu_ ? menu_->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(menu_);
    }
    // A group item opens its submenu: that is its one child.
    int childCount() const override { return action_->menu() != nullptr ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && action_->menu() != nullptr
                   ? QAccessible::queryAccessibleInterface(action_->menu())
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && action_->menu() != nullptr && child->object() == action_->menu()
                   ? 0
                   : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return WithoutMnemonic(action_->text());
            case QAccessible::Accelerator:
                return action_->shortcut().toString(QKeySequence::NativeText);
            default:
                return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect place = menu_->actionGeometry(action_);
        return {menu_->mapToGlobal(place.topLeft()), place.size()};
    }
    QAccessible::Role role() const override {
        const QActionGroup* group = action_->actionGroup();
        return group != nullptr && group->isExclusive() ? QAccessible::RadioButton
                                                        : QAccessible::CheckBox;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.checkable = true;
        s.checked = action_->isChecked();
        s.disabled = !action_->isEnabled();
        s.invisible = !action_->isVisible() || !menu_->isVisible();
        s.focusable = true;
        s.focused = menu_->activeAction() == action_;
        s.hasPopup = action_->menu() != nullptr;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && action_->isEnabled())
            action_->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QAction> action_;
    QPointer<QMenu> menu_;
};

QAccessibleInterface* MakeInterface(const QString&, QObject* object) {
    // A frameless bar is still a window to whoever reads it, named by its title.
    if (auto* bar = dynamic_cast<TAppBar*>(object))
        return new QAccessibleWidget(bar, QAccessible::Window);
    if (auto* label = dynamic_cast<TShadowLabel*>(object))
        return new TShadowLabelAccessible(label);
    if (auto* gauge = dynamic_cast<TTextGauge*>(object))
        return new TTextGaugeAccessible(gauge);
    if (auto* action = qobject_cast<QAction*>(object); action != nullptr && action->isCheckable()) {
        if (QMenu* menu = MenuOf(action))
            return new TMarkedItemAccessible(action, menu);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(MakeInterface);
        return true;
    }();
    (void)installed;
}

void NotifyNameAndText(QWidget* widget, const QString& before, const QString& after) {
    if (before == after)
        return;
    QAccessibleEvent name(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&name);
    QAccessibleTextUpdateEvent text(widget, 0, before, after);
    QAccessible::updateAccessibility(&text);
}

void NameAfterLabel(const QLabel& label, std::initializer_list<QWidget*> controls) {
    for (QWidget* control : controls) control->setAccessibleName(WithoutMnemonic(label.text()));
}

}  // namespace lintel
