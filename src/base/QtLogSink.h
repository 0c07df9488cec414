// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt programs' sink of the log (base/Log.h): each layer's lines go
// through a QLoggingCategory of the same name, so QT_LOGGING_RULES and Qt's
// message handler decide what is printed. Warnings are on by default.
#pragma once

namespace lumora {

// Sends the log of the whole process through Qt from now on, and keeps Qt's
// remarks that change nothing for Lumora (XDG_RUNTIME_DIR unset) off
// standard error unless QT_LOGGING_RULES asks for lumora.desktop.debug.
void InstallQtLogSink();

}  // namespace lumora
