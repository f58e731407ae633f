// The engine on a recording view and a virtual drive held in memory, whose clock the test
// steps one poll interval at a time.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "MemoryDriveSet.h"
#include "RecordingView.h"
#include "platform/CdTime.h"
#include "playback/BarEngine.h"
#include "support/StepClock.h"
#include "support/TempDir.h"

namespace lintel::test {

/// An audio disc of `count` tracks of ten seconds each; track 1 starts at 00:02:00.
inline std::string TenSecondTracks(int count) {
    std::string disc;
    for (int t = 0; t < count; ++t) {
        disc += "length 00:10:00\n";
    }
    return disc;
}

/// The menu caption of track `track` under its default name.
inline std::string TwoDigitCaption(int track) {
    return (track < 10 ? "0" : "") + std::to_string(track) + ": Track " + std::to_string(track);
}

/// The content of the sample disc description `name` in samples/.
inline std::string Sample(const std::string& name) {
    return ReadBytes(std::string(LINTEL_SOURCE_DIR) + "/samples/" + name);
}

class PlayerFixture : public ::testing::Test {
protected:
    static constexpr std::chrono::milliseconds kTick{1000};

    void SetUp() override {
        std::filesystem::create_directories(dir_.File("prog"));
        std::filesystem::create_directories(dir_.File("sys"));
    }

    /// Puts `disc` in drive V: and starts the engine with `config` as the [Config] lines.
    void Start(const std::string& disc, const std::string& config = "") {
        drives_.PutDisc('V', disc);
        if (!std::filesystem::exists(dir_.File("prog/lintel.ini"))) {
            dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\nTimerInt=1000\r\n" + config);
        }
        Restart();
    }

    /// Drops the running engine without its close (its store still writes back when
    /// released), puts `disc` in drive V:, writes `ini` as the whole settings file when
    /// one is given, and starts another engine.
    void StartOnFile(const std::string& disc, const std::optional<std::string>& ini) {
        engine_.reset();
        drives_.PutDisc('V', disc);
        if (ini) {
            dir_.Write("prog/lintel.ini", *ini);
        }
        Launch();
    }

    /// Closes the running engine as the program ends (the file is written back) and
    /// starts another on the same files, as the next run of the program.
    void Restart() {
        if (engine_) {
            engine_->FormClose();
            (void)engine_->FormDestroy();
            engine_.reset();
        }
        Launch();
    }

    /// The folders the engine starts with: the program's, its settings file and the
    /// system folder (where cdplayer.ini is looked for).
    TStartupPaths Paths() const {
        return {dir_.File("prog"), dir_.File("prog/lintel.ini"), dir_.File("sys")};
    }

    /// Replaces the disc in V: while the program is not running.
    void PutDisc(const std::string& disc) { drives_.PutDisc('V', disc); }

    /// One poll interval passes and the timer fires.
    void Tick() {
        clock_.Step(kTick);
        engine_->Timer1Timer();
    }

    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            Tick();
        }
    }

    int Mode() { return engine_->CDcore().QueryMode(); }
    bool Playing() { return Mode() == static_cast<int>(CdMode::Playing); }

    /// The track the device stands in.
    int DeviceTrack() {
        engine_->CDcore().SetTimeFormat(MCI_FORMAT_TMSF);
        return MCI_TMSF_TRACK(engine_->CDcore().QueryPosition());
    }

    /// Milliseconds the device stands into its track.
    std::uint32_t DeviceOffset() {
        TMediaPlayer& cd = engine_->CDcore();
        cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const std::uint32_t position = cd.QueryPosition();
        cd.SetTimeFormat(MCI_FORMAT_TMSF);
        const int track = DeviceTrack();
        cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const std::uint32_t start = cd.QueryTrackStart(track);
        cd.SetTimeFormat(MCI_FORMAT_TMSF);
        return position - start;
    }

    /// Ticks up to `limit` times and returns the tracks the device was heard playing, one
    /// per program entry (or per track in disc order), in order. While an entry plays the
    /// device must stand in the entry's track.
    std::vector<int> PlayedTracks(int limit) {
        std::vector<int> played;
        std::pair<int, int> last{-2, -2};
        for (int i = 0; i < limit; ++i) {
            Tick();
            if (!Playing()) {
                continue;
            }
            const std::pair<int, int> now{engine_->ProgramIndex(), DeviceTrack()};
            if (engine_->ProgramMode() && now.second != engine_->CurrentTrack()) {
                ADD_FAILURE() << "entry " << now.first << " plays track " << now.second
                              << " instead of " << engine_->CurrentTrack();
            }
            if (now != last) {
                played.push_back(now.second);
                last = now;
            }
        }
        return played;
    }

    std::string Read(const std::string& section, const std::string& key) {
        return engine_->Settings()->ReadString(section, key, "<none>");
    }

    TempDir dir_;
    StepClock clock_;
    MemoryDriveSet drives_{dir_.Path() / "discs", clock_};
    RecordingView view_;
    std::unique_ptr<TBarEngine> engine_;

private:
    void Launch() {
        view_ = RecordingView{};
        engine_ = std::make_unique<TBarEngine>(view_, drives_);
        engine_->FormCreate(Paths());
    }
};

}  // namespace lintel::test
