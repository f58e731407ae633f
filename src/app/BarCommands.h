// The bar's commands as its operation panel and its menus offer them: one callback per
// command, named after the bar's handler it stands for. A command without a callback is
// offered disabled.
#pragma once

#include <functional>

#include "playback/BarView.h"

namespace lintel {

struct TBarCommands {
    std::function<void()> sbtPlayClick, sbtPauseClick, sbtStopClick, sbtPrevClick, sbtNextClick,
        sbtEjectClick, sbtCloseClick;
    std::function<void()> sbtRepeatClick, sbtPrgSetClick, pmnOpePanelClick, sbtCDEditClick,
        sbtConfigClick, sbtHelpClick, pmnAboutClick, sbtExitClick;
    /// The title look-up, offered in the bar's menu only.
    std::function<void()> pmnLookupClick;
    /// Shows the operation panel and gives the keyboard to its first button.
    std::function<void()> pmnMoveToPanelClick;
    /// A track item was chosen; the argument is its tag, the one-based play-list position.
    std::function<void(int tag)> TrackMenuItemClick;
};

}  // namespace lintel
