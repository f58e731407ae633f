// The desktop's keyboard focus among top-level windows, as far as a program may ask for it.
#pragma once

#include <memory>

#include "shell/AppBarShell.h"

namespace lintel {

class TWindowFocus {
public:
    virtual ~TWindowFocus() = default;
    /// The window that holds the keyboard apart from `self`: the active window, or, when
    /// `self` is active (a click on a dock activates it), the topmost ordinary window
    /// that is not minimised; 0 when there is none.
    [[nodiscard]] virtual TBarId ActiveWindowBesides(TBarId self) const = 0;
    /// Asks the desktop to activate `window`; the desktop may refuse, and a window that
    /// is gone is left alone.
    virtual void Activate(TBarId window) = 0;
};

/// The X11 desktop's focus over the toolkit's connection (EWMH _NET_ACTIVE_WINDOW); null
/// on any other platform.
[[nodiscard]] std::unique_ptr<TWindowFocus> ToolkitWindowFocus();

}  // namespace lintel
