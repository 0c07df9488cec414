// The Qt programs' sink of the log (base/Log.h): each layer's lines go
// through a QLoggingCategory of the same name, so QT_LOGGING_RULES and Qt's
// message handler decide what is printed. Warnings are on by default.
#pragma once

namespace lumora {

// Sends the log of the whole process through Qt from now on.
void InstallQtLogSink();

}  // namespace lumora
