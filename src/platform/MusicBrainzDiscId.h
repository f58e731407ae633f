// The disc ID the MusicBrainz web service knows a disc by, computed by libdiscid from the
// table of contents the drive already read.
#pragma once

#include <optional>
#include <string>

#include "platform/CdAudioDevice.h"

namespace lintel {

/// Sectors between the last audio track and a data session after it: the lead-out and
/// lead-in of the first session and the second session's pre-gap.
inline constexpr std::uint32_t kEnhancedCdSessionGap = 11400;

/// The 28-character disc ID of a disc with `toc`, given to libdiscid as it reads a drive:
/// a data track at the end (an enhanced CD) is left out and the lead-out becomes that
/// track's start less kEnhancedCdSessionGap; a data track first (mixed mode) stays in.
/// Nothing for a table libdiscid refuses (no audio track left, for one).
[[nodiscard]] std::optional<std::string> MusicBrainzDiscId(const CdToc& toc);

}  // namespace lintel
