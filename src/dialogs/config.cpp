#include "dialogs/config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <cstdio>

#include "dialogs/Help.h"
#include "dialogs/VolumePage.h"
#include "platform/Cp932.h"
#include "platform/DriveSet.h"
#include "settings/SettingsKeys.h"
#include "settings/StatusTexts.h"
#include "widgets/Accessible.h"
#include "widgets/ClrDropBtn.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

namespace lintel {
namespace {

QCheckBox* AddCheck(QWidget* parent, const char* captionUtf8, QRect place) {
    auto* box = new QCheckBox(Text(captionUtf8), parent);
    box->setGeometry(place);
    return box;
}

QLabel* AddLabel(QWidget* parent, const char* captionUtf8, QPoint place, QWidget* buddy) {
    auto* label = new QLabel(Text(captionUtf8), parent);
    label->move(place);
    label->adjustSize();
    label->setBuddy(buddy);
    return label;
}

QGroupBox* AddGroup(QWidget* parent, const char* captionUtf8, QRect place) {
    auto* group = new QGroupBox(Text(captionUtf8), parent);
    group->setGeometry(place);
    return group;
}

TRadioGroup* AddRadioGroup(QWidget* parent, const char* captionUtf8,
                           std::initializer_list<const char*> items, QRect place) {
    QStringList captions;
    for (const char* item : items) captions << Text(item);
    auto* group = new TRadioGroup(Text(captionUtf8), captions, parent);
    group->setGeometry(place);
    return group;
}

// A name pair: the edit box holds what is applied and stored, the list offers the
// installed faces.
QListWidget* AddFontList(QWidget* parent, QRect place, bool sorted) {
    auto* list = new QListWidget(parent);
    list->setGeometry(place);
    QStringList families = QFontDatabase::families();
    if (sorted)
        families.sort(Qt::CaseInsensitive);
    list->addItems(families);
    return list;
}

// The pair's edit box takes the list's line however it was chosen: a click, the arrow
// keys or type-ahead. The line Qt makes current without selecting it, when the list
// takes the focus, is no choice and leaves the typed name alone.
void PairFontList(QObject* owner, QListWidget* list, QLineEdit* edit) {
    QObject::connect(list, &QListWidget::itemClicked, owner,
                     [edit](QListWidgetItem* item) { edit->setText(item->text()); });
    QObject::connect(list, &QListWidget::itemSelectionChanged, owner, [list, edit] {
        const QList<QListWidgetItem*> chosen = list->selectedItems();
        if (!chosen.isEmpty())
            edit->setText(chosen.first()->text());
    });
}

void SelectFontLine(QListWidget& list, const QString& name) {
    const QList<QListWidgetItem*> found = list.findItems(name, Qt::MatchExactly);
    list.setCurrentItem(found.isEmpty() ? nullptr : found.first());
    if (found.isEmpty())
        list.clearSelection();
}

std::string Typed(const QLineEdit& edit) {
    return ToCp932(edit.text()).bytes;
}

std::string Typed(const QComboBox& box) {
    return ToCp932(box.currentText()).bytes;
}

// Without a system folder the custom colours have no file: they are kept in memory
// until the program ends, and never written.
TIniStore& SessionColorStore() {
    static TIniStore* const store = [] {
        std::fprintf(stderr,
                     "lintel: no system folder: the custom colours are kept only until the "
                     "program ends\n");
        return new TIniStore("");
    }();
    return *store;
}

// Tabs with narrow margins beside their captions, so all seven fit the dialog's width
// side by side.
class TCompactTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace)
            return 10;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

class TPageControl : public QTabWidget {
public:
    explicit TPageControl(QWidget* parent) : QTabWidget(parent) {
        auto* style = new TCompactTabStyle;
        style->setParent(tabBar());
        tabBar()->setStyle(style);
    }
};

}  // namespace

// ---- building the pages

TfrmConfig::TfrmConfig(TConfigHost& host, QWidget* owner) : QDialog(owner), host_(host) {
    setWindowTitle(Text("[設定]"));
    // A fixed dialog frame: a close box, neither minimise nor maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(394, 345);
    QFont font(ProportionalGothicName());
    font.setPixelSize(12);
    setFont(font);
    if (const std::string folder = host_.SystemFolder(); folder.empty()) {
        colorStore_ = &SessionColorStore();
    } else {
        ownColorStore_ = std::make_unique<TIniStore>(folder + "/li_clr.ini");
        colorStore_ = ownColorStore_.get();
    }

    pgcConfig = new TPageControl(this);
    pgcConfig->setGeometry(0, 0, 394, 313);
    pgcConfig->setUsesScrollButtons(false);
    tbsCn = new QWidget;
    tbsCn->setObjectName("tbsCn");
    BuildLabelPage(tbsCn, Cn, "Cn", "タイトル・アーティスト名を表示する(&V)");
    pgcConfig->addTab(tbsCn, Text("ﾀｲﾄﾙ・ｱｰﾃｨｽﾄ"));
    tbsTr = new QWidget;
    tbsTr->setObjectName("tbsTr");
    BuildLabelPage(tbsTr, Tr, "Tr", "トラック名を表示する(&V)");
    pgcConfig->addTab(tbsTr, Text("ﾄﾗｯｸ"));
    BuildTimeBarPage();
    BuildBackPage();
    BuildIndiPage();
    tbsVol = new TVolumePage(host_.Mixers(), nullptr);
    tbsVol->setObjectName("tbsVol");
    pgcConfig->addTab(tbsVol, Text("ボリューム"));
    BuildEtcPage();

    btnOK = new QPushButton(Text("OK"), this);
    btnOK->setGeometry(74, 318, 75, 23);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(Text("ｷｬﾝｾﾙ"), this);
    btnCancel->setGeometry(154, 318, 75, 23);
    btnReload = new QPushButton(Text("更新(&A)"), this);
    btnReload->setGeometry(234, 318, 75, 23);
    btnHelp = new QPushButton(Text("ﾍﾙﾌﾟ(&H)"), this);
    btnHelp->setGeometry(314, 318, 75, 23);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnReload, &QPushButton::clicked, this, [this] { btnReloadClick(); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });

    FormCreate();
}

TfrmConfig::~TfrmConfig() {
    // The buttons give their custom colours to the store as they go, so they go first;
    // then the store is written, once for the whole dialog.
    for (TColorDropButton* button : colorButtons_) delete button;
    if (!ownColorStore_)
        return;
    if (const Outcome written = ownColorStore_->UpdateFile(); !written.Ok()) {
        std::fprintf(stderr, "lintel: %s\n", FromCp932(written.Error()).toLocal8Bit().constData());
    }
}

void TfrmConfig::BuildLabelPage(QWidget* page, TLabelPage& p, const char* prefix,
                                const char* visibleCaption) {
    const QString pre = QString::fromLatin1(prefix);
    p.chbVisible = AddCheck(page, visibleCaption, {8, 8, 360, 17});
    p.chbUseBack = AddCheck(page, "文字の周りに色をつける(&G)", {8, 30, 190, 17});
    p.chbSpace = AddCheck(page, "後ろにスペース挿入(&N)", {200, 30, 176, 17});
    p.edtFontName = new QLineEdit(page);
    p.edtFontName->setGeometry(8, 72, 180, 20);
    // The disc name's list is sorted, the track name's keeps the system's order.
    p.lsbFontName = AddFontList(page, {8, 96, 180, 180}, pre == "Cn");
    p.lblFontName = AddLabel(page, "フォント名(&F)", {8, 56}, p.lsbFontName);
    NameAfterLabel(*p.lblFontName, {p.edtFontName, p.lsbFontName});
    p.sedFontSize = new TSpinEdit(1, 999, page);
    p.sedFontSize->setGeometry(200, 72, 64, 20);
    p.lblFontSize = AddLabel(page, "サイズ(&S)", {200, 56}, p.sedFontSize);
    QGroupBox* style = AddGroup(page, "形", {200, 100, 176, 48});
    style->setObjectName("grb" + pre + "FontStyle");
    p.chbBold = AddCheck(style, "太字(&B)", {10, 22, 76, 17});
    p.chbItalic = AddCheck(style, "斜体(&I)", {90, 22, 76, 17});
    QGroupBox* colors = AddGroup(page, "色", {200, 156, 176, 88});
    colors->setObjectName("grb" + pre + "FontColor");
    p.dcbFG = AddColorButton(colors, pre == "Cn" ? "dcbCnFG" : "dcbTrFG", {80, 22});
    p.lblclrFG = AddLabel(colors, "中心(&C)", {10, 26}, p.dcbFG);
    p.dcbBG = AddColorButton(colors, pre == "Cn" ? "dcbCnBG" : "dcbTrBG", {80, 54});
    p.lblclrBG = AddLabel(colors, "縁(&R)", {10, 58}, p.dcbBG);

    PairFontList(this, p.lsbFontName, p.edtFontName);
    connect(p.chbVisible, &QCheckBox::clicked, this, [this, &p] { EnableLabelPage(p); });
    connect(p.chbUseBack, &QCheckBox::clicked, this, [this, &p] { EnableBorderColor(p); });
}

TColorDropButton* TfrmConfig::AddColorButton(QWidget* parent, const char* name, QPoint place) {
    auto* button = new TColorDropButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->move(place);
    // After the name and the parent: the entry of its custom colours is made of them.
    button->SetCustomColorsStore(colorStore_);
    colorButtons_.push_back(button);
    return button;
}

void TfrmConfig::BuildTimeBarPage() {
    tbsTb = new QWidget;
    tbsTb->setObjectName("tbsTb");
    chbTbVisible = AddCheck(tbsTb, "タイムバーを表示する(&V)", {8, 8, 360, 17});
    edtTbFontName = new QLineEdit(tbsTb);
    edtTbFontName->setGeometry(8, 48, 180, 20);
    lsbTbFontName = AddFontList(tbsTb, {8, 72, 180, 204}, true);
    NameAfterLabel(*AddLabel(tbsTb, "フォント名(&F)", {8, 32}, lsbTbFontName),
                   {edtTbFontName, lsbTbFontName});
    sedTbFontSize = new TSpinEdit(tbsTb);
    sedTbFontSize->setGeometry(200, 48, 64, 20);
    AddLabel(tbsTb, "フォントサイズ(&S)", {200, 32}, sedTbFontSize);
    QGroupBox* style = AddGroup(tbsTb, "形", {200, 76, 176, 48});
    style->setObjectName("grbTbFontStyle");
    chbTbBold = AddCheck(style, "太字(&B)", {10, 22, 76, 17});
    chbTbItalic = AddCheck(style, "斜体(&I)", {90, 22, 76, 17});
    QGroupBox* colors = AddGroup(tbsTb, "色", {200, 130, 176, 88});
    colors->setObjectName("grbTbColor");
    dcbTbFG = AddColorButton(colors, "dcbTbFG", {80, 22});
    AddLabel(colors, "前(&C)", {10, 26}, dcbTbFG);
    dcbTbBG = AddColorButton(colors, "dcbTbBG", {80, 54});
    AddLabel(colors, "後ろ(&R)", {10, 58}, dcbTbBG);
    sedTbWidth = new TSpinEdit(0, 2000, tbsTb);
    sedTbWidth->setGeometry(296, 226, 64, 20);
    AddLabel(tbsTb, "バーの幅(&W)", {200, 229}, sedTbWidth);
    sedTbHeight = new TSpinEdit(0, 2000, tbsTb);
    sedTbHeight->setGeometry(296, 252, 64, 20);
    AddLabel(tbsTb, "バーの高さ(&H)", {200, 255}, sedTbHeight);
    PairFontList(this, lsbTbFontName, edtTbFontName);
    connect(chbTbVisible, &QCheckBox::clicked, this, [this] { chbTbVisibleClick(); });
    pgcConfig->addTab(tbsTb, Text("ﾀｲﾑﾊﾞｰ"));
}

void TfrmConfig::BuildBackPage() {
    tbsBk = new QWidget;
    tbsBk->setObjectName("tbsBk");
    rdgBack =
        AddRadioGroup(tbsBk, "背景(&B)", {"透明", "いつもの色", "下で設定する"}, {8, 8, 180, 96});
    dcbBkColor = AddColorButton(tbsBk, "dcbBkColor", {248, 20});
    // The background's palette offers the button face grey where the others have 191s.
    TColorArrayClass palette = dcbBkColor->PaletteColors();
    palette.Set(3, 1, 0xC0C0C0);
    dcbBkColor->SetPaletteColors(palette);
    AddLabel(tbsBk, "色(&C)", {200, 24}, dcbBkColor);
    pgcConfig->addTab(tbsBk, Text("背景"));
}

void TfrmConfig::BuildIndiPage() {
    tbsIndi = new QWidget;
    tbsIndi->setObjectName("tbsIndi");
    rdgOrder = AddRadioGroup(tbsIndi, "表示の順番(&O)",
                             {"一列でﾀｲﾄﾙ･ｱｰﾃｨｽﾄ名が先", "一列でﾄﾗｯｸ名が先",
                              "二列でﾀｲﾄﾙ･ｱｰﾃｨｽﾄ名が上", "二列でﾄﾗｯｸ名が上"},
                             {8, 8, 200, 112});
    rdgTbPos = AddRadioGroup(tbsIndi, "タイムバーの場所(&P)",
                             {"ウィンドウの右上", "タイトル名の後ろ", "トラック名の後ろ", "自由"},
                             {216, 8, 164, 112});
    rdgPosition = AddRadioGroup(tbsIndi, "ウィンドウの位置(&W)", {"上", "下"}, {8, 128, 200, 68});
    chbTopMost = AddCheck(tbsIndi, "常に前面に表示(&T)", {216, 136, 164, 17});
    // Loaded, previewed and stored like the others, but never offered.
    chbAutoHide = AddCheck(tbsIndi, "自動的に隠す(&U)", {216, 160, 164, 17});
    chbAutoHide->hide();
    pgcConfig->addTab(tbsIndi, Text("表示･場所"));
}

void TfrmConfig::BuildEtcPage() {
    tbsEtc = new QWidget;
    tbsEtc->setObjectName("tbsEtc");
    rdgVisiOpeType =
        AddRadioGroup(tbsEtc, "操作パネルの出現方法",
                      {"カーソルが上にあれば表示", "トラック名をクリックで表示"}, {8, 8, 260, 68});
    chbVisiOpe = AddCheck(tbsEtc, "再生時に自動的に操作パネル消去(&V)", {8, 84, 360, 17});
    chbAutoPlay = AddCheck(tbsEtc, "音楽ＣＤを入れたら自動再生(&P)", {8, 106, 360, 17});
    chbCDROMClose = AddCheck(tbsEtc, "ＣＤ-ＲＯＭを入れたら自動終了(&R)", {8, 128, 360, 17});
    chbResume = AddCheck(tbsEtc, "レジューム機能を使う(&S)", {8, 150, 360, 17});
    cmbDrive = new QComboBox(tbsEtc);
    cmbDrive->setEditable(true);
    cmbDrive->setGeometry(128, 180, 80, 20);
    AddLabel(tbsEtc, "CDのドライブ(&D)", {8, 183}, cmbDrive);
    cmbTimerInt = new QComboBox(tbsEtc);
    cmbTimerInt->setEditable(true);
    cmbTimerInt->addItems({"200", "500", "1000", "2000", "5000"});
    cmbTimerInt->setGeometry(128, 208, 80, 20);
    AddLabel(tbsEtc, "タイマーの間隔(&T)", {8, 211}, cmbTimerInt);
    AddLabel(tbsEtc, "ms", {214, 211}, nullptr);
    pgcConfig->addTab(tbsEtc, Text("その他"));
}

// ---- set-up

void TfrmConfig::FormCreate() {
    FillDriveList();
    tbsVol->SetUp();
}

void TfrmConfig::FillDriveList() {
    TIniStore& settings = host_.Settings();
    // Read with the marker of "no drive chosen yet", as disc detection reads it.
    const std::string& noDrive = DefaultText(TSetting::ConfigDrive, TReader::DiscDetection);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string name = DriveName(letter);
        if (host_.Drives().GetDriveType(name + "\\") != DRIVE_CDROM) {
            continue;
        }
        cmbDrive->addItem(QString::fromLatin1(name.c_str()));
        if (ReadString(settings, TSetting::ConfigDrive, TReader::DiscDetection) == noDrive) {
            WriteString(settings, TSetting::ConfigDrive, name);
        }
    }
}

void TfrmConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TfrmConfig::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
}

void TfrmConfig::FormShow() {
    pgcConfig->setCurrentIndex(0);
    LoadCnPage();
    LoadTrPage();
    LoadTbPage();
    LoadBkPage();
    LoadIndiPage();
    LoadEtcPage();
    // Taken here as well, in case the window manager never activates the dialog.
    FormActivate();
}

void TfrmConfig::FormActivate() {
    // Taken once: the dialog becomes active again after another program, the palette or
    // the colour dialog, and by then Apply may have written its preview, which Cancel
    // must not keep.
    if (backIndexTaken_)
        return;
    backIndexTaken_ = true;
    savedBackIndex_ = rdgBack->ItemIndex();
}

void TfrmConfig::LoadLabelPage(TLabelPage& p, const TLabelFontValues& v) {
    p.edtFontName->setText(FromCp932(v.name));
    SelectFontLine(*p.lsbFontName, p.edtFontName->text());
    p.dcbFG->SetColor(v.insideColor);
    p.dcbBG->SetColor(v.borderColor);
    p.sedFontSize->setValue(v.size);
    p.chbBold->setChecked(v.bold);
    p.chbItalic->setChecked(v.italic);
    p.chbVisible->setChecked(v.visible);
    EnableLabelPage(p);
    p.chbSpace->setChecked(v.space);
    p.chbUseBack->setChecked(v.useBack);
    EnableBorderColor(p);
}

void TfrmConfig::LoadCnPage() {
    LoadLabelPage(Cn, LoadLabelFont(host_.Settings(), DiscLabelKeys()));
}

void TfrmConfig::LoadTrPage() {
    LoadLabelPage(Tr, LoadLabelFont(host_.Settings(), TrackLabelKeys()));
}

void TfrmConfig::LoadTbPage() {
    const TTimeBarValues v = LoadTimeBar(host_.Settings());
    chbTbVisible->setChecked(v.visible);
    edtTbFontName->setText(FromCp932(v.fontName));
    SelectFontLine(*lsbTbFontName, edtTbFontName->text());
    sedTbFontSize->setValue(v.fontSize);
    chbTbBold->setChecked(v.bold);
    chbTbItalic->setChecked(v.italic);
    dcbTbFG->SetColor(v.foreColor);
    dcbTbBG->SetColor(v.backColor);
    sedTbWidth->setValue(v.width);
    sedTbHeight->setValue(v.height);
    chbTbVisibleClick();
}

void TfrmConfig::LoadBkPage() {
    const TBackValues v = LoadBack(host_.Settings());
    rdgBack->SetItemIndex(v.itemIndex);
    dcbBkColor->SetColor(v.color);
}

void TfrmConfig::LoadIndiPage() {
    const TPlacementValues v = LoadPlacement(host_.Settings(), host_.Bar().Edge());
    rdgPosition->SetItemIndex(v.position);
    rdgOrder->SetItemIndex(v.order);
    rdgTbPos->SetItemIndex(v.timeBarPosition);
    chbTopMost->setChecked(v.topMost);
    chbAutoHide->setChecked(v.autoHide);
}

void TfrmConfig::LoadEtcPage() {
    const TEtcValues v = LoadEtc(host_.Settings());
    chbVisiOpe->setChecked(v.visiOpe);
    rdgVisiOpeType->SetItemIndex(v.visiOpeType);
    chbAutoPlay->setChecked(v.autoPlay);
    chbCDROMClose->setChecked(v.cdromClose);
    chbResume->setChecked(v.resumption);
    cmbDrive->setCurrentText(FromCp932(v.drive));
    cmbTimerInt->setCurrentText(FromCp932(v.timerInt));
}

// ---- enabling rules

void TfrmConfig::EnableLabelPage(TLabelPage& p) {
    const bool on = p.chbVisible->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{p.chbSpace, p.chbUseBack, p.edtFontName, p.lsbFontName,
                                         p.dcbFG, p.dcbBG, p.sedFontSize, p.chbBold, p.chbItalic}) {
        w->setEnabled(on);
    }
}

void TfrmConfig::EnableBorderColor(TLabelPage& p) {
    p.dcbBG->setEnabled(p.chbUseBack->isChecked());
}

void TfrmConfig::chbCnVisibleClick() {
    EnableLabelPage(Cn);
}

void TfrmConfig::chbTrVisibleClick() {
    EnableLabelPage(Tr);
}

void TfrmConfig::chbCnUseBackClick() {
    EnableBorderColor(Cn);
}

void TfrmConfig::chbTrUseBackClick() {
    EnableBorderColor(Tr);
}

void TfrmConfig::chbTbVisibleClick() {
    const bool on = chbTbVisible->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{edtTbFontName, lsbTbFontName, sedTbFontSize,
                                                      chbTbBold, chbTbItalic, rdgTbPos, dcbTbFG,
                                                      dcbTbBG, sedTbWidth, sedTbHeight}) {
        w->setEnabled(on);
    }
}

// ---- the values, as OK stores them

TLabelFontValues TfrmConfig::LabelValues(const TLabelPage& p) const {
    TLabelFontValues v;
    v.name = Typed(*p.edtFontName);
    v.insideColor = p.dcbFG->Color();
    v.borderColor = p.dcbBG->Color();
    v.size = p.sedFontSize->Value();
    v.bold = p.chbBold->isChecked();
    v.italic = p.chbItalic->isChecked();
    v.visible = p.chbVisible->isChecked();
    v.space = p.chbSpace->isChecked();
    v.useBack = p.chbUseBack->isChecked();
    return v;
}

TTimeBarValues TfrmConfig::TimeBarValues() const {
    return {chbTbVisible->isChecked(), Typed(*edtTbFontName), sedTbFontSize->Value(),
            dcbTbFG->Color(),          dcbTbBG->Color(),      chbTbBold->isChecked(),
            chbTbItalic->isChecked(),  sedTbWidth->Value(),   sedTbHeight->Value()};
}

TBackValues TfrmConfig::BackValues() const {
    return {rdgBack->ItemIndex(), dcbBkColor->Color()};
}

TPlacementValues TfrmConfig::PlacementValues() const {
    return {rdgPosition->ItemIndex(), rdgOrder->ItemIndex(), rdgTbPos->ItemIndex(),
            chbTopMost->isChecked(), chbAutoHide->isChecked()};
}

TConfigValues TfrmConfig::Values() const {
    TConfigValues v;
    v.cdName = LabelValues(Cn);
    v.track = LabelValues(Tr);
    v.timeBar = TimeBarValues();
    v.back = BackValues();
    v.placement = PlacementValues();
    v.etc = {chbVisiOpe->isChecked(),    rdgVisiOpeType->ItemIndex(), chbAutoPlay->isChecked(),
             chbCDROMClose->isChecked(), chbResume->isChecked(),      Typed(*cmbDrive),
             Typed(*cmbTimerInt)};
    return v;
}

// ---- the command's life and Apply

bool TfrmConfig::Execute() {
    host_.SetConfigDialogOpen(true);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    const bool ok = exec() == QDialog::Accepted;
    TIniStore& settings = host_.Settings();
    if (ok) {
        SaveConfig(settings, Values());
    } else {
        // Apply may have written the background choice; it goes back to what was shown.
        WriteInteger(settings, TSetting::BackItemIndex, savedBackIndex_);
    }
    host_.SetConfigDialogOpen(false);
    return ok;
}

void TfrmConfig::done(int result) {
    if (result == QDialog::Accepted)
        KeepStorableFontNames();
    QDialog::done(result);
}

void TfrmConfig::KeepStorableFontNames() {
    // A name with characters code page 932 lacks would be stored as another name: the
    // stored one stays, and the user is told which characters could not be kept.
    TIniStore& settings = host_.Settings();
    const std::pair<QLineEdit*, std::string> names[] = {
        {Cn.edtFontName, ReadString(settings, DiscLabelKeys().name)},
        {Tr.edtFontName, ReadString(settings, TrackLabelKeys().name)},
        {edtTbFontName, ReadString(settings, TSetting::TbFontName)}};
    std::u32string lost;
    for (const auto& [edit, stored] : names) {
        const cp932::Encoded typed = ToCp932(edit->text());
        if (typed.Complete())
            continue;
        for (char32_t c : typed.unmapped) {
            if (lost.find(c) == std::u32string::npos)
                lost += c;
        }
        edit->setText(FromCp932(stored));
    }
    if (lost.empty())
        return;
    QStringList shown;
    for (char32_t c : lost) shown.push_back(QString::fromUcs4(&c, 1));
    QMessageBox box(QMessageBox::Warning, windowTitle(),
                    Text("次の文字はフォント名に保存できません。") + "\n\n" + shown.join(' '),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TfrmConfig::btnHelpClick() {
    if (THelp* help = host_.Help()) {
        (void)help->Show(kHelpSettings);
    }
}

void TfrmConfig::btnReloadClick() {
    PreviewTrack();
    PreviewCDName();
    PreviewTimeBar();
    PreviewBack();
    PreviewPlacement();
    PreviewTimer();
    host_.ReapplyEdge();
}

void TfrmConfig::PreviewOrder() {
    PreviewArrangement(host_.Bar(), rdgOrder->ItemIndex());
}

void TfrmConfig::PreviewTrack() {
    lintel::PreviewTrack(host_, LabelValues(Tr), rdgOrder->ItemIndex());
}

void TfrmConfig::PreviewCDName() {
    lintel::PreviewCDName(host_, LabelValues(Cn), rdgOrder->ItemIndex());
}

void TfrmConfig::PreviewTimeBar() {
    lintel::PreviewTimeBar(host_.Bar(), TimeBarValues());
}

void TfrmConfig::PreviewBack() {
    lintel::PreviewBack(host_.Settings(), host_, BackValues());
}

void TfrmConfig::PreviewPlacement() {
    lintel::PreviewPlacement(host_.Bar(), PlacementValues());
}

void TfrmConfig::PreviewTimer() {
    lintel::PreviewTimer(host_, Typed(*cmbTimerInt));
}

}  // namespace lintel
