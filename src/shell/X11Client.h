// One client of an X11 display as the program, its tests and their helper programs speak
// to it: the connection and its first screen, atoms looked up once, and the window
// properties and window-manager requests of the desktop's conventions. No Qt: the
// helper programs of the end-to-end tests use it on their own connection, the shell on
// the toolkit's.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lintel {

/// A reply of the X server, freed with the C library as xcb asks.
struct TX11Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using TX11Reply = std::unique_ptr<T, TX11Free>;

/// What a window-manager state request asks for.
enum class TWmStateAction : std::uint32_t { Remove = 0, Add = 1 };

class TX11Client {
public:
    /// Connects to `display` (nullptr: the DISPLAY of the environment) and keeps the
    /// connection until destroyed. Nothing when no display answers.
    [[nodiscard]] static std::unique_ptr<TX11Client> Connect(const char* display = nullptr);
    /// Speaks over `connection`, which someone else owns and must keep open while this
    /// client lives. Nothing when the connection lists no screen.
    [[nodiscard]] static std::unique_ptr<TX11Client> Over(xcb_connection_t* connection);
    ~TX11Client();
    TX11Client(const TX11Client&) = delete;
    TX11Client& operator=(const TX11Client&) = delete;

    [[nodiscard]] xcb_connection_t* Connection() const { return connection_; }
    /// The screen the connection was opened for (the first one over a borrowed one).
    [[nodiscard]] const xcb_screen_t& Screen() const { return *screen_; }
    [[nodiscard]] int ScreenNumber() const { return screenNumber_; }
    [[nodiscard]] xcb_window_t Root() const { return screen_->root; }

    /// The atom of `name`, created when no client named it before. Looked up once per
    /// name; XCB_ATOM_NONE only when the server did not answer.
    [[nodiscard]] xcb_atom_t Atom(std::string_view name) const;
    /// The atom of `name` when some client already named it, else XCB_ATOM_NONE; a
    /// property nobody ever named cannot be set on any window.
    [[nodiscard]] xcb_atom_t ExistingAtom(std::string_view name) const;

    /// The 32-bit items of `property` on `window`, whatever their type, at most
    /// `maxItems`; empty when the property is missing or not made of 32-bit items.
    [[nodiscard]] std::vector<std::uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property,
                                                       std::uint32_t maxItems = 256) const;
    /// Replaces `property` on `window` with 32-bit `items` of `type`.
    void SetProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                     std::span<const std::uint32_t> items) const;
    void DeleteProperty(xcb_window_t window, xcb_atom_t property) const;

    /// Asks the window manager to add or remove up to two states of a shown window, as
    /// an application does (_NET_WM_STATE client message to the root window).
    void RequestWmState(xcb_window_t window, TWmStateAction action, xcb_atom_t state1,
                        xcb_atom_t state2 = XCB_ATOM_NONE) const;
    /// Adds or removes two states in the state list of a window that is not shown yet,
    /// which the window manager reads when it is first mapped; other states stay.
    void EditWmState(xcb_window_t window, TWmStateAction action, xcb_atom_t state1,
                     xcb_atom_t state2 = XCB_ATOM_NONE) const;

    /// Whether `window` exists (a window of a program that ended does not).
    [[nodiscard]] bool WindowExists(xcb_window_t window) const;
    /// Whether `window` is mapped, viewable or not.
    [[nodiscard]] bool Mapped(xcb_window_t window) const;
    /// Where the top left corner of `window` lies on the root window, as the server has
    /// it now; nothing when the window is gone.
    [[nodiscard]] std::optional<std::pair<int, int>> Origin(xcb_window_t window) const;
    /// The owner of selection `name`, or XCB_WINDOW_NONE.
    [[nodiscard]] xcb_window_t SelectionOwner(std::string_view name) const;

    /// Sends what is queued.
    void Flush() const;
    /// Returns once the server has handled every request sent so far, so that another
    /// client's next request sees their effect.
    void Sync() const;
    /// Whether the connection broke.
    [[nodiscard]] bool Failed() const;

private:
    TX11Client(xcb_connection_t* connection, bool owned, int screenNumber,
               const xcb_screen_t* screen);
    xcb_atom_t Intern(std::string_view name, bool onlyIfExists) const;

    xcb_connection_t* connection_;
    bool owned_;
    int screenNumber_;
    const xcb_screen_t* screen_;
    mutable std::map<std::string, xcb_atom_t, std::less<>> atoms_;
};

}  // namespace lintel
