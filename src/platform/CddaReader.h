// CD-DA sectors as libcdio-paranoia reads them from a drive or a disc image: every sector
// verified against overlapping reads, jitter corrected, and a sector it cannot get right
// after a few tries given up as silence so play goes on.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace lintel {

/// Bytes of audio in one sector: 588 sample frames, 1/75 s.
inline constexpr std::size_t kCdSectorBytes = 2352;
inline constexpr long kSampleFramesPerSector = 588;

using CdSector = std::array<std::uint8_t, kCdSectorBytes>;

class CddaReader {
public:
    /// Reads the drive or CUE sheet at `source` (a plain open beside the drive's claim);
    /// nullptr when libcdio or paranoia cannot read audio from it.
    [[nodiscard]] static std::unique_ptr<CddaReader> Open(const std::string& source);
    ~CddaReader();
    CddaReader(const CddaReader&) = delete;
    CddaReader& operator=(const CddaReader&) = delete;

    /// The next read returns the sector at absolute frame `frame`.
    void Seek(std::uint32_t frame);
    /// Reads the next sector into `sector` as 16-bit little-endian stereo samples. False
    /// when the sector could not be read cleanly: `sector` then holds silence.
    bool Read(CdSector& sector);
    /// Asks a drive to spin at `speed` times the audio rate (0: as fast as it can); an
    /// image ignores it.
    void SetSpeed(int speed);

private:
    struct Handles;
    explicit CddaReader(std::unique_ptr<Handles> handles);

    std::unique_ptr<Handles> handles_;
    std::int32_t next_ = 0;  // the sector the next read returns
    int careful_ = 0;        // sectors still to check on their own after trouble
};

}  // namespace lintel
