// What a screen reader gets from the bar's own components: the outlined label reads as
// static text, the gauge as a progress bar, and a menu item that shows a mark as a check
// (or radio) item with its state. Qt's stock interfaces know none of these classes.
#pragma once

#include <initializer_list>

class QLabel;
class QString;
class QWidget;

namespace lintel {

/// Registers the interfaces above with Qt's accessibility, once per program; every
/// component calls it when it is built.
void InstallAccessibleInterfaces();

/// Tells assistive technology that the name and the text of `widget` went from
/// `before` to `after`: a name-changed and a text-changed event. Nothing when they are
/// equal.
void NotifyNameAndText(QWidget* widget, const QString& before, const QString& after);

/// Names `controls` after `label` for a screen reader, as its text stands now: a label is
/// the buddy of one control at most, and a list or an edit takes no name from it anyway.
void NameAfterLabel(const QLabel& label, std::initializer_list<QWidget*> controls);

}  // namespace lintel
