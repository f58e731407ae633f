#include "widgets/SpinEdit.h"

#include <climits>

namespace lintel {

TSpinEdit::TSpinEdit(int minValue, int maxValue, QWidget* parent)
    : QSpinBox(parent), bounded_(true) {
    setRange(minValue, maxValue);
}

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent), bounded_(false) {
    setRange(INT_MIN, INT_MAX);
}

int TSpinEdit::Value() const {
    return ValueOf(text());
}

QValidator::State TSpinEdit::validate(QString& /*input*/, int& /*pos*/) const {
    // Any text may be typed; what it counts as is decided when it is read.
    return QValidator::Acceptable;
}

int TSpinEdit::valueFromText(const QString& text) const {
    return ValueOf(text);
}

int TSpinEdit::ValueOf(const QString& text) const {
    bool whole = false;
    const qlonglong typed = text.trimmed().toLongLong(&whole);
    const int lower = bounded_ ? minimum() : 0;
    if (!whole) {
        return lower;
    }
    return static_cast<int>(std::clamp<qlonglong>(typed, minimum(), maximum()));
}

}  // namespace lintel
