// Reads arbitrary bytes as the web service's answer to a disc-ID request: nothing may
// crash, and an answer is found exactly when it names a release.
#include <cstdint>
#include <string_view>

#include "lookup/MusicBrainzReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    const lintel::DiscIdReply reply = lintel::ReadDiscIdReply(json, "ID-");
    const bool found = reply.kind == lintel::DiscIdReply::Kind::Releases;
    if (found == reply.releases.empty()) {
        __builtin_trap();
    }
    return 0;
}
