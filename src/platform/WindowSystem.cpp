#include "platform/WindowSystem.h"

#include <cstdlib>
#include <string_view>

namespace lintel {

std::vector<std::string> QtPlatformArguments(int argc, const char* const* argv) {
    return QtPlatformArguments(argc, argv, std::getenv("DISPLAY"), std::getenv("QT_QPA_PLATFORM"));
}

std::vector<std::string> QtPlatformArguments(int argc, const char* const* argv, const char* display,
                                             const char* qpaPlatform) {
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform")
            return {"-platform", argv[i + 1]};
    }
    const bool chosen = qpaPlatform != nullptr && *qpaPlatform != '\0';
    if (!chosen && display != nullptr && *display != '\0')
        return {"-platform", "xcb"};
    return {};
}

}  // namespace lintel
