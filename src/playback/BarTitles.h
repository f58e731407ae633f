// The titles on the bar: the loaded disc's title record, and the texts of the disc label
// slbCDName and the track label slbTrack, each followed by the pad its font settings ask
// for.
#pragma once

#include <string>
#include <string_view>

#include "playback/BarView.h"
#include "titles/IniStore.h"
#include "titles/TitleRecords.h"

namespace lintel {

class TBarTitles {
public:
    /// `view` must outlive the titles.
    explicit TBarTitles(TBarView& view) : view_(view) {}

    /// Loads the title record of `discId` from `settings` and shows it on the disc label.
    void Load(TIniStore& settings, std::string_view discId);
    /// Forgets the track names of the disc that was removed.
    void ClearLines() { lines_.clear(); }

    void UpdateDiscLabel();
    /// Shows track `track` with its name on the track label.
    void UpdateTrackLabel(int track);
    /// Shows `caption` on both labels in place of titles, and lays the bar out.
    void ShowStatus(std::string_view caption);

    /// The name of track `track` (from 1); empty when the record has none.
    [[nodiscard]] std::string TrackName(int track) const;
    /// The record's body lines as loaded (TitleLines).
    [[nodiscard]] const TStringList& Lines() const { return lines_; }

    /// The texts appended to the disc and the track label (one blank or nothing), as
    /// the label fonts' settings say; they show at the labels' next update.
    void SetDiscLabelPad(std::string pad) { discLabelPad_ = std::move(pad); }
    void SetTrackLabelPad(std::string pad) { trackLabelPad_ = std::move(pad); }
    [[nodiscard]] const std::string& DiscLabelPad() const { return discLabelPad_; }
    [[nodiscard]] const std::string& TrackLabelPad() const { return trackLabelPad_; }

private:
    TBarView& view_;
    TStringList lines_;
    std::string title_;
    std::string artist_;
    DiscLabelAffixes affixes_;
    std::string discLabelPad_;
    std::string trackLabelPad_;
};

}  // namespace lintel
