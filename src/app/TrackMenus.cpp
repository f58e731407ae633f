#include "app/TrackMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include "platform/Cp932.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

const char* const kHandled = "lintelHandled";

QActionGroup* RadioGroup(QObject* parent) {
    auto* group = new QActionGroup(parent);
    // Optional, so that a grouped menu can carry no mark at all.
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    return group;
}

/// A transport command: its caption, its handler and its items in the two menus.
struct TTransportItem {
    const char* caption;
    std::function<void()> TBarCommands::*command;
    QAction* TTrackMenus::*inBar;
    QAction* TTrackMenus::*inTray;
    bool separatorBefore;
};

const TTransportItem kTransportItems[] = {
    {"再生(&P)", &TBarCommands::sbtPlayClick, &TTrackMenus::pmnPlay, &TTrackMenus::pmnPlayR, false},
    {"一時停止(&T)", &TBarCommands::sbtPauseClick, &TTrackMenus::pmnPause, &TTrackMenus::pmnPauseR,
     false},
    {"停止(&S)", &TBarCommands::sbtStopClick, &TTrackMenus::pmnStop, &TTrackMenus::pmnStopR, false},
    {"前曲(&R)", &TBarCommands::sbtPrevClick, &TTrackMenus::pmnPrev, &TTrackMenus::pmnPrevR, false},
    {"次曲(&F)", &TBarCommands::sbtNextClick, &TTrackMenus::pmnNext, &TTrackMenus::pmnNextR, false},
    {"取り出し(&E)", &TBarCommands::sbtEjectClick, &TTrackMenus::pmnEject, &TTrackMenus::pmnEjectR,
     true},
    {"閉(&C)", &TBarCommands::sbtCloseClick, &TTrackMenus::pmnClose, &TTrackMenus::pmnCloseR,
     false},
};

}  // namespace

TTrackMenus::TTrackMenus(QWidget* owner, TBarCommands commands)
    : QObject(owner), handlers_(std::move(commands)) {
    ppmRight_ = new QMenu(owner);
    ppmLeft_ = new QMenu(owner);
    leftTracks_ = RadioGroup(this);
    operationTracks_ = RadioGroup(this);
    leftGroups_ = RadioGroup(this);
    operationGroups_ = RadioGroup(this);
    const TBarCommands& h = handlers_;

    // The tray's menu holds the transport commands in a column of their own beside the
    // track items; the bar's menu holds the same ones in its submenu.
    pmnOperation_ = new QMenu(Text("操作(&P)"), ppmRight_);
    ppmRight_->addMenu(pmnOperation_);
    for (const TTransportItem& item : kTransportItems) {
        if (item.separatorBefore) {
            ppmLeft_->addSeparator();
            pmnOperation_->addSeparator();
        }
        this->*item.inTray = AddCommand(ppmLeft_, item.caption, h.*item.command);
        this->*item.inBar = AddCommand(pmnOperation_, item.caption, h.*item.command);
    }
    ppmLeft_->addSeparator();
    pmnRepeatR = AddCommand(ppmLeft_, "リピート(&M)", h.sbtRepeatClick, true);
    pmnPrgSetR = AddCommand(ppmLeft_, "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ(&R)", h.sbtPrgSetClick);

    ppmRight_->addSeparator();
    pmnRepeat = AddCommand(ppmRight_, "リピート(&M)", h.sbtRepeatClick, true);
    pmnPrgSet = AddCommand(ppmRight_, "プログラムプレイ(&R)", h.sbtPrgSetClick);
    ppmRight_->addSeparator();
    pmnOpePanel = AddCommand(ppmRight_, "操作パネル(&V)", h.pmnOpePanelClick, true);
    pmnMoveToPanel = AddCommand(ppmRight_, "操作パネルへ移動(&F)", h.pmnMoveToPanelClick);
    pmnCDEdit = AddCommand(ppmRight_, "タイトル編集(&E)", h.sbtCDEditClick);
    pmnLookup = AddCommand(ppmRight_, "タイトルを検索(&L)", h.pmnLookupClick);
    pmnConfig = AddCommand(ppmRight_, "設定(&C)", h.sbtConfigClick);
    ppmRight_->addSeparator();
    pmnHelp = AddCommand(ppmRight_, "ヘルプ(&H)", h.sbtHelpClick);
    pmnAbout = AddCommand(ppmRight_, "ﾊﾞｰｼﾞｮﾝ情報(&A)", h.pmnAboutClick);
    ppmRight_->addSeparator();
    pmnExit = AddCommand(ppmRight_, "終了(&X)", h.sbtExitClick);

    pmnOpePanel->setChecked(true);  // the panel starts visible
    // Until a disc is known the close-tray items wait for an open tray.
    SetDoorState(true);
}

TTrackMenus::~TTrackMenus() = default;

QAction* TTrackMenus::AddCommand(QMenu* menu, const char* captionUtf8,
                                 const std::function<void()>& handler, bool checkable) {
    QAction* item = menu->addAction(Text(captionUtf8));
    item->setProperty(kHandled, static_cast<bool>(handler));
    item->setEnabled(static_cast<bool>(handler));
    item->setCheckable(checkable);
    connect(item, &QAction::triggered, this, [item, handler](bool checked) {
        if (item->isCheckable()) {
            item->setChecked(!checked);  // the owner sets the mark from its own state
        }
        if (handler) {
            handler();
        }
    });
    return item;
}

void TTrackMenus::Enable(QAction* item, bool on) {
    item->setEnabled(on && item->property(kHandled).toBool());
}

// ---- track items ----------------------------------------------------------------------

QAction* TTrackMenus::MakeTrackItem(QMenu* parent, const std::string& caption, int tag,
                                    QActionGroup* group) {
    auto* item = new QAction(ShownAsTyped(caption), parent);
    item->setCheckable(true);
    item->setActionGroup(group);
    item->setData(tag);
    connect(item, &QAction::triggered, this, [this, tag](bool) {
        PutMark(markedPosition_);  // a click does not move the mark by itself
        if (handlers_.TrackMenuItemClick) {
            handlers_.TrackMenuItemClick(tag);
        }
    });
    return item;
}

QMenu* TTrackMenus::MakeGroupItem(QMenu* parent, QActionGroup* group) {
    auto* submenu = new QMenu(parent);
    QAction* item = submenu->menuAction();
    item->setCheckable(true);
    item->setActionGroup(group);
    return submenu;
}

void TTrackMenus::RemoveFirst(QMenu* menu, int count) {
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < count && i < items.size(); ++i) {
        QAction* item = items[i];
        menu->removeAction(item);
        item->setActionGroup(nullptr);
        // Later, not now: the item may be the one whose click is being handled.
        if (QMenu* submenu = item->menu()) {
            for (QAction* inner : submenu->actions()) {
                inner->setActionGroup(nullptr);
            }
            submenu->deleteLater();
        } else {
            item->deleteLater();
        }
    }
}

void TTrackMenus::ClearTrackMenus() {
    const int left = static_cast<int>(ppmLeft_->actions().size());
    if (left > kLeftFixedItems) {
        RemoveFirst(ppmLeft_, left - kLeftFixedItems);
    }
    const int operation = static_cast<int>(pmnOperation_->actions().size());
    if (operation >= kOperationFixedItems + 1) {
        RemoveFirst(pmnOperation_, operation - kOperationFixedItems);
    }
    trackCount_ = 0;
    markedPosition_ = 0;
}

void TTrackMenus::BuildTrackMenus(const TStringList& captions) {
    ClearTrackMenus();
    const int n = static_cast<int>(captions.size());
    auto caption = [&](int i) { return captions[static_cast<std::size_t>(i)]; };
    int blockItems = 0;  // items at the top of each menu, before the separator
    if (n > kFlatLimit) {
        for (int g = 0; g * kGroupSize < n; ++g) {
            QMenu* groupLeft = MakeGroupItem(ppmLeft_, leftGroups_);
            QMenu* groupOperation = MakeGroupItem(pmnOperation_, operationGroups_);
            ppmLeft_->insertMenu(ppmLeft_->actions().value(g), groupLeft);
            pmnOperation_->insertMenu(pmnOperation_->actions().value(g), groupOperation);
            const int first = g * kGroupSize;
            const int last = std::min(first + kGroupSize, n) - 1;
            for (int i = first; i <= last; ++i) {
                groupLeft->addAction(MakeTrackItem(groupLeft, caption(i), i + 1, leftTracks_));
                groupOperation->addAction(
                    MakeTrackItem(groupOperation, caption(i), i + 1, operationTracks_));
            }
            const QString title = QStringLiteral("No.%1 to %2").arg(first + 1).arg(last + 1);
            groupLeft->setTitle(title);
            groupOperation->setTitle(title);
            ++blockItems;
        }
    } else {
        for (int i = 0; i < n; ++i) {
            ppmLeft_->insertAction(ppmLeft_->actions().value(i),
                                   MakeTrackItem(ppmLeft_, caption(i), i + 1, leftTracks_));
            pmnOperation_->insertAction(
                pmnOperation_->actions().value(i),
                MakeTrackItem(pmnOperation_, caption(i), i + 1, operationTracks_));
            ++blockItems;
        }
    }
    if (blockItems > 0) {
        // Where the commands would begin a column of their own.
        ppmLeft_->insertSeparator(ppmLeft_->actions().value(blockItems));
        pmnOperation_->insertSeparator(pmnOperation_->actions().value(blockItems));
    }
    trackCount_ = n;
}

QAction* TTrackMenus::TrackItem(QMenu* menu, int index, bool grouped) {
    const QList<QAction*> items = menu->actions();
    if (!grouped) {
        return items.value(index);
    }
    QAction* group = items.value(index / kGroupSize);
    if (group == nullptr || group->menu() == nullptr) {
        return nullptr;
    }
    return group->menu()->actions().value(index % kGroupSize);
}

void TTrackMenus::MarkCurrentTrack(int position) {
    const bool inside = position >= 1 && position <= trackCount_;
    if (inside) {
        markedPosition_ = position;
    } else if (trackCount_ > kFlatLimit) {
        // Grouped, the old marks are taken off before the new one is looked for.
        markedPosition_ = 0;
    }
    PutMark(markedPosition_);
}

void TTrackMenus::PutMark(int position) {
    const bool grouped = trackCount_ > kFlatLimit;
    for (QMenu* menu : {ppmLeft_, pmnOperation_}) {
        const QList<QAction*> items = menu->actions();
        const int blockItems = grouped ? (trackCount_ + kGroupSize - 1) / kGroupSize : trackCount_;
        for (int i = 0; i < blockItems && i < items.size(); ++i) {
            items[i]->setChecked(false);
            if (QMenu* submenu = items[i]->menu()) {
                for (QAction* inner : submenu->actions()) {
                    inner->setChecked(false);
                }
            }
        }
        if (position < 1 || position > trackCount_) {
            continue;
        }
        const int p = position - 1;
        if (grouped) {
            items[p / kGroupSize]->setChecked(true);
        }
        if (QAction* item = TrackItem(menu, p, grouped)) {
            item->setChecked(true);
        }
    }
}

// ---- the commands' states ---------------------------------------------------------------

void TTrackMenus::EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit) {
    for (QAction* item : {pmnPlay, pmnPlayR, pmnStop, pmnStopR, pmnNext, pmnNextR, pmnPrev,
                          pmnPrevR, pmnRepeat, pmnRepeatR, pmnPrgSet, pmnPrgSetR}) {
        Enable(item, transport == TTransportGroup::Enabled);
    }
    for (QAction* item : {pmnPause, pmnPauseR, pmnCDEdit, pmnLookup}) {
        Enable(item, pauseAndEdit == TPauseAndEdit::Enabled);
    }
}

void TTrackMenus::EnableProgramSet(bool enabled) {
    Enable(pmnPrgSet, enabled);
    Enable(pmnPrgSetR, enabled);
}

void TTrackMenus::SetDoorState(bool closed) {
    for (QAction* item : {pmnEject, pmnEjectR}) {
        Enable(item, closed);
    }
    for (QAction* item : {pmnClose, pmnCloseR}) {
        Enable(item, !closed);
    }
}

void TTrackMenus::SetRepeatState(bool on) {
    pmnRepeat->setChecked(on);
    pmnRepeatR->setChecked(on);
}

void TTrackMenus::SetOpePanelChecked(bool checked) {
    pmnOpePanel->setChecked(checked);
}

bool TTrackMenus::OpePanelChecked() const {
    return pmnOpePanel->isChecked();
}

}  // namespace lintel
