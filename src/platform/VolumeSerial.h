// The volume name and serial number a disc shows in its drive's root, computed from what
// the disc holds. Shared by the virtual and the real drives so both give the same numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/CdAudioDevice.h"

namespace lintel {

/// What the root of a drive reports about the disc in it.
struct VolumeInformation {
    std::string name;  ///< volume name, code page 932 bytes
    std::uint32_t serial = 0;
};

/// What a disc's root reports.
struct DiscVolume {
    VolumeInformation info;
    bool track01Cda = false;
};

/// The volume name every disc without a file system reports.
inline constexpr const char* kAudioVolumeName = "Audio CD";

/// Bytes in a logical sector of an ISO 9660 volume, and so in its volume descriptors.
inline constexpr std::size_t kIsoDescriptorSize = 2048;

/// Sector of the first volume descriptor, counted from the start of the data track.
inline constexpr std::uint32_t kIsoFirstDescriptorSector = 16;

/// The serial number of a disc without a file system. `trackStarts` holds the start of
/// every track as absolute frames from the start of the disc (the sector address + 150),
/// `leadOut` the lead-out the same way. The serial is the sum, modulo 2^32, over the track
/// starts of minutes * 65536 + seconds * 256 + frames; a disc of one or two tracks adds
/// the frames part of track 1's start and the disc's length in frames (lead-out minus
/// track 1's start). So it equals the identity computed from the track table. A disc
/// without tracks has serial 0.
[[nodiscard]] std::uint32_t AudioVolumeSerial(std::span<const std::uint32_t> trackStarts,
                                              std::uint32_t leadOut);

/// True when `sector` (at least 2,048 bytes) is an ISO 9660 primary volume descriptor:
/// type 1, standard identifier "CD001", version 1.
[[nodiscard]] bool IsPrimaryVolumeDescriptor(std::span<const unsigned char> sector);

/// The serial number of an ISO 9660 volume from its 2,048-byte primary volume descriptor:
/// byte j of the serial (j = 0 the most significant) is the sum, modulo 256, of the bytes
/// at positions 4k + j. Bytes after the first 2,048 are ignored.
[[nodiscard]] std::uint32_t IsoVolumeSerial(std::span<const unsigned char> descriptor);

/// The volume name and serial of an ISO 9660 volume: its volume identifier (32 bytes at
/// offset 40) without trailing blanks and NUL bytes, and IsoVolumeSerial. Nothing when
/// `descriptor` is not a primary volume descriptor.
[[nodiscard]] std::optional<VolumeInformation> IsoVolumeInformation(
    std::span<const unsigned char> descriptor);

/// The volume of a disc with table of contents `toc` whose data tracks hold no ISO 9660
/// volume: "Audio CD" with the audio serial when it has an audio track, else nothing.
[[nodiscard]] std::optional<DiscVolume> AudioDiscVolume(const CdToc& toc);

}  // namespace lintel
