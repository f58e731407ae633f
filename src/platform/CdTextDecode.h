// CD-Text as a drive hands it out (its text packs) turned into the titles a disc carries.
// libcdio decodes the packs and their character sets (ISO 8859-1, ASCII, MS-JIS) to UTF-8;
// this picks the language block: Japanese when the disc has it, else the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/CdText.h"

namespace lintel {

/// The titles in the CD-Text packs `packs` (the drive's reply without its 4-byte header).
/// Track titles are numbered from the first track the CD-Text names. Nothing when the
/// packs cannot be read or name no title at all.
[[nodiscard]] std::optional<CdText> DecodeCdTextPacks(const std::uint8_t* packs, std::size_t size);

}  // namespace lintel
