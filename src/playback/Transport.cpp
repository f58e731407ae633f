#include "playback/Transport.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "platform/CdTime.h"
#include "settings/SettingsKeys.h"
#include "settings/StatusTexts.h"

namespace lintel {
namespace {

// A time as the gauge shows it: minutes without leading zeros, seconds in two digits.
std::string MinutesSeconds(unsigned minutes, unsigned seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u:%.2u", minutes, seconds);
    return text;
}

std::string MinutesSeconds(std::uint32_t ms) {
    return MinutesSeconds(ms / 60000, (ms % 60000) / 1000);
}

bool Is(int mode, CdMode expected) {
    return mode == static_cast<int>(expected);
}

}  // namespace

TTransport::TTransport(TPlayerContext& player, TPollTimer& timer, TBarTitles& titles,
                       TPlayOrder& order)
    : player_(player), timer_(timer), titles_(titles), order_(order) {}

// ---- what the bar shows of the current track -----------------------------------------

void TTransport::ResetTrackGauge() {
    TMediaPlayer& cd = player_.cdcore;
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const std::uint32_t length = TrackLength(currentTrack_);
    player_.view.SetGaugeMax(static_cast<int>(length));
    player_.view.SetGaugeProgress(0);
    trackLengthText_ = MinutesSeconds(length);
    player_.view.SetGaugeText("0:00/" + trackLengthText_);
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
}

std::uint32_t TTransport::TrackLength(int track) {
    TMediaPlayer& cd = player_.cdcore;
    const std::uint32_t format = cd.TimeFormat();
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    std::uint32_t length;
    if (track == static_cast<int>(cd.QueryTrackCount())) {
        length = cd.QueryTrackLength(track);
    } else {
        length = cd.QueryTrackStart(track + 1) - cd.QueryTrackStart(track);
    }
    cd.SetTimeFormat(format);
    return length;
}

std::uint32_t TTransport::PositionInTrack() {
    TMediaPlayer& cd = player_.cdcore;
    const std::uint32_t format = cd.TimeFormat();
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const std::uint32_t position = cd.QueryPosition();
    const std::uint32_t start = cd.QueryTrackStart(currentTrack_);
    cd.SetTimeFormat(format);
    return position > start ? position - start : 0;
}

void TTransport::UpdateTrackLabel() {
    titles_.UpdateTrackLabel(currentTrack_);
}

void TTransport::MarkCurrentTrack() {
    order_.MarkCurrentTrack(currentTrack_);
}

void TTransport::TakeDeviceTrack() {
    currentTrack_ = MCI_TMSF_TRACK(player_.cdcore.QueryPosition());
    if (currentTrack_ < 1) {
        currentTrack_ = 1;  // a position the device could not tell
    }
    UpdateTrackLabel();
}

void TTransport::NoDisc() {
    paused_ = playingSeen_ = false;
    currentTrack_ = 1;
    player_.view.SetGaugeProgress(0);
    player_.view.SetGaugeText(std::string(kNoTimeText));
}

void TTransport::DiscRemoved() {
    playRequested_ = false;
    NoDisc();
}

std::uint32_t TTransport::DiscEndMilliseconds() {
    // The disc's length counts from the start of track 1, not from the lead-in, so a
    // play "to the length" would end about two seconds early.
    TMediaPlayer& cd = player_.cdcore;
    const int last = static_cast<int>(cd.QueryTrackCount());
    return cd.QueryTrackStart(last) + cd.QueryTrackLength(last);
}

std::uint32_t TTransport::EntryEnd(int track) {
    TMediaPlayer& cd = player_.cdcore;
    return track == static_cast<int>(cd.QueryTrackCount()) ? DiscEndMilliseconds()
                                                           : cd.QueryTrackStart(track + 1) - 1;
}

void TTransport::PlayEntryRange(int track) {
    TMediaPlayer& cd = player_.cdcore;
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const std::uint32_t from = cd.QueryTrackStart(track);
    const std::uint32_t to = EntryEnd(track);
    entryEndPosition_ = static_cast<int>(to);
    cd.PlayRange(from, to);
}

// ---- commands ------------------------------------------------------------------------

void TTransport::sbtPlayClick() {
    if (!player_.Ready()) {
        return;
    }
    TMediaPlayer& cd = player_.cdcore;
    // An entry that plays goes on to its end: played on to the disc's end instead, it
    // would run under the entry's track name and gauge.
    if (Is(cd.QueryMode(), CdMode::Playing) && order_.ProgramMode()) {
        return;
    }
    timer_.SwitchOff();
    playingSeen_ = false;
    paused_ = false;
    if (ReadBool(*player_.settings, TSetting::ConfigVisiOpe)) {
        player_.view.HideOperationPanel();
    }
    bool stoppedAtOnce = false;
    if (!Is(cd.QueryMode(), CdMode::Playing) && order_.ProgramMode()) {
        StepProgram(+1);
        // A program without a playable entry ends in the stop command; marking play as
        // requested after it would have the next tick take that stop for the end of the
        // disc and, with repeat on, play the whole disc instead.
        stoppedAtOnce = !order_.ProgramMode();
    } else {
        cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        // From track 1 its start; otherwise from where the last next, previous or play
        // left the device.
        std::optional<std::uint32_t> from;
        if (currentTrack_ == 1) {
            from = cd.QueryTrackStart(1);
        }
        const std::uint32_t to = DiscEndMilliseconds();
        cd.PlayRange(from, to);
        entryEndPosition_ = static_cast<int>(to);
        cd.SetTimeFormat(MCI_FORMAT_TMSF);
        order_.BuildTrackMenus();
        MarkCurrentTrack();
        ResetTrackGauge();
    }
    playRequested_ = !stoppedAtOnce;
    timer_.SwitchOn();
}

void TTransport::sbtPauseClick() {
    if (!player_.Ready()) {
        return;
    }
    TMediaPlayer& cd = player_.cdcore;
    if (!paused_) {
        if (order_.ProgramMode()) {
            // -1: no entry was playing, so there is none to play on.
            cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            pausePosition_ =
                Is(cd.QueryMode(), CdMode::Playing) ? static_cast<int>(cd.QueryPosition()) : -1;
            cd.SetTimeFormat(MCI_FORMAT_TMSF);
        }
        cd.TogglePause();
        paused_ = true;
        player_.view.EnableTransport(TTransportGroup::Disabled, TPauseAndEdit::Enabled);
    } else if (order_.ProgramMode() && pausePosition_ < 0) {
        // Paused while stopped: pause again plays, as in disc order, and the program's
        // next entry is what plays next.
        player_.view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
        sbtPlayClick();
    } else {
        if (order_.ProgramMode()) {
            // The entry still ends where it would have ended.
            cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            cd.PlayRange(static_cast<std::uint32_t>(pausePosition_),
                         static_cast<std::uint32_t>(entryEndPosition_));
        } else {
            cd.PlayRange(std::nullopt, std::nullopt);
        }
        cd.SetTimeFormat(MCI_FORMAT_TMSF);
        player_.view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
        paused_ = false;
    }
}

void TTransport::sbtStopClick() {
    if (!player_.Ready()) {
        return;
    }
    TMediaPlayer& cd = player_.cdcore;
    timer_.SwitchOff();
    cd.StopPlay();
    cd.RewindToStart();
    player_.view.ShowOperationPanel();
    playRequested_ = playingSeen_ = false;
    order_.ReturnToDiscOrder();

    player_.view.SetGaugeProgress(0);
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
    const std::uint32_t first = cd.QueryTrackLength(1);  // packed as MSF
    player_.view.SetGaugeText("0:00/" +
                              MinutesSeconds(MCI_MSF_MINUTE(first), MCI_MSF_SECOND(first)));

    paused_ = false;
    player_.view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
    currentTrack_ = 1;
    UpdateTrackLabel();
    player_.view.LayoutBar();
    order_.BuildTrackMenus();
    timer_.SwitchOn();
}

void TTransport::sbtPrevClick() {
    if (!player_.Ready()) {
        return;
    }
    if (order_.ProgramMode()) {
        StepProgram(-1);
        return;
    }
    // The device may only go back to the start of the track it plays; the label then
    // shows one track less until the next tick reads the device's track.
    player_.cdcore.SeekPreviousTrack();
    currentTrack_ = std::max(currentTrack_ - 1, 1);
    UpdateTrackLabel();
    ResetTrackGauge();
    MarkCurrentTrack();
}

void TTransport::sbtNextClick() {
    if (!player_.Ready()) {
        return;
    }
    if (order_.ProgramMode()) {
        StepProgram(+1);
        return;
    }
    player_.cdcore.SeekNextTrack();
    const int count = static_cast<int>(player_.cdcore.QueryTrackCount());
    currentTrack_ = std::max(std::min(currentTrack_ + 1, count), 1);
    UpdateTrackLabel();
    ResetTrackGauge();
    MarkCurrentTrack();
}

void TTransport::PlayTrack(int track, int index) {
    if (!player_.Ready()) {
        return;
    }
    TMediaPlayer& cd = player_.cdcore;
    // A pick that names no track of this disc (a stale menu, an edited resume record)
    // plays nothing.
    std::optional<int> entryTrack;
    if (order_.ProgramMode()) {
        entryTrack = order_.EntryTrack(index);
        if (!entryTrack) {
            return;
        }
    } else if (track < 1 || track > static_cast<int>(cd.QueryTrackCount())) {
        return;
    }

    cd.RewindToStart();
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    if (!order_.ProgramMode()) {
        currentTrack_ = track;
        cd.PlayRange(cd.QueryTrackStart(track), std::nullopt);
    } else {
        order_.SetProgramIndex(index);
        currentTrack_ = *entryTrack;
        PlayEntryRange(*entryTrack);
    }
    UpdateTrackLabel();
    ResetTrackGauge();
    player_.view.LayoutBar();
    MarkCurrentTrack();
    if (!order_.ProgramMode()) {
        playingSeen_ = true;
    }
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
}

void TTransport::SeekInTrack(std::int64_t milliseconds) {
    if (!player_.Ready() || player_.cdcore.QueryTrackCount() == 0) {
        return;
    }
    TMediaPlayer& cd = player_.cdcore;
    const std::int64_t length = TrackLength(currentTrack_);
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    // No further than the track's last frame, which a millisecond position rounds into.
    const std::int64_t last = std::max<std::int64_t>(length - 1000 / kFramesPerSecond - 1, 0);
    const auto at = static_cast<std::uint32_t>(cd.QueryTrackStart(currentTrack_) +
                                               std::clamp<std::int64_t>(milliseconds, 0, last));
    const bool playing = Is(cd.QueryMode(), CdMode::Playing);
    if (paused_) {
        // The device waits at the new place: in disc order the resume plays on from where
        // it stands, in program mode from the pause position.
        cd.Seek(at);
        if (order_.ProgramMode() && pausePosition_ >= 0) {
            pausePosition_ = static_cast<int>(at);
        }
    } else {
        const std::uint32_t to = order_.ProgramMode() && playing
                                     ? static_cast<std::uint32_t>(entryEndPosition_)
                                 : order_.ProgramMode() ? EntryEnd(currentTrack_)
                                                        : DiscEndMilliseconds();
        entryEndPosition_ = static_cast<int>(to);
        cd.PlayRange(at, to);
        if (!playing) {
            // Stopped, the track now plays as a Play command would have started it.
            playRequested_ = true;
            player_.view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
        }
    }
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
}

void TTransport::SetShuffle(bool on) {
    if (!player_.Ready() || player_.cdcore.QueryTrackCount() == 0) {
        return;
    }
    TMediaPlayer& cd = player_.cdcore;
    const int mode = cd.QueryMode();
    cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const std::uint32_t position = cd.QueryPosition();
    if (on) {
        order_.StartRandomOrder(static_cast<int>(cd.QueryTrackCount()));
        // The track that plays ends where its track ends; the drawn order follows it.
        const std::uint32_t end = EntryEnd(currentTrack_);
        if (Is(mode, CdMode::Playing)) {
            entryEndPosition_ = static_cast<int>(end);
            cd.PlayRange(position, end);
        } else if (paused_) {
            entryEndPosition_ = static_cast<int>(end);
            pausePosition_ = Is(mode, CdMode::Paused) ? static_cast<int>(position) : -1;
        }
    } else {
        order_.ReturnToDiscOrder();
        if (Is(mode, CdMode::Playing)) {
            entryEndPosition_ = static_cast<int>(DiscEndMilliseconds());
            cd.PlayRange(position, static_cast<std::uint32_t>(entryEndPosition_));
        }
    }
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
    order_.BuildTrackMenus();
    MarkCurrentTrack();
}

void TTransport::StepProgram(int step) {
    if (!player_.Ready()) {
        return;
    }
    timer_.SwitchOff();
    if (const std::optional<int> track = order_.StepEntry(step)) {
        currentTrack_ = *track;
        ResetTrackGauge();
        UpdateTrackLabel();
        player_.view.LayoutBar();
        MarkCurrentTrack();
        player_.view.HideOperationPanel();
        PlayEntryRange(*track);
    } else {
        // No entry left, or one that names no track of this disc.
        sbtStopClick();
    }
    player_.cdcore.SetTimeFormat(MCI_FORMAT_TMSF);
    timer_.SwitchOn();
}

// ---- the polling tick ----------------------------------------------------------------

TTickFound TTransport::Tick() {
    TMediaPlayer& cd = player_.cdcore;
    const int mode = cd.QueryMode();  // 0, not ready, without a device
    if (Is(mode, CdMode::Playing)) {
        FollowPlay();
        return TTickFound::Busy;
    }
    if (Is(mode, CdMode::Open)) {
        return TTickFound::TrayOpen;
    }
    if (!Is(mode, CdMode::Stopped) || paused_) {
        return TTickFound::Busy;
    }

    if (order_.ProgramMode()) {
        StepProgram(+1);  // the entry ended
    } else if (order_.RepeatOn() && playRequested_) {
        // The disc ended after a Play command: it starts again.
        timer_.SwitchOff();
        cd.SetTimeFormat(MCI_FORMAT_TMSF);
        cd.PlayRange(cd.QueryTrackStart(1), std::nullopt);
        player_.view.HideOperationPanel();
        order_.BuildTrackMenus();
        MarkCurrentTrack();
        timer_.SwitchOn();
    } else if (playingSeen_ && currentTrack_ != 1) {
        // The disc played to its end: back to track 1, idle.
        timer_.SwitchOff();
        cd.StopPlay();
        cd.RewindToStart();
        player_.view.ShowOperationPanel();
        currentTrack_ = 1;
        UpdateTrackLabel();
        player_.view.LayoutBar();
        MarkCurrentTrack();
        ResetTrackGauge();
        player_.view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
        playingSeen_ = playRequested_ = false;
        timer_.SwitchOn();
    } else {
        return TTickFound::Idle;
    }
    return TTickFound::Followed;
}

void TTransport::FollowPlay() {
    TMediaPlayer& cd = player_.cdcore;
    TBarView& view = player_.view;
    // The play order cannot be edited while the disc plays.
    view.EnableProgramSet(false);
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
    const std::uint32_t p = cd.QueryPosition();
    if (view.GaugeVisible()) {
        cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const std::int64_t played =
            std::int64_t{cd.QueryPosition()} - std::int64_t{cd.QueryTrackStart(currentTrack_)};
        cd.SetTimeFormat(MCI_FORMAT_TMSF);
        view.SetGaugeProgress(
            static_cast<int>(std::clamp<std::int64_t>(played, 0, std::numeric_limits<int>::max())));
        view.SetGaugeText(MinutesSeconds(MCI_TMSF_MINUTE(p), MCI_TMSF_SECOND(p)) + "/" +
                          trackLengthText_);
    }
    if (order_.ProgramMode()) {
        return;
    }
    playingSeen_ = true;
    const int track = MCI_TMSF_TRACK(p);
    if (track != currentTrack_) {
        view.HideOperationPanel();
        currentTrack_ = track;
        UpdateTrackLabel();
        view.LayoutBar();
        MarkCurrentTrack();
        ResetTrackGauge();
        view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
    }
}

}  // namespace lintel
