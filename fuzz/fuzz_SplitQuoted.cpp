// Splits arbitrary bytes as a play order: nothing may crash or read out of bounds, and
// the tokens with their separators put back must give the text again (no byte is lost).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "playback/lintellib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> tokens;
    lintel::SplitQuoted(text, ' ', '\'', tokens);
    std::string joined;
    for (const std::string& token : tokens) {
        joined += token;
        joined += ' ';
    }
    // A trailing separator adds no token, so the join may end in one blank more.
    if (joined != text && joined != text + " ") {
        std::abort();
    }
    return 0;
}
