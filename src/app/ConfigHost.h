// The bar as the settings dialog reaches it, and the bar's command that runs the dialog.
#pragma once

#include "dialogs/config.h"

namespace lintel {

class TfrmMain;

class TBarConfigHost : public TConfigHost {
public:
    explicit TBarConfigHost(TfrmMain& bar) : bar_(bar) {}

    /// sbtConfigClick: the dialog for one opening, then the bar set again from the file
    /// whatever the dialog's result. The dialog is released last, closing the mixer and
    /// writing its custom colours.
    void sbtConfigClick();

    TIniStore& Settings() override;
    TBarSettingsTarget& Bar() override;
    DriveSet& Drives() override;
    MixerSystem& Mixers() override;
    THelp* Help() override;
    std::string SystemFolder() override;
    void UpdateDiscLabel() override;
    void UpdateTrackLabel() override;
    bool TrayOpen() override;
    void ReapplyEdge() override;
    void SetTimerInterval(int milliseconds) override;
    void RepaintBar() override;
    void SetConfigDialogOpen(bool open) override;

private:
    TfrmMain& bar_;
};

}  // namespace lintel
