#include <gtest/gtest.h>

#include "lookup/MusicBrainzReply.h"

namespace lintel {
namespace {

// A release counts with the medium that carries the disc ID: its tracks and its count,
// not those of the release's other discs.
TEST(MusicBrainzReply, TakesTheMediumThatCarriesTheDisc) {
    const char* json = R"({"id":"ID-","releases":[
      {"title":"Two Discs","date":"1999-03-01","country":"JP",
       "artist-credit":[{"name":"A","joinphrase":" & "},{"name":"B","joinphrase":""}],
       "media":[{"track-count":1,"discs":[{"id":"other"}],"tracks":[{"title":"x"}]},
                {"track-count":2,"discs":[{"id":"ID-"}],
                 "tracks":[{"title":"One"},{"title":"Two"}]}]},
      {"title":"Elsewhere","media":[{"track-count":3,"discs":[{"id":"other"}]}]}]})";
    const DiscIdReply reply = ReadDiscIdReply(json, "ID-");
    ASSERT_EQ(reply.kind, DiscIdReply::Kind::Releases);
    ASSERT_EQ(reply.releases.size(), 1u);
    EXPECT_EQ(reply.releases[0],
              (FoundRelease{"Two Discs", "A & B", "1999", "JP", 2, {"One", "Two"}}));
}

TEST(MusicBrainzReply, NoMatchAndMalformedAnswers) {
    EXPECT_EQ(ReadDiscIdReply(R"({"releases":[]})", "ID-").kind, DiscIdReply::Kind::NoMatch);
    EXPECT_EQ(ReadDiscIdReply(R"({"id":"ID-"})", "ID-").kind, DiscIdReply::Kind::NoMatch);
    for (const char* bad : {"", "{", "[1,2]", "<html>", R"({"releases":"none"})"})
        EXPECT_EQ(ReadDiscIdReply(bad, "ID-").kind, DiscIdReply::Kind::Malformed) << bad;
}

}  // namespace
}  // namespace lintel
