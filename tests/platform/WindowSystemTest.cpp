// The toolkit's window system: X11 wherever a display is at hand, unless the user chose.
#include <gtest/gtest.h>

#include "platform/WindowSystem.h"

namespace lintel {
namespace {

using Args = std::vector<std::string>;

TEST(WindowSystem, AnX11DisplayIsAskedForUnlessThePlatformWasChosen) {
    const char* none[] = {"lintel"};
    // A Wayland session with Xwayland: X11, so the bar can reserve its strip.
    EXPECT_EQ(QtPlatformArguments(1, none, ":0", nullptr), (Args{"-platform", "xcb"}));
    EXPECT_EQ(QtPlatformArguments(1, none, ":0", ""), (Args{"-platform", "xcb"}));
    // The user's choice stands, in the environment or on the command line.
    EXPECT_EQ(QtPlatformArguments(1, none, ":0", "wayland"), Args{});
    const char* chosen[] = {"lintel", "-platform", "offscreen"};
    EXPECT_EQ(QtPlatformArguments(3, chosen, ":0", nullptr), (Args{"-platform", "offscreen"}));
    // No X11 display: Qt picks what there is.
    EXPECT_EQ(QtPlatformArguments(1, none, nullptr, nullptr), Args{});
    EXPECT_EQ(QtPlatformArguments(1, none, "", nullptr), Args{});
}

}  // namespace
}  // namespace lintel
