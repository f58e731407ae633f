// The transport commands, the gauge of the current track and the polling tick. The device
// tells nothing by itself: everything the bar shows about playback comes from the tick.
#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/CdTime.h"
#include "playback/BarEngine.h"
#include "settings/SettingsKeys.h"

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

// ---- the timer -----------------------------------------------------------------------

void TBarEngine::SwitchTimer(bool on) {
    timerOn_ = on;
    // A zero interval means a stopped timer, not one that fires without pause.
    view_.SetTimerEnabled(timerOn_ && timerInterval_ > 0);
}

void TBarEngine::SetTimerInterval(int milliseconds) {
    timerInterval_ = std::max(milliseconds, 0);
    view_.SetTimerInterval(timerInterval_);
    view_.SetTimerEnabled(timerOn_ && timerInterval_ > 0);
}

// ---- gauge and controls --------------------------------------------------------------

void TBarEngine::ResetTrackGauge() {
    cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    std::uint32_t length;
    if (currentTrack_ == static_cast<int>(cdcore_.QueryTrackCount())) {
        length = cdcore_.QueryTrackLength(currentTrack_);
    } else {
        length =
            cdcore_.QueryTrackStart(currentTrack_ + 1) - cdcore_.QueryTrackStart(currentTrack_);
    }
    view_.SetGaugeMax(static_cast<int>(length));
    view_.SetGaugeProgress(0);
    trackLengthText_ = MinutesSeconds(length);
    view_.SetGaugeText("0:00/" + trackLengthText_);
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
}

void TBarEngine::EnableTransport(bool transport, bool pauseAndEdit) {
    view_.EnableTransport(transport, pauseAndEdit);
}

std::uint32_t TBarEngine::DiscEndMilliseconds() {
    // The disc's length counts from the start of track 1, not from the lead-in, so a
    // play "to the length" would end about two seconds early.
    const int last = static_cast<int>(cdcore_.QueryTrackCount());
    return cdcore_.QueryTrackStart(last) + cdcore_.QueryTrackLength(last);
}

// ---- commands ------------------------------------------------------------------------

void TBarEngine::sbtPlayClick() {
    if (!Ready()) {
        return;
    }
    SwitchTimer(false);
    playingSeen_ = false;
    paused_ = false;
    if (ReadBool(*settings_, TSetting::ConfigVisiOpe)) {
        view_.HideOperationPanel();
    }
    bool stoppedAtOnce = false;
    if (!Is(cdcore_.QueryMode(), CdMode::Playing) && programMode_) {
        StepProgram(+1);
        // A program without a playable entry ends in the stop command; marking play as
        // requested after it would have the next tick take that stop for the end of the
        // disc and, with repeat on, play the whole disc instead.
        stoppedAtOnce = !programMode_;
    } else {
        cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        // From track 1 its start; otherwise from where the last next, previous or play
        // left the device.
        std::optional<std::uint32_t> from;
        if (currentTrack_ == 1) {
            from = cdcore_.QueryTrackStart(1);
        }
        const std::uint32_t to = DiscEndMilliseconds();
        cdcore_.PlayRange(from, to);
        entryEndPosition_ = static_cast<int>(to);
        cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
        BuildTrackMenus();
        MarkCurrentTrack();
        ResetTrackGauge();
    }
    playRequested_ = !stoppedAtOnce;
    SwitchTimer(true);
}

void TBarEngine::sbtPauseClick() {
    if (!Ready()) {
        return;
    }
    if (!paused_) {
        if (programMode_) {
            cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            pausePosition_ = static_cast<int>(cdcore_.QueryPosition());
            cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
        }
        cdcore_.TogglePause();
        paused_ = true;
        EnableTransport(false, true);
    } else {
        if (programMode_) {
            // The entry still ends where it would have ended.
            cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            cdcore_.PlayRange(static_cast<std::uint32_t>(pausePosition_),
                              static_cast<std::uint32_t>(entryEndPosition_));
        } else {
            cdcore_.PlayRange(std::nullopt, std::nullopt);
        }
        cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
        EnableTransport(true, true);
        paused_ = false;
    }
}

void TBarEngine::sbtStopClick() {
    if (!Ready()) {
        return;
    }
    SwitchTimer(false);
    cdcore_.StopPlay();
    cdcore_.RewindToStart();
    view_.ShowOperationPanel();
    playRequested_ = programMode_ = randomOrder_ = playingSeen_ = false;

    view_.SetGaugeProgress(0);
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
    const std::uint32_t first = cdcore_.QueryTrackLength(1);  // packed as MSF
    view_.SetGaugeText("0:00/" + MinutesSeconds(MCI_MSF_MINUTE(first), MCI_MSF_SECOND(first)));

    paused_ = false;
    EnableTransport(true, true);
    currentTrack_ = 1;
    UpdateTrackLabel();
    view_.LayoutBar();
    BuildTrackMenus();
    SwitchTimer(true);
}

void TBarEngine::sbtPrevClick() {
    if (!Ready()) {
        return;
    }
    if (programMode_) {
        StepProgram(-1);
        return;
    }
    // The device may only go back to the start of the track it plays; the label then
    // shows one track less until the next tick reads the device's track.
    cdcore_.SeekPreviousTrack();
    currentTrack_ = std::max(currentTrack_ - 1, 1);
    UpdateTrackLabel();
    ResetTrackGauge();
    MarkCurrentTrack();
}

void TBarEngine::sbtNextClick() {
    if (!Ready()) {
        return;
    }
    if (programMode_) {
        StepProgram(+1);
        return;
    }
    cdcore_.SeekNextTrack();
    const int count = static_cast<int>(cdcore_.QueryTrackCount());
    currentTrack_ = std::max(std::min(currentTrack_ + 1, count), 1);
    UpdateTrackLabel();
    ResetTrackGauge();
    MarkCurrentTrack();
}

void TBarEngine::sbtEjectClick() {
    if (!Ready()) {
        return;
    }
    cdcore_.OpenDoor();
    DiscRemoved();
}

void TBarEngine::sbtCloseClick() {
    if (!Ready()) {
        return;
    }
    cdcore_.CloseDoor();
    SetDoorState(true);  // the next stopped tick looks at the disc
}

void TBarEngine::PlayTrack(int track, int index) {
    if (!Ready()) {
        return;
    }
    // A pick that names no track of this disc (a stale menu, an edited resume record)
    // plays nothing.
    std::optional<int> entryTrack;
    if (programMode_) {
        entryTrack = EntryTrack(index);
        if (!entryTrack) {
            return;
        }
    } else if (track < 1 || track > static_cast<int>(cdcore_.QueryTrackCount())) {
        return;
    }

    cdcore_.RewindToStart();
    cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    if (!programMode_) {
        currentTrack_ = track;
        cdcore_.PlayRange(cdcore_.QueryTrackStart(track), std::nullopt);
    } else {
        programIndex_ = index;
        currentTrack_ = *entryTrack;
        PlayEntryRange(*entryTrack);
    }
    UpdateTrackLabel();
    ResetTrackGauge();
    view_.LayoutBar();
    MarkCurrentTrack();
    if (!programMode_) {
        playingSeen_ = true;
    }
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
}

void TBarEngine::TrackMenuItemClick(int tag) {
    PlayTrack(tag, tag - 1);
}

// ---- the polling tick ----------------------------------------------------------------

void TBarEngine::Timer1Timer() {
    if (settings_ == nullptr) {
        return;  // after the store is gone nothing may be polled
    }
    const int mode = cdcore_.QueryMode();  // 0, not ready, without a device

    if (Is(mode, CdMode::Playing)) {
        // The play order cannot be edited while the disc plays.
        view_.EnableProgramSet(false);
        cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
        const std::uint32_t p = cdcore_.QueryPosition();
        if (view_.GaugeVisible()) {
            cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            const std::int64_t played = std::int64_t{cdcore_.QueryPosition()} -
                                        std::int64_t{cdcore_.QueryTrackStart(currentTrack_)};
            cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
            view_.SetGaugeProgress(static_cast<int>(
                std::clamp<std::int64_t>(played, 0, std::numeric_limits<int>::max())));
            view_.SetGaugeText(MinutesSeconds(MCI_TMSF_MINUTE(p), MCI_TMSF_SECOND(p)) + "/" +
                               trackLengthText_);
        }
        if (!programMode_) {
            playingSeen_ = true;
            const int track = MCI_TMSF_TRACK(p);
            if (track != currentTrack_) {
                view_.HideOperationPanel();
                currentTrack_ = track;
                UpdateTrackLabel();
                view_.LayoutBar();
                MarkCurrentTrack();
                ResetTrackGauge();
                EnableTransport(true, true);
            }
        }
        return;
    }

    if (Is(mode, CdMode::Open)) {
        // The tray was opened with the drive's own button.
        if (discId_ != "0") {
            cdcore_.OpenDoor();
            DiscRemoved();
        }
        return;
    }

    if (!Is(mode, CdMode::Stopped) || paused_) {
        return;
    }
    if (programMode_) {
        StepProgram(+1);  // the entry ended
    } else if (repeatOn_ && playRequested_) {
        // The disc ended after a Play command: it starts again.
        SwitchTimer(false);
        cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
        cdcore_.PlayRange(cdcore_.QueryTrackStart(1), std::nullopt);
        view_.HideOperationPanel();
        BuildTrackMenus();
        MarkCurrentTrack();
        SwitchTimer(true);
    } else if (playingSeen_ && currentTrack_ != 1) {
        // The disc played to its end: back to track 1, idle.
        SwitchTimer(false);
        cdcore_.StopPlay();
        cdcore_.RewindToStart();
        view_.ShowOperationPanel();
        currentTrack_ = 1;
        UpdateTrackLabel();
        view_.LayoutBar();
        MarkCurrentTrack();
        ResetTrackGauge();
        EnableTransport(true, true);
        playingSeen_ = playRequested_ = false;
        SwitchTimer(true);
    } else {
        CheckDisc();
    }
    ResumeCheck();
}

}  // namespace lintel
