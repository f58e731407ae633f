#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lintel {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        column->addWidget(button);
        buttons_.push_back(button);
    }
    column->addStretch();
}

int TRadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (buttons_.empty()) {
        return;
    }
    if (index < 0) {
        // An exclusive group keeps one button checked; none is only reached around it.
        group_->setExclusive(false);
        for (QRadioButton* button : buttons_) button->setChecked(false);
        group_->setExclusive(true);
        return;
    }
    buttons_[std::min<std::size_t>(index, buttons_.size() - 1)]->setChecked(true);
}

}  // namespace lintel
