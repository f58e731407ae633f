// The desktop-toolbar service: the desktop's side of docking a bar against a screen edge.
// A bar registers with it, asks which part of the screen it may take, reserves its strip,
// claims the one auto-hide place of an edge, and hears back when the desktop changes.
#pragma once

#include <QPoint>
#include <cstdint>
#include <functional>

namespace lintel {

/// Screen edges of a bar. Values 0 to 3 are the edge codes the service understands.
enum TAppBarEdge : int {
    abeLeft = 0,
    abeTop = 1,
    abeRight = 2,
    abeBottom = 3,
    abeUnknown = 4,
    abeFloat = 5,
};

/// True for the four edges a bar can dock at.
constexpr bool IsDockingEdge(int edge) {
    return edge >= abeLeft && edge <= abeBottom;
}

/// A rectangle whose right and bottom sides lie just outside it, so width = Right - Left.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(QPoint p) const {
        return p.x() >= Left && p.x() < Right && p.y() >= Top && p.y() < Bottom;
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

/// The requests a bar sends. Numbers are the service's message codes.
enum class TAppBarMessage : int {
    abmNew = 0,
    abmRemove = 1,
    abmQueryPos = 2,
    abmSetPos = 3,
    abmActivate = 6,
    abmGetAutoHideBar = 7,
    abmSetAutoHideBar = 8,
    abmWindowPosChanged = 9,
};

/// What the service tells a registered bar. Numbers are the service's codes.
enum class TAppBarNotification : int {
    abnStateChange = 0,
    abnPosChanged = 1,
    abnFullScreenApp = 2,
    abnWindowArrange = 3,
};

/// A bar's window as the service knows it (the native window id); 0 is no window.
using TBarId = std::uintptr_t;

/// Receives the service's notifications for one bar, with the notification's argument.
using TAppBarCallback = std::function<void(TAppBarNotification code, std::intptr_t param)>;

/// One request: the bar, the edge code, the rectangle (in and out) and the argument.
struct TAppBarData {
    TBarId Wnd = 0;
    int Edge = abeFloat;
    TRect Rect;
    std::intptr_t Param = 0;
    /// Where notifications go; read by abmNew only.
    TAppBarCallback Callback;
};

/// Where a bar stands among the other windows.
enum class TZOrder { zoTopMost, zoNoTopMost, zoBottom };

/// The desktop-toolbar service plus the few facts about the desktop a bar needs to place
/// itself. All coordinates are the toolkit's screen pixels.
class TAppBarShell {
public:
    virtual ~TAppBarShell() = default;

    /// Handles one request; `data.Rect` may come back adjusted. Returns:
    /// abmNew 1 when registered, 0 when the window already was;
    /// abmRemove, abmActivate, abmWindowPosChanged, abmQueryPos, abmSetPos 1;
    /// abmGetAutoHideBar the auto-hide bar of `data.Edge` or 0;
    /// abmSetAutoHideBar 1 when the bar became (Param 1) or stopped being (Param 0) the
    /// auto-hide bar of the edge, 0 when another window holds the edge or, when
    /// releasing, the bar did not hold it.
    virtual std::uintptr_t Message(TAppBarMessage message, TAppBarData& data) = 0;

    /// The whole screen the bar is on.
    [[nodiscard]] virtual TRect ScreenRect(TBarId bar) const = 0;
    /// The part of that screen ordinary windows are maximised into.
    [[nodiscard]] virtual TRect WorkArea(TBarId bar) const = 0;
    /// The pointer position now.
    [[nodiscard]] virtual QPoint CursorPos() const = 0;
    /// Whether the Ctrl key is held now.
    [[nodiscard]] virtual bool ControlKeyDown() const = 0;
    /// Whether windows show their contents while they are moved; slides need it.
    [[nodiscard]] virtual bool DragFullWindows() const = 0;

    /// Puts the bar above or among ordinary windows, or below them all.
    virtual void SetZOrder(TBarId bar, TZOrder order) = 0;
    /// Lists the bar in the desktop's task bar or keeps it out.
    virtual void ShowTaskbarButton(TBarId bar, bool show) = 0;
};

}  // namespace lintel
