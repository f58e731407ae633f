// Play order: the play list behind the track menus, program and random play, repeat, and
// the program-play command.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/CdTime.h"
#include "playback/BarEngine.h"

namespace lintel {
namespace {

// An entry's zero-based track index: decimal digits only, else nothing.
std::optional<int> EntryIndex(const std::string& entry) {
    int value = 0;
    const char* end = entry.data() + entry.size();
    auto [stop, error] = std::from_chars(entry.data(), end, value);
    if (entry.empty() || error != std::errc() || stop != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", number);
    return text;
}

// The packed play order, cut after the last whole entry that fits in `maxBytes`: a stored
// line has a fixed limit, and an entry cut inside its number would name another track.
std::string PackWithin(const TStringList& order, std::size_t maxBytes) {
    std::string packed;
    for (const std::string& entry : order) {
        if (packed.size() + entry.size() + 1 > maxBytes) {
            break;
        }
        packed += entry;
        packed += ' ';
    }
    return packed;
}

// Bytes left for the value of `key` on one stored line ("key=value").
std::size_t ValueRoom(std::string_view key) {
    return TIniStore::kMaxLine - key.size() - 1;
}

}  // namespace

// ---- the play list in the menus ------------------------------------------------------

void TBarEngine::BuildTrackMenus() {
    TStringList captions;
    if (programMode_) {
        for (const std::string& entry : playOrder_) {
            std::optional<int> index = EntryIndex(entry);
            captions.push_back(index ? TwoDigits(*index + 1) + ": " +
                                           TrackName(titleLines_, *index + 1)
                                     : entry + ": ");
        }
    } else {
        const int tracks = static_cast<int>(cdcore_.QueryTrackCount());
        for (int t = 1; t <= tracks; ++t) {
            captions.push_back(TwoDigits(t) + ": " + TrackName(titleLines_, t));
        }
    }
    view_.BuildTrackMenus(captions);
}

void TBarEngine::ClearTrackMenus() {
    view_.ClearTrackMenus();
}

void TBarEngine::MarkCurrentTrack() {
    view_.MarkCurrentTrack(programMode_ ? programIndex_ + 1 : currentTrack_);
}

// ---- program and random play ---------------------------------------------------------

std::optional<int> TBarEngine::EntryTrack(int index) {
    if (index < 0 || index >= static_cast<int>(playOrder_.size())) {
        return std::nullopt;
    }
    std::optional<int> value = EntryIndex(playOrder_[static_cast<std::size_t>(index)]);
    if (!value || *value >= static_cast<int>(cdcore_.QueryTrackCount())) {
        return std::nullopt;
    }
    return *value + 1;
}

void TBarEngine::PlayEntryRange(int track) {
    cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const std::uint32_t from = cdcore_.QueryTrackStart(track);
    const std::uint32_t to = track == static_cast<int>(cdcore_.QueryTrackCount())
                                 ? DiscEndMilliseconds()
                                 : cdcore_.QueryTrackStart(track + 1) - 1;
    entryEndPosition_ = static_cast<int>(to);
    cdcore_.PlayRange(from, to);
}

void TBarEngine::StepProgram(int step) {
    if (!Ready()) {
        return;
    }
    SwitchTimer(false);
    int last = static_cast<int>(playOrder_.size()) - 1;
    // The wrap comes first, in both directions: so previous on the last entry with
    // repeat on stops, as previous on the first entry does.
    if (programIndex_ == last && repeatOn_) {
        if (randomOrder_) {
            BuildRandomOrder();
            ClearTrackMenus();
            BuildTrackMenus();
            last = static_cast<int>(playOrder_.size()) - 1;
        }
        programIndex_ = -1;
    }
    std::optional<int> track;
    if ((step > 0 && programIndex_ < last) || (step < 0 && programIndex_ > 0)) {
        track = EntryTrack(programIndex_ + step);
    }
    if (track) {
        programIndex_ += step;
        currentTrack_ = *track;
        ResetTrackGauge();
        UpdateTrackLabel();
        view_.LayoutBar();
        MarkCurrentTrack();
        view_.HideOperationPanel();
        PlayEntryRange(*track);
    } else {
        // No entry left, or one that names no track of this disc.
        sbtStopClick();
    }
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
    SwitchTimer(true);
}

void TBarEngine::BuildRandomOrder() {
    playOrder_.clear();
    const std::vector<bool> selected = view_.ProgramTrackSelection();
    const int n = static_cast<int>(selected.size());
    const auto k = std::count(selected.begin(), selected.end(), true);
    std::vector<bool> taken(selected.size(), false);
    // Draw again until a selected track comes up that is not in the order yet.
    for (std::ptrdiff_t drawn = 0; drawn < k; ++drawn) {
        int r = 0;
        do {
            r = randomDraw_(n);
        } while (r < 0 || r >= n || taken[static_cast<std::size_t>(r)] ||
                 !selected[static_cast<std::size_t>(r)]);
        taken[static_cast<std::size_t>(r)] = true;
        playOrder_.push_back(std::to_string(r));
    }
}

std::string TBarEngine::PackPlayOrder() const {
    std::string packed;
    for (const std::string& entry : playOrder_) {
        packed += entry;
        packed += ' ';
    }
    return packed;
}

void TBarEngine::sbtRepeatClick() {
    repeatOn_ = !repeatOn_;
    view_.SetRepeatState(repeatOn_);
}

void TBarEngine::sbtPrgSetClick() {
    if (!Ready()) {
        return;
    }
    programMode_ = false;
    randomOrder_ = false;
    SwitchTimer(false);  // no tick may read the play order while the dialog edits it
    if (view_.ShowProgramDialog()) {
        switch (view_.PlayModeChoice()) {
            case 1:
                programMode_ = true;
                settings_->WriteString(discId_, "order", PackPlayOrderFor("order"));
                BuildTrackMenus();
                break;
            case 2:
                BuildRandomOrder();
                programMode_ = true;
                randomOrder_ = true;
                BuildTrackMenus();
                break;
            default:
                break;
        }
        repeatOn_ = view_.ProgramRepeatChecked();
        view_.SetRepeatState(repeatOn_);
        programIndex_ = -1;
    }
    SwitchTimer(true);
    view_.HideOperationPanel();
}

std::string TBarEngine::PackPlayOrderFor(std::string_view key) const {
    return PackWithin(playOrder_, ValueRoom(key));
}

}  // namespace lintel
