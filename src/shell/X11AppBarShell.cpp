#include "shell/X11AppBarShell.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

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
constexpr std::uint32_t kStateRemove = 0;
constexpr std::uint32_t kStateAdd = 1;

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
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t* c = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    if (!it.rem)
        return nullptr;
    return std::unique_ptr<TX11AppBarShell>(new TX11AppBarShell(c, it.data->root));
}

TX11AppBarShell::TX11AppBarShell(xcb_connection_t* connection, std::uint32_t root)
    : connection_(connection), root_(root) {
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
    auto it = atoms_.find(name);
    if (it != atoms_.end())
        return it->second;
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const std::uint32_t atom = reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
    free(reply);
    atoms_.emplace(name, atom);
    return atom;
}

std::vector<std::uint32_t> TX11AppBarShell::Cardinals(std::uint32_t window, std::uint32_t property,
                                                      std::uint32_t maxItems) const {
    std::vector<std::uint32_t> values;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxItems),
        nullptr);
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        values.assign(data, data + n);
    }
    free(reply);
    return values;
}

void TX11AppBarShell::MarkDock(std::uint32_t window) {
    // Both must be in place before the window is first mapped: window managers read the
    // type and the desktop only then.
    const std::uint32_t dock = Atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &kAllDesktops);
    xcb_flush(connection_);
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
    if (window == 0)
        return false;
    xcb_generic_error_t* error = nullptr;
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), &error);
    const bool exists = reply != nullptr;
    free(reply);
    free(error);
    return exists;
}

bool TX11AppBarShell::Mapped(std::uint32_t window) const {
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    const bool mapped = reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
    free(reply);
    return mapped;
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
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, partial, XCB_ATOM_CARDINAL,
                            32, 12, strut.data());
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, plain, XCB_ATOM_CARDINAL,
                            32, 4, strut.data());
    } else {
        xcb_delete_property(connection_, window, partial);
        xcb_delete_property(connection_, window, plain);
    }
    xcb_flush(connection_);
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
            if (!Mapped(window))
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
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_,
                                    Atom(kAutoHideProperty), XCB_ATOM_WINDOW, 32, 4,
                                    holders.data());
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
    const std::uint32_t wmState = Atom("_NET_WM_STATE");
    // Once the program has asked for the window to be shown, the window manager may
    // already have read the states, even before the window appears: from then on only
    // asking the window manager works.
    const QWindow* own = FindWindow(window);
    if (own ? own->isVisible() : Mapped(window)) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = wmState;
        event.data.data32[0] = on ? kStateAdd : kStateRemove;
        event.data.data32[1] = state1;
        event.data.data32[2] = state2;
        event.data.data32[3] = 1;
        xcb_send_event(connection_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        // An unmapped one carries the states it will be mapped with.
        std::vector<std::uint32_t> states = Cardinals(window, wmState, 64);
        std::erase_if(states, [&](std::uint32_t s) { return s == state1 || s == state2; });
        if (on) {
            states.push_back(state1);
            if (state2)
                states.push_back(state2);
        }
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, wmState, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(states.size()), states.data());
    }
    xcb_flush(connection_);
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
