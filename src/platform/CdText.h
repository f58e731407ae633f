// Titles a disc carries itself: the CD-Text of a drive's disc, the TITLE and PERFORMER lines
// of a CUE sheet, the title lines of a virtual disc. Kept as UTF-8 until they meet the title
// database, where they become code page 932.
#pragma once

#include <string>
#include <vector>

namespace lintel {

struct CdText {
    std::string title;      ///< the disc's title; empty when it has none
    std::string performer;  ///< the disc's performer; empty when it has none
    /// One entry per track from track 1; an empty entry or a missing one has no title.
    std::vector<std::string> trackTitles;

    [[nodiscard]] bool Empty() const {
        if (!title.empty() || !performer.empty()) {
            return false;
        }
        for (const std::string& track : trackTitles) {
            if (!track.empty()) {
                return false;
            }
        }
        return true;
    }
    bool operator==(const CdText&) const = default;
};

}  // namespace lintel
