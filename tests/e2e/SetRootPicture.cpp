// Leaves a background picture on the root window the way wallpaper tools do: a pixmap
// that outlives this program, named by the root property _XROOTPMAP_ID. Each pixel
// tells where it lies: red = x mod 256, green = y mod 256, blue = 0x80, so a test can
// check that the bar shows the part of the picture at its own place.
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;
    if (screen->root_depth != 24) {
        std::fprintf(stderr, "root depth %d is not 24\n", screen->root_depth);
        return 1;
    }
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;

    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);

    // In bands small enough for one request without the big-requests extension.
    const int band = std::max(1, 40000 / width);
    std::vector<uint32_t> pixels;
    for (int top = 0; top < height; top += band) {
        const int rows = std::min(band, height - top);
        pixels.assign(static_cast<size_t>(rows) * width, 0);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * width + x] =
                    (static_cast<uint32_t>(x % 256) << 16) |
                    (static_cast<uint32_t>((top + y) % 256) << 8) | 0x80u;
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(rows), 0, static_cast<int16_t>(top), 0,
                      screen->root_depth, static_cast<uint32_t>(pixels.size() * 4),
                      reinterpret_cast<const uint8_t*>(pixels.data()));
    }

    const char name[] = "_XROOTPMAP_ID";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (atom == nullptr) {
        std::fprintf(stderr, "cannot name the property\n");
        return 1;
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_PIXMAP, 32, 1,
                        &pixmap);
    std::free(atom);
    xcb_free_gc(c, gc);
    // The picture must stay when this client is gone.
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    // A round trip, so every request above has reached the server.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const int error = xcb_connection_has_error(c);
    xcb_disconnect(c);
    return error == 0 ? 0 : 1;
}
