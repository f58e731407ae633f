// Stands in for a compositing manager: owns the selection _NET_WM_CM_S<screen> that
// tells programs one runs, and holds it until it is ended. It composites nothing.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, owner, it.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    if (atom == nullptr)
        return 1;
    xcb_set_selection_owner(c, owner, atom->atom, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* now =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool owned = now != nullptr && now->owner == owner;
    std::free(now);
    std::free(atom);
    if (!owned) {
        std::fprintf(stderr, "could not own %s\n", name.c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Owned for as long as the connection lives.
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
    return 0;
}
