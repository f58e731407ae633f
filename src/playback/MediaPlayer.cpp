#include "playback/MediaPlayer.h"

#include <utility>

#include "platform/Cp932.h"

namespace lintel {
namespace {

// The track holding absolute frame `frame`: the last one starting at or before it (track
// 1 for a position before the first track).
int TrackAt(const CdToc& toc, std::uint32_t frame) {
    int track = 1;
    for (int t = 2; t <= toc.TrackCount(); ++t) {
        if (toc.StartOf(t) <= frame) {
            track = t;
        }
    }
    return track;
}

// A table every computation here can trust: 1 to 99 tracks whose starts rise, ending
// before the lead-out. A damaged disc can report anything; a table that breaks this is
// taken as no readable disc rather than turned into lengths that wrap around.
bool Sound(const CdToc& toc) {
    if (toc.TrackCount() < 1 || toc.TrackCount() > 99) {
        return false;
    }
    for (int t = 1; t <= toc.TrackCount(); ++t) {
        if (toc.StartOf(t) >= toc.StartOf(t + 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

TMediaPlayer::TMediaPlayer(CdDeviceFactory& factory) : factory_(factory) {}

TMediaPlayer::~TMediaPlayer() {
    CloseDevice();
}

void TMediaPlayer::RequireDevice() const {
    if (!device_) {
        throw TMCIError(cp932::Literal("MCI ﾃﾞﾊﾞｲｽがありません"));
    }
}

void TMediaPlayer::OpenDevice() {
    CloseDevice();
    std::string error;
    std::unique_ptr<CdAudioDevice> device = factory_.DeviceFor(driveName_, error);
    if (!device) {
        error_ = kCommandFailed;
        throw TMCIError(error);
    }
    if (std::optional<std::string> failure = device->Open()) {
        error_ = kCommandFailed;
        throw TMCIError(*failure);
    }
    device_ = std::move(device);
    canEject_ = device_->Capabilities().canEject;
    format_ = MCI_FORMAT_TMSF;
    endPos_.reset();
    error_ = kOk;
}

void TMediaPlayer::CloseDevice() {
    if (!device_) {
        return;
    }
    device_->Close();
    device_.reset();
    canEject_ = false;
}

void TMediaPlayer::SetTimeFormat(std::uint32_t format) {
    bool known =
        format == MCI_FORMAT_MILLISECONDS || format == MCI_FORMAT_MSF || format == MCI_FORMAT_TMSF;
    Record(device_ && known);
    if (device_ && known) {
        format_ = format;
    }
}

std::optional<CdToc> TMediaPlayer::Toc() {
    std::optional<CdToc> toc = device_ ? device_->ReadToc() : std::nullopt;
    if (toc && !Sound(*toc)) {
        toc.reset();
    }
    Record(toc.has_value(), kNoMedium);
    return toc;
}

CdTextRead TMediaPlayer::QueryCdText() {
    return device_ ? device_->ReadCdText() : CdTextRead{};
}

std::optional<std::uint32_t> TMediaPlayer::ToFrames(std::uint32_t value, const CdToc& toc) {
    std::optional<std::uint32_t> frames;
    switch (format_) {
        case MCI_FORMAT_MILLISECONDS:
            frames = MillisecondsToFrames(value);
            break;
        case MCI_FORMAT_MSF:
            frames = MsfToFrames(value);
            break;
        default: {
            int track = MCI_TMSF_TRACK(value);
            if (track >= 1 && track <= toc.TrackCount()) {
                frames = toc.StartOf(track) + TmsfOffsetFrames(value);
            }
        }
    }
    if (!frames || *frames > toc.leadOut) {
        error_ = kBadPosition;
        return std::nullopt;
    }
    return frames;
}

std::uint32_t TMediaPlayer::PositionValue(std::uint32_t frames, const CdToc& toc) const {
    switch (format_) {
        case MCI_FORMAT_MILLISECONDS:
            return FramesToMilliseconds(frames);
        case MCI_FORMAT_MSF:
            return FramesToMsf(frames);
        default: {
            int track = TrackAt(toc, frames);
            std::uint32_t start = toc.StartOf(track);
            return MakeTmsf(static_cast<std::uint8_t>(track), frames > start ? frames - start : 0);
        }
    }
}

std::uint32_t TMediaPlayer::DurationValue(std::uint32_t frames) const {
    // A length read in TMSF has no track to name, so it comes packed as MSF.
    return format_ == MCI_FORMAT_MILLISECONDS ? FramesToMilliseconds(frames) : FramesToMsf(frames);
}

int TMediaPlayer::QueryMode() {
    if (!device_) {
        error_ = kCommandFailed;
        return 0;
    }
    error_ = kOk;
    return static_cast<int>(device_->Mode());
}

std::uint32_t TMediaPlayer::QueryTrackCount() {
    RequireDevice();
    std::optional<CdToc> toc = Toc();
    return toc ? static_cast<std::uint32_t>(toc->TrackCount()) : 0;
}

std::uint32_t TMediaPlayer::QueryLength() {
    RequireDevice();
    std::optional<CdToc> toc = Toc();
    return toc ? DurationValue(toc->leadOut - toc->StartOf(1)) : 0;
}

std::uint32_t TMediaPlayer::QueryPosition() {
    std::optional<CdToc> toc = Toc();
    std::optional<std::uint32_t> frames = toc ? device_->Position() : std::nullopt;
    Record(frames.has_value(), kNoMedium);
    return frames ? PositionValue(*frames, *toc) : 0;
}

std::optional<CdToc> TMediaPlayer::TocWithTrack(int t) {
    std::optional<CdToc> toc = Toc();
    if (toc && (t < 1 || t > toc->TrackCount())) {
        error_ = kBadPosition;
        return std::nullopt;
    }
    return toc;
}

std::uint32_t TMediaPlayer::QueryTrackLength(int t) {
    RequireDevice();
    std::optional<CdToc> toc = TocWithTrack(t);
    return toc ? DurationValue(toc->StartOf(t + 1) - toc->StartOf(t)) : 0;
}

std::uint32_t TMediaPlayer::QueryTrackStart(int t) {
    std::optional<CdToc> toc = TocWithTrack(t);
    return toc ? PositionValue(toc->StartOf(t), *toc) : 0;
}

void TMediaPlayer::PlayRange(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to) {
    RequireDevice();
    endPos_ = to;
    std::optional<CdToc> toc = Toc();
    if (!toc) {
        return;
    }
    std::optional<std::uint32_t> start = from ? ToFrames(*from, *toc) : device_->Position();
    std::optional<std::uint32_t> end = to ? ToFrames(*to, *toc) : toc->leadOut;
    if (!start || !end) {
        error_ = kBadPosition;
        return;
    }
    Record(device_->Play(*start, *end));
}

void TMediaPlayer::StopPlay() {
    RequireDevice();
    Record(device_->Stop());
}

void TMediaPlayer::RewindToStart() {
    RequireDevice();
    std::optional<CdToc> toc = Toc();
    if (toc) {
        Record(device_->Seek(toc->StartOf(1)));
    }
}

void TMediaPlayer::Seek(std::uint32_t position) {
    RequireDevice();
    std::optional<CdToc> toc = Toc();
    if (!toc) {
        return;
    }
    std::optional<std::uint32_t> frame = ToFrames(position, *toc);
    if (!frame) {
        error_ = kBadPosition;
        return;
    }
    Record(device_->Seek(*frame));
}

void TMediaPlayer::TogglePause() {
    RequireDevice();
    switch (device_->Mode()) {
        case CdMode::Playing:
            Record(device_->Pause());
            break;
        case CdMode::Paused:
            if (device_->Resume()) {
                error_ = kOk;
            } else {
                PlayRange(std::nullopt, std::nullopt);
            }
            break;
        default:
            break;
    }
}

void TMediaPlayer::MoveTo(std::uint32_t frame, const CdToc& toc) {
    if (device_->Mode() == CdMode::Playing) {
        Record(device_->Play(frame, toc.leadOut));
    } else {
        Record(device_->Seek(frame));
    }
}

std::optional<TMediaPlayer::Place> TMediaPlayer::CurrentPlace() {
    RequireDevice();
    std::optional<CdToc> toc = Toc();
    std::optional<std::uint32_t> position = toc ? device_->Position() : std::nullopt;
    if (!position) {
        error_ = kNoMedium;
        return std::nullopt;
    }
    return Place{*toc, *position, TrackAt(*toc, *position)};
}

void TMediaPlayer::SeekNextTrack() {
    std::optional<Place> place = CurrentPlace();
    if (!place) {
        return;
    }
    int track = place->track;
    int target = track < place->toc.TrackCount() ? track + 1 : track;
    MoveTo(place->toc.StartOf(target), place->toc);
}

void TMediaPlayer::SeekPreviousTrack() {
    std::optional<Place> place = CurrentPlace();
    if (!place) {
        return;
    }
    int track = place->track;
    // Minute and second equal to the track's start: the TMSF offset is under a second.
    bool firstSecond = place->position < place->toc.StartOf(track) + kFramesPerSecond;
    int target = track > 1 && firstSecond ? track - 1 : track;
    MoveTo(place->toc.StartOf(target), place->toc);
}

void TMediaPlayer::OpenDoor() {
    RequireDevice();
    if (canEject_) {
        Record(device_->OpenDoor());
    }
}

void TMediaPlayer::CloseDoor() {
    if (device_) {
        device_->CloseDoor();
    }
}

}  // namespace lintel
