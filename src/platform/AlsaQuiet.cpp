#include "platform/AlsaQuiet.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace lintel {
namespace {

void Silent(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void QuietAlsaErrors() {
    static std::once_flag installed;
    std::call_once(installed, [] { snd_lib_error_set_handler(Silent); });
}

}  // namespace lintel
