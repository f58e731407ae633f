#include "app/MediaBridge.h"

#include <QToolButton>
#include <cstdlib>

#include "app/main.h"
#include "platform/Cp932.h"
#include "titles/TitleRecords.h"

namespace lintel {
namespace {

using TPlayback = TMediaState::TPlayback;

// A move of the position by more than this during one event is a jump.
constexpr std::int64_t kJumpMilliseconds = 1000;

}  // namespace

std::string MediaTrackId(const std::string& discId, int track) {
    std::string id = "/org/lintel/Disc/";
    for (const char c : discId) {
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        id += plain ? c : '_';
    }
    return id + "/Track" + std::to_string(track);
}

TMediaState MediaStateOf(TBarEngine& engine, const TBarCommandsOpen& open) {
    TMediaState s;
    s.canControl = open.noModalDialog;
    s.repeat = engine.RepeatOn();
    if (engine.DiscId() == kNoDiscId || !engine.CDcore().IsOpen())
        return s;
    const int mode = engine.CDcore().QueryMode();
    s.playback = engine.Paused()                             ? TPlayback::Paused
                 : mode == static_cast<int>(CdMode::Playing) ? TPlayback::Playing
                                                             : TPlayback::Stopped;
    s.shuffle = engine.ProgramMode() && engine.RandomOrder();
    const int track = engine.CurrentTrack();
    const TStringList& lines = engine.TitleLines();
    s.trackId = MediaTrackId(engine.DiscId(), track);
    s.trackNumber = track;
    s.lengthMicroseconds = std::int64_t{engine.TrackLength(track)} * 1000;
    s.title = cp932::ToUtf8(TitleLineValue(lines, std::to_string(track - 1)));
    s.album = cp932::ToUtf8(TitleLineValue(lines, "title"));
    s.artist = cp932::ToUtf8(TitleLineValue(lines, "artist"));
    // Play while paused resumes, through the pause command.
    s.canPlay = open.transport || (s.playback == TPlayback::Paused && open.pauseAndEdit);
    s.canPause = open.pauseAndEdit;
    s.canGoNext = s.canGoPrevious = open.transport;
    s.canSeek = s.playback != TPlayback::Paused;
    return s;
}

TMediaBridge::TMediaBridge(TMediaControls& controls, TfrmMain& bar)
    : controls_(controls), bar_(bar) {
    Wire();
}

void TMediaBridge::Wire() {
    TMediaRequests r;
    // The pause command toggles, and play while paused in program mode would step to the
    // next entry: each request picks the handler that does what the desktop asked.
    r.play = [this] {
        if (state_.playback == TPlayback::Paused && state_.canPause)
            bar_.sbtPauseClick();
        else if (state_.playback == TPlayback::Stopped && state_.canPlay)
            bar_.sbtPlayClick();
    };
    r.pause = [this] {
        if (state_.playback == TPlayback::Playing && state_.canPause)
            bar_.sbtPauseClick();
    };
    r.playPause = [this] {
        if (state_.playback != TPlayback::Stopped) {
            if (state_.canPause)
                bar_.sbtPauseClick();
        } else if (state_.canPlay) {
            bar_.sbtPlayClick();
        }
    };
    r.stop = [this] {
        if (state_.canGoNext)  // the transport group
            bar_.sbtStopClick();
    };
    r.next = [this] {
        if (state_.canGoNext)
            bar_.sbtNextClick();
    };
    r.previous = [this] {
        if (state_.canGoPrevious)
            bar_.sbtPrevClick();
    };
    r.quit = [this] { bar_.sbtExitClick(); };
    r.raise = [this] { bar_.RaiseBar(); };
    r.seek = [this](std::int64_t offset) {
        if (state_.trackId.empty())
            return;
        const std::int64_t to = bar_.Engine().PositionInTrack() + offset / 1000;
        // Past the track's end is the next track, as the desktop expects.
        if (to * 1000 >= state_.lengthMicroseconds) {
            if (state_.canGoNext)
                bar_.sbtNextClick();
            return;
        }
        SeekTo(to);
    };
    r.setPosition = [this](const std::string& trackId, std::int64_t position) {
        // A position for another track than the current one is stale.
        if (trackId.empty() || trackId != state_.trackId || position < 0 ||
            position > state_.lengthMicroseconds)
            return;
        SeekTo(position / 1000);
    };
    r.setShuffle = [this](bool on) {
        if (!state_.trackId.empty() && on != state_.shuffle)
            bar_.Dispatch([this, on] { bar_.Engine().SetShuffle(on); });
    };
    r.setRepeat = [this](bool on) {
        if (on != bar_.Engine().RepeatOn())
            bar_.sbtRepeatClick();
    };
    r.position = [this] { return std::int64_t{bar_.Engine().PositionInTrack()} * 1000; };
    controls_.SetRequests(std::move(r));
}

void TMediaBridge::SeekTo(std::int64_t milliseconds) {
    seeking_ = true;
    bar_.Dispatch([this, milliseconds] { bar_.Engine().SeekInTrack(milliseconds); });
    seeking_ = false;
    controls_.Seeked(std::int64_t{bar_.Engine().PositionInTrack()} * 1000);
}

TMediaBridge::TPlace TMediaBridge::Place() {
    TPlace place;
    place.trackId = state_.trackId;
    place.at = std::chrono::steady_clock::now();
    if (!place.trackId.empty()) {
        place.milliseconds = bar_.Engine().PositionInTrack();
        place.playing = state_.playback == TPlayback::Playing;
    }
    return place;
}

void TMediaBridge::BarChanged(const std::optional<TPlace>& before) {
    // Handlers called from here come back through the dispatch point.
    if (inside_)
        return;
    inside_ = true;
    TOperationPanel& panel = *bar_.pnlOperation();
    const TBarCommandsOpen open{panel.sbtPlay()->isEnabled(), panel.sbtPause()->isEnabled(),
                                !bar_.ModalDialogOpen()};
    state_ = MediaStateOf(bar_.Engine(), open);
    controls_.Update(state_);

    if (before && !seeking_ && !state_.trackId.empty() && state_.trackId == before->trackId) {
        // A dialog the event opened may have been open while the disc played on.
        std::int64_t expected = before->milliseconds;
        if (before->playing)
            expected += std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - before->at)
                            .count();
        const std::int64_t position = bar_.Engine().PositionInTrack();
        if (std::llabs(position - expected) > kJumpMilliseconds)
            controls_.Seeked(position * 1000);
    }
    inside_ = false;
}

}  // namespace lintel
