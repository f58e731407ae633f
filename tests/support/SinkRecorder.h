// What a SoundServer's null sink played, recorded from its monitor with parec while it
// lives: the bytes a listener would have heard, as CD audio (44,100 Hz, 16-bit stereo).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace lintel::test {

class SinkRecorder {
public:
    /// Starts recording "nul.monitor" of the running server; Recording() is false when
    /// parec could not start.
    SinkRecorder() {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<std::string> args{
            "parec",        "--device=nul.monitor", "--raw", "--format=s16le", "--rate=44100",
            "--channels=2", "--latency-msec=20"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "parec", &files, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&files);
        // The monitor stream is connected once parec writes its first silence (an idle
        // sink may give none).
        for (int i = 0; i < 50 && Recording() && ReadBytes(path_).empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~SinkRecorder() { Finish(); }
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    [[nodiscard]] bool Recording() const { return pid_ > 0; }
    /// The file the recording grows in.
    [[nodiscard]] const std::string& Path() const { return path_; }

    /// Whether the silence of a pause in the middle of the sound is kept.
    enum class Pauses { Kept, Dropped };

    /// Waits until `bytes` of sound (counted from the first sample that is not silence)
    /// were recorded, at most `limit`, then ends the recording and returns that sound:
    /// everything from its first sample that is not silence on.
    std::string Heard(std::size_t bytes, std::chrono::milliseconds limit,
                      Pauses pauses = Pauses::Kept) {
        const auto end = std::chrono::steady_clock::now() + limit;
        const auto sound = [&] {
            std::string recorded = FromFirstSound(ReadBytes(path_));
            return pauses == Pauses::Kept ? recorded : WithoutSilentFrames(recorded);
        };
        while (sound().size() < bytes && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Finish();
        return sound();
    }

    /// `recording` from its first sample frame that is not silence.
    static std::string FromFirstSound(const std::string& recording) {
        const std::size_t first = recording.find_first_not_of('\0');
        return first == std::string::npos ? std::string() : recording.substr(first / 4 * 4);
    }

    /// `sound` without its sample frames of silence.
    static std::string WithoutSilentFrames(const std::string& sound) {
        std::string kept;
        for (std::size_t at = 0; at + 4 <= sound.size(); at += 4) {
            if (std::string_view(sound).substr(at, 4) != std::string_view("\0\0\0\0", 4)) {
                kept.append(sound, at, 4);
            }
        }
        return kept;
    }

private:
    void Finish() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    TempDir folder_;
    std::string path_ = folder_.File("monitor.raw");
    pid_t pid_ = -1;
};

}  // namespace lintel::test
