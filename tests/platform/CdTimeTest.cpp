#include <gtest/gtest.h>

#include "platform/CdTime.h"
#include "platform/Frames.h"

namespace lintel {
namespace {

using test::Msf;

TEST(CdTime, PacksMsfAndTmsfByteForByte) {
    std::uint32_t msf = MCI_MAKE_MSF(3, 10, 5);
    EXPECT_EQ(msf, 0x050A03u);
    EXPECT_EQ(MCI_MSF_MINUTE(msf), 3);
    EXPECT_EQ(MCI_MSF_SECOND(msf), 10);
    EXPECT_EQ(MCI_MSF_FRAME(msf), 5);

    std::uint32_t tmsf = MCI_MAKE_TMSF(7, 3, 5, 74);
    EXPECT_EQ(tmsf, 0x4A050307u);
    EXPECT_EQ(MCI_TMSF_TRACK(tmsf), 7);
    EXPECT_EQ(MCI_TMSF_MINUTE(tmsf), 3);
    EXPECT_EQ(MCI_TMSF_SECOND(tmsf), 5);
    EXPECT_EQ(MCI_TMSF_FRAME(tmsf), 74);
    EXPECT_EQ(MCI_FORMAT_MILLISECONDS, 0u);
    EXPECT_EQ(MCI_FORMAT_MSF, 2u);
    EXPECT_EQ(MCI_FORMAT_TMSF, 10u);
}

TEST(CdTime, MillisecondsTruncateAndFramesComeBackExactly) {
    EXPECT_EQ(FramesToMilliseconds(150), 2000u);
    EXPECT_EQ(FramesToMilliseconds(1), 13u);
    EXPECT_EQ(FramesToMilliseconds(2), 26u);
    EXPECT_EQ(MillisecondsToFrames(300000), 22500u);
    EXPECT_EQ(MillisecondsToFrames(0), 0u);
    EXPECT_EQ(MillisecondsToFrames(1), 1u);
    EXPECT_EQ(MillisecondsToFrames(14), 2u);
    // Every frame count of a full disc and beyond survives the trip through milliseconds.
    for (std::uint32_t f = 0; f <= Msf(100, 0, 0); ++f) {
        ASSERT_EQ(MillisecondsToFrames(FramesToMilliseconds(f)), f) << f;
    }
    // The frame count of any millisecond value follows the stepwise rule: truncate, and
    // add one when the frames do not give the milliseconds back.
    for (std::uint32_t ms = 0; ms < 400000; ++ms) {
        std::uint32_t f = ms * 75 / 1000;
        if (f * 1000 / 75 != ms) {
            ++f;
        }
        ASSERT_EQ(MillisecondsToFrames(ms), f) << ms;
    }
    // No overflow at the top of the range.
    EXPECT_EQ(FramesToMilliseconds(0xFFFFFFFFu),
              static_cast<std::uint32_t>(0xFFFFFFFFull * 1000 / 75));
    EXPECT_EQ(MillisecondsToFrames(0xFFFFFFFFu),
              static_cast<std::uint32_t>((0xFFFFFFFFull * 75 + 999) / 1000));
}

TEST(CdTime, MsfAndTmsfConvertBothWaysAndSaturate) {
    EXPECT_EQ(FramesToMsf(Msf(3, 10, 5)), MCI_MAKE_MSF(3, 10, 5));
    EXPECT_EQ(MsfToFrames(MCI_MAKE_MSF(3, 10, 5)), Msf(3, 10, 5));
    EXPECT_EQ(FramesToMsf(150), MCI_MAKE_MSF(0, 2, 0));
    for (std::uint32_t f = 0; f < Msf(100, 0, 0); f += 37) {
        ASSERT_EQ(MsfToFrames(FramesToMsf(f)), f);
    }
    // Beyond what a minutes byte holds the value sticks at the top instead of wrapping.
    EXPECT_EQ(FramesToMsf(Msf(300, 0, 0)), MCI_MAKE_MSF(255, 59, 74));

    std::uint32_t tmsf = MakeTmsf(7, Msf(3, 5, 12));
    EXPECT_EQ(MCI_TMSF_TRACK(tmsf), 7);
    EXPECT_EQ(MCI_TMSF_MINUTE(tmsf), 3);
    EXPECT_EQ(MCI_TMSF_SECOND(tmsf), 5);
    EXPECT_EQ(MCI_TMSF_FRAME(tmsf), 12);
    EXPECT_EQ(TmsfOffsetFrames(tmsf), Msf(3, 5, 12));
    EXPECT_EQ(LbaToFrames(0), 150u);
}

}  // namespace
}  // namespace lintel
