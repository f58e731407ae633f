// TfrmConfig, the settings dialog: seven pages for the look of the disc name, the track
// name and the time gauge, the background, the arrangement and docking, the mixer's
// volume and the general behaviour. It is built for one opening and loads every page from
// lintel.ini; Apply previews the edited values on the bar without storing them, OK stores
// them, and in every case the bar is set again from the file once the dialog closed.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/BarSettings.h"
#include "titles/IniStore.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace lintel {

class DriveSet;
class MixerSystem;
class THelp;
class TColorDropButton;
class TRadioGroup;
class TSpinEdit;
class TVolumePage;

/// What the dialog reaches of the bar. Everything must outlive the dialog.
class TConfigHost : public TPreviewTarget {
public:
    virtual TIniStore& Settings() = 0;
    virtual DriveSet& Drives() = 0;
    virtual MixerSystem& Mixers() = 0;
    /// The program's help, or nullptr.
    virtual THelp* Help() = 0;
    /// The folder that holds li_clr.ini, the colour buttons' custom colours.
    virtual std::string SystemFolder() = 0;

    virtual void ReapplyEdge() = 0;
    /// While set, a change of the dock does not lay the bar out by the stored settings,
    /// so that it does not undo a previewed arrangement.
    virtual void SetConfigDialogOpen(bool open) = 0;
};

/// One label's page: the disc name's or the track name's.
struct TLabelPage {
    QCheckBox* chbVisible = nullptr;
    QCheckBox* chbUseBack = nullptr;
    QCheckBox* chbSpace = nullptr;
    QLabel* lblFontName = nullptr;
    QLineEdit* edtFontName = nullptr;
    QListWidget* lsbFontName = nullptr;
    QLabel* lblFontSize = nullptr;
    TSpinEdit* sedFontSize = nullptr;
    QCheckBox* chbBold = nullptr;
    QCheckBox* chbItalic = nullptr;
    QLabel* lblclrFG = nullptr;
    TColorDropButton* dcbFG = nullptr;
    QLabel* lblclrBG = nullptr;
    TColorDropButton* dcbBG = nullptr;
};

class TfrmConfig : public QDialog {
public:
    /// Builds the dialog with the bar as its owner and runs FormCreate (the drive list and
    /// the volume page, which may say that there is no mixer).
    TfrmConfig(TConfigHost& host, QWidget* owner);
    /// Writes li_clr.ini once, after the colour buttons gave back their custom colours.
    ~TfrmConfig() override;
    TfrmConfig(const TfrmConfig&) = delete;
    TfrmConfig& operator=(const TfrmConfig&) = delete;

    /// The dialog's part of the command: shown modally with the "dialog open" state set,
    /// then the six saves on OK, or only the background choice put back otherwise. True
    /// for OK. The bar is set again from the file by the caller.
    bool Execute();

    // ---- set-up
    void FormCreate();
    void FormShow();
    /// Takes SavedBackIndex, once: when the dialog is first shown.
    void FormActivate();
    void FillDriveList();
    void LoadCnPage();
    void LoadTrPage();
    void LoadTbPage();
    void LoadBkPage();
    void LoadIndiPage();
    void LoadEtcPage();

    // ---- handlers
    void chbCnVisibleClick();
    void chbTrVisibleClick();
    void chbTbVisibleClick();
    void chbCnUseBackClick();
    void chbTrUseBackClick();
    void btnReloadClick();
    void btnHelpClick();

    // ---- Apply's previews
    void PreviewOrder();
    void PreviewTrack();
    void PreviewCDName();
    void PreviewTimeBar();
    void PreviewBack();
    void PreviewPlacement();
    void PreviewTimer();

    /// What the pages hold, as OK stores it.
    [[nodiscard]] TConfigValues Values() const;
    [[nodiscard]] int SavedBackIndex() const { return savedBackIndex_; }

    // ---- the controls
    QTabWidget* pgcConfig = nullptr;
    QWidget* tbsCn = nullptr;
    QWidget* tbsTr = nullptr;
    QWidget* tbsTb = nullptr;
    QWidget* tbsBk = nullptr;
    QWidget* tbsIndi = nullptr;
    TVolumePage* tbsVol = nullptr;
    QWidget* tbsEtc = nullptr;
    TLabelPage Cn;
    TLabelPage Tr;
    QCheckBox* chbTbVisible = nullptr;
    QLineEdit* edtTbFontName = nullptr;
    QListWidget* lsbTbFontName = nullptr;
    TSpinEdit* sedTbFontSize = nullptr;
    QCheckBox* chbTbBold = nullptr;
    QCheckBox* chbTbItalic = nullptr;
    TColorDropButton* dcbTbFG = nullptr;
    TColorDropButton* dcbTbBG = nullptr;
    TSpinEdit* sedTbWidth = nullptr;
    TSpinEdit* sedTbHeight = nullptr;
    TRadioGroup* rdgBack = nullptr;
    TColorDropButton* dcbBkColor = nullptr;
    TRadioGroup* rdgOrder = nullptr;
    TRadioGroup* rdgTbPos = nullptr;
    TRadioGroup* rdgPosition = nullptr;
    QCheckBox* chbTopMost = nullptr;
    QCheckBox* chbAutoHide = nullptr;
    TRadioGroup* rdgVisiOpeType = nullptr;
    QCheckBox* chbVisiOpe = nullptr;
    QCheckBox* chbAutoPlay = nullptr;
    QCheckBox* chbCDROMClose = nullptr;
    QCheckBox* chbResume = nullptr;
    QComboBox* cmbDrive = nullptr;
    QComboBox* cmbTimerInt = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnReload = nullptr;
    QPushButton* btnHelp = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    /// OK first keeps the stored font names whose typed form code page 932 cannot hold.
    void done(int result) override;

private:
    void BuildLabelPage(QWidget* page, TLabelPage& p, const char* prefix,
                        const char* visibleCaption);
    void BuildTimeBarPage();
    void BuildBackPage();
    void BuildIndiPage();
    void BuildEtcPage();
    TColorDropButton* AddColorButton(QWidget* parent, const char* name, QPoint place);
    void LoadLabelPage(TLabelPage& p, const TLabelFontValues& v);
    [[nodiscard]] TLabelFontValues LabelValues(const TLabelPage& p) const;
    [[nodiscard]] TTimeBarValues TimeBarValues() const;
    [[nodiscard]] TBackValues BackValues() const;
    [[nodiscard]] TPlacementValues PlacementValues() const;
    void KeepStorableFontNames();
    void EnableLabelPage(TLabelPage& p);
    void EnableBorderColor(TLabelPage& p);

    TConfigHost& host_;
    // The one store of the colour buttons' custom colours: li_clr.ini for this opening,
    // or the session's own without a system folder.
    std::unique_ptr<TIniStore> ownColorStore_;
    TIniStore* colorStore_ = nullptr;
    // They give their custom colours to the store when they go, so they go before it.
    std::vector<TColorDropButton*> colorButtons_;
    int savedBackIndex_ = 0;
    bool backIndexTaken_ = false;
};

}  // namespace lintel
