// The fields of a line in the program's small text formats (disc descriptions, CUE sheets):
// blank-separated words, decimal numbers and MM:SS:FF times. ASCII rules only, so code page
// 932 and UTF-8 text pass through unharmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lintel {

/// "line N: " followed by `what`: how a fault in a text file is reported.
[[nodiscard]] std::string LineMessage(std::size_t line, const std::string& what);

/// Splits off the first word of `rest`, blanks (space, tab) around it dropped; `rest` is
/// left trimmed.
[[nodiscard]] std::string_view NextWord(std::string_view& rest);

/// A decimal number of 1 to `maxDigits` digits no greater than `max`; nothing otherwise.
[[nodiscard]] std::optional<unsigned> ParseDecimal(std::string_view text, std::size_t maxDigits,
                                                   unsigned max);

/// "MM:SS:FF" as a count of frames: minutes of at most as many digits as `maxMinutes` has
/// and no greater, seconds 0-59 and frames 0-74 of one or two digits each.
[[nodiscard]] std::optional<std::uint32_t> ParseMsf(std::string_view text, unsigned maxMinutes);

}  // namespace lintel
