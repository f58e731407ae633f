#include "app/TrackMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include "platform/Cp932.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

QString Text(const char* utf8) {
    return FromCp932(cp932::Literal(utf8));
}

// A name is shown as typed: an ampersand in it is no accelerator.
QString ShownAsTyped(const std::string& cp932Text) {
    QString text = FromCp932(cp932Text);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

const char* const kHandled = "lintelHandled";

QActionGroup* RadioGroup(QObject* parent) {
    auto* group = new QActionGroup(parent);
    // Optional, so that a grouped menu can carry no mark at all.
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    return group;
}

}  // namespace

TTrackMenus::TTrackMenus(QWidget* owner, TMenuHandlers handlers)
    : QObject(owner), handlers_(std::move(handlers)) {
    ppmRight_ = new QMenu(owner);
    ppmLeft_ = new QMenu(owner);
    leftTracks_ = RadioGroup(this);
    operationTracks_ = RadioGroup(this);
    leftGroups_ = RadioGroup(this);
    operationGroups_ = RadioGroup(this);
    const TMenuHandlers& h = handlers_;

    // The tray's menu: the commands in a column of their own beside the track items.
    pmnPlayR = AddCommand(ppmLeft_, "再生(&P)", h.sbtPlayClick);
    pmnPauseR = AddCommand(ppmLeft_, "一時停止(&T)", h.sbtPauseClick);
    pmnStopR = AddCommand(ppmLeft_, "停止(&S)", h.sbtStopClick);
    pmnPrevR = AddCommand(ppmLeft_, "前曲(&R)", h.sbtPrevClick);
    pmnNextR = AddCommand(ppmLeft_, "次曲(&F)", h.sbtNextClick);
    ppmLeft_->addSeparator();
    pmnEjectR = AddCommand(ppmLeft_, "取り出し(&E)", h.sbtEjectClick);
    pmnCloseR = AddCommand(ppmLeft_, "閉(&C)", h.sbtCloseClick);
    ppmLeft_->addSeparator();
    pmnRepeatR = AddCommand(ppmLeft_, "リピート(&M)", h.sbtRepeatClick, true);
    pmnPrgSetR = AddCommand(ppmLeft_, "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ(&R)", h.sbtPrgSetClick);

    // The bar's menu: the transport commands in the submenu, the rest below it.
    pmnOperation_ = new QMenu(Text("操作(&P)"), ppmRight_);
    ppmRight_->addMenu(pmnOperation_);
    pmnPlay = AddCommand(pmnOperation_, "再生(&P)", h.sbtPlayClick);
    pmnPause = AddCommand(pmnOperation_, "一時停止(&T)", h.sbtPauseClick);
    pmnStop = AddCommand(pmnOperation_, "停止(&S)", h.sbtStopClick);
    pmnPrev = AddCommand(pmnOperation_, "前曲(&R)", h.sbtPrevClick);
    pmnNext = AddCommand(pmnOperation_, "次曲(&F)", h.sbtNextClick);
    pmnOperation_->addSeparator();
    pmnEject = AddCommand(pmnOperation_, "取り出し(&E)", h.sbtEjectClick);
    pmnClose = AddCommand(pmnOperation_, "閉(&C)", h.sbtCloseClick);

    ppmRight_->addSeparator();
    pmnRepeat = AddCommand(ppmRight_, "リピート(&M)", h.sbtRepeatClick, true);
    pmnPrgSet = AddCommand(ppmRight_, "プログラムプレイ(&R)", h.sbtPrgSetClick);
    ppmRight_->addSeparator();
    pmnOpePanel = AddCommand(ppmRight_, "操作パネル(&V)", h.pmnOpePanelClick, true);
    pmnCDEdit = AddCommand(ppmRight_, "タイトル編集(&E)", h.sbtCDEditClick);
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

void TTrackMenus::EnableTransport(bool transport, bool pauseAndEdit) {
    for (QAction* item : {pmnPlay, pmnPlayR, pmnStop, pmnStopR, pmnNext, pmnNextR, pmnPrev,
                          pmnPrevR, pmnRepeat, pmnRepeatR, pmnPrgSet, pmnPrgSetR}) {
        Enable(item, transport);
    }
    for (QAction* item : {pmnPause, pmnPauseR, pmnCDEdit}) {
        Enable(item, pauseAndEdit);
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
