#include <gtest/gtest.h>
#include <poll.h>

#include "platform/MemoryMixer.h"
#include "settings/AudioMixer.h"

namespace lintel {
namespace {

using Control = MemoryMixer::Control;
using Line = MemoryMixer::Line;

Control Volume(std::uint32_t id, std::vector<std::int32_t> values, std::uint32_t flags = 0) {
    return {{id, kMixerControlVolume, flags, 0}, std::move(values)};
}
Control Mute(std::uint32_t id, std::int32_t value, std::uint32_t flags = kMixerControlUniform) {
    return {{id, kMixerControlMute, flags, 0}, {value}};
}
/// A destination's list of the sources it takes in, one entry per source.
Control MixerList(std::uint32_t id, std::vector<std::int32_t> entries) {
    const auto items = static_cast<std::uint32_t>(entries.size());
    return {{id, kMixerControlMixer, kMixerControlUniform | kMixerControlMultiple, items},
            std::move(entries)};
}

/// One device: "Speakers" (stereo volume 1000/3000 and a mute; sources "Wave" with volume
/// and mute, "CD" with only a mute, "Line" with only a volume) and "Recording" (no level of
/// its own, a mixer list of its sources "Mic" and "Aux", which have volumes only).
std::vector<MemoryMixer::Device> Layout() {
    MemoryMixer::Device device;
    device.destinations.push_back(
        {Line{"Speakers", 2, {Volume(1, {1000, 3000}), Mute(2, 0)}},
         {Line{"Wave", 2, {Volume(10, {500, 500}), Mute(11, 1)}}, Line{"CD", 2, {Mute(20, 0)}},
          Line{"Line", 1, {Volume(30, {7000}, kMixerControlUniform)}}}});
    device.destinations.push_back({Line{"Recording", 2, {MixerList(40, {1, 0})}},
                                   {Line{"Mic", 1, {Volume(50, {100}, kMixerControlUniform)}},
                                    Line{"Aux", 1, {Volume(60, {200}, kMixerControlUniform)}}}});
    std::vector<MemoryMixer::Device> devices;
    devices.push_back(std::move(device));
    return devices;
}

class AudioMixerTest : public ::testing::Test {
protected:
    AudioMixerTest() { memory.devices = Layout(); }

    MemoryMixer memory;
};

// The tree mirrors the device: destinations with their connections and controls.
TEST_F(AudioMixerTest, OpensDeviceZeroAndReadsTheTree) {
    TAudioMixer mixer(memory);
    EXPECT_EQ(mixer.NumDevs(), 1);
    EXPECT_EQ(mixer.MixerID(), 0);
    const TMixerDestinations& dests = *mixer.Destinations();
    ASSERT_EQ(dests.Count(), 2);
    EXPECT_EQ(dests.Item(0)->Line().name, "Speakers");
    EXPECT_EQ(dests.Item(0)->Controls().Count(), 2);
    EXPECT_EQ(dests.Item(0)->Controls().Item(1)->id, 2u);
    ASSERT_EQ(dests.Item(0)->Connections().Count(), 3);
    EXPECT_EQ(dests.Item(0)->Connections().Item(2)->Line().name, "Line");
    EXPECT_EQ(dests.Item(1)->Connections().Item(1)->Line().source, 1u);
    EXPECT_EQ(dests.Item(2), nullptr);

    // A device number beyond the last changes nothing; -1 closes the device.
    mixer.SetMixerID(1);
    EXPECT_EQ(mixer.MixerID(), 0);
    mixer.SetMixerID(-1);
    EXPECT_EQ(mixer.MixerID(), -1);
    EXPECT_EQ(mixer.Destinations(), nullptr);
    EXPECT_FALSE(mixer.ReadLevels(0, -1).has_value());
    EXPECT_TRUE(mixer.PollDescriptors().empty());
}

// A stereo volume shows its left channel; a write sets both channels to the level.
TEST_F(AudioMixerTest, StereoLineShowsLeftAndWritesBoth) {
    TAudioMixer mixer(memory);
    const TMixerLevels levels = mixer.ReadLevels(0, -1).value();
    EXPECT_EQ(levels.left, 1000);
    EXPECT_EQ(levels.right, 3000);
    EXPECT_EQ(levels.mute, 0);
    EXPECT_FALSE(levels.volumeDisabled);
    EXPECT_FALSE(levels.muteDisabled);

    EXPECT_TRUE(mixer.WriteLevels(0, -1, 5000, -1, 1));
    EXPECT_EQ(memory.writes, (std::vector<MemoryMixer::Write>{{1, {5000, 5000}}, {2, {1}}}));
    // -1 leaves a level alone; a uniform volume takes one value.
    memory.writes.clear();
    EXPECT_TRUE(mixer.WriteLevels(0, 2, 9000, 100, -1));
    EXPECT_EQ(memory.writes, (std::vector<MemoryMixer::Write>{{30, {9000}}}));
    EXPECT_EQ(mixer.ReadLevels(0, 2)->right, -1);
    EXPECT_FALSE(mixer.WriteLevels(0, 3, 1, -1, 0));
    EXPECT_FALSE(mixer.WriteLevels(2, -1, 1, -1, 0));
}

// A line with only a mute: no volume, a working mute, and a write touches only the mute.
TEST_F(AudioMixerTest, MuteOnlyLine) {
    TAudioMixer mixer(memory);
    const TMixerLevels levels = mixer.ReadLevels(0, 1).value();
    EXPECT_EQ(levels.left, -1);
    EXPECT_TRUE(levels.volumeDisabled);
    EXPECT_EQ(levels.mute, 0);
    EXPECT_FALSE(levels.muteDisabled);

    EXPECT_TRUE(mixer.WriteLevels(0, 1, 40000, -1, 1));
    EXPECT_EQ(memory.writes, (std::vector<MemoryMixer::Write>{{20, {1}}}));
    EXPECT_EQ(mixer.ReadLevels(0, 1)->mute, 1);
}

// A source without a mute of its own shows and sets its entry in the destination's mixer
// list; the destination's own line never does.
TEST_F(AudioMixerTest, MixerListStandsInForASourcesMute) {
    TAudioMixer mixer(memory);
    EXPECT_EQ(mixer.ReadLevels(1, 0)->mute, 1);
    EXPECT_EQ(mixer.ReadLevels(1, 1)->mute, 0);
    EXPECT_EQ(mixer.ReadLevels(1, 1)->left, 200);
    EXPECT_TRUE(mixer.WriteLevels(1, 1, 300, -1, 1));
    EXPECT_EQ(memory.writes, (std::vector<MemoryMixer::Write>{{60, {300}}, {40, {1, 1}}}));

    const TMixerLevels own = mixer.ReadLevels(1, -1).value();
    EXPECT_EQ(own.mute, -1);
    EXPECT_TRUE(own.muteDisabled);
    EXPECT_TRUE(own.volumeDisabled);
    memory.writes.clear();
    EXPECT_TRUE(mixer.WriteLevels(1, -1, 1234, -1, 0));
    EXPECT_TRUE(memory.writes.empty());

    // A source with a mute of its own keeps to it.
    EXPECT_EQ(mixer.ReadLevels(0, 0)->mute, 1);
}

// A control the device flags disabled counts as absent, for reading and for writing; a
// control whose read fails is left unread.
TEST_F(AudioMixerTest, DisabledOrUnreadableControlIsAbsent) {
    memory.Find(0, 1).control.flags |= kMixerControlDisabled;
    memory.Find(0, 11).failRead = true;
    memory.Find(0, 40).control.flags |= kMixerControlDisabled;
    TAudioMixer mixer(memory);
    const TMixerLevels speakers = mixer.ReadLevels(0, -1).value();
    EXPECT_EQ(speakers.left, -1);
    EXPECT_TRUE(speakers.volumeDisabled);
    EXPECT_EQ(speakers.mute, 0);
    EXPECT_TRUE(mixer.WriteLevels(0, -1, 100, -1, 1));
    EXPECT_EQ(memory.writes, (std::vector<MemoryMixer::Write>{{2, {1}}}));

    EXPECT_EQ(mixer.ReadLevels(0, 0)->mute, -1);
    EXPECT_EQ(mixer.ReadLevels(0, 0)->left, 500);
    EXPECT_EQ(mixer.ReadLevels(1, 0)->mute, -1);

    // A write the device refuses is reported.
    memory.Find(0, 2).failWrite = true;
    EXPECT_FALSE(mixer.WriteLevels(0, -1, 100, -1, 0));
}

// A line whose query fails is left out of its list, and a line whose controls cannot be
// read has none. The mixer list is still read at the source's own number.
TEST_F(AudioMixerTest, FailedQueriesLeaveLinesOut) {
    memory.devices[0].destinations[0].line.failQuery = true;
    memory.devices[0].destinations[1].sources[0].failQuery = true;
    memory.devices[0].destinations[1].sources[1].failControls = true;
    TAudioMixer mixer(memory);
    const TMixerDestinations& dests = *mixer.Destinations();
    ASSERT_EQ(dests.Count(), 1);
    EXPECT_EQ(dests.Item(0)->Line().name, "Recording");
    ASSERT_EQ(dests.Item(0)->Connections().Count(), 1);
    const TMixerConnection& aux = *dests.Item(0)->Connections().Item(0);
    EXPECT_EQ(aux.Line().name, "Aux");
    EXPECT_EQ(aux.Controls().Count(), 0);
    const TMixerLevels levels = mixer.ReadLevels(0, 0).value();
    EXPECT_EQ(levels.left, -1);
    EXPECT_EQ(levels.mute, 0);
    EXPECT_TRUE(mixer.WriteLevels(0, 0, -1, -1, 1));
    EXPECT_EQ(memory.writes, (std::vector<MemoryMixer::Write>{{40, {1, 1}}}));
}

// A list releases its entries in order when cleared, and again nothing once empty.
TEST(PointerListTest, ReleasesInOrder) {
    std::vector<int> released;
    int items[3] = {1, 2, 3};
    {
        TPointerList<int> list([&](int* p) { released.push_back(*p); });
        for (int& item : items) {
            list.Add(&item);
        }
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        list.Add(&items[1]);
    }
    EXPECT_EQ(released, (std::vector<int>{1, 2, 3, 2}));
}

// Notifications reach the events with the device's handle and the changed id; without
// a device, or with device 0 failing to open, nothing is open.
TEST_F(AudioMixerTest, NotificationsAndUnopenableDevice) {
    TAudioMixer mixer(memory);
    std::vector<std::pair<char, std::uint32_t>> seen;
    std::intptr_t handle = 0;
    mixer.OnControlChange = [&](TAudioMixer& sender, std::intptr_t h, std::uint32_t id) {
        EXPECT_EQ(&sender, &mixer);
        handle = h;
        seen.emplace_back('c', id);
    };
    mixer.OnLineChange = [&](TAudioMixer&, std::intptr_t, std::uint32_t id) {
        seen.emplace_back('l', id);
    };
    memory.ChangeFromOutside(0, 1, {20000, 20000});
    memory.LineChangeFromOutside(0, MemoryMixer::LineId(0, 1));
    EXPECT_TRUE(seen.empty());
    ASSERT_EQ(mixer.PollDescriptors().size(), 1u);
    pollfd fd = mixer.PollDescriptors()[0];
    EXPECT_EQ(poll(&fd, 1, 0), 1);
    mixer.HandleEvents();
    EXPECT_EQ(seen, (std::vector<std::pair<char, std::uint32_t>>{
                        {'c', 1}, {'l', MemoryMixer::LineId(0, 1)}}));
    EXPECT_NE(handle, 0);
    EXPECT_EQ(mixer.ReadLevels(0, -1)->left, 20000);

    MemoryMixer none;
    EXPECT_EQ(TAudioMixer(none).NumDevs(), 0);
    EXPECT_EQ(TAudioMixer(none).MixerID(), -1);
    memory.devices[0].failOpen = true;
    TAudioMixer failed(memory);
    EXPECT_EQ(failed.NumDevs(), 1);
    EXPECT_EQ(failed.MixerID(), -1);
    EXPECT_EQ(failed.Destinations(), nullptr);
}

}  // namespace
}  // namespace lintel
