// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupWarmth.h"

#include "threads/WorkerChannel.h"

#include <fontconfig/fontconfig.h>

namespace lumora {

void WarmFontConfiguration(WorkerChannel& channel) {
    // FcInit is what Qt's font database calls first; a second call finds the
    // configuration made and returns.
    channel.Start([](const WorkerChannel::Job&) { FcInit(); }, WorkerChannel::Mode::Alongside);
}

}  // namespace lumora
