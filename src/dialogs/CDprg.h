// TfrmPrgSet, the program-play dialog: the user picks how the disc plays (in disc order,
// as a program of tracks, or at random among chosen tracks) and whether it repeats. It is
// created once after the bar window, hidden, and kept for the whole run, because playback
// reads its track selection when it draws a random order.
//
// The dialog edits the bar's play order in place while it is shown; the engine takes the
// result over (and stores a program under "order") when the dialog closes with OK.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "titles/IniStore.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace lintel {

class TBarEngine;
class THelp;

/// What the dialog reads from the bar each time it is shown.
class TPrgSetHost {
public:
    virtual ~TPrgSetHost() = default;
    /// The bar's play order (decimal zero-based track indexes), edited in place.
    virtual TStringList& PlayOrder() = 0;
    /// The loaded disc's title record.
    [[nodiscard]] virtual const TStringList& TitleLines() const = 0;
    /// The section of the loaded disc's title record; "0" when there is none.
    [[nodiscard]] virtual std::string DiscId() const = 0;
    /// The settings store, or nullptr before it exists.
    virtual TIniStore* Settings() = 0;
    /// The tracks of the disc in the drive (0 when none can be asked).
    [[nodiscard]] virtual int TrackCount() = 0;
    /// Whether the bar's repeat button is down.
    [[nodiscard]] virtual bool RepeatDown() const = 0;
};

/// The host over the bar's engine.
class TEnginePrgSetHost : public TPrgSetHost {
public:
    /// `engine` must outlive this object; `repeatDown` tells the state of sbtRepeat.
    TEnginePrgSetHost(TBarEngine& engine, std::function<bool()> repeatDown);
    TStringList& PlayOrder() override;
    const TStringList& TitleLines() const override;
    std::string DiscId() const override;
    TIniStore* Settings() override;
    int TrackCount() override;
    bool RepeatDown() const override;

private:
    TBarEngine& engine_;
    std::function<bool()> repeatDown_;
};

class TfrmPrgSet : public QDialog {
public:
    /// The play modes of rdgHowPlay.
    enum { kDiscOrder = 0, kProgram = 1, kRandom = 2 };

    /// `host` and `help` must outlive the dialog; `help` may be nullptr (no help button
    /// action). The dialog starts hidden, with play in disc order chosen.
    TfrmPrgSet(TPrgSetHost& host, THelp* help, QWidget* owner = nullptr);

    /// Refreshes the dialog from the bar and shows it modally; true when closed with OK.
    [[nodiscard]] bool ShowModal();

    // ---- what playback asks
    /// The chosen play mode: 0 disc order, 1 program, 2 random.
    [[nodiscard]] int PlayModeChoice() const;
    /// Chooses a play mode, as a click on its item does.
    void SetPlayModeChoice(int mode);
    [[nodiscard]] bool RepeatChecked() const;
    /// One flag per line of lsbAllTrack: whether it is selected.
    [[nodiscard]] std::vector<bool> TrackSelection() const;

    // ---- handlers
    /// Loads the bar's state: repeat, the heading, the track list and the stored program.
    void FormActivate();
    void rdgHowPlayClick();
    void btnIncludeClick();
    void btnIncAllClick();
    void btnExcludeClick();
    void btnExcAllClick();
    void btnUpClick();
    void btnDownClick();
    void HelpBtnClick();
    /// Fills the play order and lsbPrg from the disc's stored "order". Entries that are not
    /// a track of the disc in the drive are left out of both.
    void LoadProgram();
    void SetButtons();
    void SetListsEnabled(bool trackList, bool program);

    /// A message from the help button that could not be shown, for tests; empty when none.
    [[nodiscard]] const std::string& LastHelpError() const { return lastHelpError_; }

    // ---- the controls
    QGroupBox* rdgHowPlay = nullptr;
    QRadioButton* rdgHowPlayItems[3] = {};
    QCheckBox* chbRepeat = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* lblTrack = nullptr;
    QListWidget* lsbAllTrack = nullptr;
    QPushButton* btnInclude = nullptr;
    QPushButton* btnIncAll = nullptr;
    QLabel* lblPrg = nullptr;
    QPushButton* btnExcAll = nullptr;
    QPushButton* btnExclude = nullptr;
    QListWidget* lsbPrg = nullptr;
    QPushButton* btnUp = nullptr;
    QPushButton* btnDown = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

private:
    /// Appends the selected lines of `source` to lsbPrg and their indexes to the order.
    void MoveSelected(QListWidget* source);
    /// The index of the selected line of lsbPrg, or -1.
    int SelectedProgramLine() const;
    void ExchangeProgramLines(int a, int b);

    TPrgSetHost& host_;
    THelp* help_;
    QButtonGroup* howPlayButtons_ = nullptr;
    std::string lastHelpError_;
};

}  // namespace lintel
