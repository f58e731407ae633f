// The time units of the CD audio device: frames (75 to the second), milliseconds and the
// two packed forms, MSF and TMSF. Every conversion between them lives here, so the back
// ends speak frames only and the player converts in one place.
#pragma once

#include <cstdint>

namespace lintel {

/// Frames (sectors) in one second of CD audio.
inline constexpr std::uint32_t kFramesPerSecond = 75;
/// Frames in one minute.
inline constexpr std::uint32_t kFramesPerMinute = 60 * kFramesPerSecond;
/// The absolute frame of logical block 0: the two seconds of lead-in before it.
inline constexpr std::uint32_t kLeadInFrames = 150;

/// Time formats of the device, with the values the player stores and compares.
inline constexpr std::uint32_t MCI_FORMAT_MILLISECONDS = 0;
inline constexpr std::uint32_t MCI_FORMAT_MSF = 2;
inline constexpr std::uint32_t MCI_FORMAT_TMSF = 10;

// MSF: minutes in bits 0-7, seconds in bits 8-15, frames in bits 16-23.
[[nodiscard]] constexpr std::uint8_t MCI_MSF_MINUTE(std::uint32_t msf) {
    return msf & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t MCI_MSF_SECOND(std::uint32_t msf) {
    return (msf >> 8) & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t MCI_MSF_FRAME(std::uint32_t msf) {
    return (msf >> 16) & 0xFF;
}
[[nodiscard]] constexpr std::uint32_t MCI_MAKE_MSF(std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return std::uint32_t{m} | (std::uint32_t{s} << 8) | (std::uint32_t{f} << 16);
}

// TMSF: track in bits 0-7, minutes in 8-15, seconds in 16-23, frames in 24-31.
[[nodiscard]] constexpr std::uint8_t MCI_TMSF_TRACK(std::uint32_t tmsf) {
    return tmsf & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t MCI_TMSF_MINUTE(std::uint32_t tmsf) {
    return (tmsf >> 8) & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t MCI_TMSF_SECOND(std::uint32_t tmsf) {
    return (tmsf >> 16) & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t MCI_TMSF_FRAME(std::uint32_t tmsf) {
    return (tmsf >> 24) & 0xFF;
}
[[nodiscard]] constexpr std::uint32_t MCI_MAKE_TMSF(std::uint8_t t, std::uint8_t m, std::uint8_t s,
                                                    std::uint8_t f) {
    return std::uint32_t{t} | (std::uint32_t{m} << 8) | (std::uint32_t{s} << 16) |
           (std::uint32_t{f} << 24);
}

/// Milliseconds of `frames`: frames * 1000 / 75 with the fraction dropped.
[[nodiscard]] std::uint32_t FramesToMilliseconds(std::uint32_t frames);

/// Frames of `ms`, rounded up, so that FramesToMilliseconds(MillisecondsToFrames(
/// FramesToMilliseconds(f))) == FramesToMilliseconds(f) and, for any frame count f,
/// MillisecondsToFrames(FramesToMilliseconds(f)) == f.
[[nodiscard]] std::uint32_t MillisecondsToFrames(std::uint32_t ms);

/// MSF of `frames` (an absolute position or a duration). A count beyond 255 minutes,
/// which no disc holds, gives 255:59:74 rather than a wrapped value.
[[nodiscard]] std::uint32_t FramesToMsf(std::uint32_t frames);

/// Frames of a packed MSF value. Seconds and frames beyond their range (59, 74) count at
/// their face value, as the arithmetic gives; no packed value makes it fail.
[[nodiscard]] std::uint32_t MsfToFrames(std::uint32_t msf);

/// TMSF of a position `offset` frames into `track`. An offset beyond 255 minutes gives
/// 255:59:74 as FramesToMsf does.
[[nodiscard]] std::uint32_t MakeTmsf(std::uint8_t track, std::uint32_t offset);

/// The offset in frames into its track of a packed TMSF value (its track number is read
/// with MCI_TMSF_TRACK).
[[nodiscard]] std::uint32_t TmsfOffsetFrames(std::uint32_t tmsf);

/// Absolute frames of a logical block address (LBA 0 is frame 150).
[[nodiscard]] constexpr std::uint32_t LbaToFrames(std::uint32_t lba) {
    return lba + kLeadInFrames;
}

}  // namespace lintel
