// The texts the bar shows where a disc's titles and times would stand.
#pragma once

#include <string_view>

namespace lintel {

/// Both labels without a readable disc in the drive.
inline constexpr std::string_view kNoDiscText = "No Disc";
/// Both labels for a disc that is not an audio disc.
inline constexpr std::string_view kNotAudioText = "Not Audio CD";
/// The time gauge without a disc.
inline constexpr std::string_view kNoTimeText = "none";

}  // namespace lintel
