#include "app/main.h"

#include <signal.h>

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "app/ConfigHost.h"
#include "app/MediaBridge.h"
#include "app/PanelKeys.h"
#include "app/SignalWake.h"
#include "app/TitleSearch.h"
#include "app/TrackMenus.h"
#include "dialogs/CDedit.h"
#include "dialogs/CDprg.h"
#include "platform/Cp932.h"
#include "platform/MemoryMixer.h"
#include "shell/WindowFocus.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TextGauges.h"
#include "widgets/TrayIcon.h"

namespace lintel {

namespace {

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

TfrmMain::TfrmMain(DriveSet& drives, const TStartupPaths& paths, const TBarDesktop& desktop)
    : TAppBar(desktop.appBars),
      drives_(drives),
      systemFolder_(paths.systemFolder),
      mixers_(desktop.mixers),
      engine_(*this, drives),
      help_(helpOpener_, THelp::DefaultFolder()) {
    if (mixers_ == nullptr) {
        noMixers_ = std::make_unique<MemoryMixer>();
        mixers_ = noMixers_.get();
    }
    setWindowTitle(QStringLiteral("Lintel"));
    resize(kBarWidth, kBarHeight);
    SetHorzDockSize(kBarHeight);
    // Docked at the top or the bottom only, never floating, and no user sizing.
    SetFlags(AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom));
    SetVertSizeInc(0);
    dispatch_ = new TDispatchPoint(*this);
    backdrop_ = new TBarBackdrop(*this, desktop.surface, [this] { return engine_.Settings(); });
    BuildControls();
    BuildMenusAndDialogs();
    if (desktop.trayHost != nullptr) {
        // A notification area that refuses the icon is reported; the bar goes on.
        Dispatch([&] { BuildTrayIcon(*desktop.trayHost); });
    }
    // Out of the task bar and the pager from the first show on, docked or not.
    desktop.appBars.ShowTaskbarButton(static_cast<TBarId>(winId()), false);

    // Installed before the engine starts, so a signal during a start-up message closes
    // that message instead of killing the program half-way.
    signalWake_ = new TSignalWake(this);
    signalWake_->OnSignal = [this](int signo) { SignalArrived(signo); };

    // Queued, so a tick runs from the event loop and not inside the timer's own call: Qt
    // holds back a timer whose previous call has not returned, and a tick can open a
    // message box (the resume message) during which the ticks must go on.
    connect(
        &timer1_.Timer(), &QTimer::timeout, this, [this] { Timer1Timer(); }, Qt::QueuedConnection);

    Dispatch([&] { engine_.FormCreate(paths); });
    if (desktop.mediaControls != nullptr) {
        media_ = std::make_unique<TMediaBridge>(*desktop.mediaControls, *this);
        MediaStateChanged();
    }
}

TfrmMain::~TfrmMain() {
    media_.reset();
    delete signalWake_;
    signalWake_ = nullptr;
    timer1_.End();
    if (!destroyed_) {
        destroyed_ = true;
        try {
            if (auto error = engine_.FormDestroy())
                ReportOnStandardError(*error);
        } catch (const std::exception& e) {
            ReportOnStandardError(e.what());
        }
    }
    backdrop_->StopWatching();
}

TBarCommands TfrmMain::Commands() {
    TBarCommands c;
    c.sbtPlayClick = [this] { sbtPlayClick(); };
    c.sbtPauseClick = [this] { sbtPauseClick(); };
    c.sbtStopClick = [this] { sbtStopClick(); };
    c.sbtPrevClick = [this] { sbtPrevClick(); };
    c.sbtNextClick = [this] { sbtNextClick(); };
    c.sbtEjectClick = [this] { sbtEjectClick(); };
    c.sbtCloseClick = [this] { sbtCloseClick(); };
    c.sbtRepeatClick = [this] { sbtRepeatClick(); };
    c.sbtPrgSetClick = [this] { sbtPrgSetClick(); };
    c.sbtCDEditClick = [this] { sbtCDEditClick(); };
    c.pmnLookupClick = [this] { titleSearch_->pmnLookupClick(); };
    c.pmnOpePanelClick = [this] { pmnOpePanelClick(); };
    c.sbtConfigClick = [this] { sbtConfigClick(); };
    c.sbtHelpClick = [this] { sbtHelpClick(); };
    c.pmnAboutClick = [this] { pmnAboutClick(); };
    c.pmnMoveToPanelClick = [this] { pmnMoveToPanelClick(); };
    c.sbtExitClick = [this] { sbtExitClick(); };
    c.TrackMenuItemClick = [this](int tag) {
        Dispatch([this, tag] { engine_.TrackMenuItemClick(tag); });
    };
    return c;
}

void TfrmMain::BuildMenusAndDialogs() {
    OnHelp = [this] {
        if (auto error = help_.Show(kHelpBar))
            ShowMessage(*error);
    };
    titleSearch_ =
        new TTitleSearch(engine_, this, [this](const std::function<void()>& f) { Dispatch(f); });
    menus_ = std::make_unique<TTrackMenus>(this, Commands());
    menus_->SetOpePanelChecked(opePanelChecked_);

    prgSetHost_ =
        std::make_unique<TEnginePrgSetHost>(engine_, [this] { return panel_->RepeatDown(); });
}

TfrmPrgSet& TfrmMain::frmPrgSet() {
    // Kept for the whole run once built: random play reads its track selection. Until
    // the first use, what playback asks of it is answered as a new dialog answers, so
    // start-up does not pay for building it.
    if (!frmPrgSet_)
        frmPrgSet_ = std::make_unique<TfrmPrgSet>(*prgSetHost_, &help_, this);
    return *frmPrgSet_;
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
    gagTrTime_->SetValueScale(1000);  // fed milliseconds, read out in seconds

    panel_ = new TOperationPanel(*this, Commands(), [this] { return engine_.Settings(); });
    panelKeys_ = new TPanelKeys(*this, *panel_, ToolkitWindowFocus());

    // Labels and gauge toggle the panel. Every control reports the pointer entering and
    // leaving.
    for (QWidget* w : {static_cast<QWidget*>(slbCDName_), static_cast<QWidget*>(slbTrack_),
                       static_cast<QWidget*>(gagTrTime_), static_cast<QWidget*>(panel_)})
        w->installEventFilter(this);
    for (QWidget* w : panel_->findChildren<QWidget*>()) w->installEventFilter(this);
}

// ---- start and end

void TfrmMain::Startup() {
    ReapplyEdge();
    show();
    backdrop_->StartWatching();
    Dispatch([this] {
        engine_.FormShow();
        // The panel goes where the user last dragged it; by default the bottom right.
        if (TIniStore* settings = engine_.Settings())
            PlaceOperationPanel(*settings, *this);
    });
    startupComplete_ = true;
    timer1_.Begin();
    // The first event the main loop delivers marks its level: a close waits until every
    // loop nested above it (message boxes, dialogs, menus) has ended.
    QTimer::singleShot(0, this, [this] { dispatch_->MainLoopRunning(); });
}

int TfrmMain::FormDestroy() {
    if (destroyed_)
        return 0;
    destroyed_ = true;
    timer1_.End();
    std::optional<std::string> error;
    try {
        error = engine_.FormDestroy();
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!error)
        return 0;
    if (dispatch_->ClosedBySignal())
        ReportOnStandardError(*error);
    else
        ShowMessage(*error);
    return 1;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!dispatch_->Closed()) {
        dispatch_->SetClosed();
        timer1_.End();
        Dispatch([this] { engine_.FormClose(); });
        // The closing saves read the edge; then the strip is given back while the window
        // is still the one the desktop-toolbar service knows.
        backdrop_->StopWatching();
        TAppBar::SetEdge(abeUnknown);
    }
    event->accept();
    QCoreApplication::quit();
}

void TfrmMain::SignalArrived(int signo) {
    if (!dispatch_->Closed() && engine_.Settings() == nullptr) {
        // Nothing may be written before the store exists: end of the signal, as if it had
        // not been caught.
        ::signal(signo, SIG_DFL);
        ::raise(signo);
        return;
    }
    dispatch_->CloseForSignal();
}

void TfrmMain::ShowInformation(const QString& text) {
    ShowMessage(ToCp932(text).bytes);
}

// ---- the desktop's media controls

void TfrmMain::Dispatch(const std::function<void()>& command) {
    std::optional<TMediaBridge::TPlace> before;
    if (media_ && !destroyed_ && !dispatch_->Closed())
        before = media_->Place();
    dispatch_->Dispatch(command);
    if (media_ && !destroyed_ && !dispatch_->Closed())
        media_->BarChanged(before);
}

void TfrmMain::MediaStateChanged() {
    // Not once the close began: the engine is ending.
    if (media_ && !destroyed_ && !dispatch_->Closed())
        media_->BarChanged();
}

bool TfrmMain::ModalDialogOpen() const {
    return QApplication::activeModalWidget() != nullptr;
}

void TfrmMain::RaiseBar() {
    show();
    raise();
    activateWindow();
    RevealAutoHidden(true);
    // Raised from the desktop's controls, the bar is reached as from its own menu: the
    // keyboard lands on the panel. Under a modal dialog the panel cannot take it.
    if (!ModalDialogOpen())
        pmnMoveToPanelClick();
}

// ---- events

void TfrmMain::sbtRepeatClick() {
    Dispatch([this] { engine_.sbtRepeatClick(); });
    // The click already flipped the latch; whatever happened, it shows the player's state.
    SetRepeatState(engine_.RepeatOn());
}
void TfrmMain::sbtHelpClick() {
    if (OnHelp)
        Dispatch(OnHelp);
}
void TfrmMain::Timer1Timer() {
    if (!timer1_.Timer().isActive())
        return;  // queued before the timer was switched off
    // The tick follows play: whatever it finds is no jump.
    dispatch_->Dispatch([this] { engine_.Timer1Timer(); });
    MediaStateChanged();
}

// ---- TBarView

void TfrmMain::SetDiscLabel(const std::string& text) {
    slbCDName_->SetCaption(text);
    DescribeBar();
}
void TfrmMain::SetTrackLabel(const std::string& text) {
    slbTrack_->SetCaption(text);
    DescribeBar();
}
void TfrmMain::DescribeBar() {
    setAccessibleDescription(slbCDName_->SpokenText() + QLatin1Char(' ') + slbTrack_->SpokenText());
}

void TfrmMain::LayoutBar() {
    if (TIniStore* settings = engine_.Settings())
        lintel::LayoutBar(*settings, *this);
}

void TfrmMain::HideOperationPanel() {
    panel_->SetShown(false);
    opePanelChecked_ = false;
    menus_->SetOpePanelChecked(false);
}

void TfrmMain::EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit) {
    panel_->EnableTransport(transport, pauseAndEdit);
    menus_->EnableTransport(transport, pauseAndEdit);
}

void TfrmMain::EnableProgramSet(bool enabled) {
    panel_->EnableProgramSet(enabled);
    menus_->EnableProgramSet(enabled);
}

std::vector<bool> TfrmMain::ProgramTrackSelection() const {
    return frmPrgSet_ ? frmPrgSet_->TrackSelection() : std::vector<bool>{};
}
std::optional<TStringList> TfrmMain::ShowTitleEditor(const TStringList& titleLines,
                                                     int trackCount) {
    TfrmCDEdit editor(engine_.Settings(), &help_, this);  // made for each use, freed after it
    if (!editor.ShowModal(titleLines, trackCount))
        return std::nullopt;
    return editor.EditLines();
}

std::optional<TStringList> TfrmMain::ShowFoundTitles(const TStringList& titleLines, int trackCount,
                                                     const CdText& found) {
    TfrmCDEdit editor(engine_.Settings(), &help_, this);
    editor.Load(titleLines, trackCount);
    QStringList tracks;
    for (const std::string& name : found.trackTitles)
        tracks.push_back(QString::fromStdString(name));
    editor.FillFound(QString::fromStdString(found.title), QString::fromStdString(found.performer),
                     tracks);
    if (editor.exec() != QDialog::Accepted)
        return std::nullopt;
    return editor.EditLines();
}

bool TfrmMain::ShowProgramDialog() {
    return frmPrgSet().ShowModal();
}
int TfrmMain::PlayModeChoice() const {
    return frmPrgSet_ ? frmPrgSet_->PlayModeChoice() : 0;
}
bool TfrmMain::ProgramRepeatChecked() const {
    return frmPrgSet_ && frmPrgSet_->RepeatChecked();
}

void TfrmMain::SetRepeatState(bool on) {
    panel_->SetRepeatState(on);
    menus_->SetRepeatState(on);
}

void TfrmMain::SetDoorState(bool closed) {
    panel_->SetDoorState(closed);
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

void TfrmMain::SetEdge(TBarEdge edge) {
    TAppBar::SetEdge(AppBarEdgeOf(edge));
}

TBarEdge TfrmMain::Edge() const {
    return BarEdgeOf(TAppBar::Edge());
}

void TfrmMain::OnAppBarStateChange(bool proposed, TAppBarEdge edge) {
    TAppBar::OnAppBarStateChange(proposed, edge);
    // Not once the settings are being released: late notifications of the ending find
    // nothing to lay out by. Nor while the settings dialog is open, which lays the bar
    // out itself when it closes.
    if (engine_.SettingsReady() && engine_.Settings() != nullptr && !configDialogOpen_)
        LayoutBar();
}

void TfrmMain::sbtConfigClick() {
    Dispatch([this] { TBarConfigHost(*this).sbtConfigClick(); });
}

// ---- the panel and the pointer

void TfrmMain::pmnOpePanelClick() {
    opePanelChecked_ = !opePanelChecked_;
    menus_->SetOpePanelChecked(opePanelChecked_);
    panel_->SetShown(opePanelChecked_);
}

void TfrmMain::pmnMoveToPanelClick() {
    opePanelChecked_ = true;
    menus_->SetOpePanelChecked(true);
    panel_->SetShown(true);
    panelKeys_->MoveToPanel();
}

void TfrmMain::contextMenuEvent(QContextMenuEvent* event) {
    // The menu takes the pointer, and with it the release that would end a drag of the
    // panel begun by the same press.
    panel_->EndPanelDrag();
    // Also for the labels and the gauge, which pass the request on to the bar.
    menus_->ppmRight()->popup(event->globalPos());
    event->accept();
}

void TfrmMain::FormClick() {
    ShowMessage(cp932::Literal("ココロ"));
    // The menu's check mark stays as it was.
    panel_->SetShown(panel_->isHidden());
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::Enter)
        panel_->PointerEntered();
    else if (event->type() == QEvent::Leave)
        panel_->PointerLeft(this);
    const bool blocking =
        event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowUnblocked;
    const bool handled = TAppBar::event(event);
    // A modal dialog opened or closed: the desktop's controls follow.
    if (blocking)
        MediaStateChanged();
    return handled;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter:
            panel_->PointerEntered();
            return false;
        case QEvent::Leave:
            panel_->PointerLeft(watched);
            return false;
        default:
            break;
    }
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

void TfrmMain::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    backdrop_->Paint(painter, event->rect());
}

void TfrmMain::moveEvent(QMoveEvent* event) {
    TAppBar::moveEvent(event);
    // What shows through depends on where the bar stands.
    update();
}

}  // namespace lintel
