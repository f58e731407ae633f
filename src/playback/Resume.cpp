#include "playback/Resume.h"

#include "platform/Cp932.h"
#include "playback/lintellib.h"
#include "settings/SettingsKeys.h"

namespace lintel {
namespace {

// The record: its section and keys.
constexpr const char* kResumption = "Resumption";
constexpr const char* kTitleId = "titleID";
constexpr const char* kNowTrack = "NowTrack";
constexpr const char* kUseRepeat = "bUseRep";
constexpr const char* kUseProgram = "bUsePrg";
constexpr const char* kUseRandom = "bUseRnd";
constexpr const char* kProgramIndex = "PrgOrder";
constexpr const char* kProgramPack = "PrgPack";

constexpr const char* kUsed = "#";  // titleID of a record used or found not to match

// The record is not to be used again.
void MarkUsed(TIniStore& settings) {
    settings.WriteString(kResumption, kTitleId, kUsed);
}

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
    settings->WriteString(kResumption, kTitleId, discId);
    settings->WriteInteger(kResumption, kNowTrack, transport_.CurrentTrack());
    settings->WriteBool(kResumption, kUseRepeat, order_.RepeatOn());
    settings->WriteBool(kResumption, kUseProgram, order_.ProgramMode());
    settings->WriteBool(kResumption, kUseRandom, order_.RandomOrder());
    settings->WriteInteger(kResumption, kProgramIndex, order_.ProgramIndex());
    settings->WriteString(kResumption, kProgramPack, order_.PackPlayOrderFor(kProgramPack));
    return true;
}

void TResume::Check(std::string_view discId) {
    TIniStore& settings = *player_.settings;
    if (!ReadBool(settings, TSetting::ConfigResumption)) {
        return;
    }
    // kNoDiscId is no disc: a record naming it can only come from an edited file.
    if (discId != kNoDiscId && settings.ReadString(kResumption, kTitleId, kUsed) == discId) {
        Restore();
    } else {
        MarkUsed(settings);
    }
}

void TResume::Restore() {
    TIniStore& settings = *player_.settings;
    const bool repeat = settings.ReadBool(kResumption, kUseRepeat, false);
    const bool program = settings.ReadBool(kResumption, kUseProgram, false);
    const bool random = settings.ReadBool(kResumption, kUseRandom, false);
    const int nowTrack = settings.ReadInteger(kResumption, kNowTrack, 0);
    const int prgOrder = settings.ReadInteger(kResumption, kProgramIndex, 0);
    std::string packed;
    TStringList order;
    if (program) {
        packed = settings.ReadString(kResumption, kProgramPack, "");
        SplitQuoted(packed, ' ', '\'', order);
    }

    // A record that names no track of this disc (edited, or written for another track
    // count) is dropped as used, without playing and without a message.
    const int trackCount = static_cast<int>(player_.cdcore.QueryTrackCount());
    const bool playable = program ? EntryTrack(order, prgOrder, trackCount).has_value()
                                  : nowTrack >= 1 && nowTrack <= trackCount;
    if (!playable) {
        MarkUsed(settings);
        return;
    }

    order_.Resume(
        {.repeat = repeat, .program = program, .random = random, .order = std::move(order)});
    order_.BuildTrackMenus();
    transport_.PlayTrack(nowTrack, prgOrder);

    // Used once, and marked so before the message: ticks go on while it is shown, and a
    // stopped one (a play that failed) must not find the record again.
    MarkUsed(settings);

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
