#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/CueBinImage.h"
#include "platform/VolumeSerial.h"

namespace lintel {
namespace {

// Audio discs: the serial sums the track starts; below three tracks it adds the frames of
// track 1's start and the disc's length in frames.
TEST(AudioVolumeSerial, ThreeTracksSumTheirStarts) {
    // 00:02:00, 04:26:50 and 08:53:25; the lead-out does not count.
    const std::array<std::uint32_t, 3> starts = {150, 20000, 40000};
    EXPECT_EQ(AudioVolumeSerial(starts, 60000), 0xC514Bu);
    EXPECT_EQ(AudioVolumeSerial(starts, 99999), 0xC514Bu);
}

TEST(AudioVolumeSerial, TwelveTracksSumTheirStarts) {
    const std::array<std::uint32_t, 12> starts = {150,    18430,  35280,  51012,  70100,  88888,
                                                  104321, 120000, 139999, 158765, 176543, 199000};
    EXPECT_EQ(AudioVolumeSerial(starts, 215000), 0xFEFFB6u);
}

TEST(AudioVolumeSerial, OneOrTwoTracksAddTheFirstFramesAndTheLength) {
    // 00:02:00 and 03:10:05 with the lead-out at 05:02:00: 0x200 + 0x30A05 + 0 + 22500.
    const std::array<std::uint32_t, 2> two = {150, 14255};
    EXPECT_EQ(AudioVolumeSerial(two, 22650), 0x363E9u);
    // 00:02:33 with the lead-out at 40:00:10: 0x221 + 33 + 179827.
    const std::array<std::uint32_t, 1> one = {183};
    EXPECT_EQ(AudioVolumeSerial(one, 40 * 4500 + 10), 0x2C0B5u);
}

TEST(AudioVolumeSerial, NoTracksGiveZero) {
    EXPECT_EQ(AudioVolumeSerial({}, 22650), 0u);
}

// ISO 9660 volumes: each byte of the serial sums every fourth byte of the descriptor.
TEST(IsoVolumeSerial, SumsEveryFourthByteIntoEachSerialByte) {
    std::vector<unsigned char> pvd = test::PrimaryVolumeDescriptor("ABCD");
    EXPECT_EQ(IsoVolumeSerial(pvd), 0x52966854u);
    pvd[813] = 0x9C;   // position 4k + 1: the second byte from the top
    pvd[2047] = 0x01;  // position 4k + 3: the lowest byte
    EXPECT_EQ(IsoVolumeSerial(pvd), 0x52326855u);
}

TEST(IsoVolumeSerial, IgnoresBytesAfterTheDescriptor) {
    std::vector<unsigned char> pvd = test::PrimaryVolumeDescriptor("ABCD");
    pvd.resize(4096, 0xFF);
    EXPECT_EQ(IsoVolumeSerial(pvd), 0x52966854u);
}

TEST(IsoVolumeInformation, LabelLosesTrailingBlanksOnly) {
    const auto info = IsoVolumeInformation(test::PrimaryVolumeDescriptor(" MY DISC"));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->name, " MY DISC");
    EXPECT_EQ(info->serial, IsoVolumeSerial(test::PrimaryVolumeDescriptor(" MY DISC")));

    const auto full =
        IsoVolumeInformation(test::PrimaryVolumeDescriptor("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"));
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");

    const auto blank = IsoVolumeInformation(test::PrimaryVolumeDescriptor(""));
    ASSERT_TRUE(blank.has_value());
    EXPECT_EQ(blank->name, "");
}

TEST(IsoVolumeInformation, RejectsWhatIsNotAPrimaryDescriptor) {
    std::vector<unsigned char> pvd = test::PrimaryVolumeDescriptor("X");
    EXPECT_TRUE(IsPrimaryVolumeDescriptor(pvd));

    std::vector<unsigned char> supplementary = pvd;
    supplementary[0] = 2;
    EXPECT_FALSE(IsoVolumeInformation(supplementary).has_value());

    std::vector<unsigned char> wrongId = pvd;
    wrongId[3] = 'X';
    EXPECT_FALSE(IsoVolumeInformation(wrongId).has_value());

    std::vector<unsigned char> shortSector(pvd.begin(), pvd.begin() + 100);
    EXPECT_FALSE(IsoVolumeInformation(shortSector).has_value());

    EXPECT_FALSE(IsoVolumeInformation(std::vector<unsigned char>(kIsoDescriptorSize, 0)));
}

}  // namespace
}  // namespace lintel
