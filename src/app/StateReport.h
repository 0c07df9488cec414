// SPDX-License-Identifier: GPL-3.0-or-later
// --report-state: every change of the window title and of the status bar's
// texts as one line on standard output ("title: …", "status0: …"), and
// "saved: PATH" for each finished download, for scripts and tests that watch
// the window from outside. Changes of playback settings follow as
// "mute: 0|1", "fullscreen: 0|1", "speed: 1.1", "subtitles: 0|1" (shown or
// hidden), "subtitle: TEXT" (the line on screen), "focus: NAME" (the unit
// with the keyboard focus) and "playlist: 0|1" (the play list panel shown),
// looked at every 100 ms; "screenshot: PATH" once one is written and
// "osd: TEXT" for each message shown on the picture.
#pragma once

#include "base/Text.h"

namespace lumora {

class MainWindow;

// Prints "kind: text" (UTF-8) and flushes.
void ReportStateLine(const char* kind, const Text& text);

// Reports the current title, status texts and settings, then every change.
void StartStateReport(MainWindow& window);

}  // namespace lumora
