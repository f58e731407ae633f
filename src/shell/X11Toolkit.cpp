#include "shell/X11Toolkit.h"

#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>

namespace lintel {

std::unique_ptr<TX11Client> ToolkitX11Client() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? TX11Client::Over(x11->connection()) : nullptr;
}

}  // namespace lintel
