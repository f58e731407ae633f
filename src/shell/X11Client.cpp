#include "shell/X11Client.h"

#include <algorithm>

namespace lintel {

std::unique_ptr<TX11Client> TX11Client::Connect(const char* display) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
    if (it.rem == 0) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<TX11Client>(new TX11Client(c, true, screenNumber, it.data));
}

std::unique_ptr<TX11Client> TX11Client::Over(xcb_connection_t* connection) {
    if (connection == nullptr)
        return nullptr;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (it.rem == 0)
        return nullptr;
    return std::unique_ptr<TX11Client>(new TX11Client(connection, false, 0, it.data));
}

TX11Client::TX11Client(xcb_connection_t* connection, bool owned, int screenNumber,
                       const xcb_screen_t* screen)
    : connection_(connection), owned_(owned), screenNumber_(screenNumber), screen_(screen) {}

TX11Client::~TX11Client() {
    if (owned_)
        xcb_disconnect(connection_);
}

xcb_atom_t TX11Client::Intern(std::string_view name, bool onlyIfExists) const {
    TX11Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection_,
                              xcb_intern_atom(connection_, onlyIfExists ? 1 : 0,
                                              static_cast<std::uint16_t>(name.size()), name.data()),
                              nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_atom_t TX11Client::Atom(std::string_view name) const {
    if (auto it = atoms_.find(name); it != atoms_.end())
        return it->second;
    const xcb_atom_t atom = Intern(name, false);
    atoms_.emplace(std::string(name), atom);
    return atom;
}

xcb_atom_t TX11Client::ExistingAtom(std::string_view name) const {
    if (auto it = atoms_.find(name); it != atoms_.end())
        return it->second;
    // Not kept when missing: another client may name it later.
    const xcb_atom_t atom = Intern(name, true);
    if (atom != XCB_ATOM_NONE)
        atoms_.emplace(std::string(name), atom);
    return atom;
}

std::vector<std::uint32_t> TX11Client::Cardinals(xcb_window_t window, xcb_atom_t property,
                                                 std::uint32_t maxItems) const {
    std::vector<std::uint32_t> values;
    TX11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxItems),
        nullptr));
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        values.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }
    return values;
}

void TX11Client::SetProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                             std::span<const std::uint32_t> items) const {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, type, 32,
                        static_cast<std::uint32_t>(items.size()), items.data());
}

void TX11Client::DeleteProperty(xcb_window_t window, xcb_atom_t property) const {
    xcb_delete_property(connection_, window, property);
}

void TX11Client::RequestWmState(xcb_window_t window, TWmStateAction action, xcb_atom_t state1,
                                xcb_atom_t state2) const {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom("_NET_WM_STATE");
    event.data.data32[0] = static_cast<std::uint32_t>(action);
    event.data.data32[1] = state1;
    event.data.data32[2] = state2;
    event.data.data32[3] = 1;  // from an application
    xcb_send_event(connection_, 0, Root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

void TX11Client::EditWmState(xcb_window_t window, TWmStateAction action, xcb_atom_t state1,
                             xcb_atom_t state2) const {
    const xcb_atom_t wmState = Atom("_NET_WM_STATE");
    std::vector<std::uint32_t> states = Cardinals(window, wmState, 64);
    std::erase_if(states, [&](std::uint32_t s) { return s == state1 || s == state2; });
    if (action == TWmStateAction::Add) {
        states.push_back(state1);
        if (state2 != XCB_ATOM_NONE)
            states.push_back(state2);
    }
    SetProperty(window, wmState, XCB_ATOM_ATOM, states);
}

bool TX11Client::WindowExists(xcb_window_t window) const {
    if (window == XCB_WINDOW_NONE)
        return false;
    xcb_generic_error_t* error = nullptr;
    TX11Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), &error));
    std::free(error);
    return reply != nullptr;
}

bool TX11Client::Mapped(xcb_window_t window) const {
    xcb_generic_error_t* error = nullptr;
    TX11Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), &error));
    std::free(error);
    return reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
}

std::optional<std::pair<int, int>> TX11Client::Origin(xcb_window_t window) const {
    xcb_generic_error_t* error = nullptr;
    TX11Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, Root(), 0, 0), &error));
    std::free(error);
    if (!reply)
        return std::nullopt;
    return std::pair<int, int>(reply->dst_x, reply->dst_y);
}

xcb_window_t TX11Client::SelectionOwner(std::string_view name) const {
    const xcb_atom_t selection = Atom(name);
    if (selection == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    TX11Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection), nullptr));
    return owner ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
}

void TX11Client::Flush() const {
    xcb_flush(connection_);
}

void TX11Client::Sync() const {
    TX11Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool TX11Client::Failed() const {
    return xcb_connection_has_error(connection_) != 0;
}

}  // namespace lintel
