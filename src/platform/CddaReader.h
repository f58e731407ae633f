// CD-DA sectors as libcdio-paranoia reads them from a drive or a disc image: every sector
// verified against overlapping reads, jitter corrected, and a sector it cannot get right
// after a few tries given up as silence so play goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/SectorSource.h"

namespace lintel {

class CddaReader final : public SectorSource {
public:
    /// Reads the drive or CUE sheet at `source` (a plain open beside the drive's claim);
    /// nullptr when libcdio or paranoia cannot read audio from it.
    [[nodiscard]] static std::unique_ptr<CddaReader> Open(const std::string& source);
    ~CddaReader() override;
    CddaReader(const CddaReader&) = delete;
    CddaReader& operator=(const CddaReader&) = delete;

    /// The next read returns the sector at absolute frame `frame`.
    void Seek(std::uint32_t frame) override;
    /// Reads the next sector into `sector` as 16-bit little-endian stereo samples. False
    /// when the sector could not be read cleanly: `sector` then holds silence.
    bool Read(CdSector& sector) override;
    /// Asks a drive to spin at `speed` times the audio rate (0: as fast as it can); an
    /// image ignores it.
    void SetSpeed(int speed) override;

    /// The pre-emphasis bit of the track holding `frame`, from the table of contents.
    [[nodiscard]] bool Preemphasis(std::uint32_t frame) const override;

private:
    struct Handles;
    struct Track {
        std::uint32_t start = 0;  // absolute frame
        bool preemphasis = false;
    };
    explicit CddaReader(std::unique_ptr<Handles> handles);

    std::unique_ptr<Handles> handles_;
    std::vector<Track> tracks_;  // in disc order
    std::int32_t leadOut_ = 0;   // the first sector after the last track
    std::int32_t next_ = 0;      // the sector the next read returns
    int careful_ = 0;            // sectors still to check on their own after trouble
};

/// Opens `source` (a drive or CUE sheet) through paranoia, once for each player. When it
/// cannot, the message names the image file, or the drive as `driveName` and `source`.
[[nodiscard]] SectorSourceOpener CddaReaderOpener(std::string source, std::string driveName = {});

}  // namespace lintel
