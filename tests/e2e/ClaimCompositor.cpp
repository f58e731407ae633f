// Stands in for a compositing manager: owns the selection _NET_WM_CM_S<screen> that
// tells programs one runs, and holds it until it is ended. It composites nothing.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Display.h"

int main() {
    const auto x = ConnectToDisplay();
    if (!x)
        return 1;
    xcb_connection_t* c = x->Connection();
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, owner, x->Root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::string name = "_NET_WM_CM_S" + std::to_string(x->ScreenNumber());
    const xcb_atom_t selection = x->Atom(name);
    if (selection == XCB_ATOM_NONE)
        return 1;
    xcb_set_selection_owner(c, owner, selection, XCB_CURRENT_TIME);
    if (x->SelectionOwner(name) != owner) {
        std::fprintf(stderr, "could not own %s\n", name.c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Owned for as long as the connection lives.
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
    return 0;
}
