#include "dialogs/CDedit.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "dialogs/Help.h"
#include "dialogs/KCDcfg.h"
#include "platform/Cp932.h"
#include "settings/SettingsKeys.h"
#include "titles/KnownCD.h"
#include "titles/TitleRecords.h"
#include "widgets/Accessible.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

constexpr const char* kTitleKey = "title";
constexpr const char* kArtistKey = "artist";

QLabel* AddLabel(QWidget* parent, const char* captionUtf8, QPoint place, QWidget* buddy) {
    auto* label = new QLabel(Text(captionUtf8), parent);
    label->move(place);
    label->setBuddy(buddy);
    return label;
}

QPushButton* AddButton(QWidget* parent, const char* captionUtf8, QRect place) {
    auto* button = new QPushButton(Text(captionUtf8), parent);
    button->setGeometry(place);
    // Enter belongs to the edits: no button may take it.
    button->setAutoDefault(false);
    return button;
}

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

TfrmCDEdit::TfrmCDEdit(TIniStore* settings, THelp* help, QWidget* owner)
    : QDialog(owner), settings_(settings), help_(help) {
    setWindowTitle(Text("タイトル編集"));
    setFixedSize(456, 257);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setGeometry(8, 8, 441, 201);

    QFont fixed(FixedGothicName());
    fixed.setPixelSize(12);
    edtTitle = new QLineEdit(this);
    edtTitle->setGeometry(96, 16, 345, 20);
    lblTitle = AddLabel(this, "タイトル(&T)", {28, 18}, edtTitle);
    edtArtist = new QLineEdit(this);
    edtArtist->setGeometry(96, 40, 345, 20);
    lblArtist = AddLabel(this, "ｱｰﾃｨｽﾄ(&A)", {28, 43}, edtArtist);
    lblArtist->resize(70, 14);
    lsbAllTrack = new QListWidget(this);
    lsbAllTrack->setGeometry(96, 64, 345, 89);
    lsbAllTrack->setSelectionMode(QAbstractItemView::SingleSelection);
    lblAllTrack = AddLabel(this, "全ﾄﾗｯｸ(&V)", {28, 64}, lsbAllTrack);
    NameAfterLabel(*lblAllTrack, {lsbAllTrack});
    btnReturn = AddButton(this, "登録", {96, 160, 49, 17});
    edtTrack = new QLineEdit(this);
    edtTrack->setGeometry(152, 160, 289, 20);
    lblTrack = AddLabel(this, "ﾄﾗｯｸ名(&K)", {28, 162}, edtTrack);
    Label1 = AddLabel(this, "リターンキー、登録ボタンを押すと、トラック名が登録されます。↑",
                      {40, 184}, nullptr);
    for (QWidget* w : {static_cast<QWidget*>(edtTitle), static_cast<QWidget*>(edtArtist),
                       static_cast<QWidget*>(edtTrack), static_cast<QWidget*>(lsbAllTrack)}) {
        w->setFont(fixed);
        QPalette black = w->palette();
        black.setColor(QPalette::Text, Qt::black);
        w->setPalette(black);
    }
    for (QLineEdit* edit : {edtTitle, edtArtist, edtTrack}) edit->installEventFilter(this);

    btnKCDConfig = AddButton(this, "KnownCDからの読み込み", {16, 224, 145, 25});
    OKBtn = AddButton(this, "OK", {213, 224, 75, 25});
    CancelBtn = AddButton(this, "ｷｬﾝｾﾙ", {292, 224, 75, 25});
    HelpBtn = AddButton(this, "ﾍﾙﾌﾟ(&H)", {370, 224, 75, 25});
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(btnKCDConfig, &QPushButton::clicked, this, [this] { btnKCDConfigClick(); });
    connect(btnReturn, &QPushButton::clicked, this, [this] { btnReturnClick(); });
    connect(lsbAllTrack, &QListWidget::itemClicked, this, [this] { lsbAllTrackClick(); });
    // Whatever moves the list's line (a click, the arrow keys, type-ahead, a drag), the
    // name field shows that line's track, so Enter or OK never stores a name under
    // another track than the one it was loaded from.
    connect(lsbAllTrack, &QListWidget::currentRowChanged, this,
            [this](int row) { LoadTrackName(row); });
    lsbAllTrack->installEventFilter(this);

    RunKnownCdDialog = [](TfrmKCDcfg& dialog) { return dialog.exec() == QDialog::Accepted; };
}

bool TfrmCDEdit::ShowModal(const TStringList& titleLines, int trackCount) {
    Load(titleLines, trackCount);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

void TfrmCDEdit::Load(const TStringList& titleLines, int trackCount) {
    titleLines_ = titleLines;
    trackCount_ = trackCount;
    FormShow();
}

// ---- the copy

void TfrmCDEdit::SetTyped(const std::string& key, const QString& text) {
    // Text as the field was loaded keeps its stored bytes: decoding and encoding again
    // would change bytes with two forms of one character, or lose undecodable ones.
    if (text == Value(key)) {
        unstorable_.erase(key);
        return;
    }
    const cp932::Encoded encoded = ToCp932(text);
    if (encoded.Complete()) {
        SetBytes(key, encoded.bytes);
        return;
    }
    QString storable;
    for (char32_t c : text.toStdU32String()) {
        if (encoded.unmapped.find(c) == std::u32string::npos)
            storable += QString::fromUcs4(&c, 1);
    }
    SetTitleLineValue(editLines_, key, ToCp932(storable).bytes);
    unstorable_[key] = encoded.unmapped;
}

void TfrmCDEdit::SetBytes(const std::string& key, const std::string& bytes) {
    SetTitleLineValue(editLines_, key, bytes);
    unstorable_.erase(key);
}

QString TfrmCDEdit::Value(const std::string& key) const {
    return FromCp932(TitleLineValue(editLines_, key));
}

QString TfrmCDEdit::UnstorableCharacters() const {
    std::u32string all;
    for (const auto& [key, characters] : unstorable_) {
        for (char32_t c : characters) {
            if (all.find(c) == std::u32string::npos)
                all += c;
        }
    }
    return QString::fromStdU32String(all);
}

// ---- handlers

void TfrmCDEdit::FormShow() {
    editLines_ = titleLines_;
    unstorable_.clear();
    ShowCopy();
}

void TfrmCDEdit::ShowCopy() {
    edtTitle->setText(Value(kTitleKey));
    edtArtist->setText(Value(kArtistKey));
    lsbAllTrack->clear();
    for (const std::string& item : FillTrackList(editLines_, trackCount_))
        lsbAllTrack->addItem(FromCp932(item));
    SelectTrack(0);
    edtTitle->setFocus();
}

void TfrmCDEdit::FormClose() {
    SetTyped(kTitleKey, edtTitle->text());
    SetTyped(kArtistKey, edtArtist->text());
    const int track = SelectedTrack();
    if (track >= 0)
        SetTyped(TrackKey(track), edtTrack->text());
}

void TfrmCDEdit::edtTitleReturn() {
    SetTyped(kTitleKey, edtTitle->text());
    edtArtist->setFocus();
}

void TfrmCDEdit::edtArtistReturn() {
    SetTyped(kArtistKey, edtArtist->text());
    edtTrack->setFocus();
}

void TfrmCDEdit::btnReturnClick() {
    const int track = SelectedTrack();
    if (track < 0)
        return;  // a disc without tracks has nothing to name
    SetTyped(TrackKey(track), edtTrack->text());
    RefreshTrackItem(track);
    SelectTrack(track + 1);
    // After a click on btnReturn as after Enter: typing replaces the next name.
    FocusTrackName();
}

void TfrmCDEdit::edtTrackStep(int step) {
    SelectTrack(SelectedTrack() + step);
}

void TfrmCDEdit::lsbAllTrackClick() {
    SelectTrack(SelectedTrack());
    FocusTrackName();
}

void TfrmCDEdit::FocusTrackName() {
    edtTrack->setFocus();
    edtTrack->selectAll();
}

void TfrmCDEdit::RefreshTrackItem(int index) {
    if (QListWidgetItem* item = lsbAllTrack->item(index))
        item->setText(FromCp932(TrackListItem(editLines_, index)));
}

void TfrmCDEdit::SelectTrack(int index) {
    if (index < 0 || index >= lsbAllTrack->count())
        index = 0;
    lsbAllTrack->setCurrentRow(index);
    // Loaded again when the line did not change: the typed name is dropped all the same.
    LoadTrackName(SelectedTrack());
}

void TfrmCDEdit::LoadTrackName(int index) {
    edtTrack->setText(index >= 0 ? Value(TrackKey(index)) : QString());
    edtTrack->selectAll();
}

int TfrmCDEdit::SelectedTrack() const {
    return lsbAllTrack->currentRow();
}

void TfrmCDEdit::HelpBtnClick() {
    if (help_ == nullptr)
        return;
    if (std::optional<std::string> error = help_->Show(kHelpTitles))
        ShowText(FromCp932(*error));
}

void TfrmCDEdit::btnKCDConfigClick() {
    TfrmKCDcfg dialog(settings_, help_, this);
    if (!RunKnownCdDialog(dialog))
        return;
    // A folder name with characters code page 932 lacks would come back as another
    // folder: the stored one stays, and the user is told.
    const cp932::Encoded folder = ToCp932(dialog.edtDataFolder->text());
    if (!folder.Complete())
        ShowText(Text("このフォルダ名は保存できません。"));
    else if (settings_ != nullptr)
        WriteString(*settings_, TSetting::KnownCDFolder, folder.bytes);
    const std::optional<TKnownCdDisc> disc = dialog.SelectedDisc();
    if (!disc)
        return;
    if (static_cast<int>(disc->tracks.size()) != lsbAllTrack->count()) {
        ShowText(Text("記録されている曲数が異なるため読み込めません"));
        return;
    }
    ImportKnownCD(*disc, dialog.chbRemark->isChecked());
}

void TfrmCDEdit::ImportKnownCD(const TKnownCdDisc& disc, bool withRemarks) {
    SetBytes(kTitleKey, disc.title);
    SetBytes(kArtistKey, disc.artist);
    for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
        const std::string key = TrackKey(static_cast<int>(i));
        SetBytes(key, disc.tracks[i].name);
        if (withRemarks)
            SetBytes(key, TitleLineValue(editLines_, key) + " / " + disc.tracks[i].remark);
    }
    ShowCopy();
}

void TfrmCDEdit::FillFound(const QString& title, const QString& artist, const QStringList& tracks) {
    for (int i = 0; i < tracks.size() && i < trackCount_; ++i) SetTyped(TrackKey(i), tracks[i]);
    ShowCopy();
    // The fields hold the text as typed; closing takes them into the copy again.
    edtTitle->setText(title);
    edtArtist->setText(artist);
    if (!tracks.isEmpty() && trackCount_ > 0) {
        edtTrack->setText(tracks.front());
        edtTrack->selectAll();
    }
}

// ---- keys and closing

bool TfrmCDEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnter(key)) {
        if (watched == lsbAllTrack)
            lsbAllTrackClick();
        else if (watched == edtTitle)
            edtTitleReturn();
        else if (watched == edtArtist)
            edtArtistReturn();
        else
            btnReturnClick();
        return true;
    }
    if (watched == edtTrack && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        edtTrackStep(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmCDEdit::done(int result) {
    FormClose();
    lastQuestion_.clear();
    const QString lost = UnstorableCharacters();
    if (result == QDialog::Accepted && !lost.isEmpty()) {
        QStringList shown;
        for (char32_t c : lost.toStdU32String()) shown.push_back(QString::fromUcs4(&c, 1));
        lastQuestion_ = Text("次の文字はタイトルデータに保存できません。") + "\n\n" +
                        shown.join(' ') + "\n\n" + Text("これらの文字を除いて保存しますか?");
        QMessageBox box(QMessageBox::Question, windowTitle(), lastQuestion_,
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::PlainText);
        if (box.exec() != QMessageBox::Yes)
            return;  // back to the dialog, the fields as typed
    }
    QDialog::done(result);
}

void TfrmCDEdit::ShowText(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace lintel
