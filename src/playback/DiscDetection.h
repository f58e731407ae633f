// Disc detection: which disc is in the drive, what it is called, and the bar's three disc
// states (an audio disc, no disc, not an audio disc); the tray commands that change it.
#pragma once

#include <string>
#include <string_view>

#include "platform/DriveSet.h"
#include "playback/BarTitles.h"
#include "playback/PlayOrder.h"
#include "playback/PlayerContext.h"
#include "playback/Resume.h"
#include "playback/Transport.h"

namespace lintel {

class TDiscDetection {
public:
    /// All must outlive the detection.
    TDiscDetection(TPlayerContext& player, DriveSet& drives, TBarTitles& titles, TPlayOrder& order,
                   TTransport& transport, TResume& resume);

    /// Looks at the disc in the chosen drive (choosing the first CD drive when none is
    /// chosen yet): a new audio disc gets its title record and is shown; the same disc is
    /// left alone; no disc and a data disc show their states. Needs the store.
    void CheckDisc();
    /// The state without a readable disc.
    void ShowNoDisc();
    /// The disc left the drive: its resume record is written, titles and menus go.
    void DiscRemoved();
    /// The tray was found open at a tick, opened with the drive's own button.
    void TrayOpened();
    /// Shows eject (closed) or close-tray (open) on the panel and in both menus.
    void SetDoorState(bool closed);
    void sbtEjectClick();
    void sbtCloseClick();

    /// The track-table form of the disc identity, in upper-case hexadecimal.
    [[nodiscard]] std::string ComputeDiscId();
    /// The legacy key: decimal track count, disc minutes and seconds, track 1 minutes and
    /// seconds.
    [[nodiscard]] std::string ComputeLegacyDiscKey();
    /// Shows the title record of DiscId, with the track the device stands in.
    void LoadTitleRecord();

    /// The disc's identity is dropped, so the next check reads the disc afresh.
    void ForgetDisc();
    [[nodiscard]] const std::string& DiscId() const { return discId_; }
    [[nodiscard]] bool AudioDiscSeen() const { return audioDiscSeen_; }

private:
    /// The titles a new disc carries, for its first record. False while the drive is still
    /// reading them: the disc is then taken up at a later check, so no tick waits for it.
    bool CarriedTitles(std::optional<CdText>& carried);
    /// Shows `caption` on both labels in place of titles; the transport is disabled.
    void ShowDiscState(std::string_view caption);

    TPlayerContext& player_;
    DriveSet& drives_;
    TBarTitles& titles_;
    TPlayOrder& order_;
    TTransport& transport_;
    TResume& resume_;

    std::string discId_{kNoDiscId};
    bool audioDiscSeen_ = false;
};

}  // namespace lintel
