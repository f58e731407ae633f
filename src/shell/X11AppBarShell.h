// The desktop-toolbar service of an X11 desktop, built from what window managers offer:
// a bar is a dock window that reserves its strip with struts, is kept on every desktop and
// above (or among) other windows; the auto-hide place of each edge is a property on the
// root window that every process reads; full-screen applications are noticed from the
// active window's state.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/AppBarShell.h"

struct xcb_connection_t;
class QWindow;

namespace lintel {

class TX11Client;

class TX11AppBarShell final : public QObject,
                              public TAppBarShell,
                              public QAbstractNativeEventFilter {
public:
    /// The service of the X11 display the application runs on; null elsewhere (the
    /// offscreen platform of the tests, say).
    static std::unique_ptr<TX11AppBarShell> Create();
    ~TX11AppBarShell() override;

    std::uintptr_t Message(TAppBarMessage message, TAppBarData& data) override;
    TRect ScreenRect(TBarId bar) const override;
    TRect WorkArea(TBarId bar) const override;
    QPoint CursorPos() const override;
    bool ControlKeyDown() const override;
    bool DragFullWindows() const override { return true; }
    void SetZOrder(TBarId bar, TZOrder order) override;
    void ShowTaskbarButton(TBarId bar, bool show) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    /// The root-window property that names the auto-hide bar of each edge.
    static constexpr const char* kAutoHideProperty = "_LINTEL_APPBAR_AUTOHIDE";

private:
    /// A dock's reservation: left, right, top, bottom widths from the edges of the X
    /// screen, then the start and end of each along its edge, in device pixels.
    using TStrut = std::array<std::uint32_t, 12>;
    struct TDock {
        std::uint32_t Window;
        TStrut Strut;
    };
    struct TBar {
        TAppBarCallback Callback;
        TStrut Written{};
        bool HasStrut = false;
        /// The other docks' reservations when the bar last heard of them.
        std::vector<TDock> Others;
    };

    explicit TX11AppBarShell(std::unique_ptr<TX11Client> x);

    std::uint32_t Atom(const char* name) const;
    std::vector<std::uint32_t> Cardinals(std::uint32_t window, std::uint32_t property,
                                         std::uint32_t maxItems) const;
    /// Makes `window` a dock on every desktop.
    void MarkDock(std::uint32_t window);
    /// Adds property changes of `window` to the events this program hears.
    void WatchProperties(std::uint32_t window);
    bool WindowExists(std::uint32_t window) const;
    QWindow* FindWindow(TBarId bar) const;
    double Scale(TBarId bar) const;
    /// The size of the whole X screen in device pixels.
    std::pair<int, int> RootSize() const;

    /// Every managed window's reservation except `self`'s, lowest window first.
    std::vector<TDock> OtherDocks(std::uint32_t self) const;
    /// Cuts `r` (device pixels) by the strips `self` keeps clear of: every other dock's,
    /// except that on `edge` only docks with a lower window id count, so two bars on one
    /// edge line up instead of pushing each other inward for ever.
    void LeaveOut(std::uint32_t self, int edge, TRect& r) const;
    void WriteStrut(std::uint32_t window, TBar& bar, const TStrut& strut);

    std::array<std::uint32_t, 4> AutoHideHolders() const;
    void SetState(std::uint32_t window, bool on, std::uint32_t state1, std::uint32_t state2);

    void Notify(TBarId bar, TAppBarNotification code, std::intptr_t param);
    void ForgetDeadBars();
    void CheckPositions();
    void CheckFullScreen();

    std::unique_ptr<TX11Client> x_;
    xcb_connection_t* connection_;
    std::uint32_t root_;
    std::map<TBarId, TBar> bars_;
    std::uint32_t active_ = 0;
    bool fullScreen_ = false;
};

}  // namespace lintel
