#include "platform/CdTime.h"

#include <algorithm>

namespace lintel {
namespace {

// The largest duration one packed byte of minutes can say: 255:59:74.
constexpr std::uint32_t kMaxPackedFrames = 256 * kFramesPerMinute - 1;

}  // namespace

std::uint32_t FramesToMilliseconds(std::uint32_t frames) {
    return static_cast<std::uint32_t>(std::uint64_t{frames} * 1000 / kFramesPerSecond);
}

std::uint32_t MillisecondsToFrames(std::uint32_t ms) {
    // Rounding up is what makes the milliseconds of a frame count give that count back:
    // ms is at most 13 ms short of the frame's exact time, never beyond it.
    return static_cast<std::uint32_t>((std::uint64_t{ms} * kFramesPerSecond + 999) / 1000);
}

std::uint32_t FramesToMsf(std::uint32_t frames) {
    frames = std::min(frames, kMaxPackedFrames);
    return MCI_MAKE_MSF(static_cast<std::uint8_t>(frames / kFramesPerMinute),
                        static_cast<std::uint8_t>(frames / kFramesPerSecond % 60),
                        static_cast<std::uint8_t>(frames % kFramesPerSecond));
}

std::uint32_t MsfToFrames(std::uint32_t msf) {
    return MCI_MSF_MINUTE(msf) * kFramesPerMinute + MCI_MSF_SECOND(msf) * kFramesPerSecond +
           MCI_MSF_FRAME(msf);
}

std::uint32_t MakeTmsf(std::uint8_t track, std::uint32_t offset) {
    std::uint32_t msf = FramesToMsf(offset);
    return MCI_MAKE_TMSF(track, MCI_MSF_MINUTE(msf), MCI_MSF_SECOND(msf), MCI_MSF_FRAME(msf));
}

std::uint32_t TmsfOffsetFrames(std::uint32_t tmsf) {
    return MCI_TMSF_MINUTE(tmsf) * kFramesPerMinute + MCI_TMSF_SECOND(tmsf) * kFramesPerSecond +
           MCI_TMSF_FRAME(tmsf);
}

}  // namespace lintel
