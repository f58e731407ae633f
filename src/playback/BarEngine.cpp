// The bar's life: start-up and closing. Everything else is forwarded to the units.
#include "playback/BarEngine.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/SettingsKeys.h"

namespace lintel {

TBarEngine::TBarEngine(TBarView& view, DriveSet& drives)
    : player_(view, drives),
      timer_(view),
      titles_(view),
      order_(player_, titles_, timer_),
      transport_(player_, timer_, titles_, order_),
      resume_(player_, titles_, order_, transport_),
      detection_(player_, drives, titles_, order_, transport_, resume_) {}

TBarEngine::~TBarEngine() = default;

void TBarEngine::FormCreate(const TStartupPaths& paths) {
    order_.SeedFromClock();
    deviceUnavailable_ = false;

    FirstStartImport(paths);
    player_.settings = std::make_unique<TIniStore>(paths.settingsFile);
    TIniStore& settings = *player_.settings;
    settingsReady_ = true;
    if (const auto& error = settings.LoadError()) {
        player_.view.ShowMessage(*error);
    }

    player_.view.ApplyStoredSettings(settings);
    ApplyTimerAndDrive();

    if (const auto edge = EdgeOfPosition(ReadInteger(settings, TSetting::ConfigPosition))) {
        player_.view.SetEdge(*edge);
    }

    try {
        player_.cdcore.OpenDevice();
        CheckDisc();
    } catch (const std::exception&) {
        player_.view.ShowMessage(
            cp932::Literal("CDデバイスをオープンできませんでした。\r"
                           "Lintelを終了し、他のＣＤプレーヤーも終了してください。\r"
                           "その後、Lintelを再実行して下さい。"));
        deviceUnavailable_ = true;
    }
    // Ticks start only now: a message box above runs a loop of its own, and a tick there
    // would find the device not yet opened and no disc checked.
    timer_.SwitchOn();
}

void TBarEngine::FirstStartImport(const TStartupPaths& paths) {
    // The import always tests for and writes the fixed name, whatever the program is
    // called, as the settings of a renamed copy are a file of its own.
    const std::string target = paths.programFolder + "/lintel.ini";
    const std::string source = paths.systemFolder + "/cdplayer.ini";
    if (FileExists(target) || !FileExists(source)) {
        return;
    }
    CopyFileNoOverwrite(source, target);  // the message is shown whether or not it worked
    player_.view.ShowMessage(
        cp932::Literal("タイトルデータを cdplayer.ini から lintel.ini にコピーしました"));
}

void TBarEngine::ApplyTimerAndDrive() {
    TIniStore& settings = *player_.settings;
    timer_.SetInterval(ReadMilliseconds(settings, TSetting::ConfigTimerInt));
    player_.cdcore.SetDriveName(ReadString(settings, TSetting::ConfigDrive));
}

void TBarEngine::FormShow() {
    player_.view.ReapplyEdge();
}

void TBarEngine::FormClose() {
    if (player_.settings != nullptr) {
        if (const auto position = PositionOfEdge(player_.view.Edge())) {
            WriteInteger(*player_.settings, TSetting::ConfigPosition, *position);
        }
        player_.view.SaveLayout(*player_.settings);
        SaveResumeState();
    }
    if (!deviceUnavailable_) {
        player_.cdcore.StopPlay();
    }
}

std::optional<std::string> TBarEngine::FormDestroy() {
    settingsReady_ = false;
    std::optional<std::string> error;
    if (player_.settings != nullptr) {
        if (const Outcome written = player_.settings->UpdateFile(); !written.Ok()) {
            error = written.Error();
        }
        player_.settings.reset();  // after a failure its release tries once more, to stderr
    }
    player_.cdcore.CloseDevice();
    return error;
}

void TBarEngine::sbtExitClick() {
    player_.view.CloseBar();
}

void TBarEngine::Timer1Timer() {
    if (player_.settings == nullptr) {
        return;  // after the store is gone nothing may be polled
    }
    switch (transport_.Tick()) {
        case TTickFound::Busy:
            return;
        case TTickFound::TrayOpen:
            detection_.TrayOpened();
            return;
        case TTickFound::Idle:
            detection_.CheckDisc();
            [[fallthrough]];
        case TTickFound::Followed:
            resume_.Check(detection_.DiscId());
            return;
    }
}

void TBarEngine::sbtPrgSetClick() {
    if (player_.Ready()) {
        order_.sbtPrgSetClick(detection_.DiscId());
    }
}

void TBarEngine::EditFoundTitles(const std::string& discId, const CdText& found) {
    if (discId == detection_.DiscId()) {
        EditTitles(&found);
    }
}

void TBarEngine::EditTitles(const CdText* found) {
    const std::string discId = detection_.DiscId();
    if (player_.Ready() && discId != kNoDiscId) {
        const int tracks = static_cast<int>(player_.cdcore.QueryTrackCount());
        const std::optional<TStringList> edited =
            found != nullptr ? player_.view.ShowFoundTitles(titles_.Lines(), tracks, *found)
                             : player_.view.ShowTitleEditor(titles_.Lines(), tracks);
        // Ticks go on while the editor is open: the disc may have left the drive meanwhile.
        // What was typed belongs to the disc it was typed for, never to the one now in
        // the drive, whose display stays as it is.
        if (edited) {
            (void)SaveTitleRecord(*player_.settings, discId, *edited, tracks);
            if (detection_.DiscId() == discId) {
                detection_.LoadTitleRecord();
            } else {
                player_.view.ShowMessage(
                    cp932::Literal("編集中にディスクが取り出されたため、タイトルは取り出したディ"
                                   "スクに保存しました。"));
            }
        }
    }
    player_.view.HideOperationPanel();
}

void TBarEngine::ReapplySettings() {
    if (player_.settings == nullptr) {
        return;
    }
    player_.view.ApplyStoredSettings(*player_.settings);
    ApplyTimerAndDrive();
    // Reopened whether or not the drive changed, which also recovers a device that could
    // not be opened at start-up.
    try {
        player_.cdcore.OpenDevice();
        deviceUnavailable_ = false;
    } catch (const std::exception& e) {
        player_.view.ShowMessage(e.what());
        deviceUnavailable_ = true;
    }
    UpdateDiscLabel();
    UpdateTrackLabel();
    try {
        CheckDisc();
    } catch (const std::exception& e) {
        player_.view.ShowMessage(e.what());
    }
    player_.view.LayoutBar();
    player_.view.ReapplyEdge();
}

void TBarEngine::SaveResumeState() {
    if (resume_.Save(detection_.DiscId())) {
        detection_.ForgetDisc();
    }
}

}  // namespace lintel
