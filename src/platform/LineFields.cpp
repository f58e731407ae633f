#include "platform/LineFields.h"

#include <charconv>

#include "platform/CdTime.h"
#include "platform/Cp932.h"

namespace lintel {

std::string LineMessage(std::size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

std::string_view NextWord(std::string_view& rest) {
    rest = cp932::Trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t') {
        ++end;
    }
    const std::string_view word = rest.substr(0, end);
    rest = cp932::Trim(rest.substr(end));
    return word;
}

std::optional<unsigned> ParseDecimal(std::string_view text, std::size_t maxDigits, unsigned max) {
    unsigned value = 0;
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> ParseMsf(std::string_view text, unsigned maxMinutes) {
    const std::size_t a = text.find(':');
    const std::size_t b = a == std::string_view::npos ? a : text.find(':', a + 1);
    if (b == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<unsigned> m =
        ParseDecimal(text.substr(0, a), std::to_string(maxMinutes).size(), maxMinutes);
    const std::optional<unsigned> s = ParseDecimal(text.substr(a + 1, b - a - 1), 2, 59);
    const std::optional<unsigned> f = ParseDecimal(text.substr(b + 1), 2, kFramesPerSecond - 1);
    if (!m || !s || !f) {
        return std::nullopt;
    }
    return *m * kFramesPerMinute + *s * kFramesPerSecond + *f;
}

}  // namespace lintel
