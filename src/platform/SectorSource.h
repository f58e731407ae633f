// Where digital play gets its CD-DA sectors: a drive read through paranoia, or the audio
// files of a disc image read directly. The player sees only this interface, so both play
// through the same queue and sound device.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lintel {

/// Bytes of audio in one sector: 588 sample frames, 1/75 s.
inline constexpr std::size_t kCdSectorBytes = 2352;
inline constexpr long kSampleFramesPerSector = 588;

using CdSector = std::array<std::uint8_t, kCdSectorBytes>;

/// One source of sectors, used by one thread at a time.
class SectorSource {
public:
    virtual ~SectorSource() = default;

    /// The next read returns the sector at absolute frame `frame` (lead-in included).
    virtual void Seek(std::uint32_t frame) = 0;

    /// Reads the next sector as 16-bit little-endian stereo samples. False when it could
    /// not be read cleanly: `sector` then holds silence.
    virtual bool Read(CdSector& sector) = 0;

    /// True when the track holding absolute frame `frame` was mastered with pre-emphasis,
    /// so play must de-emphasise it.
    [[nodiscard]] virtual bool Preemphasis(std::uint32_t frame) const = 0;

    /// Asks a drive to spin at `speed` times the audio rate (0: as fast as it can); files
    /// ignore it.
    virtual void SetSpeed(int speed) { static_cast<void>(speed); }
};

/// Opens the source for one player; nullptr with `error` set to the message for the user
/// (code page 932) when it cannot.
using SectorSourceOpener = std::function<std::unique_ptr<SectorSource>(std::string& error)>;

}  // namespace lintel
