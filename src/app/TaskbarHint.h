// Keeps a top-level window out of the desktop's task bar and pager.
#pragma once

class QWidget;

namespace lintel {

/// Asks the window manager to list `window` in no task bar or pager. Call it before the
/// window is first shown. Returns false when the window system is not X11 (the offscreen
/// platform of the tests, say), where there is nothing to ask.
bool KeepOutOfTaskbar(QWidget& window);

}  // namespace lintel
