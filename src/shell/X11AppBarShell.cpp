#include "shell/X11AppBarShell.h"

#include <xcb/xcb.h>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

#include "shell/X11Client.h"
#include "shell/X11Toolkit.h"

namespace lintel {

namespace {

// Strut slots.
enum : int {
    kLeft = 0,
    kRight = 1,
    kTop = 2,
    kBottom = 3,
    kLeftStartY = 4,
    kLeftEndY = 5,
    kRightStartY = 6,
    kRightEndY = 7,
    kTopStartX = 8,
    kTopEndX = 9,
    kBottomStartX = 10,
    kBottomEndX = 11,
};

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

/// The edge a strut reserves, or abeUnknown for none (or more than one).
int StrutEdge(const std::array<std::uint32_t, 12>& s) {
    int edge = abeUnknown;
    const int sides[4] = {abeLeft, abeRight, abeTop, abeBottom};
    for (int i = 0; i < 4; ++i) {
        if (s[i] == 0)
            continue;
        if (edge != abeUnknown)
            return abeUnknown;
        edge = sides[i];
    }
    return edge;
}

/// Whether [start, end] meets [from, to).
bool Meets(std::uint32_t start, std::uint32_t end, int from, int to) {
    return static_cast<std::int64_t>(start) < to && static_cast<std::int64_t>(end) >= from;
}

}  // namespace

std::unique_ptr<TX11AppBarShell> TX11AppBarShell::Create() {
    std::unique_ptr<TX11Client> x = ToolkitX11Client();
    if (!x)
        return nullptr;
    return std::unique_ptr<TX11AppBarShell>(new TX11AppBarShell(std::move(x)));
}

TX11AppBarShell::TX11AppBarShell(std::unique_ptr<TX11Client> x)
    : x_(std::move(x)), connection_(x_->Connection()), root_(x_->Root()) {
    // Property changes of the root window tell of docks coming and going and of the
    // active window.
    WatchProperties(root_);
    qGuiApp->installNativeEventFilter(this);
    CheckFullScreen();
}

TX11AppBarShell::~TX11AppBarShell() {
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

std::uint32_t TX11AppBarShell::Atom(const char* name) const {
    return x_->Atom(name);
}

std::vector<std::uint32_t> TX11AppBarShell::Cardinals(std::uint32_t window, std::uint32_t property,
                                                      std::uint32_t maxItems) const {
    return x_->Cardinals(window, property, maxItems);
}

void TX11AppBarShell::MarkDock(std::uint32_t window) {
    // Both must be in place before the window is first mapped: window managers read the
    // type and the desktop only then.
    const std::uint32_t dock = Atom("_NET_WM_WINDOW_TYPE_DOCK");
    x_->SetProperty(window, Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, {&dock, 1});
    x_->SetProperty(window, Atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, {&kAllDesktops, 1});
    x_->Flush();
}

void TX11AppBarShell::WatchProperties(std::uint32_t window) {
    // Event masks are kept per client: the one this program (the toolkit among it)
    // already has on the window is kept, or its own windows would go deaf.
    xcb_get_window_attributes_reply_t* attrs = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    if (!attrs)
        return;
    const std::uint32_t mask = attrs->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
    free(attrs);
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
}

bool TX11AppBarShell::WindowExists(std::uint32_t window) const {
    return x_->WindowExists(window);
}

QWindow* TX11AppBarShell::FindWindow(TBarId bar) const {
    if (bar == 0)
        return nullptr;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle() && static_cast<TBarId>(w->winId()) == bar)
            return w;
    return nullptr;
}

double TX11AppBarShell::Scale(TBarId bar) const {
    const QWindow* w = FindWindow(bar);
    const QScreen* s = w ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->devicePixelRatio() : 1.0;
}

std::pair<int, int> TX11AppBarShell::RootSize() const {
    xcb_get_geometry_reply_t* g =
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, root_), nullptr);
    std::pair<int, int> size{g ? g->width : 0, g ? g->height : 0};
    free(g);
    return size;
}

TRect TX11AppBarShell::ScreenRect(TBarId bar) const {
    const QWindow* w = FindWindow(bar);
    const QScreen* s = w ? w->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return {};
    const QRect g = s->geometry();
    return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

TRect TX11AppBarShell::WorkArea(TBarId bar) const {
    const double k = Scale(bar);
    TRect r = ScreenRect(bar);
    TRect d{static_cast<int>(std::lround(r.Left * k)), static_cast<int>(std::lround(r.Top * k)),
            static_cast<int>(std::lround(r.Right * k)),
            static_cast<int>(std::lround(r.Bottom * k))};
    LeaveOut(0, abeUnknown, d);
    return {static_cast<int>(std::lround(d.Left / k)), static_cast<int>(std::lround(d.Top / k)),
            static_cast<int>(std::lround(d.Right / k)),
            static_cast<int>(std::lround(d.Bottom / k))};
}

QPoint TX11AppBarShell::CursorPos() const {
    return QCursor::pos();
}

bool TX11AppBarShell::ControlKeyDown() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

std::vector<TX11AppBarShell::TDock> TX11AppBarShell::OtherDocks(std::uint32_t self) const {
    std::vector<std::uint32_t> clients = Cardinals(root_, Atom("_NET_CLIENT_LIST"), 4096);
    std::sort(clients.begin(), clients.end());
    clients.erase(std::unique(clients.begin(), clients.end()), clients.end());
    const std::uint32_t partialAtom = Atom("_NET_WM_STRUT_PARTIAL");
    const std::uint32_t strutAtom = Atom("_NET_WM_STRUT");
    std::vector<TDock> docks;
    for (std::uint32_t w : clients) {
        if (w == self)
            continue;
        TStrut s{};
        std::vector<std::uint32_t> v = Cardinals(w, partialAtom, 12);
        if (v.size() == 12) {
            std::copy(v.begin(), v.end(), s.begin());
        } else {
            v = Cardinals(w, strutAtom, 4);
            if (v.size() != 4)
                continue;
            // A plain strut spans its whole edge.
            std::copy(v.begin(), v.end(), s.begin());
            for (int i = kLeftStartY; i <= kBottomEndX; i += 2) {
                s[i] = 0;
                s[i + 1] = 0xFFFF;
            }
        }
        if (s[kLeft] || s[kRight] || s[kTop] || s[kBottom])
            docks.push_back({w, s});
    }
    return docks;
}

void TX11AppBarShell::LeaveOut(std::uint32_t self, int edge, TRect& r) const {
    const auto [rootW, rootH] = RootSize();
    for (const TDock& dock : OtherDocks(self)) {
        const TStrut& s = dock.Strut;
        if (self != 0 && StrutEdge(s) == edge && dock.Window > self)
            continue;
        if (s[kLeft] && Meets(s[kLeftStartY], s[kLeftEndY], r.Top, r.Bottom))
            r.Left = std::max(r.Left, static_cast<int>(s[kLeft]));
        if (s[kRight] && Meets(s[kRightStartY], s[kRightEndY], r.Top, r.Bottom))
            r.Right = std::min(r.Right, rootW - static_cast<int>(s[kRight]));
        if (s[kTop] && Meets(s[kTopStartX], s[kTopEndX], r.Left, r.Right))
            r.Top = std::max(r.Top, static_cast<int>(s[kTop]));
        if (s[kBottom] && Meets(s[kBottomStartX], s[kBottomEndX], r.Left, r.Right))
            r.Bottom = std::min(r.Bottom, rootH - static_cast<int>(s[kBottom]));
    }
}

void TX11AppBarShell::WriteStrut(std::uint32_t window, TBar& bar, const TStrut& strut) {
    const bool any = strut[kLeft] || strut[kRight] || strut[kTop] || strut[kBottom];
    // Rewriting the same values would still wake every dock up, so it is skipped.
    if (bar.HasStrut == any && (!any || bar.Written == strut))
        return;
    const std::uint32_t partial = Atom("_NET_WM_STRUT_PARTIAL");
    const std::uint32_t plain = Atom("_NET_WM_STRUT");
    if (any) {
        x_->SetProperty(window, partial, XCB_ATOM_CARDINAL, strut);
        x_->SetProperty(window, plain, XCB_ATOM_CARDINAL, std::span(strut).first(4));
    } else {
        x_->DeleteProperty(window, partial);
        x_->DeleteProperty(window, plain);
    }
    x_->Flush();
    bar.Written = strut;
    bar.HasStrut = any;
}

std::array<std::uint32_t, 4> TX11AppBarShell::AutoHideHolders() const {
    std::array<std::uint32_t, 4> holders{};
    const std::vector<std::uint32_t> v = Cardinals(root_, Atom(kAutoHideProperty), 4);
    for (std::size_t i = 0; i < v.size() && i < 4; ++i) holders[i] = v[i];
    return holders;
}

std::uintptr_t TX11AppBarShell::Message(TAppBarMessage message, TAppBarData& data) {
    const auto window = static_cast<std::uint32_t>(data.Wnd);
    switch (message) {
        case TAppBarMessage::abmNew: {
            if (window == 0 || bars_.count(data.Wnd))
                return 0;
            TBar& bar = bars_[data.Wnd];
            bar.Callback = data.Callback;
            MarkDock(window);
            bar.Others = OtherDocks(window);
            return 1;
        }
        case TAppBarMessage::abmRemove: {
            auto it = bars_.find(data.Wnd);
            if (it == bars_.end())
                return 1;
            if (WindowExists(window))
                WriteStrut(window, it->second, {});
            bars_.erase(it);
            return 1;
        }
        case TAppBarMessage::abmQueryPos:
        case TAppBarMessage::abmSetPos: {
            const double k = Scale(data.Wnd);
            TRect& r = data.Rect;
            const bool reserves = IsDockingEdge(data.Edge) && !r.Empty();
            TRect d{static_cast<int>(std::lround(r.Left * k)),
                    static_cast<int>(std::lround(r.Top * k)),
                    static_cast<int>(std::lround(r.Right * k)),
                    static_cast<int>(std::lround(r.Bottom * k))};
            if (IsDockingEdge(data.Edge)) {
                LeaveOut(window, data.Edge, d);
                r = {static_cast<int>(std::lround(d.Left / k)),
                     static_cast<int>(std::lround(d.Top / k)),
                     static_cast<int>(std::lround(d.Right / k)),
                     static_cast<int>(std::lround(d.Bottom / k))};
            }
            if (message == TAppBarMessage::abmQueryPos)
                return 1;
            auto it = bars_.find(data.Wnd);
            if (it == bars_.end())
                return 1;
            // The toolkit rewrites the window type whenever its window flags change; until
            // the window is mapped there is still time to put the dock type back.
            if (!x_->Mapped(window))
                MarkDock(window);
            TStrut s{};
            if (reserves && !d.Empty()) {
                const auto [rootW, rootH] = RootSize();
                const auto u = [](int v) { return static_cast<std::uint32_t>(std::max(v, 0)); };
                switch (data.Edge) {
                    case abeLeft:
                        s[kLeft] = u(d.Right);
                        s[kLeftStartY] = u(d.Top);
                        s[kLeftEndY] = u(d.Bottom - 1);
                        break;
                    case abeTop:
                        s[kTop] = u(d.Bottom);
                        s[kTopStartX] = u(d.Left);
                        s[kTopEndX] = u(d.Right - 1);
                        break;
                    case abeRight:
                        s[kRight] = u(rootW - d.Left);
                        s[kRightStartY] = u(d.Top);
                        s[kRightEndY] = u(d.Bottom - 1);
                        break;
                    case abeBottom:
                        s[kBottom] = u(rootH - d.Top);
                        s[kBottomStartX] = u(d.Left);
                        s[kBottomEndX] = u(d.Right - 1);
                        break;
                    default:
                        break;
                }
            }
            WriteStrut(window, it->second, s);
            it->second.Others = OtherDocks(window);
            return 1;
        }
        case TAppBarMessage::abmGetAutoHideBar: {
            if (!IsDockingEdge(data.Edge))
                return 0;
            const std::uint32_t holder = AutoHideHolders()[data.Edge];
            // A bar that crashed leaves its name behind; a window that is gone holds
            // nothing.
            return WindowExists(holder) ? holder : 0;
        }
        case TAppBarMessage::abmSetAutoHideBar: {
            if (!IsDockingEdge(data.Edge) || window == 0)
                return 0;
            // Other processes read and write the same property: the server is held for
            // the read and the write so that two bars cannot both win an edge.
            xcb_grab_server(connection_);
            std::array<std::uint32_t, 4> holders = AutoHideHolders();
            std::uint32_t& holder = holders[data.Edge];
            const bool open = holder == 0 || holder == window || !WindowExists(holder);
            std::uintptr_t result = 0;
            if (data.Param && open) {
                holder = window;
                result = 1;
            } else if (!data.Param && holder == window) {
                holder = 0;
                result = 1;
            }
            if (result)
                x_->SetProperty(root_, Atom(kAutoHideProperty), XCB_ATOM_WINDOW, holders);
            xcb_ungrab_server(connection_);
            xcb_flush(connection_);
            return result;
        }
        case TAppBarMessage::abmActivate:
        case TAppBarMessage::abmWindowPosChanged:
            return 1;
    }
    return 0;
}

void TX11AppBarShell::SetState(std::uint32_t window, bool on, std::uint32_t state1,
                               std::uint32_t state2) {
    const TWmStateAction action = on ? TWmStateAction::Add : TWmStateAction::Remove;
    // Once the program has asked for the window to be shown, the window manager may
    // already have read the states, even before the window appears: from then on only
    // asking the window manager works. An unmapped one carries the states it will be
    // mapped with.
    const QWindow* own = FindWindow(window);
    if (own ? own->isVisible() : x_->Mapped(window))
        x_->RequestWmState(window, action, state1, state2);
    else
        x_->EditWmState(window, action, state1, state2);
    x_->Flush();
}

void TX11AppBarShell::SetZOrder(TBarId bar, TZOrder order) {
    if (bar == 0)
        return;
    // Asked of the window manager directly: changing the toolkit's window flags instead
    // would make it write its own window type over the dock type. A dock without the
    // below state stays over every ordinary window in most window managers, so a bar
    // that is not kept on top asks for it.
    const auto window = static_cast<std::uint32_t>(bar);
    const bool top = order == TZOrder::zoTopMost;
    SetState(window, top, Atom("_NET_WM_STATE_ABOVE"), 0);
    SetState(window, !top, Atom("_NET_WM_STATE_BELOW"), 0);
}

void TX11AppBarShell::ShowTaskbarButton(TBarId bar, bool show) {
    if (bar == 0)
        return;
    SetState(static_cast<std::uint32_t>(bar), !show, Atom("_NET_WM_STATE_SKIP_TASKBAR"),
             Atom("_NET_WM_STATE_SKIP_PAGER"));
}

void TX11AppBarShell::Notify(TBarId bar, TAppBarNotification code, std::intptr_t param) {
    // Delivered from the event loop, as the desktop's notifications are: a bar never hears
    // of a change while it is still making one.
    QMetaObject::invokeMethod(
        this,
        [this, bar, code, param] {
            auto it = bars_.find(bar);
            if (it == bars_.end() || !it->second.Callback)
                return;
            const TAppBarCallback callback = it->second.Callback;
            callback(code, param);
        },
        Qt::QueuedConnection);
}

void TX11AppBarShell::ForgetDeadBars() {
    // A bar whose window went without unregistering has nobody left to tell.
    std::erase_if(bars_, [this](const auto& entry) {
        return !WindowExists(static_cast<std::uint32_t>(entry.first));
    });
}

void TX11AppBarShell::CheckPositions() {
    ForgetDeadBars();
    for (auto& [id, bar] : bars_) {
        std::vector<TDock> others = OtherDocks(static_cast<std::uint32_t>(id));
        const bool same = others.size() == bar.Others.size() &&
                          std::equal(others.begin(), others.end(), bar.Others.begin(),
                                     [](const TDock& a, const TDock& b) {
                                         return a.Window == b.Window && a.Strut == b.Strut;
                                     });
        if (same)
            continue;
        bar.Others = std::move(others);
        Notify(id, TAppBarNotification::abnPosChanged, 0);
    }
}

void TX11AppBarShell::CheckFullScreen() {
    const std::vector<std::uint32_t> active = Cardinals(root_, Atom("_NET_ACTIVE_WINDOW"), 1);
    const std::uint32_t window = active.empty() ? 0 : active[0];
    // Its state changes are needed too.
    if (window != active_ && window != 0)
        WatchProperties(window);
    active_ = window;
    bool full = false;
    if (window != 0) {
        const std::uint32_t fullAtom = Atom("_NET_WM_STATE_FULLSCREEN");
        for (std::uint32_t s : Cardinals(window, Atom("_NET_WM_STATE"), 64))
            full = full || s == fullAtom;
    }
    if (full == fullScreen_)
        return;
    fullScreen_ = full;
    ForgetDeadBars();
    for (const auto& [id, bar] : bars_) Notify(id, TAppBarNotification::abnFullScreenApp, full);
}

bool TX11AppBarShell::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window == root_) {
        if (notify->atom == Atom("_NET_ACTIVE_WINDOW"))
            CheckFullScreen();
        else if (notify->atom == Atom("_NET_WORKAREA") || notify->atom == Atom("_NET_CLIENT_LIST"))
            CheckPositions();
    } else if (notify->window == active_ && notify->atom == Atom("_NET_WM_STATE")) {
        CheckFullScreen();
    }
    return false;
}

}  // namespace lintel
