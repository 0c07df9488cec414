#include "app/StartupWarmth.h"

#include <fontconfig/fontconfig.h>

namespace lumora {

std::jthread WarmFontConfiguration() {
    // FcInit is what Qt's font database calls first; a second call finds the
    // configuration made and returns.
    return std::jthread([] { FcInit(); });
}

}  // namespace lumora
