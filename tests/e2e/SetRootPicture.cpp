// Leaves a background picture on the root window the way wallpaper tools do: a pixmap
// that outlives this program, named by the root property _XROOTPMAP_ID. Each pixel
// tells where it lies: red = x mod 256, green = y mod 256, blue = 0x80, so a test can
// check that the bar shows the part of the picture at its own place.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Display.h"

int main() {
    const auto x = ConnectToDisplay();
    if (!x)
        return 1;
    xcb_connection_t* c = x->Connection();
    const xcb_screen_t* screen = &x->Screen();
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

    const xcb_atom_t property = x->Atom("_XROOTPMAP_ID");
    if (property == XCB_ATOM_NONE) {
        std::fprintf(stderr, "cannot name the property\n");
        return 1;
    }
    const uint32_t id[] = {pixmap};
    x->SetProperty(screen->root, property, XCB_ATOM_PIXMAP, id);
    xcb_free_gc(c, gc);
    // The picture must stay when this client is gone.
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    // A round trip, so every request above has reached the server.
    x->Sync();
    return x->Failed() ? 1 : 0;
}
