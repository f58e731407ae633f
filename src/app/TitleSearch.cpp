#include "app/TitleSearch.h"

#include <QWidget>

#include "dialogs/LookupResults.h"
#include "platform/Cp932.h"
#include "platform/MusicBrainzDiscId.h"
#include "settings/SettingsKeys.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

// A message for the bar's message box: code page 932, with what it cannot hold left out.
std::string Message(const QString& text) {
    return cp932::FromUtf8Dropping(text.toStdString()).bytes;
}

}  // namespace

TTitleSearch::TTitleSearch(TBarEngine& engine, QWidget* owner, Dispatcher dispatch)
    : QObject(owner),
      engine_(engine),
      owner_(owner),
      dispatch_(std::move(dispatch)),
      lookup_(this) {}

void TTitleSearch::pmnLookupClick() {
    TIniStore* settings = engine_.Settings();
    const std::string discId = engine_.DiscId();
    if (settings == nullptr || discId == kNoDiscId || !engine_.CDcore().IsOpen()) {
        return;
    }
    const QString server = FromCp932(ReadString(*settings, TSetting::LookupServer));
    const std::optional<CdToc> toc = engine_.CDcore().QueryToc();
    const std::optional<std::string> musicBrainzId = toc ? MusicBrainzDiscId(*toc) : std::nullopt;
    if (!musicBrainzId) {
        LookupOutcome outcome;
        outcome.reason = Text("ディスク ID を求められません");
        Answered(discId, server, outcome);
        return;
    }
    lookup_.Start(server, *musicBrainzId, [this, discId, server](const LookupOutcome& outcome) {
        dispatch_([&] { Answered(discId, server, outcome); });
    });
}

void TTitleSearch::Answered(const std::string& discId, const QString& server,
                            const LookupOutcome& outcome) {
    if (engine_.DiscId() != discId) {
        return;  // the disc was changed or taken out meanwhile: the answer is not for it
    }
    TBarView& view = engine_.View();
    switch (outcome.kind) {
        case LookupOutcome::Kind::NoMatch:
            view.ShowMessage(Message(Text("見つかりませんでした")));
            return;
        case LookupOutcome::Kind::Failed:
            view.ShowMessage(
                Message(Text("検索できませんでした: ") + server + " (" + outcome.reason + ")"));
            return;
        case LookupOutcome::Kind::TimedOut:
            view.ShowMessage(Message(Text("応答がありません: ") + server));
            return;
        case LookupOutcome::Kind::Found:
            break;
    }
    const int tracks = static_cast<int>(engine_.CDcore().QueryTrackCount());
    std::optional<int> chosen;
    if (outcome.releases.size() == 1 && outcome.releases.front().trackCount == tracks) {
        chosen = 0;
    } else {
        TfrmLookupResults dialog(outcome.releases, tracks, owner_);
        chosen = dialog.ShowModal();
    }
    if (!chosen || engine_.DiscId() != discId) {
        return;  // none chosen, or the disc left while the list was open
    }
    const FoundRelease& release = outcome.releases[static_cast<std::size_t>(*chosen)];
    engine_.EditFoundTitles(discId, CdText{release.title, release.artist, release.trackTitles});
}

}  // namespace lintel
