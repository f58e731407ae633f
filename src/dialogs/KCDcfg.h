// TfrmKCDcfg, the KnownCD import: the user picks the folder of a KnownCD catalogue, sees
// every disc found there with its title, artist and track count, and chooses one whose
// names the title editor takes over. Nothing is ever written to the catalogue's files.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "titles/IniStore.h"
#include "titles/KnownCD.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace lintel {

class THelp;

class TfrmKCDcfg : public QDialog {
public:
    /// `settings` (which may be nullptr) and `help` must outlive the dialog.
    TfrmKCDcfg(TIniStore* settings, THelp* help, QWidget* owner = nullptr);

    /// Asks the user for a folder, starting at `current`; an empty result means cancelled.
    /// The program opens Qt's folder picker; tests answer themselves.
    std::function<QString(QWidget* parent, const QString& current)> PickFolder;

    // ---- handlers
    /// The stored data folder into the edit, then the discs of that folder.
    void FormShow();
    /// Adds every disc of the folder (the edit's, or the last one when the edit is
    /// empty) to the list; the list is not emptied first. Files that cannot be read are
    /// named in one message after the listing.
    void ListKnownCDFolder();
    void bbtFolderSelectClick();
    void HelpBtnClick();

    /// The disc chosen in the list, as read when it was listed; nothing when not exactly
    /// one is chosen.
    [[nodiscard]] std::optional<TKnownCdDisc> SelectedDisc() const;
    /// The folder whose discs the list shows.
    [[nodiscard]] const QString& ListedFolder() const { return listedFolder_; }
    /// The message naming the files the last listing could not read; empty when none.
    [[nodiscard]] const QString& LastReadErrors() const { return lastReadErrors_; }

    // ---- the controls
    QLabel* lblDataFolder = nullptr;
    QLineEdit* edtDataFolder = nullptr;
    QPushButton* bbtFolderSelect = nullptr;
    QTreeWidget* lsvCDData = nullptr;
    QCheckBox* chbRemark = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TIniStore* settings_;
    THelp* help_;
    QString listedFolder_;
    std::vector<TKnownCdDisc> discs_;  ///< one per line of lsvCDData
    QString lastReadErrors_;
};

}  // namespace lintel
