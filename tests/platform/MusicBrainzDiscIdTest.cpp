#include <gtest/gtest.h>

#include <string>

#include "platform/MusicBrainzDiscId.h"
#include "platform/VirtualDisc.h"

namespace lintel {
namespace {

CdToc SampleToc(const std::string& name) {
    VirtualDiscResult r = LoadVirtualDisc(std::string(LINTEL_SOURCE_DIR) + "/samples/" + name);
    EXPECT_TRUE(r.disc) << r.error;
    return r.disc ? r.disc->toc : CdToc{};
}

// The six audio tracks of MusicBrainz's published example, followed by a data session:
// the data track is left out and the lead-out set back by the session gap, giving the
// example's own ID.
TEST(MusicBrainzDiscId, EnhancedCdGivesThePublishedExample) {
    const CdToc toc = SampleToc("enhanced.disc");
    ASSERT_EQ(toc.TrackCount(), 7);
    EXPECT_EQ(MusicBrainzDiscId(toc), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-");

    CdToc audioOnly = toc;
    audioOnly.tracks.pop_back();
    audioOnly.leadOut = 95462;  // the example's lead-out
    EXPECT_EQ(MusicBrainzDiscId(audioOnly), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
    audioOnly.leadOut += 1;  // a table one sector off is another disc
    EXPECT_NE(MusicBrainzDiscId(audioOnly), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
}

// A data track first stays in: leaving it out would be another table and another ID.
TEST(MusicBrainzDiscId, MixedModeKeepsItsDataTrack) {
    const CdToc toc = SampleToc("mixed.disc");
    const std::optional<std::string> id = MusicBrainzDiscId(toc);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->size(), 28u);
    CdToc withoutData = toc;
    withoutData.tracks.erase(withoutData.tracks.begin());
    EXPECT_NE(MusicBrainzDiscId(withoutData), id);
}

TEST(MusicBrainzDiscId, NothingForATableWithoutAudio) {
    EXPECT_FALSE(MusicBrainzDiscId(CdToc{}));
    EXPECT_FALSE(MusicBrainzDiscId(CdToc{{{150, false}, {11000, true}}, 20000}));
}

}  // namespace
}  // namespace lintel
