#include "app/Backdrop.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace lintel {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_screen_t* FirstScreen(xcb_connection_t* c) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem > 0 ? it.data : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const std::string& name, bool onlyIfExists) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c,
        xcb_intern_atom(c, onlyIfExists ? 1 : 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

/// Bits per pixel the server uses for images of `depth`, or 0 when it lists none.
int BitsPerPixel(xcb_connection_t* c, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    for (xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0;
         xcb_format_next(&it)) {
        if (it.data->depth == depth)
            return it.data->bits_per_pixel;
    }
    return 0;
}

}  // namespace

std::optional<QImage> DesktopPicture(const QRect& area) {
    xcb_connection_t* c = Connection();
    if (c == nullptr || area.isEmpty())
        return std::nullopt;
    xcb_screen_t* screen = FirstScreen(c);
    if (screen == nullptr)
        return std::nullopt;
    // Wallpaper tools name their picture in one of two properties; older ones only in
    // the second.
    xcb_pixmap_t pixmap = 0;
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const xcb_atom_t property = Atom(c, name, true);
        if (property == XCB_ATOM_NONE)
            continue;  // no tool ever set it on this display
        Reply<xcb_get_property_reply_t> prop(xcb_get_property_reply(
            c, xcb_get_property(c, 0, screen->root, property, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (prop && prop->type == XCB_ATOM_PIXMAP && prop->format == 32 &&
            xcb_get_property_value_length(prop.get()) >= 4) {
            std::memcpy(&pixmap, xcb_get_property_value(prop.get()), sizeof pixmap);
            if (pixmap != 0)
                break;
        }
    }
    if (pixmap == 0)
        return std::nullopt;

    // The property may name a picture that is already gone; the geometry request then
    // fails and the bar falls back instead of reading a stale id.
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &error));
    std::free(error);
    if (!geometry)
        return std::nullopt;
    const int depth = geometry->depth;
    if ((depth != 24 && depth != 32) || BitsPerPixel(c, geometry->depth) != 32 ||
        xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return std::nullopt;

    const QRect part = area.intersected(QRect(0, 0, geometry->width, geometry->height));
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    if (part.isEmpty())
        return image;

    error = nullptr;
    Reply<xcb_get_image_reply_t> pixels(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, static_cast<int16_t>(part.x()),
                      static_cast<int16_t>(part.y()), static_cast<uint16_t>(part.width()),
                      static_cast<uint16_t>(part.height()), ~0u),
        &error));
    std::free(error);
    if (!pixels)
        return std::nullopt;
    const int stride = part.width() * 4;
    if (xcb_get_image_data_length(pixels.get()) < stride * part.height())
        return std::nullopt;
    const uint8_t* data = xcb_get_image_data(pixels.get());
    const int dx = part.x() - area.x();
    const int dy = part.y() - area.y();
    for (int row = 0; row < part.height(); ++row) {
        auto* line = reinterpret_cast<uint32_t*>(image.scanLine(dy + row)) + dx;
        const uint8_t* source = data + static_cast<std::ptrdiff_t>(row) * stride;
        for (int col = 0; col < part.width(); ++col) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, source + col * 4, 4);
            line[col] = 0xFF000000u | (pixel & 0x00FFFFFFu);
        }
    }
    return image;
}

std::optional<QPoint> WindowOrigin(unsigned long window) {
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return std::nullopt;
    xcb_screen_t* screen = FirstScreen(c);
    if (screen == nullptr)
        return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, static_cast<xcb_window_t>(window), screen->root, 0, 0),
        &error));
    std::free(error);
    if (!reply)
        return std::nullopt;
    return QPoint(reply->dst_x, reply->dst_y);
}

bool CompositingActive() {
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    const xcb_atom_t selection = Atom(c, "_NET_WM_CM_S0", false);
    if (selection == XCB_ATOM_NONE)
        return false;
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace lintel
