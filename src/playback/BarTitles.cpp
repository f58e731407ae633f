#include "playback/BarTitles.h"

namespace lintel {

void TBarTitles::Load(TIniStore& settings, std::string_view discId) {
    LoadedTitleRecord record = LoadTitleRecord(settings, discId);
    lines_ = std::move(record.lines);
    title_ = std::move(record.title);
    artist_ = std::move(record.artist);
    affixes_ = record.affixes;
    UpdateDiscLabel();
}

void TBarTitles::UpdateDiscLabel() {
    view_.SetDiscLabel(affixes_.opening + title_ + affixes_.separator + artist_ + affixes_.closing +
                       discLabelPad_);
}

void TBarTitles::UpdateTrackLabel(int track) {
    view_.SetTrackLabel(std::to_string(track) + ". " + TrackName(track) + trackLabelPad_);
}

void TBarTitles::ShowStatus(std::string_view caption) {
    view_.SetDiscLabel(std::string(caption) + discLabelPad_);
    view_.SetTrackLabel(std::string(caption) + trackLabelPad_);
    view_.LayoutBar();
}

std::string TBarTitles::TrackName(int track) const {
    return lintel::TrackName(lines_, track);
}

}  // namespace lintel
