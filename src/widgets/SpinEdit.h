// A whole-number field with arrows, as the settings dialog's number fields behave: a value
// beyond its bounds shows as the nearest bound, and text that is no whole number counts as
// the lower bound (0 for a field without bounds) instead of being refused while typed.
#pragma once

#include <QSpinBox>
#include <optional>

namespace lintel {

class TSpinEdit : public QSpinBox {
public:
    /// A field bounded to minValue..maxValue.
    TSpinEdit(int minValue, int maxValue, QWidget* parent = nullptr);
    /// A field without bounds.
    explicit TSpinEdit(QWidget* parent = nullptr);

    /// The value the text stands for now, whether or not the field has been left.
    [[nodiscard]] int Value() const;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;

private:
    [[nodiscard]] int ValueOf(const QString& text) const;

    bool bounded_;
};

}  // namespace lintel
