#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/CdAudioDevice.h"

namespace lintel {
namespace {

// Two tracks at 00:02:00 and 00:20:00, lead-out at 01:00:00.
const CdToc kToc{{{150, false}, {1500, false}}, 4500};

TEST(CdToc, StartOfNamesEveryTrackAndTheLeadOut) {
    EXPECT_EQ(kToc.StartOf(1), 150u);
    EXPECT_EQ(kToc.StartOf(2), 1500u);
    EXPECT_EQ(kToc.StartOf(3), 4500u);
    EXPECT_EQ(kToc.StartOf(99), 4500u);
    // Track 0 would read before the table; the check holds in release builds too.
    EXPECT_THROW(static_cast<void>(kToc.StartOf(0)), std::out_of_range);
    EXPECT_THROW(static_cast<void>(kToc.StartOf(-1)), std::out_of_range);
}

// The ranges both drives accept: not empty, from track 1's start, up to the lead-out.
TEST(CdToc, PlayAndSeekStayOnTheDisc) {
    EXPECT_TRUE(kToc.CanPlay(150, 4500));
    EXPECT_TRUE(kToc.CanPlay(4499, 4500));
    EXPECT_FALSE(kToc.CanPlay(300, 300));
    EXPECT_FALSE(kToc.CanPlay(400, 300));
    EXPECT_FALSE(kToc.CanPlay(149, 300));
    EXPECT_FALSE(kToc.CanPlay(150, 4501));

    EXPECT_TRUE(kToc.CanSeek(150));
    EXPECT_TRUE(kToc.CanSeek(4500));
    EXPECT_FALSE(kToc.CanSeek(149));
    EXPECT_FALSE(kToc.CanSeek(4501));
}

}  // namespace
}  // namespace lintel
