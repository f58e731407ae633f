// The bar's life: start-up, closing and the titles shown on the bar.
#include "playback/BarEngine.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace lintel {
namespace {

constexpr const char* kConfig = "Config";

// The time of a track as the gauge shows it: minutes and two-digit seconds.
std::string MinutesSeconds(std::uint32_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%u:%.2u", ms / 60000, (ms % 60000) / 1000);
    return text;
}

}  // namespace

TBarEngine::TBarEngine(TBarView& view, TDriveTable& drives)
    : view_(view), drives_(drives), cdcore_(drives) {}

TBarEngine::~TBarEngine() = default;

void TBarEngine::FormCreate(const TStartupPaths& paths) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));  // random play order only

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
        view_.ShowMessage(cp932::Literal(
            "CDデバイスをオープンできませんでした。\r"
            "Lintelを終了し、他のＣＤプレーヤーも終了してください。\r"
            "その後、Lintelを再実行して下さい。"));
        deviceUnavailable_ = true;
    }
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
    view_.ShowMessage(cp932::Literal("タイトルデータを cdplayer.ini から lintel.ini にコピーしました"));
}

void TBarEngine::ApplyTimerAndDrive() {
    // A "TimerInt" that is no decimal number keeps the default interval.
    std::string text = settings_->ReadString(kConfig, "TimerInt", "1000");
    char* end = nullptr;
    long interval = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || interval < 0 || interval > 0x7FFFFFFF) {
        interval = 1000;
    }
    view_.SetTimerInterval(static_cast<int>(interval));
    cdcore_.SetDriveName(settings_->ReadString(kConfig, "Drive", ""));
}

void TBarEngine::FormShow() { view_.ReapplyEdge(); }

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
        error = settings_->UpdateFile();
        settings_.reset();  // after a failure its release tries once more, to stderr
    }
    cdcore_.CloseDevice();
    return error;
}

void TBarEngine::sbtExitClick() { view_.CloseBar(); }

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
    int tracks = static_cast<int>(cdcore_.QueryTrackCount());
    TStringList captions;
    for (int t = 1; t <= tracks; ++t) {
        captions.push_back(std::to_string(t) + ". " + TrackName(titleLines_, t));
    }
    view_.BuildTrackMenus(captions);
    ResetTrackGauge();
}

void TBarEngine::UpdateDiscLabel() {
    view_.SetDiscLabel(affixes_.opening + title_ + affixes_.separator + artist_ +
                       affixes_.closing + discLabelPad_);
}

void TBarEngine::UpdateTrackLabel() {
    view_.SetTrackLabel(std::to_string(currentTrack_) + ". " +
                        TrackName(titleLines_, currentTrack_) + trackLabelPad_);
}

// ---- playback entry points -----------------------------------------------------------

void TBarEngine::ResetTrackGauge() {
    cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    std::uint32_t length;
    if (currentTrack_ == static_cast<int>(cdcore_.QueryTrackCount())) {
        length = cdcore_.QueryTrackLength(currentTrack_);
    } else {
        length = cdcore_.QueryTrackStart(currentTrack_ + 1) -
                 cdcore_.QueryTrackStart(currentTrack_);
    }
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
    view_.SetGaugeMax(static_cast<int>(length));
    view_.SetGaugeProgress(0);
    trackLengthText_ = MinutesSeconds(length);
    view_.SetGaugeText("0:00/" + trackLengthText_);
}

void TBarEngine::sbtPlayClick() {
    // Plays from the current track to the end of the last track.
    if (settings_->ReadBool(kConfig, "VisiOpe", true)) {
        view_.HideOperationPanel();
    }
    paused_ = false;
    playRequested_ = true;
    cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    int last = static_cast<int>(cdcore_.QueryTrackCount());
    std::uint32_t from = cdcore_.QueryTrackStart(currentTrack_);
    std::uint32_t to = cdcore_.QueryTrackStart(last) + cdcore_.QueryTrackLength(last);
    cdcore_.PlayRange(from, to);
    entryEndPosition_ = static_cast<int>(to);
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
    view_.MarkCurrentTrack(currentTrack_);
    ResetTrackGauge();
}

void TBarEngine::SaveResumeState() {
    // The resume record is written once resume is part of the player.
}

void TBarEngine::EnableTransport(bool transport, bool pauseAndEdit) {
    view_.EnableTransport(transport, pauseAndEdit);
}

}  // namespace lintel
