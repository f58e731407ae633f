#include "dialogs/KCDcfg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "dialogs/Help.h"
#include "platform/Cp932.h"
#include "settings/SettingsKeys.h"
#include "widgets/Accessible.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

QPushButton* AddButton(QWidget* parent, const char* captionUtf8, QRect place) {
    auto* button = new QPushButton(Text(captionUtf8), parent);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmKCDcfg::TfrmKCDcfg(TIniStore* settings, THelp* help, QWidget* owner)
    : QDialog(owner), settings_(settings), help_(help), listedFolder_(QDir::currentPath()) {
    setWindowTitle(Text("KnownCDデータからの読み込み"));
    setFixedSize(610, 316);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(4, 8, 601, 257);

    lblDataFolder = new QLabel(Text("タイトルデータがあるフォルダ"), this);
    lblDataFolder->move(24, 24);
    edtDataFolder = new QLineEdit(this);
    edtDataFolder->setGeometry(80, 40, 385, 20);
    NameAfterLabel(*lblDataFolder, {edtDataFolder});
    bbtFolderSelect = AddButton(this, "フォルダの参照(&B)...", {472, 40, 121, 21});

    lsvCDData = new QTreeWidget(this);
    lsvCDData->setGeometry(24, 72, 577, 153);
    lsvCDData->setAccessibleName(Text("KnownCDデータ"));  // not drawn: for screen readers
    lsvCDData->setRootIsDecorated(false);
    lsvCDData->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvCDData->setHeaderLabels(
        {Text("ファイル名"), Text("タイトル"), Text("アーティスト"), Text("曲数")});
    QFont listFont(ProportionalGothicName());
    listFont.setPixelSize(12);
    lsvCDData->setFont(listFont);

    chbRemark = new QCheckBox(Text("備考のデータをトラック名の後ろに追加"), this);
    chbRemark->setGeometry(48, 232, 233, 17);

    OKBtn = AddButton(this, "OK", {318, 276, 75, 25});
    OKBtn->setDefault(true);
    CancelBtn = AddButton(this, "ｷｬﾝｾﾙ", {398, 276, 75, 25});
    HelpBtn = AddButton(this, "ﾍﾙﾌﾟ(&H)", {478, 276, 75, 25});
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(bbtFolderSelect, &QPushButton::clicked, this, [this] { bbtFolderSelectClick(); });

    PickFolder = [](QWidget* parent, const QString& current) {
        return QFileDialog::getExistingDirectory(parent, Text("KnownCDデータのフォルダ"), current);
    };
}

void TfrmKCDcfg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once the dialog is on the screen, so a message about unreadable files sits above it.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TfrmKCDcfg::FormShow() {
    if (settings_ != nullptr)
        edtDataFolder->setText(FromCp932(ReadString(*settings_, TSetting::KnownCDFolder)));
    ListKnownCDFolder();
}

void TfrmKCDcfg::ListKnownCDFolder() {
    if (!edtDataFolder->text().isEmpty())
        listedFolder_ = edtDataFolder->text();
    lastReadErrors_.clear();
    // A stored folder that is gone lists nothing; the user picks another.
    if (!QDir(listedFolder_).exists())
        return;
    QStringList unreadable;
    std::string folderError;
    const std::string folder = QFile::encodeName(listedFolder_).toStdString();
    for (const std::string& name : KnownCdIndexFiles(folder, folderError)) {
        const TKnownCdRead read = ReadKnownCdDisc(folder + "/" + name);
        if (!read.Ok()) {
            unreadable.push_back(FromCp932(read.error));
            continue;
        }
        auto* item = new QTreeWidgetItem(lsvCDData);
        item->setText(0, QFile::decodeName(QByteArray::fromStdString(name)));
        item->setText(1, FromCp932(read.disc.title));
        item->setText(2, FromCp932(read.disc.artist));
        item->setText(3, QString::number(read.disc.tracks.size()));
        discs_.push_back(read.disc);
    }
    if (!folderError.empty())
        unreadable.push_back(FromCp932(folderError));
    // The first three columns fit their contents, the track count its header.
    for (int column = 0; column < 4; ++column) lsvCDData->resizeColumnToContents(column);
    if (unreadable.isEmpty())
        return;
    lastReadErrors_ = Text("次のファイルを読み込めませんでした。") + "\n\n" + unreadable.join('\n');
    QMessageBox box(QMessageBox::Warning, windowTitle(), lastReadErrors_, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TfrmKCDcfg::bbtFolderSelectClick() {
    const QString chosen = PickFolder(this, edtDataFolder->text());
    if (!chosen.isEmpty())
        edtDataFolder->setText(chosen);
    lsvCDData->clear();
    discs_.clear();
    ListKnownCDFolder();
}

void TfrmKCDcfg::HelpBtnClick() {
    if (help_ == nullptr)
        return;
    if (std::optional<std::string> error = help_->Show(0)) {
        QMessageBox box(QMessageBox::NoIcon, windowTitle(), FromCp932(*error), QMessageBox::Ok,
                        this);
        box.exec();
    }
}

std::optional<TKnownCdDisc> TfrmKCDcfg::SelectedDisc() const {
    const QList<QTreeWidgetItem*> chosen = lsvCDData->selectedItems();
    if (chosen.size() != 1)
        return std::nullopt;
    const int row = lsvCDData->indexOfTopLevelItem(chosen.front());
    if (row < 0 || static_cast<std::size_t>(row) >= discs_.size())
        return std::nullopt;
    return discs_[static_cast<std::size_t>(row)];
}

}  // namespace lintel
