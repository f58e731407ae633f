#include "shell/WindowFocus.h"
#include "shell/X11Toolkit.h"

namespace lintel {
namespace {

class TX11WindowFocus : public TWindowFocus {
public:
    explicit TX11WindowFocus(std::unique_ptr<TX11Client> x11) : x11_(std::move(x11)) {}

    TBarId ActiveWindow() const override {
        const auto items = x11_->Cardinals(x11_->Root(), x11_->Atom("_NET_ACTIVE_WINDOW"), 1);
        return items.empty() ? 0 : items.front();
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
