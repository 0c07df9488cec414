// SPDX-License-Identifier: GPL-3.0-or-later
// Hosting a control by its name (the by-name surface; the player hosts a
// typed player instead, HostedControl::CreatePlayerHost).
#include "engines/HostedControl.h"
#include "engines/ControlHost.h"

namespace lumora {

bool HostedControl::CreateHost(QWidget* parent, int left, int top, int width, int height, const char* windowText) {
    if (parent) parentWindow_ = parent;
    if (!parentWindow_) return false;
    auto* host = new ControlHost(parentWindow_, left, top, width, height, Text(windowText));
    host->show();
    hostWindow_ = host;
    control = host->Control();
    return control != nullptr;
}

}  // namespace lumora
