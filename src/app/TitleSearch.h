// The bar's "タイトルを検索(&L)" command: the loaded disc's MusicBrainz disc ID is looked
// up; the answer, when it is still for the disc in the drive, opens the title editor
// filled with the release found (chosen in "[検索結果]" when there are several). Nothing
// goes over the network unless the user chose the command.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "lookup/TitleLookup.h"
#include "playback/BarEngine.h"

class QWidget;

namespace lintel {

class TTitleSearch : public QObject {
public:
    /// Runs a command of the bar the way its own events run.
    using Dispatcher = std::function<void(const std::function<void()>&)>;

    /// `engine` and `owner` (the bar, which parents the dialogs) must outlive the search.
    TTitleSearch(TBarEngine& engine, QWidget* owner, Dispatcher dispatch);

    /// The menu command: starts the look-up and returns at once.
    void pmnLookupClick();
    [[nodiscard]] bool Busy() const { return lookup_.Busy(); }

private:
    void Answered(const std::string& discId, const QString& server, const LookupOutcome& outcome);

    TBarEngine& engine_;
    QWidget* owner_;
    Dispatcher dispatch_;
    TTitleLookup lookup_;
};

}  // namespace lintel
