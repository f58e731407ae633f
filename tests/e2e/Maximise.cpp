// Asks the window manager to maximise a window, as a title bar button would:
//   lintel_maximise WINDOW_ID
// (xdotool of Debian 12 has no command for window states.)
#include <cstdio>
#include <cstdlib>

#include "Display.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lintel_maximise WINDOW_ID\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || window == 0) {
        std::fprintf(stderr, "not a window id: %s\n", argv[1]);
        return 2;
    }
    const auto x = ConnectToDisplay();
    if (!x)
        return 1;
    x->RequestWmState(static_cast<xcb_window_t>(window), lintel::TWmStateAction::Add,
                      x->Atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                      x->Atom("_NET_WM_STATE_MAXIMIZED_HORZ"));
    x->Sync();
    return x->Failed() ? 1 : 0;
}
