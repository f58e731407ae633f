#include "platform/DigitalPlayer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Deemphasis.h"

namespace lintel {
namespace {

using Clock = std::chrono::steady_clock;

// Two seconds of sound read ahead: a drive that stalls for a moment is not heard. The
// reader tops the queue up once half of it is played, so it wakes once a second.
constexpr std::size_t kQueueSectors = 150;
constexpr std::size_t kRefillAt = kQueueSectors / 2;
// The longest a command, a forgotten disc or the end of the player waits for a thread.
constexpr auto kCommandWait = std::chrono::seconds(1);
// A source that cannot be opened is tried this often, each try twice as long after the
// one before, before play stops.
constexpr int kOpenTries = 3;
constexpr auto kFirstOpenRetry = std::chrono::milliseconds(250);
// A lost sound device is opened again this often, this far apart, before play goes on
// silently.
constexpr int kReopenTries = 3;
constexpr auto kReopenPause = std::chrono::milliseconds(300);
// How long the output thread sleeps at most when nothing wakes it while playing.
constexpr auto kOutputNap = std::chrono::seconds(1);
// Silence after a range's last sample, in periods: what the device holds, and no more. A
// device that takes samples faster than it plays them (ALSA's null device) would otherwise
// be fed silence without end until the clock reaches the last sample.
constexpr std::uint64_t kEndPadPeriods = 2;
constexpr std::uint32_t kNowhere = UINT32_MAX;

}  // namespace

// Everything both threads and the player touch. A thread that outlives the player (stuck
// in a read or in the sound server) keeps it alive until it returns.
struct DigitalPlayer::Shared {
    enum class Phase { Idle, Playing, Paused, Completed };

    Shared(SectorSourceOpener open, DigitalAudio sound)
        : openSource(std::move(open)), audio(std::move(sound)), queue(kQueueSectors) {}
    ~Shared() {
        if (wakeFd >= 0) {
            close(wakeFd);
        }
    }

    const SectorSourceOpener openSource;
    const DigitalAudio audio;
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);  // wakes the output thread

    mutable std::mutex mutex;
    std::condition_variable readerWake;
    std::condition_variable handled;  // a command, a forget or a thread's end was seen
    bool quit = false;
    int threadsRunning = 0;

    Phase phase = Phase::Idle;
    std::uint64_t generation = 0;  // a new stretch or a stop drops what came before
    std::uint64_t commands = 0;    // Pause and Stop wait until the output thread saw theirs
    std::uint64_t commandsHandled = 0;
    std::uint64_t forgets = 0;  // Forget waits until the reader closed its source
    std::uint64_t forgotten = 0;
    bool restartOnResume = false;  // the device could not hold: resume plays afresh
    bool deviceLost = false;       // the next device is opened with a few tries

    std::uint32_t from = 0;       // the running stretch: its first frame,
    std::uint32_t to = 0;         // its end,
    std::uint32_t readNext = 0;   // and the next sector to read
    std::vector<CdSector> queue;  // a ring of read sectors, allocated once
    std::size_t queueHead = 0;
    std::size_t queued = 0;
    std::size_t outputWants = 0;  // sectors the output thread waits for, or 0

    std::uint64_t written = 0;  // sample frames of the stretch given to the device
    std::uint64_t heard = 0;    // and heard, as of heardAt
    Clock::time_point heardAt;
    bool running = false;  // the device is playing, so the heard frames move on

    Clock::time_point playAt;
    Figures figures;

    void Wake() const {
        const std::uint64_t one = 1;
        // The eventfd's counter cannot overflow here, and a wake-up already pending does
        // as well: the outcome needs no look.
        [[maybe_unused]] const ssize_t written = write(wakeFd, &one, sizeof one);
    }
    /// Sleeps until Wake or `limit` (forever when negative), then takes the wake-up.
    void Sleep(std::chrono::milliseconds limit) const {
        pollfd fd{wakeFd, POLLIN, 0};
        static_cast<void>(poll(&fd, 1, static_cast<int>(limit.count())));
        TakeWake();
    }
    void TakeWake() const {
        std::uint64_t count = 0;
        // Nothing pending (EAGAIN) is as good as a wake-up taken.
        [[maybe_unused]] const ssize_t taken = read(wakeFd, &count, sizeof count);
    }

    void ClearQueue() {
        queueHead = 0;
        queued = 0;
    }
    void StartStretch(std::uint32_t first, std::uint32_t end) {
        phase = Phase::Playing;
        ++generation;
        from = first;
        to = end;
        readNext = first;
        ClearQueue();
        written = 0;
        heard = 0;
        running = false;
        restartOnResume = false;
        playAt = Clock::now();
        figures.startLatency.reset();
        readerWake.notify_all();
        Wake();
    }
    /// Play goes on afresh from the sector heard last, with the next device.
    void RestartFromHeard() {
        from = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(from + heard / kSampleFramesPerSector, to));
        ++generation;
        readNext = from;
        ClearQueue();
        written = heard = 0;
        running = false;
        readerWake.notify_all();
    }
    /// Hands a command to the output thread and waits, a bounded time, until it is done.
    void AwaitOutput(std::unique_lock<std::mutex>& lock) {
        const std::uint64_t command = ++commands;
        Wake();
        // A sound server that hangs must not hang the caller: the output thread acts on
        // the command as soon as it is back.
        handled.wait_for(lock, kCommandWait, [&] { return commandsHandled >= command; });
    }
    /// Sample frames heard of the running stretch, moved on by the clock since the output
    /// thread last asked the device.
    [[nodiscard]] std::uint64_t HeardNow() const {
        if (!running) {
            return heard;
        }
        const auto since =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - heardAt).count();
        return std::min(written,
                        heard + static_cast<std::uint64_t>(since) * kCdSampleRate / 1000000);
    }
    void ThreadEnds() {
        const std::lock_guard lock(mutex);
        --threadsRunning;
        handled.notify_all();
    }
};

DigitalPlayer::DigitalPlayer(SectorSourceOpener openSource, DigitalAudio audio)
    : shared_(std::make_shared<Shared>(std::move(openSource), std::move(audio))) {
    shared_->threadsRunning = 2;
    // Each thread owns the shared state with the player, so the player may go while one
    // is stuck.
    std::thread([shared = shared_] {
        ReaderLoop(*shared);
        shared->ThreadEnds();
    }).detach();
    std::thread([shared = shared_] {
        OutputLoop(*shared);
        shared->ThreadEnds();
    }).detach();
}

DigitalPlayer::~DigitalPlayer() {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    s.quit = true;
    s.readerWake.notify_all();
    s.Wake();
    s.handled.wait_for(lock, kCommandWait, [&] { return s.threadsRunning == 0; });
}

void DigitalPlayer::Play(std::uint32_t from, std::uint32_t to) {
    const std::lock_guard lock(shared_->mutex);
    shared_->StartStretch(from, to);
}

bool DigitalPlayer::Pause() {
    std::unique_lock lock(shared_->mutex);
    if (shared_->phase != Shared::Phase::Playing) {
        return false;
    }
    shared_->phase = Shared::Phase::Paused;
    shared_->AwaitOutput(lock);
    return true;
}

bool DigitalPlayer::Resume() {
    const std::lock_guard lock(shared_->mutex);
    Shared& s = *shared_;
    if (s.phase != Shared::Phase::Paused) {
        return false;
    }
    if (s.restartOnResume) {
        s.StartStretch(s.from, s.to);
    } else {
        s.phase = Shared::Phase::Playing;
        s.Wake();
    }
    return true;
}

void DigitalPlayer::Stop() {
    std::unique_lock lock(shared_->mutex);
    shared_->phase = Shared::Phase::Idle;
    ++shared_->generation;
    shared_->ClearQueue();
    shared_->AwaitOutput(lock);
}

bool DigitalPlayer::Forget() {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    if (s.forgets != s.forgotten) {
        return false;  // a read still hangs since the last time: no second wait for it
    }
    const std::uint64_t request = ++s.forgets;
    s.readerWake.notify_all();
    return s.handled.wait_for(lock, kCommandWait, [&] { return s.forgotten >= request; });
}

Subchannel DigitalPlayer::Status() const {
    const Shared& s = *shared_;
    const std::lock_guard lock(s.mutex);
    const auto heardFrame = [&] {
        // The last frame is heard at the very end; until play has stopped, it stays
        // within its range.
        const std::uint64_t frame = s.from + s.HeardNow() / kSampleFramesPerSector;
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(frame, s.to - 1));
    };
    switch (s.phase) {
        case Shared::Phase::Playing:
            return {kAudioStatusPlaying, heardFrame()};
        case Shared::Phase::Paused:
            return {kAudioStatusPaused, heardFrame()};
        case Shared::Phase::Completed:
            return {kAudioStatusCompleted, s.to};
        case Shared::Phase::Idle:
            break;
    }
    return {kAudioStatusNone, std::nullopt};
}

bool DigitalPlayer::Busy() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->phase == Shared::Phase::Playing || shared_->phase == Shared::Phase::Paused;
}

DigitalPlayer::Figures DigitalPlayer::GetFigures() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->figures;
}

void DigitalPlayer::ReaderLoop(Shared& s) {
    std::unique_ptr<SectorSource> source;
    std::uint32_t nextOnDisc = kNowhere;  // where the source stands
    Deemphasis deemphasis;
    int openFailures = 0;
    Clock::time_point nextOpen;
    bool toldUnreadable = false;
    bool refilling = true;
    CdSector sector;

    std::unique_lock lock(s.mutex);
    while (true) {
        const auto wanted = [&] {
            const bool active =
                s.phase == Shared::Phase::Playing || s.phase == Shared::Phase::Paused;
            if (s.queued <= kRefillAt) {
                refilling = true;
            }
            return active && s.readNext < s.to && s.queued < kQueueSectors && refilling;
        };
        const auto due = [&] { return s.quit || s.forgets != s.forgotten || wanted(); };
        if (source == nullptr && openFailures > 0) {
            // Backing off: a missing file or an empty drive is not asked 75 times a second.
            s.readerWake.wait_until(lock, nextOpen, [&] {
                return s.quit || s.forgets != s.forgotten || Clock::now() >= nextOpen;
            });
        }
        s.readerWake.wait(lock, due);
        if (s.quit) {
            break;
        }
        if (s.forgets != s.forgotten) {
            const std::uint64_t request = s.forgets;
            std::unique_ptr<SectorSource> old = std::move(source);
            lock.unlock();
            old.reset();
            lock.lock();
            nextOnDisc = kNowhere;
            openFailures = 0;
            toldUnreadable = false;
            s.forgotten = request;
            s.handled.notify_all();
            continue;
        }
        const std::uint64_t generation = s.generation;
        const std::uint32_t frame = s.readNext;
        lock.unlock();

        if (source == nullptr) {
            std::string error;
            source = s.openSource(error);
            if (source == nullptr) {
                lock.lock();
                if (++openFailures < kOpenTries) {
                    nextOpen = Clock::now() + kFirstOpenRetry * (1 << (openFailures - 1));
                    continue;
                }
                // The source stays unreadable: play stops, and the user hears why once.
                openFailures = 0;
                if (generation == s.generation) {
                    s.phase = Shared::Phase::Idle;
                    ++s.generation;
                    s.ClearQueue();
                    s.Wake();
                }
                const bool tell = !toldUnreadable && s.audio.cannotRead;
                toldUnreadable = true;
                if (tell) {
                    lock.unlock();
                    s.audio.cannotRead(error);
                    lock.lock();
                }
                continue;
            }
            openFailures = 0;
            source->SetSpeed(s.audio.driveSpeed);
            nextOnDisc = kNowhere;
        }
        if (nextOnDisc != frame) {
            source->Seek(frame);
            deemphasis.Reset();
        }
        const bool clean = source->Read(sector);
        nextOnDisc = frame + 1;
        if (source->Preemphasis(frame)) {
            deemphasis.Apply(sector);
        } else {
            deemphasis.Reset();
        }

        lock.lock();
        if (!clean) {
            ++s.figures.damagedSectors;
        }
        if (generation == s.generation && frame == s.readNext) {
            s.queue[(s.queueHead + s.queued) % kQueueSectors] = sector;
            ++s.queued;
            ++s.readNext;
            if (s.queued == kQueueSectors) {
                refilling = false;
            }
            if (s.outputWants != 0 && (s.queued >= s.outputWants || s.readNext >= s.to)) {
                s.outputWants = 0;
                s.Wake();
            }
        }
    }
    lock.unlock();
    if (source != nullptr) {
        source->SetSpeed(0);  // leave the drive as fast as it was
    }
}

namespace {

// Opens the sound device; after a lost one, a few times before giving up. Without one,
// play goes on silently by the clock and the user is told.
std::unique_ptr<PcmSink> OpenSink(const DigitalAudio& audio, bool afterLoss) {
    std::string error;
    const int tries = afterLoss ? kReopenTries : 1;
    for (int i = 0; i < tries; ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(kReopenPause);
        }
        std::unique_ptr<PcmSink> sink = audio.openSink ? audio.openSink(error) : nullptr;
        if (sink != nullptr) {
            return sink;
        }
    }
    if (audio.noSoundDevice) {
        audio.noSoundDevice(error);
    }
    return MakeSilentPcm();
}

}  // namespace

void DigitalPlayer::OutputLoop(Shared& s) {
    std::unique_ptr<PcmSink> sink;
    std::uint64_t sinkGeneration = 0;
    std::vector<std::uint8_t> period;  // the next period for the device, as it fills
    std::size_t filled = 0;
    CdSector pending;  // the sector being copied into periods
    std::size_t pendingAt = pending.size();
    std::uint64_t given = 0;  // frames given to the device, with the silence after the end
    bool held = false;
    bool wasRunning = false;
    Clock::time_point runningSince;  // when the device last began to run,
    std::uint64_t givenAtRun = 0;    // having played this much
    std::uint64_t heardGiven = 0;    // frames of all given that were heard
    bool ending = false;             // the range's last sample was given to the device,
    std::uint64_t endAt = 0;         // as this many frames of all given

    std::unique_lock lock(s.mutex);
    while (!s.quit) {
        const std::uint64_t command = s.commands;
        if (s.generation != sinkGeneration) {
            // A new stretch or a stop: what the device still holds is dropped.
            std::unique_ptr<PcmSink> old = std::move(sink);
            if (old != nullptr) {
                s.figures.underruns += old->Underruns();
            }
            sinkGeneration = s.generation;
            held = ending = false;
            wasRunning = false;
            givenAtRun = heardGiven = 0;
            filled = 0;
            given = endAt = 0;
            pendingAt = pending.size();
            lock.unlock();
            old.reset();
            lock.lock();
            continue;
        }
        if (s.phase == Shared::Phase::Playing && sink == nullptr) {
            const bool afterLoss = std::exchange(s.deviceLost, false);
            lock.unlock();
            std::unique_ptr<PcmSink> opened = OpenSink(s.audio, afterLoss);
            period.resize(static_cast<std::size_t>(opened->PeriodFrames()) * kCdFrameBytes);
            lock.lock();
            if (s.generation != sinkGeneration) {
                continue;  // the new device is dropped with the stretch
            }
            sink = std::move(opened);
        }

        if (s.phase == Shared::Phase::Paused && sink != nullptr && !held) {
            // What is heard is read before holding: some devices report nothing held
            // while paused.
            lock.unlock();
            const long delay = sink->Delay();
            const bool holds = sink->Hold(true);
            lock.lock();
            if (s.generation != sinkGeneration) {
                continue;
            }
            s.heard = std::min(s.written, given - std::min<std::uint64_t>(given, delay));
            s.running = false;
            held = true;
            wasRunning = false;
            if (!holds) {
                s.RestartFromHeard();  // the device cannot hold: resume plays afresh
                s.restartOnResume = true;
            }
        }

        bool readerBehind = false;
        if (s.phase == Shared::Phase::Playing && sink != nullptr) {
            if (held) {
                lock.unlock();
                static_cast<void>(sink->Hold(false));
                lock.lock();
                held = false;
            }
            const long periodFrames = static_cast<long>(period.size() / kCdFrameBytes);
            lock.unlock();
            long space = sink->Space();
            lock.lock();
            // Whole periods from the queue. After the range's last sample the device gets
            // silence until that sample was heard, so it never runs dry into stale audio.
            while (space >= periodFrames && s.generation == sinkGeneration &&
                   !(ending && given >= endAt + kEndPadPeriods * periodFrames)) {
                while (filled < period.size() && !ending) {
                    if (pendingAt >= pending.size()) {
                        if (s.queued == 0) {
                            break;
                        }
                        pending = s.queue[s.queueHead];
                        s.queueHead = (s.queueHead + 1) % kQueueSectors;
                        pendingAt = 0;
                        if (--s.queued == kRefillAt) {
                            s.readerWake.notify_all();
                        }
                    }
                    const std::size_t bytes =
                        std::min(period.size() - filled, pending.size() - pendingAt);
                    std::memcpy(period.data() + filled, pending.data() + pendingAt, bytes);
                    filled += bytes;
                    pendingAt += bytes;
                }
                std::uint64_t sound = filled / kCdFrameBytes;
                if (!ending && s.readNext >= s.to && s.queued == 0 && pendingAt >= pending.size()) {
                    ending = true;
                    endAt = given + sound;
                }
                if (filled < period.size()) {
                    if (!ending) {
                        readerBehind = true;
                        break;
                    }
                    std::fill(period.begin() + static_cast<std::ptrdiff_t>(filled), period.end(),
                              0);
                    filled = period.size();
                }
                lock.unlock();
                const long taken = sink->Write(period.data(), periodFrames);
                lock.lock();
                if (taken <= 0 || s.generation != sinkGeneration) {
                    break;
                }
                // A device that took part of a period keeps the rest for its next turn.
                const std::size_t takenBytes = static_cast<std::size_t>(taken) * kCdFrameBytes;
                std::memmove(period.data(), period.data() + takenBytes, filled - takenBytes);
                filled -= takenBytes;
                s.written += std::min<std::uint64_t>(sound, static_cast<std::uint64_t>(taken));
                given += static_cast<std::uint64_t>(taken);
                space -= taken;
            }
            if (s.generation != sinkGeneration) {
                continue;
            }
            if (ending && endAt == 0) {
                s.phase = Shared::Phase::Completed;  // an empty range
                ++s.generation;
                continue;
            }
            // Started explicitly once the device is full or the range is all written, so a
            // stretch shorter than the device's buffer plays too. A device started half
            // full would run dry behind a reader that stalls, and what it held is lost.
            lock.unlock();
            bool started = sink->Started();
            if (!started && (space < periodFrames || ending)) {
                started = sink->Start();
            }
            const long delay = sink->Delay();
            const std::string lost = sink->Lost();
            lock.lock();
            if (s.generation != sinkGeneration) {
                continue;
            }
            if (started && !s.figures.startLatency) {
                s.figures.startLatency =
                    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - s.playAt);
            }
            // Nothing is heard faster than the clock runs, whatever a device says of its
            // delay (the null device says none).
            if (started && !wasRunning) {
                runningSince = Clock::now();
                givenAtRun = heardGiven;
            }
            wasRunning = started;
            const auto ran = started ? std::chrono::duration_cast<std::chrono::microseconds>(
                                           Clock::now() - runningSince)
                                     : std::chrono::microseconds(0);
            const std::uint64_t heard = std::min(
                given - std::min<std::uint64_t>(given, delay),
                givenAtRun + static_cast<std::uint64_t>(ran.count()) * kCdSampleRate / 1000000);
            s.heard = std::min(s.written, heard);
            s.heardAt = Clock::now();
            s.running = started;
            heardGiven = heard;
            if (!lost.empty()) {
                // Gone: play goes on from what was heard last, with the device opened
                // again or, failing that, silently by the clock.
                s.RestartFromHeard();
                s.deviceLost = true;
                continue;
            }
            if (ending && heard >= endAt) {
                s.phase = Shared::Phase::Completed;
                s.heard = s.written;
                s.running = false;
                ++s.generation;  // the device is closed at the next turn
            }
            if (readerBehind) {
                const std::size_t need = period.size() - filled;
                s.outputWants =
                    std::min(kQueueSectors, (need + kCdSectorBytes - 1) / kCdSectorBytes);
            }
        }

        s.commandsHandled = command;
        s.handled.notify_all();
        const bool playing =
            s.phase == Shared::Phase::Playing && sink != nullptr && s.generation == sinkGeneration;
        const bool padded =
            playing && ending &&
            given >= endAt + kEndPadPeriods * static_cast<std::uint64_t>(sink->PeriodFrames());
        lock.unlock();
        if (padded) {
            // Only the clock is awaited now; a device always ready would spin the poll.
            s.Sleep(std::chrono::milliseconds(50));
        } else if (playing && !readerBehind) {
            sink->Wait(s.wakeFd, kOutputNap);
            s.TakeWake();
        } else if (playing) {
            s.Sleep(kOutputNap);  // the reader wakes it with enough for a period
        } else {
            s.Sleep(std::chrono::milliseconds(-1));
        }
        lock.lock();
    }
    lock.unlock();
    sink.reset();
}

}  // namespace lintel
