#include "dialogs/CDprg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <charconv>

#include "dialogs/Help.h"
#include "platform/Cp932.h"
#include "playback/BarEngine.h"
#include "playback/lintellib.h"
#include "titles/TitleRecords.h"
#include "widgets/Accessible.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

// A stored program entry as a track index below `trackCount`: decimal digits only.
std::optional<int> TrackIndex(const std::string& entry, int trackCount) {
    int value = 0;
    const char* end = entry.data() + entry.size();
    auto [stop, error] = std::from_chars(entry.data(), end, value);
    if (entry.empty() || error != std::errc() || stop != end || value < 0 || value >= trackCount) {
        return std::nullopt;
    }
    return value;
}

QPushButton* MakeButton(QWidget* parent, const char* captionUtf8, int left, int top, int width,
                        int height) {
    auto* button = new QPushButton(Text(captionUtf8), parent);
    button->setGeometry(left, top, width, height);
    button->setAutoDefault(false);
    return button;
}

QListWidget* MakeList(QWidget* parent, int left, int top, int width, int height) {
    auto* list = new QListWidget(parent);
    list->setGeometry(left, top, width, height);
    list->setFont(QFont(FixedGothicName(), 9));
    return list;
}

}  // namespace

// ---- the host over the engine ------------------------------------------------------------

TEnginePrgSetHost::TEnginePrgSetHost(TBarEngine& engine, std::function<bool()> repeatDown)
    : engine_(engine), repeatDown_(std::move(repeatDown)) {}

TStringList& TEnginePrgSetHost::PlayOrder() {
    return engine_.EditPlayOrder();
}

const TStringList& TEnginePrgSetHost::TitleLines() const {
    return engine_.TitleLines();
}

std::string TEnginePrgSetHost::DiscId() const {
    return engine_.DiscId();
}

TIniStore* TEnginePrgSetHost::Settings() {
    return engine_.Settings();
}

int TEnginePrgSetHost::TrackCount() {
    if (!engine_.CDcore().IsOpen()) {
        return 0;
    }
    return static_cast<int>(engine_.CDcore().QueryTrackCount());
}

bool TEnginePrgSetHost::RepeatDown() const {
    return repeatDown_ ? repeatDown_() : engine_.RepeatOn();
}

// ---- the dialog ----------------------------------------------------------------------------

TfrmPrgSet::TfrmPrgSet(TPrgSetHost& host, THelp* help, QWidget* owner)
    : QDialog(owner), host_(host), help_(help) {
    setWindowTitle(Text("プログラムプレイ"));
    setFont(QFont(ProportionalGothicName(), 9));
    setFixedSize(571, 309);

    rdgHowPlay = new QGroupBox(Text("演奏方法(&H)"), this);
    rdgHowPlay->setGeometry(8, 24, 153, 89);
    howPlayButtons_ = new QButtonGroup(this);
    const char* const modes[3] = {"一曲目から順に", "プログラムプレイ", "ランダムプレイ"};
    for (int i = 0; i < 3; ++i) {
        rdgHowPlayItems[i] = new QRadioButton(Text(modes[i]), rdgHowPlay);
        rdgHowPlayItems[i]->setGeometry(8, 18 + i * 22, 137, 20);
        howPlayButtons_->addButton(rdgHowPlayItems[i], i);
    }
    rdgHowPlayItems[kDiscOrder]->setChecked(true);
    connect(howPlayButtons_, &QButtonGroup::idClicked, this, [this](int) { rdgHowPlayClick(); });

    chbRepeat = new QCheckBox(Text("リピート(&R)"), this);
    chbRepeat->setGeometry(16, 152, 129, 17);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(176, 8, 385, 257);

    lsbAllTrack = MakeList(this, 184, 32, 260, 89);
    lblTrack = new QLabel(Text("(&V)"), this);
    lblTrack->move(192, 16);
    lblTrack->setBuddy(lsbAllTrack);
    lblTrack->adjustSize();
    NameAfterLabel(*lblTrack, {lsbAllTrack});
    connect(lsbAllTrack, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem*) { btnIncludeClick(); });

    btnInclude = MakeButton(this, "追加(&I) ->", 456, 32, 81, 25);
    btnIncAll = MakeButton(this, "全追加(&H) >>", 456, 64, 81, 25);
    connect(btnInclude, &QPushButton::clicked, this, [this] { btnIncludeClick(); });
    connect(btnIncAll, &QPushButton::clicked, this, [this] { btnIncAllClick(); });

    lsbPrg = MakeList(this, 285, 144, 260, 89);
    lblPrg = new QLabel(Text("再生の順序(&P)"), this);
    lblPrg->move(293, 128);
    lblPrg->setBuddy(lsbPrg);
    lblPrg->adjustSize();
    NameAfterLabel(*lblPrg, {lsbPrg});
    connect(lsbPrg, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem*) { btnExcludeClick(); });

    btnExcAll = MakeButton(this, "<< 全削除(&A)", 192, 144, 81, 25);
    btnExclude = MakeButton(this, "<- 削除(&E)", 192, 176, 81, 25);
    btnUp = MakeButton(this, "↑　上へ(&U)", 286, 232, 130, 25);
    btnDown = MakeButton(this, "↓　下へ(&D)", 415, 232, 130, 25);
    connect(btnExcAll, &QPushButton::clicked, this, [this] { btnExcAllClick(); });
    connect(btnExclude, &QPushButton::clicked, this, [this] { btnExcludeClick(); });
    connect(btnUp, &QPushButton::clicked, this, [this] { btnUpClick(); });
    connect(btnDown, &QPushButton::clicked, this, [this] { btnDownClick(); });

    OKBtn = MakeButton(this, "OK", 307, 281, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = MakeButton(this, "ｷｬﾝｾﾙ", 394, 281, 74, 25);
    HelpBtn = MakeButton(this, "ﾍﾙﾌﾟ", 481, 281, 74, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });

    rdgHowPlayClick();
}

bool TfrmPrgSet::ShowModal() {
    // The dialog is shown only modally, so each showing is one activation.
    FormActivate();
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    return exec() == QDialog::Accepted;
}

int TfrmPrgSet::PlayModeChoice() const {
    const int id = howPlayButtons_->checkedId();
    return id < 0 ? kDiscOrder : id;
}

void TfrmPrgSet::SetPlayModeChoice(int mode) {
    if (mode < kDiscOrder || mode > kRandom) {
        mode = kDiscOrder;
    }
    rdgHowPlayItems[mode]->setChecked(true);
    rdgHowPlayClick();
}

bool TfrmPrgSet::RepeatChecked() const {
    return chbRepeat->isChecked();
}

std::vector<bool> TfrmPrgSet::TrackSelection() const {
    std::vector<bool> selected;
    for (int i = 0; i < lsbAllTrack->count(); ++i) {
        selected.push_back(lsbAllTrack->item(i)->isSelected());
    }
    return selected;
}

void TfrmPrgSet::FormActivate() {
    chbRepeat->setChecked(host_.RepeatDown());
    const TStringList& lines = host_.TitleLines();
    lblTrack->setText(QStringLiteral("<") + ShownAsTyped(TitleLineValue(lines, "artist")) +
                      QStringLiteral("/") + ShownAsTyped(TitleLineValue(lines, "title")) +
                      QStringLiteral(">") + Text("(&V)"));
    lblTrack->adjustSize();
    NameAfterLabel(*lblTrack, {lsbAllTrack});
    lsbAllTrack->clear();
    for (const std::string& line : FillTrackList(lines, host_.TrackCount())) {
        lsbAllTrack->addItem(FromCp932(line));
    }
    LoadProgram();
    rdgHowPlayClick();
}

void TfrmPrgSet::LoadProgram() {
    lsbPrg->clear();
    TStringList& order = host_.PlayOrder();
    order.clear();
    TIniStore* store = host_.Settings();
    if (store == nullptr) {
        return;
    }
    TStringList stored;
    SplitQuoted(store->ReadString(host_.DiscId(), kOrderKey, ""), ' ', '\'', stored);
    const int tracks = lsbAllTrack->count();
    for (const std::string& entry : stored) {
        // An entry that names no track of this disc (an edited file, a disc whose track
        // count changed) is left out of both lists, so they stay in step.
        if (std::optional<int> k = TrackIndex(entry, tracks)) {
            order.push_back(std::to_string(*k));
            lsbPrg->addItem(lsbAllTrack->item(*k)->text());
        }
    }
}

void TfrmPrgSet::rdgHowPlayClick() {
    switch (PlayModeChoice()) {
        case kProgram:
            for (QListWidget* list : {lsbAllTrack, lsbPrg}) {
                if (list->selectionMode() != QAbstractItemView::SingleSelection) {
                    list->clearSelection();  // one line at a time from now on
                    list->setSelectionMode(QAbstractItemView::SingleSelection);
                }
            }
            SetListsEnabled(true, true);
            lblPrg->setText(Text("再生の順序(&P)"));
            NameAfterLabel(*lblPrg, {lsbPrg});
            break;
        case kRandom:
            lsbAllTrack->setSelectionMode(QAbstractItemView::MultiSelection);
            lsbPrg->setSelectionMode(QAbstractItemView::MultiSelection);
            SetListsEnabled(true, false);
            lblPrg->setText(Text("↑選択されている曲がランダムに使用されます"));
            NameAfterLabel(*lblPrg, {lsbPrg});
            // Every track is in; the user clicks away those to be left out.
            for (int i = lsbAllTrack->count() - 1; i >= 0; --i) {
                lsbAllTrack->item(i)->setSelected(true);
            }
            break;
        default:
            SetListsEnabled(false, false);
            lblPrg->setText(Text("再生の順序(&P)"));
            NameAfterLabel(*lblPrg, {lsbPrg});
            break;
    }
    lblPrg->adjustSize();
}

void TfrmPrgSet::SetListsEnabled(bool trackList, bool program) {
    lsbAllTrack->setEnabled(trackList);
    for (QWidget* control :
         std::initializer_list<QWidget*>{lsbPrg, btnInclude, btnIncAll, btnExclude, btnExcAll}) {
        control->setEnabled(program);
    }
    if (program) {
        SetButtons();
    }
}

void TfrmPrgSet::SetButtons() {
    const bool tracks = lsbAllTrack->count() > 0;
    const bool program = lsbPrg->count() > 0;
    btnInclude->setEnabled(tracks);
    btnIncAll->setEnabled(tracks);
    btnExclude->setEnabled(program);
    btnExcAll->setEnabled(program);
}

void TfrmPrgSet::MoveSelected(QListWidget* source) {
    TStringList& order = host_.PlayOrder();
    for (int i = 0; i < source->count(); ++i) {
        if (source->item(i)->isSelected()) {
            lsbPrg->addItem(source->item(i)->text());
            order.push_back(std::to_string(i));
        }
    }
}

void TfrmPrgSet::btnIncludeClick() {
    if (PlayModeChoice() != kProgram) {
        return;  // a double click while choosing tracks for random play
    }
    MoveSelected(lsbAllTrack);
    SetButtons();
}

void TfrmPrgSet::btnIncAllClick() {
    TStringList& order = host_.PlayOrder();
    for (int i = 0; i < lsbAllTrack->count(); ++i) {
        lsbPrg->addItem(lsbAllTrack->item(i)->text());
        order.push_back(std::to_string(i));
    }
    SetButtons();
}

void TfrmPrgSet::btnExcludeClick() {
    TStringList& order = host_.PlayOrder();
    for (int i = lsbPrg->count() - 1; i >= 0; --i) {
        if (lsbPrg->item(i)->isSelected()) {
            delete lsbPrg->takeItem(i);
            if (i < static_cast<int>(order.size())) {
                order.erase(order.begin() + i);
            }
        }
    }
    SetButtons();
}

void TfrmPrgSet::btnExcAllClick() {
    lsbPrg->clear();
    host_.PlayOrder().clear();
    SetButtons();
}

int TfrmPrgSet::SelectedProgramLine() const {
    for (int i = 0; i < lsbPrg->count(); ++i) {
        if (lsbPrg->item(i)->isSelected()) {
            return i;
        }
    }
    return -1;
}

void TfrmPrgSet::ExchangeProgramLines(int a, int b) {
    QListWidgetItem* first = lsbPrg->item(a);
    QListWidgetItem* second = lsbPrg->item(b);
    const QString text = first->text();
    first->setText(second->text());
    second->setText(text);
    TStringList& order = host_.PlayOrder();
    if (a < static_cast<int>(order.size()) && b < static_cast<int>(order.size())) {
        std::swap(order[static_cast<std::size_t>(a)], order[static_cast<std::size_t>(b)]);
    }
    lsbPrg->clearSelection();
    second->setSelected(true);
    lsbPrg->setCurrentItem(second, QItemSelectionModel::Select);
}

void TfrmPrgSet::btnUpClick() {
    const int s = SelectedProgramLine();
    if (s < 1) {
        return;
    }
    ExchangeProgramLines(s, s - 1);
}

void TfrmPrgSet::btnDownClick() {
    const int s = SelectedProgramLine();
    if (s < 0 || s >= lsbPrg->count() - 1) {
        return;
    }
    ExchangeProgramLines(s, s + 1);
}

void TfrmPrgSet::HelpBtnClick() {
    lastHelpError_.clear();
    if (help_ == nullptr) {
        return;
    }
    if (std::optional<std::string> error = help_->Show(kHelpProgram)) {
        lastHelpError_ = *error;
        QMessageBox::information(this, QStringLiteral("Lintel"),
                                 UnifyLineBreaks(FromCp932(*error)));
    }
}

}  // namespace lintel
