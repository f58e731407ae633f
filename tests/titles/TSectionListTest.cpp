#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "titles/TSectionList.h"

namespace lintel {
namespace {

using ::testing::ElementsAre;

TEST(TSectionList, AddingAnExistingNameThrowsAndBrokenBodiesStillEnd) {
    TSectionList sections;
    TSectionList::Section& added = sections.Add("Disc");
    EXPECT_THROW(sections.Add("DISC"), std::logic_error);
    EXPECT_EQ(sections.Count(), 1u);
    // A body whose last line lacks its CR LF is read to its end, once.
    added.body = "a=1\r\nb=2";
    std::vector<std::string> lines;
    added.ForEachLine([&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_THAT(lines, ElementsAre("a=1", "b=2"));
}

}  // namespace
}  // namespace lintel
