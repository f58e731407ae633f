// The display the end-to-end helper programs work on.
#pragma once

#include <cstdio>
#include <memory>

#include "shell/X11Client.h"

/// A client of the display of the environment, or null after saying on standard error
/// that there is none.
inline std::unique_ptr<lintel::TX11Client> ConnectToDisplay() {
    auto x = lintel::TX11Client::Connect();
    if (!x)
        std::fprintf(stderr, "no X display\n");
    return x;
}
