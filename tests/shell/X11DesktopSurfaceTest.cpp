// The X11 desktop on a real (virtual) display: the picture another client leaves on the
// root window, the compositing manager's selection, and window places.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "X11Desktop.h"
#include "shell/X11DesktopSurface.h"
#include "support/Require.h"

namespace lintel {
namespace {

using test::TheDesktop;
using test::XSession;

class X11DesktopSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        LINTEL_REQUIRE(XSession::Available(), "Xvfb or openbox (tools/deps.sh test)");
        ASSERT_TRUE(TheDesktop().app) << "the virtual display did not come up";
        x = &TheDesktop().x;
        surface = TX11DesktopSurface::Create();
        ASSERT_NE(surface, nullptr);
    }

    /// A picture of the root's depth whose pixel (x, y) is 0xXXYY80, named by `property`
    /// on the root window as wallpaper tools do.
    xcb_pixmap_t LeavePicture(const char* property, int width, int height) {
        xcb_connection_t* c = x->Connection();
        const xcb_screen_t& screen = x->X().Screen();
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, screen.root_depth, pixmap, x->Root(), width, height);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        std::vector<uint32_t> pixels;
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px)
                pixels.push_back(uint32_t(px) << 16 | uint32_t(py) << 8 | 0x80u);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width, height, 0, 0, 0,
                      screen.root_depth, static_cast<uint32_t>(pixels.size() * 4),
                      reinterpret_cast<const uint8_t*>(pixels.data()));
        xcb_free_gc(c, gc);
        const uint32_t id[] = {pixmap};
        x->X().SetProperty(x->Root(), x->Atom(property), XCB_ATOM_PIXMAP, id);
        x->Sync();
        return pixmap;
    }

    XSession* x = nullptr;
    std::unique_ptr<TX11DesktopSurface> surface;
};

TEST_F(X11DesktopSurfaceTest, ThePictureOnTheRootIsReadAtTheAskedPlace) {
    EXPECT_EQ(surface->DesktopPicture(QRect(0, 0, 4, 4)), std::nullopt) << "no picture yet";

    const xcb_pixmap_t pixmap = LeavePicture("_XROOTPMAP_ID", 64, 32);
    const auto part = surface->DesktopPicture(QRect(10, 5, 4, 3));
    ASSERT_TRUE(part);
    ASSERT_EQ(part->size(), QSize(4, 3));
    EXPECT_EQ(part->pixel(0, 0), qRgb(10, 5, 0x80));
    EXPECT_EQ(part->pixel(3, 2), qRgb(13, 7, 0x80));
    // Beyond the picture the desktop is black.
    const auto edge = surface->DesktopPicture(QRect(62, 0, 4, 1));
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->pixel(1, 0), qRgb(63, 0, 0x80));
    EXPECT_EQ(edge->pixel(2, 0), qRgb(0, 0, 0));

    // A picture that is gone is no picture; older tools name theirs in the second property.
    xcb_free_pixmap(x->Connection(), pixmap);
    x->Sync();
    EXPECT_EQ(surface->DesktopPicture(QRect(0, 0, 4, 4)), std::nullopt);
    xcb_delete_property(x->Connection(), x->Root(), x->Atom("_XROOTPMAP_ID"));
    const xcb_pixmap_t older = LeavePicture("ESETROOT_PMAP_ID", 8, 8);
    const auto fromOlder = surface->DesktopPicture(QRect(1, 2, 1, 1));
    ASSERT_TRUE(fromOlder);
    EXPECT_EQ(fromOlder->pixel(0, 0), qRgb(1, 2, 0x80));
    xcb_delete_property(x->Connection(), x->Root(), x->Atom("ESETROOT_PMAP_ID"));
    xcb_free_pixmap(x->Connection(), older);
    x->Sync();
}

TEST_F(X11DesktopSurfaceTest, ACompositingManagerIsTheOwnerOfItsSelection) {
    EXPECT_FALSE(surface->CompositingActive());
    const xcb_window_t owner = x->CreateWindow(0, 0, 1, 1);
    xcb_set_selection_owner(x->Connection(), owner, x->Atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    x->Sync();
    EXPECT_TRUE(surface->CompositingActive());
    // The manager ends: its window goes, and the selection with it.
    xcb_destroy_window(x->Connection(), owner);
    x->Sync();
    EXPECT_FALSE(surface->CompositingActive());
}

TEST_F(X11DesktopSurfaceTest, AWindowsPlaceIsTheServersOne) {
    const xcb_window_t window = x->CreateWindow(120, 45, 10, 10);
    x->Sync();
    EXPECT_EQ(surface->WindowOrigin(window), QPoint(120, 45));
    xcb_destroy_window(x->Connection(), window);
    x->Sync();
    EXPECT_EQ(surface->WindowOrigin(window), std::nullopt);
}

}  // namespace
}  // namespace lintel
