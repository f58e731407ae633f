#include "playback/Resume.h"

#include "platform/Cp932.h"
#include "playback/lintellib.h"
#include "settings/SettingsKeys.h"

namespace lintel {
namespace {

constexpr const char* kResumption = "Resumption";
constexpr const char* kUsed = "#";  // titleID of a record used or found not to match

}  // namespace

TResume::TResume(TPlayerContext& player, const TBarTitles& titles, TPlayOrder& order,
                 TTransport& transport)
    : player_(player), titles_(titles), order_(order), transport_(transport) {}

bool TResume::Save(std::string_view discId) {
    TIniStore* settings = player_.settings.get();
    // A disc stopped or paused at close leaves the record as it was.
    if (settings == nullptr || player_.cdcore.QueryMode() != static_cast<int>(CdMode::Playing) ||
        !ReadBool(*settings, TSetting::ConfigResumption) || discId == kNoDiscId) {
        return false;
    }
    settings->WriteString(kResumption, "titleID", discId);
    settings->WriteInteger(kResumption, "NowTrack", transport_.CurrentTrack());
    settings->WriteBool(kResumption, "bUseRep", order_.RepeatOn());
    settings->WriteBool(kResumption, "bUsePrg", order_.ProgramMode());
    settings->WriteBool(kResumption, "bUseRnd", order_.RandomOrder());
    settings->WriteInteger(kResumption, "PrgOrder", order_.ProgramIndex());
    settings->WriteString(kResumption, "PrgPack", order_.PackPlayOrderFor("PrgPack"));
    return true;
}

void TResume::Check(std::string_view discId) {
    TIniStore& settings = *player_.settings;
    if (!ReadBool(settings, TSetting::ConfigResumption)) {
        return;
    }
    // kNoDiscId is no disc: a record naming it can only come from an edited file.
    if (discId != kNoDiscId && settings.ReadString(kResumption, "titleID", kUsed) == discId) {
        Restore();
    } else {
        settings.WriteString(kResumption, "titleID", kUsed);
    }
}

void TResume::Restore() {
    TIniStore& settings = *player_.settings;
    const bool repeat = settings.ReadBool(kResumption, "bUseRep", false);
    const bool program = settings.ReadBool(kResumption, "bUsePrg", false);
    const bool random = settings.ReadBool(kResumption, "bUseRnd", false);
    const int nowTrack = settings.ReadInteger(kResumption, "NowTrack", 0);
    const int prgOrder = settings.ReadInteger(kResumption, "PrgOrder", 0);
    std::string packed;
    TStringList order;
    if (program) {
        packed = settings.ReadString(kResumption, "PrgPack", "");
        SplitQuoted(packed, ' ', '\'', order);
    }

    // A record that names no track of this disc (edited, or written for another track
    // count) is dropped as used, without playing and without a message.
    const int trackCount = static_cast<int>(player_.cdcore.QueryTrackCount());
    const bool playable = program ? EntryTrack(order, prgOrder, trackCount).has_value()
                                  : nowTrack >= 1 && nowTrack <= trackCount;
    if (!playable) {
        settings.WriteString(kResumption, "titleID", kUsed);
        return;
    }

    order_.Resume(
        {.repeat = repeat, .program = program, .random = random, .order = std::move(order)});
    order_.BuildTrackMenus();
    transport_.PlayTrack(nowTrack, prgOrder);

    // Used once, and marked so before the message: ticks go on while it is shown, and a
    // stopped one (a play that failed) must not find the record again.
    settings.WriteString(kResumption, "titleID", kUsed);

    // The line breaks are line feed then carriage return, in that order.
    const std::string lineBreak = "\n\r";
    player_.view.ShowMessage(cp932::Literal("レジューム機能により前回の設定が復活しました") +
                             lineBreak + cp932::Literal("開始トラック: ") +
                             titles_.TrackName(transport_.CurrentTrack()) + lineBreak +
                             cp932::Literal("リピート = ") + (order_.RepeatOn() ? "1" : "0") +
                             lineBreak + cp932::Literal("プログラム順 = ") + packed);

    // The store is asked afresh, as the message box ran the event loop.
    if (ReadBool(*player_.settings, TSetting::ConfigVisiOpe)) {
        player_.view.HideOperationPanel();
    }
}

}  // namespace lintel
