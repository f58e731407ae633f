#include "app/ConfigHost.h"

#include "app/main.h"
#include "platform/CdAudioDevice.h"

namespace lintel {

void TBarConfigHost::sbtConfigClick() {
    TfrmConfig dialog(*this, &bar_);
    (void)dialog.Execute();
    bar_.Engine().ReapplySettings();
}

TIniStore& TBarConfigHost::Settings() {
    return *bar_.Engine().Settings();
}

TBarSettingsTarget& TBarConfigHost::Bar() {
    return bar_;
}

DriveSet& TBarConfigHost::Drives() {
    return bar_.Drives();
}

MixerSystem& TBarConfigHost::Mixers() {
    return bar_.Mixers();
}

THelp* TBarConfigHost::Help() {
    return &bar_.Help();
}

std::string TBarConfigHost::SystemFolder() {
    return bar_.SystemFolder();
}

void TBarConfigHost::UpdateDiscLabel() {
    bar_.Engine().UpdateDiscLabel();
}

void TBarConfigHost::UpdateTrackLabel() {
    bar_.Engine().UpdateTrackLabel();
}

bool TBarConfigHost::TrayOpen() {
    return bar_.Engine().CDcore().QueryMode() == static_cast<int>(CdMode::Open);
}

void TBarConfigHost::ReapplyEdge() {
    bar_.ReapplyEdge();
}

void TBarConfigHost::SetTimerInterval(int milliseconds) {
    bar_.Engine().SetTimerInterval(milliseconds);
}

void TBarConfigHost::RepaintBar() {
    bar_.update();
}

void TBarConfigHost::SetConfigDialogOpen(bool open) {
    bar_.SetConfigDialogOpen(open);
}

}  // namespace lintel
