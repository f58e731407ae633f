#include "shell/WindowFocus.h"
#include "shell/X11Toolkit.h"

namespace lintel {
namespace {

class TX11WindowFocus : public TWindowFocus {
public:
    explicit TX11WindowFocus(std::unique_ptr<TX11Client> x11) : x11_(std::move(x11)) {}

    TBarId ActiveWindowBesides(TBarId self) const override {
        const auto active = x11_->Cardinals(x11_->Root(), x11_->Atom("_NET_ACTIVE_WINDOW"), 1);
        if (!active.empty() && active.front() != XCB_WINDOW_NONE && active.front() != self)
            return active.front();
        // Bottom to top: the last ordinary window found is the one the user saw last.
        const auto stacking =
            x11_->Cardinals(x11_->Root(), x11_->Atom("_NET_CLIENT_LIST_STACKING"));
        for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
            if (*it != self && Ordinary(*it))
                return *it;
        }
        return 0;
    }

    void Activate(TBarId window) override {
        const auto id = static_cast<xcb_window_t>(window);
        if (id == XCB_WINDOW_NONE || !x11_->WindowExists(id))
            return;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = x11_->Atom("_NET_ACTIVE_WINDOW");
        // As a pager asks: the user chose the window, so the manager need not doubt it.
        event.data.data32[0] = 2;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(x11_->Connection(), 0, x11_->Root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        x11_->Flush();
    }

private:
    /// Neither a dock nor the desktop, and not minimised.
    bool Ordinary(xcb_window_t window) const {
        for (std::uint32_t type : x11_->Cardinals(window, x11_->Atom("_NET_WM_WINDOW_TYPE"))) {
            if (type == x11_->Atom("_NET_WM_WINDOW_TYPE_DOCK") ||
                type == x11_->Atom("_NET_WM_WINDOW_TYPE_DESKTOP"))
                return false;
        }
        for (std::uint32_t state : x11_->Cardinals(window, x11_->Atom("_NET_WM_STATE"))) {
            if (state == x11_->Atom("_NET_WM_STATE_HIDDEN"))
                return false;
        }
        return true;
    }

    std::unique_ptr<TX11Client> x11_;
};

}  // namespace

std::unique_ptr<TWindowFocus> ToolkitWindowFocus() {
    auto x11 = ToolkitX11Client();
    if (!x11)
        return nullptr;
    return std::make_unique<TX11WindowFocus>(std::move(x11));
}

}  // namespace lintel
