// --report-state: every change of the window title and of the status bar's
// texts as one line on standard output ("title: …", "status0: …"), and
// "saved: PATH" for each finished download, for scripts and tests that watch
// the window from outside.
#pragma once

#include "base/Text.h"

namespace lumora {

class MainWindow;

// Prints "kind: text" (UTF-8) and flushes.
void ReportStateLine(const char* kind, const Text& text);

// Reports the current title and status texts, then every change.
void StartStateReport(MainWindow& window);

}  // namespace lumora
