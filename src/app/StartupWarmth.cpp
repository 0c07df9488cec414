#include "app/StartupWarmth.h"

#include "app/SessionBus.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>

namespace lumora {

void KeepFromLaunchingSessionBus() {
    if (!SessionBusExpected()) ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus, 1);
}

std::jthread WarmFontConfiguration() {
    // FcInit is what Qt's font database calls first; a second call finds the
    // configuration made and returns.
    return std::jthread([] { FcInit(); });
}

}  // namespace lumora
