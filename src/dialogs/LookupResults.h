// The "[検索結果]" dialog: the releases a title look-up found, one line each with its
// title, artist, year, country and track count. A release with another track count than
// the disc is shown greyed and cannot be chosen.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "lookup/MusicBrainzReply.h"

class QPushButton;
class QTreeWidget;

namespace lintel {

class TfrmLookupResults : public QDialog {
public:
    /// Lists `releases` for a disc of `trackCount` tracks; the first that can be chosen
    /// is selected.
    TfrmLookupResults(const std::vector<FoundRelease>& releases, int trackCount,
                      QWidget* owner = nullptr);

    /// Shows the dialog modally: the index of the release chosen with OK, or nothing
    /// after "ｷｬﾝｾﾙ".
    std::optional<int> ShowModal();
    /// The index of the selected line, when it can be chosen.
    [[nodiscard]] std::optional<int> Selected() const;

    QTreeWidget* lsvReleases = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

}  // namespace lintel
