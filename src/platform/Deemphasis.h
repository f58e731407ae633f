// Undoes the pre-emphasis some discs were mastered with: the 50/15 us shelf that lifts the
// treble by up to 10 dB is answered by its inverse, a first-order filter whose pole and
// zero lie at the two time constants (about -7.6 dB at 10 kHz, flat in the bass).
#pragma once

#include <array>

#include "platform/SectorSource.h"

namespace lintel {

class Deemphasis {
public:
    /// Filters one sector of 16-bit little-endian stereo in place, following on from the
    /// sector filtered before.
    void Apply(CdSector& sector);
    /// The next sector does not follow the last one: the filter starts from silence.
    void Reset();

private:
    std::array<double, 2> lastIn_{};   // per channel, the sample before
    std::array<double, 2> lastOut_{};  // and what the filter made of it
};

}  // namespace lintel
