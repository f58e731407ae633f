#include "playback/PlayOrder.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "titles/TitleRecords.h"

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

std::optional<int> EntryTrack(const TStringList& order, int index, int trackCount) {
    if (index < 0 || index >= static_cast<int>(order.size())) {
        return std::nullopt;
    }
    std::optional<int> value = EntryIndex(order[static_cast<std::size_t>(index)]);
    if (!value || *value >= trackCount) {
        return std::nullopt;
    }
    return *value + 1;
}

TPlayOrder::TPlayOrder(TPlayerContext& player, const TBarTitles& titles, TPollTimer& timer)
    : player_(player), titles_(titles), timer_(timer) {
    randomDraw_ = [this](int n) {
        return std::uniform_int_distribution<int>(0, n - 1)(generator_);
    };
}

void TPlayOrder::SeedFromClock() {
    generator_.seed(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
}

// ---- the play list in the menus ------------------------------------------------------

void TPlayOrder::BuildTrackMenus() {
    TStringList captions;
    if (programMode_) {
        for (const std::string& entry : playOrder_) {
            std::optional<int> index = EntryIndex(entry);
            captions.push_back(index ? TwoDigits(*index + 1) + ": " + titles_.TrackName(*index + 1)
                                     : entry + ": ");
        }
    } else {
        const int tracks = static_cast<int>(player_.cdcore.QueryTrackCount());
        for (int t = 1; t <= tracks; ++t) {
            captions.push_back(TwoDigits(t) + ": " + titles_.TrackName(t));
        }
    }
    player_.view.BuildTrackMenus(captions);
}

void TPlayOrder::ClearTrackMenus() {
    player_.view.ClearTrackMenus();
}

void TPlayOrder::MarkCurrentTrack(int currentTrack) {
    player_.view.MarkCurrentTrack(programMode_ ? programIndex_ + 1 : currentTrack);
}

// ---- program and random play ---------------------------------------------------------

std::optional<int> TPlayOrder::EntryTrack(int index) {
    return lintel::EntryTrack(playOrder_, index,
                              static_cast<int>(player_.cdcore.QueryTrackCount()));
}

std::optional<int> TPlayOrder::StepEntry(int step) {
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
    }
    return track;
}

void TPlayOrder::BuildRandomOrder() {
    if (overAllTracks_) {
        BuildRandomOrder(std::vector<bool>(player_.cdcore.QueryTrackCount(), true));
    } else {
        BuildRandomOrder(player_.view.ProgramTrackSelection());
    }
}

void TPlayOrder::StartRandomOrder(int trackCount) {
    const std::vector<bool> selected = player_.view.ProgramTrackSelection();
    // Without a selection every track plays, in this order and in those drawn at wraps.
    overAllTracks_ = std::find(selected.begin(), selected.end(), true) == selected.end();
    BuildRandomOrder(
        overAllTracks_ ? std::vector<bool>(static_cast<std::size_t>(std::max(trackCount, 0)), true)
                       : selected);
    programMode_ = randomOrder_ = true;
    programIndex_ = -1;
}

void TPlayOrder::BuildRandomOrder(const std::vector<bool>& selected) {
    playOrder_.clear();
    const int n = static_cast<int>(selected.size());
    const auto k = std::count(selected.begin(), selected.end(), true);
    std::vector<bool> taken(selected.size(), false);
    // Draw again until a selected track comes up that is not in the order yet.
    for (std::ptrdiff_t drawn = 0; drawn < k; ++drawn) {
        int r = 0;
        do {
            r = randomDraw_(n);
            // A draw outside 0..n-1 could only repeat forever.
            if (r < 0 || r >= n) {
                throw std::logic_error("random draw " + std::to_string(r) + " outside 0.." +
                                       std::to_string(n - 1));
            }
        } while (taken[static_cast<std::size_t>(r)] || !selected[static_cast<std::size_t>(r)]);
        taken[static_cast<std::size_t>(r)] = true;
        playOrder_.push_back(std::to_string(r));
    }
}

std::string TPlayOrder::PackPlayOrder() const {
    return PackWithin(playOrder_, std::string::npos);
}

std::string TPlayOrder::PackPlayOrderFor(std::string_view key) const {
    return PackWithin(playOrder_, ValueRoom(key));
}

void TPlayOrder::ReturnToDiscOrder() {
    programMode_ = false;
    randomOrder_ = false;
    overAllTracks_ = false;
}

void TPlayOrder::Resume(TResumed resumed) {
    overAllTracks_ = false;
    repeatOn_ = resumed.repeat;
    player_.view.SetRepeatState(repeatOn_);
    programMode_ = resumed.program;
    randomOrder_ = resumed.random;
    if (resumed.program) {
        playOrder_ = std::move(resumed.order);
    }
}

// ---- commands ------------------------------------------------------------------------

void TPlayOrder::sbtRepeatClick() {
    repeatOn_ = !repeatOn_;
    player_.view.SetRepeatState(repeatOn_);
}

void TPlayOrder::sbtPrgSetClick(std::string_view discId) {
    // The command stays enabled from a play command until the next tick disables it; a
    // program chosen meanwhile would take over a disc that plays on in disc order.
    if (player_.cdcore.QueryMode() == static_cast<int>(CdMode::Playing)) {
        player_.view.EnableProgramSet(false);
        return;
    }
    overAllTracks_ = false;
    const bool programShown = programMode_;
    programMode_ = false;
    randomOrder_ = false;
    timer_.SwitchOff();  // no tick may read the play order while the dialog edits it
    if (player_.view.ShowProgramDialog()) {
        switch (player_.view.PlayModeChoice()) {
            case 1:
                programMode_ = true;
                player_.settings->WriteString(discId, kOrderKey, PackPlayOrderFor(kOrderKey));
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
        repeatOn_ = player_.view.ProgramRepeatChecked();
        player_.view.SetRepeatState(repeatOn_);
        programIndex_ = -1;
    }
    // Disc order again: the menus must not go on offering the program's entries.
    if (programShown && !programMode_) {
        BuildTrackMenus();
    }
    timer_.SwitchOn();
    player_.view.HideOperationPanel();
}

}  // namespace lintel
