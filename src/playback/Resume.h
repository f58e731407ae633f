// Resume: the record written when the bar closes while a disc plays, and its use at the
// first stopped tick of the next run with the same disc. The record is the [Resumption]
// section of the settings file.
#pragma once

#include <string_view>

#include "playback/BarTitles.h"
#include "playback/PlayOrder.h"
#include "playback/PlayerContext.h"
#include "playback/Transport.h"

namespace lintel {

class TResume {
public:
    /// All must outlive the resume.
    TResume(TPlayerContext& player, const TBarTitles& titles, TPlayOrder& order,
            TTransport& transport);

    /// Writes the resume record for the disc `discId` when it plays and resume is on.
    /// True when the record was written; the disc is then to be forgotten, so that it is
    /// written once.
    [[nodiscard]] bool Save(std::string_view discId);
    /// At a stopped tick with resume on: the record is used when it names the disc
    /// `discId`, and discarded otherwise.
    void Check(std::string_view discId);
    /// Plays as the resume record says and tells the user so. A record that names no
    /// track of this disc is discarded without playing.
    void Restore();

private:
    TPlayerContext& player_;
    const TBarTitles& titles_;
    TPlayOrder& order_;
    TTransport& transport_;
};

}  // namespace lintel
