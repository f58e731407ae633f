#include "platform/CdTextDecode.h"

#include <cdio/cdtext.h>

#include <memory>
#include <string>
#include <vector>

namespace lintel {
namespace {

struct CdTextCloser {
    void operator()(cdtext_t* cdtext) const { cdtext_destroy(cdtext); }
};

std::string Field(const cdtext_t* cdtext, cdtext_field_t field, track_t track) {
    const char* text = cdtext_get_const(cdtext, field, track);
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::optional<CdText> DecodeCdTextPacks(const std::uint8_t* packs, std::size_t size) {
    if (packs == nullptr || size == 0) {
        return std::nullopt;
    }
    const std::unique_ptr<cdtext_t, CdTextCloser> cdtext(cdtext_init());
    // libcdio takes a writable buffer; it gets a copy.
    std::vector<std::uint8_t> data(packs, packs + size);
    if (cdtext == nullptr || cdtext_data_init(cdtext.get(), data.data(), data.size()) != 0) {
        return std::nullopt;
    }
    if (!cdtext_select_language(cdtext.get(), CDTEXT_LANGUAGE_JAPANESE)) {
        cdtext_set_language_index(cdtext.get(), 0);
    }
    CdText result;
    result.title = Field(cdtext.get(), CDTEXT_FIELD_TITLE, 0);
    result.performer = Field(cdtext.get(), CDTEXT_FIELD_PERFORMER, 0);
    const track_t first = cdtext_get_first_track(cdtext.get());
    const track_t last = cdtext_get_last_track(cdtext.get());
    if (first >= 1 && last >= first && last <= 99) {
        for (track_t track = first; track <= last; ++track) {
            result.trackTitles.push_back(Field(cdtext.get(), CDTEXT_FIELD_TITLE, track));
        }
    }
    if (result.Empty()) {
        return std::nullopt;
    }
    return result;
}

}  // namespace lintel
