// Resume: the record written when the bar closes while a disc plays, and its use at the
// first stopped tick of the next run with the same disc.
#include "platform/Cp932.h"
#include "playback/BarEngine.h"
#include "playback/lintellib.h"
#include "settings/SettingsKeys.h"

namespace lintel {
namespace {

constexpr const char* kResumption = "Resumption";
constexpr const char* kUsed = "#";  // titleID of a record used or found not to match

}  // namespace

void TBarEngine::SaveResumeState() {
    // A disc stopped or paused at close leaves the record as it was.
    if (settings_ == nullptr || cdcore_.QueryMode() != static_cast<int>(CdMode::Playing) ||
        !ReadBool(*settings_, TSetting::ConfigResumption) || discId_ == "0") {
        return;
    }
    settings_->WriteString(kResumption, "titleID", discId_);
    settings_->WriteInteger(kResumption, "NowTrack", currentTrack_);
    settings_->WriteBool(kResumption, "bUseRep", repeatOn_);
    settings_->WriteBool(kResumption, "bUsePrg", programMode_);
    settings_->WriteBool(kResumption, "bUseRnd", randomOrder_);
    settings_->WriteInteger(kResumption, "PrgOrder", programIndex_);
    settings_->WriteString(kResumption, "PrgPack", PackPlayOrderFor("PrgPack"));
    discId_ = "0";
}

void TBarEngine::ResumeCheck() {
    if (!ReadBool(*settings_, TSetting::ConfigResumption)) {
        return;
    }
    // "0" is no disc: a record naming it can only come from an edited file.
    if (discId_ != "0" && settings_->ReadString(kResumption, "titleID", kUsed) == discId_) {
        RestoreResumeState();
    } else {
        settings_->WriteString(kResumption, "titleID", kUsed);
    }
}

void TBarEngine::RestoreResumeState() {
    const bool repeat = settings_->ReadBool(kResumption, "bUseRep", false);
    const bool program = settings_->ReadBool(kResumption, "bUsePrg", false);
    const bool random = settings_->ReadBool(kResumption, "bUseRnd", false);
    const int nowTrack = settings_->ReadInteger(kResumption, "NowTrack", 0);
    const int prgOrder = settings_->ReadInteger(kResumption, "PrgOrder", 0);
    std::string packed;
    TStringList order;
    if (program) {
        packed = settings_->ReadString(kResumption, "PrgPack", "");
        SplitQuoted(packed, ' ', '\'', order);
    }

    // A record that names no track of this disc (edited, or written for another track
    // count) is dropped as used, without playing and without a message.
    bool playable;
    if (program) {
        TStringList kept = std::move(playOrder_);
        playOrder_ = order;
        playable = EntryTrack(prgOrder).has_value();
        playOrder_ = std::move(kept);
    } else {
        playable = nowTrack >= 1 && nowTrack <= static_cast<int>(cdcore_.QueryTrackCount());
    }
    if (!playable) {
        settings_->WriteString(kResumption, "titleID", kUsed);
        return;
    }

    repeatOn_ = repeat;
    view_.SetRepeatState(repeatOn_);
    programMode_ = program;
    randomOrder_ = random;
    if (program) {
        playOrder_ = std::move(order);
    }
    BuildTrackMenus();
    PlayTrack(nowTrack, prgOrder);

    // Used once, and marked so before the message: ticks go on while it is shown, and a
    // stopped one (a play that failed) must not find the record again.
    settings_->WriteString(kResumption, "titleID", kUsed);

    // The line breaks are line feed then carriage return, in that order.
    const std::string lineBreak = "\n\r";
    view_.ShowMessage(cp932::Literal("レジューム機能により前回の設定が復活しました") + lineBreak +
                      cp932::Literal("開始トラック: ") + TrackName(titleLines_, currentTrack_) +
                      lineBreak + cp932::Literal("リピート = ") + (repeatOn_ ? "1" : "0") +
                      lineBreak + cp932::Literal("プログラム順 = ") + packed);

    if (ReadBool(*settings_, TSetting::ConfigVisiOpe)) {
        view_.HideOperationPanel();
    }
}

}  // namespace lintel
