#include "shell/X11DesktopSurface.h"

#include <xcb/xcb.h>

#include <cstring>
#include <string>

#include "shell/X11Client.h"
#include "shell/X11Toolkit.h"

namespace lintel {

std::unique_ptr<TX11DesktopSurface> TX11DesktopSurface::Create() {
    std::unique_ptr<TX11Client> x = ToolkitX11Client();
    if (!x)
        return nullptr;
    return std::unique_ptr<TX11DesktopSurface>(new TX11DesktopSurface(std::move(x)));
}

TX11DesktopSurface::TX11DesktopSurface(std::unique_ptr<TX11Client> x) : x_(std::move(x)) {}

TX11DesktopSurface::~TX11DesktopSurface() = default;

int TX11DesktopSurface::BitsPerPixel(int depth) const {
    const xcb_setup_t* setup = xcb_get_setup(x_->Connection());
    for (xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0;
         xcb_format_next(&it)) {
        if (it.data->depth == depth)
            return it.data->bits_per_pixel;
    }
    return 0;
}

std::optional<QImage> TX11DesktopSurface::DesktopPicture(const QRect& area) const {
    if (area.isEmpty())
        return std::nullopt;
    xcb_connection_t* c = x_->Connection();
    // Wallpaper tools name their picture in one of two properties; older ones only in
    // the second.
    xcb_pixmap_t pixmap = 0;
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const xcb_atom_t property = x_->ExistingAtom(name);
        if (property == XCB_ATOM_NONE)
            continue;  // no tool ever set it on this display
        TX11Reply<xcb_get_property_reply_t> prop(xcb_get_property_reply(
            c, xcb_get_property(c, 0, x_->Root(), property, XCB_ATOM_PIXMAP, 0, 1), nullptr));
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
    TX11Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &error));
    std::free(error);
    if (!geometry)
        return std::nullopt;
    const int depth = geometry->depth;
    if ((depth != 24 && depth != 32) || BitsPerPixel(depth) != 32 ||
        xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return std::nullopt;

    const QRect part = area.intersected(QRect(0, 0, geometry->width, geometry->height));
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    if (part.isEmpty())
        return image;

    error = nullptr;
    TX11Reply<xcb_get_image_reply_t> pixels(xcb_get_image_reply(
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

bool TX11DesktopSurface::CompositingActive() const {
    const std::string selection = "_NET_WM_CM_S" + std::to_string(x_->ScreenNumber());
    return x_->SelectionOwner(selection) != XCB_WINDOW_NONE;
}

std::optional<QPoint> TX11DesktopSurface::WindowOrigin(TBarId window) const {
    const auto origin = x_->Origin(static_cast<xcb_window_t>(window));
    if (!origin)
        return std::nullopt;
    return QPoint(origin->first, origin->second);
}

}  // namespace lintel
