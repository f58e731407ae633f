#include "playback/lintellib.h"

#include <algorithm>

#include "platform/Cp932.h"

namespace lintel {
namespace {

// Length of the quoted run that starts at text[start] (a quote), closing quote included,
// or up to the end of the text when the run is never closed.
std::size_t QuotedRunLength(std::string_view text, std::size_t start, char quote) {
    std::size_t i = start + 1;
    while (i < text.size()) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(text[i]))) {
            i += 2;
        } else if (text[i] != quote) {
            ++i;
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            i += 2;  // a doubled quote stands for one
        } else {
            return i + 1 - start;
        }
    }
    return text.size() - start;
}

}  // namespace

void SplitQuoted(std::string_view text, char separator, char quote,
                 std::vector<std::string>& target) {
    target.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        std::string token;
        while (i < text.size() && text[i] != separator) {
            std::size_t unit = 1;
            if (cp932::IsLeadByte(static_cast<unsigned char>(text[i]))) {
                unit = 2;
            } else if (text[i] == quote) {
                unit = QuotedRunLength(text, i, quote);
            }
            unit = std::min(unit, text.size() - i);
            token += text.substr(i, unit);
            i += unit;
        }
        target.push_back(std::move(token));
        ++i;  // over the separator
    }
}

}  // namespace lintel
