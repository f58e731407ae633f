#include "platform/DigitalPlayer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace lintel {
namespace {

// Two seconds of sound read ahead: a drive that stalls for a moment is not heard.
constexpr std::size_t kQueueSectors = 150;
// How often the output thread tops the device up while playing; a tenth of what the
// device holds, and finer than a frame of position.
constexpr auto kOutputStep = std::chrono::milliseconds(10);
// A device that never reports its last samples heard is taken as done this long after
// they should have been.
constexpr auto kDrainGrace = std::chrono::milliseconds(300);
// The longest Pause and Stop wait for the device to fall silent.
constexpr auto kCommandWait = std::chrono::seconds(1);

}  // namespace

DigitalPlayer::DigitalPlayer(SectorSourceOpener openSource, DigitalAudio audio)
    : openSource_(std::move(openSource)), audio_(std::move(audio)) {
    reader_ = std::thread([this] { ReaderLoop(); });
    output_ = std::thread([this] { OutputLoop(); });
}

DigitalPlayer::~DigitalPlayer() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    readerWake_.notify_all();
    outputWake_.notify_all();
    handled_.notify_all();
    reader_.join();
    output_.join();
}

void DigitalPlayer::StartStretch(std::uint32_t from, std::uint32_t to) {
    phase_ = Phase::Playing;
    ++generation_;
    from_ = from;
    to_ = to;
    readNext_ = from;
    queue_.clear();
    written_ = 0;
    heard_ = 0;
    running_ = false;
    restartOnResume_ = false;
    playAt_ = Clock::now();
    figures_.startLatency.reset();
    readerWake_.notify_all();
    outputWake_.notify_all();
}

void DigitalPlayer::Play(std::uint32_t from, std::uint32_t to) {
    const std::lock_guard lock(mutex_);
    StartStretch(from, to);
}

bool DigitalPlayer::Pause() {
    std::unique_lock lock(mutex_);
    if (phase_ != Phase::Playing) {
        return false;
    }
    phase_ = Phase::Paused;
    AwaitOutput(lock);
    return true;
}

bool DigitalPlayer::Resume() {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::Paused) {
        return false;
    }
    if (restartOnResume_) {
        StartStretch(from_, to_);
    } else {
        phase_ = Phase::Playing;
        outputWake_.notify_all();
    }
    return true;
}

void DigitalPlayer::Stop() {
    std::unique_lock lock(mutex_);
    phase_ = Phase::Idle;
    ++generation_;
    queue_.clear();
    AwaitOutput(lock);
}

void DigitalPlayer::AwaitOutput(std::unique_lock<std::mutex>& lock) {
    const std::uint64_t command = ++commands_;
    outputWake_.notify_all();
    // A sound server that hangs while the device opens must not hang the caller: the
    // output thread acts on the command as soon as it is back.
    handled_.wait_for(lock, kCommandWait, [&] { return quit_ || commandsHandled_ >= command; });
}

void DigitalPlayer::Forget() {
    const std::lock_guard lock(mutex_);
    forget_ = true;
    readerWake_.notify_all();
}

std::uint64_t DigitalPlayer::HeardNow() const {
    if (!running_) {
        return heard_;
    }
    const auto since =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - heardAt_).count();
    return std::min(written_, heard_ + static_cast<std::uint64_t>(since) * kCdSampleRate / 1000000);
}

std::uint64_t DigitalPlayer::ClockLimit() const {
    const auto since =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - paceAt_).count();
    return pacedFrames_ + static_cast<std::uint64_t>(since) * kCdSampleRate / 1000000;
}

Subchannel DigitalPlayer::Status() const {
    const std::lock_guard lock(mutex_);
    const auto heardFrame = [&] {
        // The last frame is heard at the very end; until play has stopped, it stays
        // within its range.
        const std::uint64_t frame = from_ + HeardNow() / kSampleFramesPerSector;
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(frame, to_ - 1));
    };
    switch (phase_) {
        case Phase::Playing:
            return {kAudioStatusPlaying, heardFrame()};
        case Phase::Paused:
            return {kAudioStatusPaused, heardFrame()};
        case Phase::Completed:
            return {kAudioStatusCompleted, to_};
        case Phase::Idle:
            break;
    }
    return {kAudioStatusNone, std::nullopt};
}

DigitalPlayer::Figures DigitalPlayer::GetFigures() const {
    const std::lock_guard lock(mutex_);
    return figures_;
}

void DigitalPlayer::ReaderLoop() {
    std::unique_ptr<SectorSource> reader;
    // Where the reader stands; kNowhere before its first read.
    constexpr std::uint32_t kNowhere = UINT32_MAX;
    std::uint32_t nextOnDisc = kNowhere;
    std::unique_lock lock(mutex_);
    while (true) {
        readerWake_.wait(lock, [&] {
            return quit_ || forget_ ||
                   ((phase_ == Phase::Playing || phase_ == Phase::Paused) && readNext_ < to_ &&
                    queue_.size() < kQueueSectors);
        });
        if (quit_) {
            break;
        }
        if (forget_) {
            forget_ = false;
            std::unique_ptr<SectorSource> old = std::move(reader);
            nextOnDisc = kNowhere;
            lock.unlock();
            old.reset();
            lock.lock();
            continue;
        }
        const std::uint64_t generation = generation_;
        const std::uint32_t frame = readNext_;
        lock.unlock();

        if (reader == nullptr) {
            std::string error;
            reader = openSource_(error);
            if (reader != nullptr) {
                reader->SetSpeed(audio_.driveSpeed);
            }
            nextOnDisc = kNowhere;
        }
        CdSector sector;
        bool clean = false;
        if (reader != nullptr) {
            if (nextOnDisc != frame) {
                reader->Seek(frame);
            }
            clean = reader->Read(sector);
            nextOnDisc = frame + 1;
        } else {
            // No audio can be read: the stretch plays as silence, by the clock.
            sector.fill(0);
        }

        lock.lock();
        if (!clean) {
            ++figures_.damagedSectors;
        }
        if (generation == generation_ && frame == readNext_) {
            queue_.push_back(sector);
            ++readNext_;
            outputWake_.notify_all();
        }
    }
    lock.unlock();
    if (reader != nullptr) {
        reader->SetSpeed(0);  // leave the drive as fast as it was
    }
}

std::unique_ptr<PcmSink> DigitalPlayer::OpenSink() {
    std::string error;
    std::unique_ptr<PcmSink> sink = audio_.openSink ? audio_.openSink(error) : nullptr;
    if (sink != nullptr) {
        return sink;
    }
    if (audio_.noSoundDevice) {
        audio_.noSoundDevice(error);
    }
    return MakeSilentPcm();
}

void DigitalPlayer::OutputLoop() {
    std::unique_ptr<PcmSink> sink;
    std::uint64_t sinkGeneration = 0;
    bool held = false;
    CdSector pending;  // a sector the device has not taken all of
    std::size_t pendingAt = pending.size();
    Clock::time_point lastWrite;
    long delayAtLastWrite = 0;

    std::unique_lock lock(mutex_);
    while (!quit_) {
        const std::uint64_t command = commands_;
        if (generation_ != sinkGeneration) {
            // A new stretch or a stop: what the device still holds is dropped.
            std::unique_ptr<PcmSink> old = std::move(sink);
            if (old != nullptr) {
                figures_.underruns += old->Underruns();
            }
            sinkGeneration = generation_;
            held = false;
            pendingAt = pending.size();
            lock.unlock();
            old.reset();
            lock.lock();
            continue;
        }
        if (phase_ == Phase::Playing && sink == nullptr) {
            lock.unlock();
            std::unique_ptr<PcmSink> opened = OpenSink();
            lock.lock();
            if (generation_ != sinkGeneration) {
                continue;  // the new device is dropped with the stretch
            }
            sink = std::move(opened);
        }

        if (phase_ == Phase::Paused && sink != nullptr && !held) {
            // What is heard is read before holding: some devices report nothing held
            // while paused.
            lock.unlock();
            const long delay = sink->Delay();
            const bool holds = sink->Hold(true);
            lock.lock();
            if (generation_ != sinkGeneration) {
                continue;
            }
            heard_ = std::min(written_ - std::min<std::uint64_t>(written_, delay), ClockLimit());
            running_ = false;
            held = true;
            if (!holds) {
                // The device cannot hold: resume plays afresh from the sector heard.
                from_ = static_cast<std::uint32_t>(from_ + heard_ / kSampleFramesPerSector);
                ++generation_;
                readNext_ = from_;
                queue_.clear();
                written_ = heard_ = 0;
                restartOnResume_ = true;
            }
        }
        if (phase_ == Phase::Playing && sink != nullptr) {
            if (held) {
                lock.unlock();
                static_cast<void>(sink->Hold(false));
                lock.lock();
                held = false;
                paceAt_ = Clock::now();
                pacedFrames_ = heard_;
            }
            // Top the device up from the queue. Once the range is written, the device is
            // left to run dry: that is its end, not an underrun.
            const bool rangeWritten =
                readNext_ >= to_ && queue_.empty() && pendingAt >= pending.size();
            long space = 0;
            if (!rangeWritten) {
                lock.unlock();
                space = sink->Space();
                lock.lock();
            }
            while (space > 0 && generation_ == sinkGeneration) {
                if (pendingAt >= pending.size()) {
                    if (queue_.empty()) {
                        break;
                    }
                    pending = queue_.front();
                    pendingAt = 0;
                    queue_.pop_front();
                    readerWake_.notify_all();
                }
                const long frames = std::min<long>(
                    space, static_cast<long>((pending.size() - pendingAt) / kCdFrameBytes));
                lock.unlock();
                const long taken = sink->Write(pending.data() + pendingAt, frames);
                lock.lock();
                if (taken <= 0 || generation_ != sinkGeneration) {
                    break;  // a stretch begun meanwhile counts from nothing
                }
                if (written_ == 0) {
                    paceAt_ = Clock::now();
                    pacedFrames_ = 0;
                }
                if (!figures_.startLatency) {
                    figures_.startLatency = std::chrono::duration_cast<std::chrono::microseconds>(
                        Clock::now() - playAt_);
                }
                pendingAt += static_cast<std::size_t>(taken) * kCdFrameBytes;
                written_ += static_cast<std::uint64_t>(taken);
                space -= taken;
                lastWrite = Clock::now();
                delayAtLastWrite = -1;
            }
            if (generation_ != sinkGeneration) {
                continue;
            }
            lock.unlock();
            const long delay = sink->Delay();
            lock.lock();
            if (generation_ != sinkGeneration) {
                continue;
            }
            if (delayAtLastWrite < 0) {
                delayAtLastWrite = delay;
            }
            const std::uint64_t byClock = ClockLimit();
            heard_ = std::min(written_ - std::min<std::uint64_t>(written_, delay), byClock);
            heardAt_ = Clock::now();
            running_ = true;

            const bool allWritten =
                readNext_ >= to_ && queue_.empty() && pendingAt >= pending.size();
            const auto heardBy = lastWrite +
                                 std::chrono::microseconds(std::int64_t{delayAtLastWrite} *
                                                           1000000 / kCdSampleRate) +
                                 kDrainGrace;
            if (allWritten && byClock >= written_ && (delay == 0 || Clock::now() > heardBy)) {
                phase_ = Phase::Completed;
                heard_ = written_;
                running_ = false;
                ++generation_;  // the device is closed at the next turn
            }
        }

        commandsHandled_ = command;
        handled_.notify_all();
        if (phase_ == Phase::Playing) {
            outputWake_.wait_for(lock, kOutputStep);
        } else {
            outputWake_.wait(lock, [&] {
                return quit_ || commands_ != commandsHandled_ || generation_ != sinkGeneration ||
                       (phase_ == Phase::Playing);
            });
        }
    }
    if (sink != nullptr) {
        lock.unlock();
        sink.reset();
    }
}

}  // namespace lintel
