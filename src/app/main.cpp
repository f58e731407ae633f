#include "app/main.h"

#include <signal.h>

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QThread>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <cstdio>

#include "app/Backdrop.h"
#include "app/CDprg.h"
#include "app/SignalWake.h"
#include "app/TaskbarHint.h"
#include "app/TrackMenus.h"
#include "platform/Cp932.h"
#include "shell/SimulatedAppBarShell.h"
#include "widgets/About.h"
#include "widgets/Bevelclk.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TextGauges.h"
#include "widgets/TrayIcon.h"

namespace lintel {

namespace {

QString Text(const char* utf8) {
    return FromCp932(cp932::Literal(utf8));
}

int LoopLevel() {
    return QThread::currentThread()->loopLevel();
}

void SetUpLabel(TShadowLabel& label, int left, int top) {
    // White text in a black outline of one pixel, over whatever lies behind the bar.
    label.SetShowAccelChar(false);
    label.SetTransparent(true);
    label.SetFontColor(clWhite);
    label.Shadow().SetColor(clBlack);
    label.Shadow().SetOffsetLeft(1);
    label.Shadow().SetOffsetTop(1);
    label.Highlight().SetColor(clBlack);
    label.Highlight().SetOffsetLeft(-1);
    label.Highlight().SetOffsetTop(-1);
    QFont font(ProportionalGothicName());
    font.setPixelSize(12);
    label.setFont(font);
    label.SetAutoSize(true);
    label.move(left, top);
}

}  // namespace

TAppBarShellHolder::TAppBarShellHolder(TAppBarShell* given) : shell_(given) {
    if (shell_ != nullptr)
        return;
    const QScreen* s = QGuiApplication::primaryScreen();
    const QRect g = s ? s->geometry() : QRect(0, 0, 1024, 768);
    auto standIn = std::make_unique<TSimulatedAppBarShell>(g.width(), g.height());
    // Without a real service the window simply goes to its place.
    standIn->SetDragFullWindows(false);
    shell_ = standIn.get();
    standIn_ = std::move(standIn);
}

TfrmMain::TfrmMain(TDriveTable& drives, const TStartupPaths& paths, TBarDesktop desktop)
    : TAppBarShellHolder(desktop.appBarShell),
      TAppBar(HeldShell()),
      engine_(*this, drives),
      help_(helpOpener_, THelp::DefaultFolder()) {
    setWindowTitle(QStringLiteral("Lintel"));
    resize(kBarWidth, kBarHeight);
    SetHorzDockSize(kBarHeight);
    // Docked at the top or the bottom only, never floating, and no user sizing.
    SetFlags(AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom));
    SetVertSizeInc(0);
    // The bar paints its whole background itself (its colour or the desktop behind it).
    setAttribute(Qt::WA_OpaquePaintEvent);
    // With a compositing manager the desktop really shows through; this has to be
    // decided before the window exists.
    translucent_ = CompositingActive();
    if (translucent_)
        setAttribute(Qt::WA_TranslucentBackground);
    BuildControls();
    BuildMenusAndDialogs();
    if (desktop.trayHost != nullptr) {
        // A notification area that refuses the icon is reported; the bar goes on.
        Dispatch([&] { BuildTrayIcon(*desktop.trayHost); });
    }
    KeepOutOfTaskbar(*this);

    // Installed before the engine starts, so a signal during a start-up message closes
    // that message instead of killing the program half-way.
    signalWake_ = new TSignalWake(this);
    signalWake_->OnSignal = [this](int signo) { SignalArrived(signo); };

    backdropTimer_.setInterval(500);
    connect(&backdropTimer_, &QTimer::timeout, this, [this] { CheckBackdropPlace(); });

    timer1_.setTimerType(Qt::CoarseTimer);
    // Queued, so a tick runs from the event loop and not inside the timer's own call: Qt
    // holds back a timer whose previous call has not returned, and a tick can open a
    // message box (the resume message) during which the ticks must go on.
    connect(
        &timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); }, Qt::QueuedConnection);

    Dispatch([&] { engine_.FormCreate(paths); });
}

TfrmMain::~TfrmMain() {
    delete signalWake_;
    signalWake_ = nullptr;
    timer1_.stop();
    if (!destroyed_) {
        destroyed_ = true;
        try {
            if (auto error = engine_.FormDestroy())
                ReportOnStandardError(*error);
        } catch (const std::exception& e) {
            ReportOnStandardError(e.what());
        }
    }
    backdropTimer_.stop();
}

void TfrmMain::BuildMenusAndDialogs() {
    OnHelp = [this] {
        if (auto error = help_.Show(kHelpBar))
            ShowMessage(*error);
    };
    TMenuHandlers h;
    h.sbtPlayClick = [this] { sbtPlayClick(); };
    h.sbtPauseClick = [this] { sbtPauseClick(); };
    h.sbtStopClick = [this] { sbtStopClick(); };
    h.sbtPrevClick = [this] { sbtPrevClick(); };
    h.sbtNextClick = [this] { sbtNextClick(); };
    h.sbtEjectClick = [this] { sbtEjectClick(); };
    h.sbtCloseClick = [this] { sbtCloseClick(); };
    h.sbtRepeatClick = [this] { sbtRepeatClick(); };
    h.sbtPrgSetClick = [this] { sbtPrgSetClick(); };
    h.pmnOpePanelClick = [this] { pmnOpePanelClick(); };
    h.sbtHelpClick = [this] { sbtHelpClick(); };
    h.pmnAboutClick = [this] { pmnAboutClick(); };
    h.sbtExitClick = [this] { sbtExitClick(); };
    h.TrackMenuItemClick = [this](int tag) {
        Dispatch([this, tag] { engine_.TrackMenuItemClick(tag); });
    };
    menus_ = std::make_unique<TTrackMenus>(this, std::move(h));
    menus_->SetOpePanelChecked(opePanelChecked_);

    // Kept for the whole run: random play reads the dialog's track selection.
    prgSetHost_ =
        std::make_unique<TEnginePrgSetHost>(engine_, [this] { return sbtRepeat_->isChecked(); });
    frmPrgSet_ = std::make_unique<TfrmPrgSet>(*prgSetHost_, &help_, this);
}

void TfrmMain::BuildTrayIcon(TNotifyIconHost& host) {
    trayIcon_ = std::make_unique<TTrayIcon>(host, this);
    trayIcon_->BeginLoading();
    trayIcon_->SetIcon(ProgramIcon());
    trayIcon_->SetTipHelp("Lintel");
    trayIcon_->SetLBPopupMenu(menus_->ppmLeft());
    trayIcon_->SetRBPopupMenu(menus_->ppmRight());
    trayIcon_->SetVisible(true);
    trayIcon_->Loaded();
}

void TfrmMain::BuildControls() {
    slbCDName_ = new TShadowLabel(this);
    SetUpLabel(*slbCDName_, 8, 4);
    slbTrack_ = new TShadowLabel(this);
    SetUpLabel(*slbTrack_, 184, 4);

    gagTrTime_ = new TTextGauge(this);
    gagTrTime_->setGeometry(480, 4, 144, 12);
    gagTrTime_->SetText("0:00/0:00");
    gagTrTime_->SetForeColor(clLime);
    gagTrTime_->SetBackColor(clGreen);
    gagTrTime_->SetBorderStyle(TBorderStyle::bsNone);

    pnlOperation_ = new QWidget(this);
    QPalette buttonFace = pnlOperation_->palette();
    buttonFace.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    pnlOperation_->setPalette(buttonFace);
    pnlOperation_->setGeometry(361, 2, 258, 18);
    pnlOperation_->setAutoFillBackground(true);

    bvlFrame_ = new TBevelclk(pnlOperation_);
    bvlFrame_->setGeometry(4, 0, 9, 18);
    bvlFrame_->SetShape(TBevelShape::bsFrame);
    bvlFrame_->SetStyle(TBevelStyle::bsRaised);
    bvlFrame_->SetHint(cp932::Literal("ドラッグでパネル移動。バブルクリックで列幅変更"));

    sbtPlay_ = AddButton(16, 35, TGlyph::Play, "再生", &TfrmMain::sbtPlayClick);
    sbtPause_ = AddButton(50, 18, TGlyph::Pause, "一時停止", &TfrmMain::sbtPauseClick);
    sbtStop_ = AddButton(67, 18, TGlyph::Stop, "停止", &TfrmMain::sbtStopClick);
    sbtPrev_ = AddButton(84, 18, TGlyph::Prev, "前曲", &TfrmMain::sbtPrevClick);
    sbtNext_ = AddButton(101, 20, TGlyph::Next, "次曲", &TfrmMain::sbtNextClick);
    sbtEject_ = AddButton(118, 18, TGlyph::Eject, "取り出し", &TfrmMain::sbtEjectClick);
    // Eject and close tray share one place; the door state shows one of them.
    sbtClose_ = AddButton(118, 18, TGlyph::Close, "閉", &TfrmMain::sbtCloseClick);
    sbtClose_->hide();
    // A latching button: its pressed state shows whether repeat is on.
    sbtPrgSet_ = AddButton(135, 35, TGlyph::Program, "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ", &TfrmMain::sbtPrgSetClick);
    // A latching button: its pressed state shows whether repeat is on.
    sbtRepeat_ = AddButton(169, 18, TGlyph::Repeat, "リピート", &TfrmMain::sbtRepeatClick);
    sbtRepeat_->setCheckable(true);
    // The title editor and the settings dialog are not part of the bar yet.
    sbtCDEdit_ = AddButton(185, 18, TGlyph::TitleEdit, "ﾀｲﾄﾙ編集", nullptr);
    sbtCDEdit_->setEnabled(false);
    sbtConfig_ = AddButton(202, 18, TGlyph::Settings, "設定", nullptr);
    sbtConfig_->setEnabled(false);
    sbtHelp_ = AddButton(219, 18, TGlyph::Help, "ヘルプ", &TfrmMain::sbtHelpClick);
    sbtExit_ = AddButton(236, 18, TGlyph::Exit, "終了", &TfrmMain::sbtExitClick);

    // Labels and gauge toggle the panel; the panel's surface and its grip drag it. Every
    // control reports the pointer entering and leaving.
    for (QWidget* w :
         {static_cast<QWidget*>(slbCDName_), static_cast<QWidget*>(slbTrack_),
          static_cast<QWidget*>(gagTrTime_), pnlOperation_, static_cast<QWidget*>(bvlFrame_)})
        w->installEventFilter(this);
    for (QToolButton* b : pnlOperation_->findChildren<QToolButton*>()) b->installEventFilter(this);
}

QToolButton* TfrmMain::AddButton(int left, int width, TGlyph glyph, const char* hintUtf8,
                                 void (TfrmMain::*click)()) {
    auto* button = new QToolButton(pnlOperation_);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(left, 0, width, 18);
    button->setIcon(GlyphIcon(glyph));
    button->setIconSize(QSize(12, 12));
    button->setToolTip(Text(hintUtf8));
    if (click != nullptr)
        connect(button, &QToolButton::clicked, this, [this, click] { (this->*click)(); });
    return button;
}

// ---- start and end

void TfrmMain::Startup() {
    ReapplyEdge();
    show();
    backdropTimer_.start();
    Dispatch([this] {
        engine_.FormShow();
        // The panel goes where the user last dragged it; by default the bottom right.
        if (TIniStore* settings = engine_.Settings())
            PlaceOperationPanel(*settings, *this);
    });
    startupComplete_ = true;
    UpdateTimer();
    // The first event the main loop delivers marks its level: a close waits until every
    // loop nested above it (message boxes, dialogs, menus) has ended.
    QTimer::singleShot(0, this, [this] {
        baseLoopLevel_ = LoopLevel();
        running_ = true;
        if (closeRequested_)
            CloseWhenUnwound();
    });
}

int TfrmMain::FormDestroy() {
    if (destroyed_)
        return 0;
    destroyed_ = true;
    timer1_.stop();
    std::optional<std::string> error;
    try {
        error = engine_.FormDestroy();
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!error)
        return 0;
    if (closedBySignal_)
        ReportOnStandardError(*error);
    else
        ShowMessage(*error);
    return 1;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        timer1_.stop();
        Dispatch([this] { engine_.FormClose(); });
        // The closing saves read the edge; then the strip is given back while the window
        // is still the one the desktop-toolbar service knows.
        backdropTimer_.stop();
        TAppBar::SetEdge(abeUnknown);
    }
    event->accept();
    QCoreApplication::quit();
}

void TfrmMain::CloseBar() {
    CloseWhenUnwound();
}

void TfrmMain::CloseWhenUnwound() {
    closeRequested_ = true;
    if (closed_ || !running_)
        return;  // Startup() closes once the main loop runs
    if (LoopLevel() > baseLoopLevel_) {
        if (!closeRetryPending_) {
            closeRetryPending_ = true;
            QTimer::singleShot(20, this, [this] {
                closeRetryPending_ = false;
                CloseWhenUnwound();
            });
        }
        return;
    }
    close();
}

void TfrmMain::SignalArrived(int signo) {
    if (!closed_ && engine_.Settings() == nullptr) {
        // Nothing may be written before the store exists: end of the signal, as if it had
        // not been caught.
        ::signal(signo, SIG_DFL);
        ::raise(signo);
        return;
    }
    closedBySignal_ = true;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible())
            dialog->reject();
    }
    CloseWhenUnwound();
}

// ---- the one dispatch point

void TfrmMain::Dispatch(const std::function<void()>& command) {
    std::string error;
    try {
        command();
        return;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = cp932::Literal("不明なエラーが発生しました。");
    }
    // Ticks go on while an error box is open; a device that fails every tick must not
    // pile up boxes, so a second error waits on standard error instead.
    if (errorBoxesOpen_ > 0 || closedBySignal_) {
        ReportOnStandardError(error);
        return;
    }
    ++errorBoxesOpen_;
    try {
        ShowMessage(error);
    } catch (...) {
        ReportOnStandardError(error);
    }
    --errorBoxesOpen_;
}

void TfrmMain::ReportOnStandardError(const std::string& text) const {
    std::fprintf(stderr, "lintel: %s\n", cp932::ToUtf8(text).c_str());
    std::fflush(stderr);
}

void TfrmMain::ShowMessage(const std::string& text) {
    if (closedBySignal_) {
        ReportOnStandardError(text);
        return;
    }
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("Lintel"));
    box.setIcon(QMessageBox::NoIcon);
    // Disc and track titles come from files: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(UnifyLineBreaks(FromCp932(text)));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void TfrmMain::ShowInformation(const QString& text) {
    ShowMessage(ToCp932(text).bytes);
}

// ---- events

void TfrmMain::sbtPlayClick() {
    Dispatch([this] { engine_.sbtPlayClick(); });
}
void TfrmMain::sbtPauseClick() {
    Dispatch([this] { engine_.sbtPauseClick(); });
}
void TfrmMain::sbtStopClick() {
    Dispatch([this] { engine_.sbtStopClick(); });
}
void TfrmMain::sbtPrevClick() {
    Dispatch([this] { engine_.sbtPrevClick(); });
}
void TfrmMain::sbtNextClick() {
    Dispatch([this] { engine_.sbtNextClick(); });
}
void TfrmMain::sbtEjectClick() {
    Dispatch([this] { engine_.sbtEjectClick(); });
}
void TfrmMain::sbtCloseClick() {
    Dispatch([this] { engine_.sbtCloseClick(); });
}
void TfrmMain::sbtRepeatClick() {
    Dispatch([this] { engine_.sbtRepeatClick(); });
    // The click already flipped the latch; whatever happened, it shows the player's state.
    SetRepeatState(engine_.RepeatOn());
}
void TfrmMain::sbtPrgSetClick() {
    Dispatch([this] { engine_.sbtPrgSetClick(); });
}
void TfrmMain::sbtHelpClick() {
    if (OnHelp)
        Dispatch(OnHelp);
}
void TfrmMain::pmnAboutClick() {
    TAboutBox about(this);
    about.exec();
}
void TfrmMain::sbtExitClick() {
    Dispatch([this] { engine_.sbtExitClick(); });
}
void TfrmMain::Timer1Timer() {
    if (!timer1_.isActive()) {
        return;  // queued before the timer was switched off
    }
    Dispatch([this] { engine_.Timer1Timer(); });
}

// ---- TBarView

void TfrmMain::SetDiscLabel(const std::string& text) {
    slbCDName_->SetCaption(text);
}
void TfrmMain::SetTrackLabel(const std::string& text) {
    slbTrack_->SetCaption(text);
}

void TfrmMain::LayoutBar() {
    if (TIniStore* settings = engine_.Settings())
        lintel::LayoutBar(*settings, *this);
}

void TfrmMain::SetGaugeMax(int maxValue) {
    gagTrTime_->SetMaxValue(maxValue);
}
void TfrmMain::SetGaugeProgress(int value) {
    gagTrTime_->SetProgress(value);
}
void TfrmMain::SetGaugeText(const std::string& text) {
    gagTrTime_->SetText(text);
}

void TfrmMain::ShowOperationPanel() {
    SetPanelShown(true);
}
void TfrmMain::HideOperationPanel() {
    SetPanelShown(false);
    opePanelChecked_ = false;
    menus_->SetOpePanelChecked(false);
}

void TfrmMain::SetPanelShown(bool shown) {
    // A panel hidden mid-drag would never see its release.
    if (!shown)
        EndPanelDrag();
    pnlOperation_->setVisible(shown);
}

void TfrmMain::EnableTransport(bool transport, bool pauseAndEdit) {
    for (QToolButton* b : {sbtPlay_, sbtStop_, sbtNext_, sbtPrev_, sbtRepeat_, sbtPrgSet_})
        b->setEnabled(transport);
    sbtPause_->setEnabled(pauseAndEdit);
    menus_->EnableTransport(transport, pauseAndEdit);
}

void TfrmMain::EnableProgramSet(bool enabled) {
    sbtPrgSet_->setEnabled(enabled);
    menus_->EnableProgramSet(enabled);
}

std::vector<bool> TfrmMain::ProgramTrackSelection() const {
    return frmPrgSet_ ? frmPrgSet_->TrackSelection() : std::vector<bool>{};
}
bool TfrmMain::ShowProgramDialog() {
    return frmPrgSet_ && frmPrgSet_->ShowModal();
}
int TfrmMain::PlayModeChoice() const {
    return frmPrgSet_ ? frmPrgSet_->PlayModeChoice() : 0;
}
bool TfrmMain::ProgramRepeatChecked() const {
    return frmPrgSet_ && frmPrgSet_->RepeatChecked();
}

void TfrmMain::SetRepeatState(bool on) {
    // The click itself toggles a checkable button; the engine's word is what counts.
    sbtRepeat_->setChecked(on);
    menus_->SetRepeatState(on);
}

bool TfrmMain::GaugeVisible() const {
    return !gagTrTime_->isHidden();
}

void TfrmMain::SetDoorState(bool closed) {
    sbtEject_->setVisible(closed);
    sbtClose_->setVisible(!closed);
    menus_->SetDoorState(closed);
}

void TfrmMain::BuildTrackMenus(const TStringList& captions) {
    trackMenuCaptions_ = captions;
    markedTrack_ = 0;
    menus_->BuildTrackMenus(captions);
}
void TfrmMain::ClearTrackMenus() {
    trackMenuCaptions_.clear();
    markedTrack_ = 0;
    menus_->ClearTrackMenus();
}
void TfrmMain::MarkCurrentTrack(int track) {
    markedTrack_ = track;
    menus_->MarkCurrentTrack(track);
}
void TfrmMain::ResetPlayModeChoice() {
    if (frmPrgSet_)
        frmPrgSet_->SetPlayModeChoice(TfrmPrgSet::kDiscOrder);
}

void TfrmMain::ApplyStoredSettings(TIniStore& settings) {
    lintel::ApplyStoredSettings(settings, *this);
}

void TfrmMain::SaveLayout(TIniStore& settings) {
    SaveFreePositions(settings, *this);
}

void TfrmMain::SetBarColor(TColor color) {
    if (color == barColor_)
        return;
    barColor_ = color;
    update();
}

void TfrmMain::SetEdge(TBarEdge edge) {
    switch (edge) {
        case TBarEdge::Top:
            TAppBar::SetEdge(abeTop);
            break;
        case TBarEdge::Bottom:
            TAppBar::SetEdge(abeBottom);
            break;
        case TBarEdge::Floating:
            TAppBar::SetEdge(abeFloat);
            break;
    }
}

TBarEdge TfrmMain::Edge() const {
    switch (TAppBar::Edge()) {
        case abeTop:
            return TBarEdge::Top;
        case abeBottom:
            return TBarEdge::Bottom;
        default:
            return TBarEdge::Floating;
    }
}

void TfrmMain::ReapplyEdge() {
    // The thickness the last layout computed takes effect here.
    TAppBar::ReapplyEdge();
}

void TfrmMain::OnAppBarStateChange(bool proposed, TAppBarEdge edge) {
    TAppBar::OnAppBarStateChange(proposed, edge);
    // Not once the settings are being released: late notifications of the ending find
    // nothing to lay out by. (The settings dialog lays the bar out itself when it closes.)
    if (engine_.SettingsReady() && engine_.Settings() != nullptr)
        LayoutBar();
}

void TfrmMain::SetTimerInterval(int milliseconds) {
    timerInterval_ = milliseconds;
    UpdateTimer();
}
void TfrmMain::SetTimerEnabled(bool enabled) {
    timerWanted_ = enabled;
    UpdateTimer();
}

void TfrmMain::UpdateTimer() {
    // Whether the timer runs is the engine's to say (it never enables a zero interval).
    if (!startupComplete_ || closed_ || !timerWanted_) {
        timer1_.stop();
        return;
    }
    if (timer1_.interval() != timerInterval_)
        timer1_.setInterval(timerInterval_);
    if (!timer1_.isActive())
        timer1_.start();
}

// ---- the panel and the pointer

void TfrmMain::pmnOpePanelClick() {
    opePanelChecked_ = !opePanelChecked_;
    menus_->SetOpePanelChecked(opePanelChecked_);
    SetPanelShown(opePanelChecked_);
}

void TfrmMain::contextMenuEvent(QContextMenuEvent* event) {
    // The menu takes the pointer, and with it the release that would end a drag of the
    // panel begun by the same press.
    EndPanelDrag();
    // Also for the labels and the gauge, which pass the request on to the bar.
    menus_->ppmRight()->popup(event->globalPos());
    event->accept();
}

void TfrmMain::FormClick() {
    ShowMessage(cp932::Literal("ココロ"));
    // The menu's check mark stays as it was.
    SetPanelShown(pnlOperation_->isHidden());
}

bool TfrmMain::PanelFollowsPointer() {
    TIniStore* settings = engine_.Settings();
    return settings != nullptr && ReadInteger(*settings, TSetting::ConfigVisiOpeType) == 0;
}

bool TfrmMain::InPanel(const QObject* object) const {
    for (const QObject* o = object; o != nullptr; o = o->parent()) {
        if (o == pnlOperation_)
            return true;
    }
    return false;
}

bool TfrmMain::PointerOverBar() const {
    return rect().contains(mapFromGlobal(QCursor::pos()));
}

void TfrmMain::PointerEntered() {
    if (PanelFollowsPointer())
        SetPanelShown(true);
}

void TfrmMain::PointerLeft(const QObject* from) {
    if (InPanel(from)) {
        // Qt passes one leave up from the control to every window it leaves, all in one
        // go; the bar's own leave that follows belongs to this one and is ignored.
        leavingFromPanel_ = true;
        QTimer::singleShot(0, this, [this] { leavingFromPanel_ = false; });
        return;
    }
    if (from == this && leavingFromPanel_)
        return;
    // From one control to another, or back onto the bar's own surface, Qt reports no
    // enter for the bar: the pointer is still over the bar, so the panel stays.
    if (PointerOverBar())
        return;
    if (PanelFollowsPointer())
        SetPanelShown(false);
}

bool TfrmMain::PanelMouse(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    // A drag whose button is no longer held lost its release to someone else (a popup,
    // another grab); it ends here instead of going on from a stale press.
    if (panelDragButton_ != Qt::NoButton && !(mouse->buttons() & panelDragButton_) &&
        type != QEvent::MouseButtonRelease)
        EndPanelDrag();
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (panelDragButton_ == Qt::NoButton) {
                panelDragButton_ = mouse->button();
                dragStartPlace_ = pnlOperation_->pos();
                dragPressPoint_ = mouse->globalPosition().toPoint();
            }
            return true;
        case QEvent::MouseMove:
            if (panelDragButton_ != Qt::NoButton) {
                const QPoint now = mouse->globalPosition().toPoint();
                const TPoint place =
                    DragPanel({dragStartPlace_.x(), dragStartPlace_.y()},
                              {dragPressPoint_.x(), dragPressPoint_.y()}, {now.x(), now.y()},
                              width(), height(), pnlOperation_->width(), pnlOperation_->height());
                pnlOperation_->move(place.x, place.y);
            }
            return true;
        default:  // the release
            if (mouse->button() == panelDragButton_)
                EndPanelDrag();
            return true;
    }
}

void TfrmMain::EndPanelDrag() {
    if (panelDragButton_ == Qt::NoButton)
        return;
    panelDragButton_ = Qt::NoButton;
    if (TIniStore* settings = engine_.Settings())
        SaveOperationPanelPlace(*settings, {pnlOperation_->x(), pnlOperation_->y()});
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::Enter)
        PointerEntered();
    else if (event->type() == QEvent::Leave)
        PointerLeft(this);
    return TAppBar::event(event);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter:
            PointerEntered();
            return false;
        case QEvent::Leave:
            PointerLeft(watched);
            return false;
        default:
            break;
    }
    if (watched == pnlOperation_ || watched == bvlFrame_)
        return PanelMouse(event);
    if ((watched == slbCDName_ || watched == slbTrack_ || watched == gagTrTime_) &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick)) {
        // Any button, whatever the panel mode.
        pmnOpePanelClick();
        return true;
    }
    return false;
}

void TfrmMain::mousePressEvent(QMouseEvent* event) {
    // Only presses on the bar's own surface arrive here: the controls keep theirs. The
    // press also starts a move of the bar; one that ends where it began is a click.
    pressedOnBar_ = event->button() == Qt::LeftButton;
    movedSincePress_ = false;
    barPressPoint_ = event->globalPosition().toPoint();
    TAppBar::mousePressEvent(event);
}

void TfrmMain::mouseMoveEvent(QMouseEvent* event) {
    if (pressedOnBar_ && event->globalPosition().toPoint() != barPressPoint_)
        movedSincePress_ = true;
    TAppBar::mouseMoveEvent(event);
}

void TfrmMain::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressedOnBar_ && event->button() == Qt::LeftButton && !movedSincePress_ &&
                       event->globalPosition().toPoint() == barPressPoint_;
    pressedOnBar_ = false;
    TAppBar::mouseReleaseEvent(event);
    if (click)
        FormClick();
}

// ---- the background

TfrmMain::TBackdrop TfrmMain::Backdrop() const {
    auto* self = const_cast<TfrmMain*>(this);
    TIniStore* settings = self->engine_.Settings();
    if (settings != nullptr && BackgroundFilled(*settings))
        return TBackdrop::BarColor;
    if (translucent_)
        return TBackdrop::Translucent;
    if (DesktopPicture(QRect(ScreenOrigin(), QSize(1, 1))))
        return TBackdrop::DesktopPicture;
    return TBackdrop::ButtonFace;
}

void TfrmMain::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    TIniStore* settings = engine_.Settings();
    if (settings != nullptr && BackgroundFilled(*settings)) {
        painter.fillRect(dirty, ColorToQColor(barColor_));
        return;
    }
    if (translucent_) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(dirty, Qt::transparent);
        return;
    }
    // The wallpaper as it lies under the bar's place on the screen, whose pixels are the
    // device's: with a scale factor they are finer than the bar's own.
    const QPoint origin = ScreenOrigin();
    paintedOrigin_ = origin;
    const qreal ratio = devicePixelRatioF();
    const QRect device = QRectF(QPointF(dirty.topLeft()) * ratio, QSizeF(dirty.size()) * ratio)
                             .toAlignedRect()
                             .translated(origin);
    if (auto picture = DesktopPicture(device)) {
        picture->setDevicePixelRatio(ratio);
        painter.drawImage(dirty.topLeft(), *picture);
        return;
    }
    painter.fillRect(dirty, ColorToQColor(clBtnFace));
}

QPoint TfrmMain::ScreenOrigin() const {
    if (testAttribute(Qt::WA_WState_Created)) {
        if (const auto origin = WindowOrigin(winId()))
            return *origin;
    }
    return (QPointF(mapToGlobal(QPoint(0, 0))) * devicePixelRatioF()).toPoint();
}

void TfrmMain::CheckBackdropPlace() {
    // The window manager may move the bar without the toolkit noticing; a picture painted
    // for another place would show the wrong part of the desktop.
    if (!isVisible() || Backdrop() != TBackdrop::DesktopPicture)
        return;
    if (!paintedOrigin_ || *paintedOrigin_ != ScreenOrigin())
        update();
}

void TfrmMain::moveEvent(QMoveEvent* event) {
    TAppBar::moveEvent(event);
    // What shows through depends on where the bar stands.
    update();
}

}  // namespace lintel
