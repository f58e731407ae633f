// A real sound server for one test: PulseAudio with one null sink named "nul", in a
// scratch runtime folder, so ALSA's default device (its pulse plugin) reaches it and nothing
// touches the user's own server. While it lives, XDG_RUNTIME_DIR, PULSE_RUNTIME_PATH and
// PULSE_SERVER point at it.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

extern char** environ;

namespace lintel::test {

class SoundServer {
public:
    SoundServer()
        : runtime_(Prepared(dir_.Path().string())),
          xdgRuntime_("XDG_RUNTIME_DIR", runtime_.c_str()),
          pulseRuntime_("PULSE_RUNTIME_PATH", (runtime_ + "/pulse").c_str()),
          pulseServer_("PULSE_SERVER", ("unix:" + runtime_ + "/pulse/native").c_str()),
          // Root's cookie and state would otherwise go to the real home folder.
          home_("HOME", runtime_.c_str()) {
        std::vector<std::string> args{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                      "--load=module-native-protocol-unix",
                                      // Without rewinds, a stream that joins is mixed
                                      // in from then on, and the monitor hears every
                                      // sample of it.
                                      "--load=module-null-sink sink_name=nul norewinds=1",
                                      "--log-target=file:" + runtime_ + "/server.log"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "pulseaudio", nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            return;
        }
        for (int i = 0; i < 100 && !running_; ++i) {
            running_ = Pactl("info").find("Server Name") != std::string::npos;
            if (!running_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }
    ~SoundServer() { Stop(); }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    /// Whether the server answers; a test requires it with LINTEL_REQUIRE.
    [[nodiscard]] bool Running() const { return running_; }
    [[nodiscard]] const std::string& RuntimeFolder() const { return runtime_; }
    /// Ends the server, as when the user's sound server quits.
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        running_ = false;
    }

    /// What `pactl ARGS` prints on standard output (ARGS as typed in a shell).
    [[nodiscard]] static std::string Pactl(const std::string& args) {
        const std::string command = "pactl " + args + " 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        std::string out;
        if (!pipe) {
            return out;
        }
        std::array<char, 4096> chunk{};
        while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe.get())) {
            out.append(chunk.data(), n);
        }
        return out;
    }

private:
    static std::string Prepared(const std::string& folder) {
        chmod(folder.c_str(), 0700);
        return folder;
    }

    TempDir dir_;
    std::string runtime_;
    ScopedEnv xdgRuntime_;
    ScopedEnv pulseRuntime_;
    ScopedEnv pulseServer_;
    ScopedEnv home_;
    pid_t pid_ = -1;
    bool running_ = false;
};

}  // namespace lintel::test
