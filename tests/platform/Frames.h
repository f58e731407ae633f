// Positions written as a test reads them: minutes, seconds and frames.
#pragma once

#include <cstdint>

#include "platform/CdTime.h"

namespace lintel::test {

/// The frame count of m:s:f, with no limit on the minutes (a packed MSF stops at 255).
constexpr std::uint32_t Msf(unsigned m, unsigned s, unsigned f) {
    return m * kFramesPerMinute + s * kFramesPerSecond + f;
}

}  // namespace lintel::test
