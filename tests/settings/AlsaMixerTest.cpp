// The mixer component on the real back end: ALSA's default device reaching a PulseAudio
// server's null sink through the pulse plugin.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <regex>

#include "platform/AlsaMixer.h"
#include "settings/AudioMixer.h"
#include "support/Require.h"
#include "support/ScopedEnv.h"
#include "support/SoundServer.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::SoundServer;

/// The raw level `pactl get-sink-volume nul` reports for `channel`; -1 when absent.
long SinkVolume(const std::string& channel) {
    const std::string out = SoundServer::Pactl("get-sink-volume nul");
    std::smatch match;
    const std::regex pattern(channel + R"(:\s*(\d+))");
    return std::regex_search(out, match, pattern) ? std::stol(match[1]) : -1;
}

bool SinkMuted() {
    return SoundServer::Pactl("get-sink-mute nul").find("Mute: yes") != std::string::npos;
}

/// Delivers the mixer's notifications until `done` holds or five seconds pass.
bool Follow(TAudioMixer& mixer, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::vector<pollfd> fds = mixer.PollDescriptors();
        poll(fds.data(), fds.size(), 100);
        mixer.HandleEvents();
    }
    return true;
}

// A default device that cannot be opened is no mixer at all. Run first, it also shows
// that a later open reads the configuration afresh.
TEST(AlsaMixerTest, NoDeviceWhenDefaultCannotBeOpened) {
    test::TempDir dir;
    const std::string config = (dir.Path() / "asound.conf").string();
    std::ofstream(config) << "ctl.!default { type hw card 99 }\n";
    test::ScopedEnv path("ALSA_CONFIG_PATH", config.c_str());
    const auto system = MakeAlsaMixerSystem();
    EXPECT_EQ(system->DeviceCount(), 0);
    EXPECT_EQ(system->Open(0, {}), nullptr);
    TAudioMixer mixer(*system);
    EXPECT_EQ(mixer.NumDevs(), 0);
    EXPECT_EQ(mixer.MixerID(), -1);
}

// The server's volume is listed, set, muted and followed when changed elsewhere.
TEST(AlsaMixerTest, ListsSetsMutesAndFollowsTheServersVolume) {
    SoundServer server;
    LINTEL_REQUIRE(server.Running(), "pulseaudio");
    const auto system = MakeAlsaMixerSystem();
    TAudioMixer mixer(*system);
    ASSERT_EQ(mixer.NumDevs(), 1);
    ASSERT_EQ(mixer.MixerID(), 0);
    const TMixerDestinations& dests = *mixer.Destinations();
    ASSERT_EQ(dests.Count(), 2);
    const TMixerDestination& playback = *dests.Item(0);
    EXPECT_EQ(playback.Line().name, "Playback");
    ASSERT_EQ(playback.Connections().Count(), 1);
    EXPECT_EQ(playback.Connections().Item(0)->Line().name, "Master");
    EXPECT_EQ(dests.Item(1)->Line().name, "Capture");
    // The destination's own line has its main element's controls: the page opens on it.
    const TMixerLevels full = mixer.ReadLevels(0, -1).value();
    EXPECT_EQ(full.left, 65535);
    EXPECT_EQ(full.right, 65535);
    EXPECT_EQ(full.mute, 0);
    EXPECT_EQ(mixer.ReadLevels(0, 0)->left, 65535);
    EXPECT_NE(mixer.ReadLevels(1, -1)->left, -1);

    std::vector<std::uint32_t> changed;
    mixer.OnControlChange = [&](TAudioMixer&, std::intptr_t, std::uint32_t id) {
        changed.push_back(id);
    };
    // From outside: 30 % of the server's scale.
    ASSERT_NE(SoundServer::Pactl("set-sink-volume nul 30%; echo done").find("done"),
              std::string::npos);
    ASSERT_TRUE(Follow(mixer, [&] { return !changed.empty(); }));
    EXPECT_EQ(changed[0], playback.Controls().Item(0)->id);
    EXPECT_EQ(mixer.ReadLevels(0, -1)->left, 19660);

    // From here: 20 % on both channels, then muted.
    EXPECT_TRUE(mixer.WriteLevels(0, -1, 13107, -1, 0));
    EXPECT_EQ(SinkVolume("front-left"), 13107);
    EXPECT_EQ(SinkVolume("front-right"), 13107);
    EXPECT_FALSE(SinkMuted());
    EXPECT_TRUE(mixer.WriteLevels(0, 0, 13107, -1, 1));
    EXPECT_TRUE(SinkMuted());
    EXPECT_EQ(mixer.ReadLevels(0, -1)->mute, 1);

    // Unmuted from outside: the mute control is named.
    changed.clear();
    static_cast<void>(SoundServer::Pactl("set-sink-mute nul 0"));
    const std::uint32_t muteId = playback.Controls().Item(1)->id;
    ASSERT_TRUE(Follow(
        mixer, [&] { return std::find(changed.begin(), changed.end(), muteId) != changed.end(); }));
    EXPECT_EQ(mixer.ReadLevels(0, -1)->mute, 0);

    // The server ends: the device is lost for good, with nothing left to watch or read.
    server.Stop();
    EXPECT_TRUE(Follow(mixer, [&] { return mixer.PollDescriptors().empty(); }));
    EXPECT_FALSE(mixer.HandleEvents());
    EXPECT_EQ(mixer.ReadLevels(0, -1)->left, -1);
    EXPECT_FALSE(mixer.WriteLevels(0, -1, 0, -1, 0));
}

}  // namespace
}  // namespace lintel
