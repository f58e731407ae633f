#include "platform/Deemphasis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/PcmSink.h"

namespace lintel {
namespace {

// The pole (50 us) and zero (15 us) mapped to the sample rate as exp(-1 / (tau * rate)),
// and the gain that keeps the bass as it was. Within 0.1 dB of the analogue curve up to
// 10 kHz and 0.4 dB at 20 kHz; the bilinear mapping would be 1.5 dB off at 10 kHz.
const double kPole = std::exp(-1.0 / (50e-6 * kCdSampleRate));
const double kZero = std::exp(-1.0 / (15e-6 * kCdSampleRate));
const double kGain = (1 - kPole) / (1 - kZero);

}  // namespace

void Deemphasis::Apply(CdSector& sector) {
    for (std::size_t at = 0; at < sector.size(); at += 2) {
        const std::size_t channel = at / 2 % 2;
        const auto in = static_cast<double>(
            static_cast<std::int16_t>(sector[at] | static_cast<unsigned>(sector[at + 1]) << 8));
        const double out = kGain * (in - kZero * lastIn_[channel]) + kPole * lastOut_[channel];
        lastIn_[channel] = in;
        lastOut_[channel] = out;
        const auto sample = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::clamp(std::lround(out), -32768L, 32767L)));
        sector[at] = static_cast<std::uint8_t>(sample & 0xFF);
        sector[at + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
}

void Deemphasis::Reset() {
    lastIn_ = {};
    lastOut_ = {};
}

}  // namespace lintel
