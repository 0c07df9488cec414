// SPDX-License-Identifier: GPL-3.0-or-later
// The window-wide keys: each works whichever unit of the main window has
// the focus (other windows, such as the open-address window, keep their
// keys). In the catalogue list ↑ and ↓ move through the rows and Enter plays
// the current one, as a double-click does. A double-click on the picture
// toggles full screen.
#pragma once

#include <QString>

#include <vector>

namespace lumora {

class MainWindow;

struct ShortcutHelp {
    QString keys;
    QString action;
};

// The keys and what they do, in the order the about box lists them.
std::vector<ShortcutHelp> ShortcutList();

// Binds every key of ShortcutList to `window`.
void InstallShortcuts(MainWindow& window);
// The right-click menu's commands show their keys (Ctrl+O, Ctrl+L, Ctrl+D,
// Ctrl+Q) beside their captions.
void ShowMenuKeys(MainWindow& window);

// Moves the playback position by `seconds` (back when negative, not before
// the start); nothing while no medium is shown playing or paused.
void SeekBy(MainWindow& window, int seconds);
// Moves the volume slider by `step`, within 0 to 100.
void StepVolume(MainWindow& window, int step);
// MediaFront's mute toggle; the mute button follows.
void ToggleMute(MainWindow& window);

}  // namespace lumora
