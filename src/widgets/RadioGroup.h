// A titled group of radio buttons with one chosen item or none, as the settings dialog's
// choices store them: the chosen item's index, -1 for none.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QRadioButton;

namespace lintel {

class TRadioGroup : public QGroupBox {
public:
    /// The items stand one below the other in the order given.
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    /// The chosen item, or -1 when none is.
    [[nodiscard]] int ItemIndex() const;
    /// Chooses item `index`. A value below 0 chooses none; one past the last item chooses
    /// the last, so a stored value out of range still shows a choice the user can see.
    void SetItemIndex(int index);
    [[nodiscard]] QRadioButton* Button(int index) const { return buttons_.at(index); }
    [[nodiscard]] int Count() const { return static_cast<int>(buttons_.size()); }

private:
    QButtonGroup* group_;
    std::vector<QRadioButton*> buttons_;
};

}  // namespace lintel
