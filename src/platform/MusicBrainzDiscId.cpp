#include "platform/MusicBrainzDiscId.h"

#include <discid/discid.h>

#include <array>
#include <memory>

namespace lintel {
namespace {

struct DiscIdFree {
    void operator()(DiscId* disc) const { discid_free(disc); }
};

}  // namespace

std::optional<std::string> MusicBrainzDiscId(const CdToc& toc) {
    int last = toc.TrackCount();
    std::uint32_t leadOut = toc.leadOut;
    if (last > 1 && toc.tracks.back().data) {
        const std::uint32_t dataStart = toc.tracks.back().start;
        if (dataStart <= kEnhancedCdSessionGap) {
            return std::nullopt;
        }
        leadOut = dataStart - kEnhancedCdSessionGap;
        --last;
    }
    if (last < 1 || last > 99 || leadOut <= toc.StartOf(last)) {
        return std::nullopt;
    }
    // offsets[0] is the lead-out, offsets[t] the start of track t.
    std::array<int, 100> offsets{};
    offsets[0] = static_cast<int>(leadOut);
    for (int t = 1; t <= last; ++t) {
        offsets[static_cast<std::size_t>(t)] = static_cast<int>(toc.StartOf(t));
    }
    const std::unique_ptr<DiscId, DiscIdFree> disc(discid_new());
    if (disc == nullptr || discid_put(disc.get(), 1, last, offsets.data()) == 0) {
        return std::nullopt;
    }
    return std::string(discid_get_id(disc.get()));
}

}  // namespace lintel
