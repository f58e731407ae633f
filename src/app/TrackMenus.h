// The bar's two pop-up menus: ppmRight (right click on the bar or the tray icon) and
// ppmLeft (left click on the tray icon). Both carry the commands and, at their top, one
// radio item per entry of the play list; beyond 20 entries the items go into submenus of
// ten ("No.1 to 10", ...).
//
// Wiring in the bar window:
//
//     TBarCommands c;
//     c.sbtPlayClick = [this] { sbtPlayClick(); };     // ... one per command
//     c.TrackMenuItemClick = [this](int tag) { ... };
//     menus_ = std::make_unique<TTrackMenus>(this, c);
//     // right click:  menus_->ppmRight()->popup(globalPos);
//     // TBarView:     BuildTrackMenus -> menus_->BuildTrackMenus(captions), ClearTrackMenus,
//     //               MarkCurrentTrack(position), EnableTransport, SetDoorState,
//     //               SetRepeatState, EnableProgramSet, HideOperationPanel ->
//     //               SetOpePanelChecked(false)
//
// A command without a handler stays disabled (the dialogs that come later). Checkable items
// (repeat, operation panel) show only what the owner sets: choosing one calls its handler
// and leaves the mark to the owner's SetRepeatState / SetOpePanelChecked. Likewise the
// radio mark of the track items moves only by MarkCurrentTrack.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "app/BarCommands.h"
#include "titles/IniStore.h"

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace lintel {

class TTrackMenus : public QObject {
public:
    /// The fixed item counts: the tray menu, and the operation submenu of the bar menu.
    static constexpr int kLeftFixedItems = 11;
    static constexpr int kOperationFixedItems = 8;
    /// Up to this many entries the track items stand flat; beyond, in groups of ten.
    static constexpr int kFlatLimit = 20;
    static constexpr int kGroupSize = 10;

    /// Builds both menus with their fixed items; `owner` parents the menus.
    TTrackMenus(QWidget* owner, TBarCommands commands);
    ~TTrackMenus() override;
    TTrackMenus(const TTrackMenus&) = delete;
    TTrackMenus& operator=(const TTrackMenus&) = delete;

    [[nodiscard]] QMenu* ppmRight() const { return ppmRight_; }
    [[nodiscard]] QMenu* ppmLeft() const { return ppmLeft_; }
    /// The submenu "操作(&P)" of ppmRight.
    [[nodiscard]] QMenu* pmnOperation() const { return pmnOperation_; }

    // ---- the track items
    /// Removes every track and group item (and the separator after them) from both menus.
    void ClearTrackMenus();
    /// ClearTrackMenus, then one item per caption (code page 932) in both menus, tag i + 1
    /// for caption i; grouped by ten beyond kFlatLimit captions.
    void BuildTrackMenus(const TStringList& captions);
    /// Puts the radio mark on the item of the play-list entry at `position` (from 1) in
    /// both menus, and on its group item when grouped. A position outside the built items
    /// marks nothing.
    void MarkCurrentTrack(int position);
    /// How many track entries are built.
    [[nodiscard]] int TrackCount() const { return trackCount_; }

    // ---- the commands' states
    /// Enables the transport items and the pause and title-edit items.
    void EnableTransport(TTransportGroup transport, TPauseAndEdit pauseAndEdit);
    /// The program-play items, off while the disc plays.
    void EnableProgramSet(bool enabled);
    /// Eject enabled and close-tray disabled when the tray is closed, the opposite when open.
    void SetDoorState(bool closed);
    /// The check marks of pmnRepeat and pmnRepeatR.
    void SetRepeatState(bool on);
    /// The check mark of pmnOpePanel.
    void SetOpePanelChecked(bool checked);
    [[nodiscard]] bool OpePanelChecked() const;

    // ---- the items, by their names
    QAction *pmnPlay, *pmnPause, *pmnStop, *pmnPrev, *pmnNext, *pmnEject, *pmnClose;
    QAction *pmnPlayR, *pmnPauseR, *pmnStopR, *pmnPrevR, *pmnNextR, *pmnEjectR, *pmnCloseR;
    QAction *pmnRepeat, *pmnRepeatR, *pmnPrgSet, *pmnPrgSetR;
    QAction *pmnOpePanel, *pmnMoveToPanel, *pmnCDEdit, *pmnConfig, *pmnHelp, *pmnAbout, *pmnExit;
    /// "タイトルを検索(&L)", enabled with the title editor's item.
    QAction* pmnLookup;

private:
    QAction* AddCommand(QMenu* menu, const char* captionUtf8, const std::function<void()>& handler,
                        bool checkable = false);
    /// Enables `item` when `on` and the item has a handler.
    static void Enable(QAction* item, bool on);
    QAction* MakeTrackItem(QMenu* parent, const std::string& caption, int tag, QActionGroup* group);
    QMenu* MakeGroupItem(QMenu* parent, QActionGroup* group);
    void RemoveFirst(QMenu* menu, int count);
    /// The track item at `index` (from 0) of `menu`'s track block, or of the group's
    /// submenu when grouped; nullptr when missing.
    static QAction* TrackItem(QMenu* menu, int index, bool grouped);
    void PutMark(int position);

    TBarCommands handlers_;
    QMenu* ppmRight_ = nullptr;
    QMenu* ppmLeft_ = nullptr;
    QMenu* pmnOperation_ = nullptr;
    QActionGroup* leftTracks_ = nullptr;
    QActionGroup* operationTracks_ = nullptr;
    QActionGroup* leftGroups_ = nullptr;
    QActionGroup* operationGroups_ = nullptr;
    int trackCount_ = 0;
    int markedPosition_ = 0;
};

}  // namespace lintel
