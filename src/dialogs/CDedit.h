// TfrmCDEdit, the title editor: the user types the title, the artist and the name of every
// track of the disc in the drive. The dialog edits a private copy of the disc's record;
// only OK hands it back, and the bar stores it.
//
// The user types Unicode; the record holds code page 932. A character without a code page
// 932 form is left out of the copy and named to the user at OK, who then stores the
// record without it or goes back to the dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <string>

#include "titles/IniStore.h"
#include "titles/KnownCD.h"

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace lintel {

class THelp;
class TfrmKCDcfg;

class TfrmCDEdit : public QDialog {
public:
    /// `settings` (the KnownCD folder lives there; may be nullptr) and `help` must outlive
    /// the dialog.
    TfrmCDEdit(TIniStore* settings, THelp* help, QWidget* owner = nullptr);

    /// Shows the dialog modally on a copy of `titleLines` for a disc of `trackCount`
    /// tracks; true when it closed with OK, and EditLines then holds the result.
    bool ShowModal(const TStringList& titleLines, int trackCount);
    /// What ShowModal does before the dialog shows: the copy and the fields (FormShow).
    void Load(const TStringList& titleLines, int trackCount);
    /// The edited copy of the record.
    [[nodiscard]] const TStringList& EditLines() const { return editLines_; }

    /// Runs the KnownCD dialog; the program shows it modally, tests drive it. Called with
    /// the dialog ready to show; returns whether it closed with OK.
    std::function<bool(TfrmKCDcfg& dialog)> RunKnownCdDialog;

    // ---- handlers
    /// Takes the copy of `titleLines_` and fills the fields and the track list.
    void FormShow();
    /// Takes the three fields into the copy, on every close.
    void FormClose();
    void edtTitleReturn();
    void edtArtistReturn();
    /// Enter in the track name, or a click on btnReturn: stores the name and moves on.
    void btnReturnClick();
    /// Up (-1) or Down (+1) in the track name: another track, the typed name dropped.
    void edtTrackStep(int step);
    void lsbAllTrackClick();
    void RefreshTrackItem(int index);
    void HelpBtnClick();
    void btnKCDConfigClick();
    /// Copies a KnownCD disc into the copy, with its remarks after the names if asked.
    void ImportKnownCD(const TKnownCdDisc& disc, bool withRemarks);

    /// Fills the copy with titles a look-up found (title, artist, then track 1, 2, ...),
    /// as if the user typed them: nothing is stored before OK, and OK asks about the
    /// characters code page 932 cannot hold.
    void FillFound(const QString& title, const QString& artist, const QStringList& tracks);

    /// The characters of the copy's texts that have no code page 932 form, in order.
    [[nodiscard]] QString UnstorableCharacters() const;

    // ---- the controls
    QFrame* Bevel1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLineEdit* edtTitle = nullptr;
    QLabel* lblArtist = nullptr;
    QLineEdit* edtArtist = nullptr;
    QLabel* lblAllTrack = nullptr;
    QListWidget* lsbAllTrack = nullptr;
    QLabel* lblTrack = nullptr;
    QPushButton* btnReturn = nullptr;
    QLineEdit* edtTrack = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* btnKCDConfig = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    /// The text of the message that asked about unstorable characters; empty when none.
    [[nodiscard]] const QString& LastQuestion() const { return lastQuestion_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    /// Sets `key` of the copy to typed text, leaving out what code page 932 cannot hold.
    /// Text equal to the key's value as shown leaves its bytes as they are.
    void SetTyped(const std::string& key, const QString& text);
    /// Sets `key` of the copy to code page 932 bytes.
    void SetBytes(const std::string& key, const std::string& bytes);
    [[nodiscard]] QString Value(const std::string& key) const;
    /// The copy into the fields and the track list, the first track chosen, the title
    /// focused: as the dialog opens, and after an import.
    void ShowCopy();
    /// Selects line `index` of the track list, or line 0 when there is no such line, and
    /// loads that track's name into edtTrack with all of it selected.
    void SelectTrack(int index);
    /// Loads the name of track `index` (none for -1) into edtTrack, all of it selected.
    void LoadTrackName(int index);
    /// The focus into edtTrack with all of its text selected.
    void FocusTrackName();
    [[nodiscard]] int SelectedTrack() const;
    void ShowText(const QString& text);

    TIniStore* settings_;
    THelp* help_;
    TStringList titleLines_;
    int trackCount_ = 0;
    TStringList editLines_;
    std::map<std::string, std::u32string> unstorable_;  ///< per key of the copy
    QString lastQuestion_;
};

}  // namespace lintel
