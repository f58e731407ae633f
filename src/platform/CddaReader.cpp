#include "platform/CddaReader.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/CdTime.h"
#include "platform/Cp932.h"
#include "platform/LibcdioAccess.h"

namespace lintel {
namespace {

// Paranoia's callback carries no context; each reading thread notes its own trouble.
thread_local bool readTrouble = false;

void NoteTrouble(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_READERR || mode == PARANOIA_CB_SKIP) {
        readTrouble = true;
    }
}

// Tries per sector before paranoia gives it up: a scratch costs a moment of silence, not
// seconds of a stalled bar.
constexpr int kRetries = 3;
// Paranoia reads ahead in blocks, so trouble it reports may belong to sectors it returns
// later, and a sector it gave up on comes back as whatever it had. For this many sectors
// after any trouble, each sector is read once more on its own, and one that cannot be
// read is silence.
constexpr int kCarefulSectors = 75;

}  // namespace

struct CddaReader::Handles {
    CdIo_t* cdio = nullptr;  // owned by the drive object once it exists
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;

    ~Handles() {
        if (paranoia != nullptr) {
            cdio_paranoia_free(paranoia);
        }
        if (drive != nullptr) {
            cdio_cddap_close(drive);  // destroys the libcdio handle with it
        } else if (cdio != nullptr) {
            cdio_destroy(cdio);
        }
    }
};

std::unique_ptr<CddaReader> CddaReader::Open(const std::string& source) {
    auto handles = std::make_unique<Handles>();
    handles->cdio = OpenCdio(source).release();
    if (handles->cdio == nullptr) {
        return nullptr;
    }
    handles->drive = cdio_cddap_identify_cdio(handles->cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (handles->drive == nullptr) {
        return nullptr;
    }
    cdio_cddap_verbose_set(handles->drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // CD-DA is little-endian on the disc, in every drive's answer and in a BIN file.
    // Paranoia would otherwise guess the byte order from the first sectors' sound, and
    // a guess can be wrong.
    handles->drive->bigendianp = 0;
    if (cdio_cddap_open(handles->drive) != 0) {
        return nullptr;
    }
    handles->paranoia = cdio_paranoia_init(handles->drive);
    if (handles->paranoia == nullptr) {
        return nullptr;
    }
    cdio_paranoia_modeset(handles->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    auto reader = std::unique_ptr<CddaReader>(new CddaReader(std::move(handles)));
    CdIo_t* cdio = reader->handles_->cdio;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) {
        return nullptr;
    }
    for (track_t t = first; t < first + count; ++t) {
        const lsn_t start = cdio_get_track_lsn(cdio, t);
        reader->tracks_.push_back({static_cast<std::uint32_t>(start) + kLeadInFrames,
                                   cdio_get_track_preemphasis(cdio, t) == CDIO_TRACK_FLAG_TRUE});
    }
    reader->leadOut_ = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    return reader;
}

bool CddaReader::Preemphasis(std::uint32_t frame) const {
    bool preemphasis = false;
    for (const Track& track : tracks_) {
        if (track.start > frame) {
            break;
        }
        preemphasis = track.preemphasis;
    }
    return preemphasis;
}

CddaReader::CddaReader(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

CddaReader::~CddaReader() = default;

void CddaReader::Seek(std::uint32_t frame) {
    next_ = frame >= kLeadInFrames ? static_cast<std::int32_t>(frame - kLeadInFrames) : 0;
    cdio_paranoia_seek(handles_->paranoia, next_, SEEK_SET);
}

bool CddaReader::Read(CdSector& sector) {
    if (next_ >= leadOut_) {
        // Paranoia asked for the lead-out spins without end.
        ++next_;
        sector.fill(0);
        return false;
    }
    readTrouble = false;
    const std::int16_t* samples =
        cdio_paranoia_read_limited(handles_->paranoia, NoteTrouble, kRetries);
    const lsn_t at = next_++;
    if (readTrouble) {
        careful_ = kCarefulSectors;
    }
    if (samples == nullptr || careful_ > 0) {
        // The sector as read on its own is the one kept: paranoia's copy may be a guess,
        // and a sector it gave up with its neighbours may still read alone.
        careful_ = std::max(careful_ - 1, 0);
        if (cdio_read_audio_sectors(handles_->cdio, sector.data(), at, 1) == DRIVER_OP_SUCCESS) {
            return true;
        }
        sector.fill(0);
        return false;
    }
    // Paranoia hands samples in the machine's byte order; the sound device takes them
    // little-endian.
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < kCdSectorBytes; i += 2) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
            sector[i] = bytes[i + 1];
            sector[i + 1] = bytes[i];
        }
    } else {
        std::memcpy(sector.data(), samples, kCdSectorBytes);
    }
    return true;
}

void CddaReader::SetSpeed(int speed) {
    static_cast<void>(cdio_set_speed(handles_->cdio, speed));
}

SectorSourceOpener CddaReaderOpener(std::string source, std::string driveName) {
    return [source = std::move(source),
            driveName = std::move(driveName)](std::string& error) -> std::unique_ptr<SectorSource> {
        std::unique_ptr<CddaReader> reader = CddaReader::Open(source);
        if (reader == nullptr) {
            const std::string path = cp932::FromUtf8(source).bytes;
            error = IsCueSheet(source) ? cp932::Literal("ディスクイメージのファイル ") + path +
                                             cp932::Literal(" を読めません。")
                                       : cp932::Literal("ドライブ ") + driveName + " (" + path +
                                             cp932::Literal(") を読めません。");
        }
        return reader;
    };
}

}  // namespace lintel
