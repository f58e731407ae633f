// The player's one text utility: splitting a stored list such as the play order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lintel {

/// Splits `text` at every `separator` into `target` (cleared first). A double-byte code
/// page 932 character is never taken apart. A run that starts with `quote` lasts to the
/// next single `quote` (two in a row stand for one and do not end it); the run goes into
/// its token verbatim, quotes included, and separators inside it do not split. A
/// separator at the very end adds no empty token; two in a row give an empty one between.
/// A quote that is never closed runs to the end of the text.
void SplitQuoted(std::string_view text, char separator, char quote,
                 std::vector<std::string>& target);

}  // namespace lintel
