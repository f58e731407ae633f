#include "platform/SystemError.h"

#include <cstring>

#include "platform/Cp932.h"

namespace lintel {

std::string SystemErrorMessage(const std::string& what, const std::string& path, int error) {
    return cp932::FromUtf8(what + " " + path + ": " + std::strerror(error)).bytes;
}

}  // namespace lintel
