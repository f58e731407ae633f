#include "dialogs/LookupResults.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "widgets/QtText.h"

namespace lintel {

TfrmLookupResults::TfrmLookupResults(const std::vector<FoundRelease>& releases, int trackCount,
                                     QWidget* owner)
    : QDialog(owner) {
    setWindowTitle(Text("[検索結果]"));
    lsvReleases = new QTreeWidget(this);
    lsvReleases->setRootIsDecorated(false);
    lsvReleases->setHeaderLabels(
        {Text("タイトル"), Text("アーティスト"), Text("年"), Text("国"), Text("曲数")});
    for (const FoundRelease& release : releases) {
        auto* item = new QTreeWidgetItem(
            lsvReleases,
            {QString::fromStdString(release.title), QString::fromStdString(release.artist),
             QString::fromStdString(release.year), QString::fromStdString(release.country),
             QString::number(release.trackCount)});
        if (release.trackCount != trackCount)
            item->setFlags(Qt::NoItemFlags);  // greyed, and neither selectable nor current
    }
    lsvReleases->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lsvReleases->setMinimumSize(520, 160);

    OKBtn = new QPushButton(Text("OK"), this);
    CancelBtn = new QPushButton(Text("ｷｬﾝｾﾙ"), this);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(lsvReleases, &QTreeWidget::itemSelectionChanged, this,
            [this] { OKBtn->setEnabled(Selected().has_value()); });
    connect(lsvReleases, &QTreeWidget::itemActivated, this, [this] {
        if (Selected())
            accept();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lsvReleases);
    layout->addLayout(buttons);

    OKBtn->setEnabled(false);
    for (int i = 0; i < lsvReleases->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lsvReleases->topLevelItem(i);
        if (item->flags() & Qt::ItemIsSelectable) {
            lsvReleases->setCurrentItem(item);
            break;
        }
    }
    lsvReleases->setFocus();
}

std::optional<int> TfrmLookupResults::Selected() const {
    const QList<QTreeWidgetItem*> selected = lsvReleases->selectedItems();
    if (selected.isEmpty() || !(selected.front()->flags() & Qt::ItemIsSelectable))
        return std::nullopt;
    return lsvReleases->indexOfTopLevelItem(selected.front());
}

std::optional<int> TfrmLookupResults::ShowModal() {
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Selected();
}

}  // namespace lintel
