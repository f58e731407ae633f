#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "playback/lintellib.h"

namespace lintel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> Split(std::string_view text, char separator = ' ') {
    std::vector<std::string> target{"stale"};
    SplitQuoted(text, separator, '\'', target);
    return target;
}

// The play order text: entries each followed by one blank.
TEST(SplitQuoted, ReadsThePlayOrderForm) {
    EXPECT_THAT(Split("3 0 7 "), ElementsAre("3", "0", "7"));
    EXPECT_THAT(Split("3  7"), ElementsAre("3", "", "7"));
    EXPECT_THAT(Split(""), IsEmpty());
    EXPECT_THAT(Split(" "), ElementsAre(""));
}

// A quoted run keeps its quotes and its separators; a doubled quote does not end it.
TEST(SplitQuoted, QuotedRunsDoNotSplit) {
    EXPECT_THAT(Split("'a b' c"), ElementsAre("'a b'", "c"));
    EXPECT_THAT(Split("x'it''s ok'y z"), ElementsAre("x'it''s ok'y", "z"));
}

// Neither case has a meaning in stored data; both end safely: an unclosed quote takes the
// rest of the text, and an empty quoted run is an ordinary two-character unit.
TEST(SplitQuoted, UnterminatedAndEmptyQuotedRunsEndSafely) {
    EXPECT_THAT(Split("1 '2 3"), ElementsAre("1", "'2 3"));
    EXPECT_THAT(Split("'"), ElementsAre("'"));
    EXPECT_THAT(Split("'' 4"), ElementsAre("''", "4"));
}

// ソ is 83 5C: its trail byte is the separator '\', yet the character stays whole.
TEST(SplitQuoted, NeverSplitsADoubleByteCharacter) {
    EXPECT_THAT(Split("\x83\x5C\\a", '\\'), ElementsAre("\x83\x5C", "a"));
    EXPECT_THAT(Split("a \x83", ' '), ElementsAre("a", "\x83"));  // stray lead byte at the end
}

}  // namespace
}  // namespace lintel
