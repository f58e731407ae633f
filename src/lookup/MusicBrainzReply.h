// The web service's answer to a disc-ID request (its JSON form) read into the releases a
// user can choose from. Texts stay UTF-8 here; they become code page 932 in the title
// editor, as if typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lintel {

/// One release that holds the disc, with the medium that carries the disc ID.
struct FoundRelease {
    std::string title;
    std::string artist;   ///< the artist credit as shown: names with their join phrases
    std::string year;     ///< the first four characters of its date; empty when unknown
    std::string country;  ///< empty when unknown
    int trackCount = 0;   ///< tracks of the medium that carries the disc ID
    std::vector<std::string> trackTitles;  ///< that medium's track titles, in order

    bool operator==(const FoundRelease&) const = default;
};

struct DiscIdReply {
    enum class Kind {
        Releases,   ///< at least one release carries the disc ID
        NoMatch,    ///< a valid answer without such a release
        Malformed,  ///< not the service's JSON
    };
    Kind kind = Kind::Malformed;
    std::vector<FoundRelease> releases;
};

/// Reads the body of an answer to GET /ws/2/discid/<discId>?inc=artist-credits+recordings
/// &fmt=json. A release counts when one of its media lists `discId` among its discs.
/// Never throws: any other input is Malformed or, when it is a JSON object without such
/// releases, NoMatch.
[[nodiscard]] DiscIdReply ReadDiscIdReply(std::string_view json, std::string_view discId);

}  // namespace lintel
