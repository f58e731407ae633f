// The bar's life: start-up, closing and the titles shown on the bar.
#include "playback/BarEngine.h"

#include <chrono>

#include "platform/Cp932.h"
#include "playback/lintellib.h"
#include "platform/FileSystem.h"

namespace lintel {
namespace {

constexpr const char* kConfig = "Config";

}  // namespace

TBarEngine::TBarEngine(TBarView& view, TDriveTable& drives)
    : view_(view), drives_(drives), cdcore_(drives) {
    randomDraw_ = [this](int n) {
        return std::uniform_int_distribution<int>(0, n - 1)(generator_);
    };
}

TBarEngine::~TBarEngine() = default;

void TBarEngine::FormCreate(const TStartupPaths& paths) {
    // Random play only: each run draws another order.
    generator_.seed(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));

    // Start values of the player state.
    discId_ = "0";
    currentTrack_ = 1;
    deviceUnavailable_ = playRequested_ = paused_ = programMode_ = randomOrder_ = false;
    repeatOn_ = playingSeen_ = audioDiscSeen_ = settingsReady_ = configDialogOpen_ = false;
    programIndex_ = -1;
    titleLines_.clear();
    playOrder_.clear();

    FirstStartImport(paths);
    settings_ = std::make_unique<TIniStore>(paths.settingsFile);
    settingsReady_ = true;
    if (const auto& error = settings_->LoadError()) {
        view_.ShowMessage(*error);
    }

    view_.ApplyStoredSettings(*settings_);
    ApplyTimerAndDrive();

    switch (settings_->ReadInteger(kConfig, "Position", 1)) {
        case 0:
            view_.SetEdge(TBarEdge::Top);
            break;
        case 1:
            view_.SetEdge(TBarEdge::Bottom);
            break;
        default:
            break;
    }

    try {
        cdcore_.OpenDevice();
        CheckDisc();
    } catch (const std::exception&) {
        view_.ShowMessage(
            cp932::Literal("CDデバイスをオープンできませんでした。\r"
                           "Lintelを終了し、他のＣＤプレーヤーも終了してください。\r"
                           "その後、Lintelを再実行して下さい。"));
        deviceUnavailable_ = true;
    }
    // Ticks start only now: a message box above runs a loop of its own, and a tick there
    // would find the device not yet opened and no disc checked.
    SwitchTimer(true);
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
    view_.ShowMessage(
        cp932::Literal("タイトルデータを cdplayer.ini から lintel.ini にコピーしました"));
}

void TBarEngine::ApplyTimerAndDrive() {
    // A "TimerInt" that is no decimal number keeps the default interval.
    const int interval =
        ParseMilliseconds(settings_->ReadString(kConfig, "TimerInt", "1000")).value_or(1000);
    SetTimerInterval(interval);
    cdcore_.SetDriveName(settings_->ReadString(kConfig, "Drive", ""));
}

void TBarEngine::FormShow() {
    view_.ReapplyEdge();
}

void TBarEngine::FormClose() {
    if (settings_ != nullptr) {
        switch (view_.Edge()) {
            case TBarEdge::Top:
                settings_->WriteInteger(kConfig, "Position", 0);
                break;
            case TBarEdge::Bottom:
                settings_->WriteInteger(kConfig, "Position", 1);
                break;
            case TBarEdge::Floating:
                break;
        }
        view_.SaveLayout(*settings_);
        SaveResumeState();
    }
    if (!deviceUnavailable_) {
        cdcore_.StopPlay();
    }
}

std::optional<std::string> TBarEngine::FormDestroy() {
    settingsReady_ = false;
    std::optional<std::string> error;
    if (settings_ != nullptr) {
        if (const Outcome written = settings_->UpdateFile(); !written.Ok()) {
            error = written.Error();
        }
        settings_.reset();  // after a failure its release tries once more, to stderr
    }
    cdcore_.CloseDevice();
    return error;
}

void TBarEngine::sbtExitClick() {
    view_.CloseBar();
}

// ---- titles on the bar -------------------------------------------------------------

void TBarEngine::LoadTitleRecord() {
    LoadedTitleRecord record = lintel::LoadTitleRecord(*settings_, discId_);
    titleLines_ = std::move(record.lines);
    title_ = std::move(record.title);
    artist_ = std::move(record.artist);
    affixes_ = record.affixes;
    UpdateDiscLabel();
    currentTrack_ = MCI_TMSF_TRACK(cdcore_.QueryPosition());
    if (currentTrack_ < 1) {
        currentTrack_ = 1;  // a position the device could not tell
    }
    UpdateTrackLabel();
    view_.LayoutBar();
    view_.ReapplyEdge();
    BuildTrackMenus();
    ResetTrackGauge();
}

void TBarEngine::UpdateDiscLabel() {
    view_.SetDiscLabel(affixes_.opening + title_ + affixes_.separator + artist_ + affixes_.closing +
                       discLabelPad_);
}

void TBarEngine::UpdateTrackLabel() {
    view_.SetTrackLabel(std::to_string(currentTrack_) + ". " +
                        TrackName(titleLines_, currentTrack_) + trackLabelPad_);
}

}  // namespace lintel
