// SPDX-License-Identifier: GPL-3.0-or-later
// Where the main window's units sit, and the full-screen mode.
#pragma once

class QWidget;

namespace lumora {

class MainWindow;

// Places the units for the window's client size W x H (size changed). The
// button row is centred by X = floor((W - 680) / 2); the volume caption
// follows its slider, and is hidden where the row leaves it no room. In full
// screen (the flag checked and the window without a border) the video fills
// the window and the caption is hidden.
void LayoutMainWindow(MainWindow& window);

// Keeps the normal window's rectangle (position changed); not in full screen.
void RememberWindowRect(MainWindow& window);

// Enters full screen (only the video, the mute and exit buttons and the
// volume slider stay; the window in the window manager's full-screen state,
// frameless over the whole screen, above other windows; the cursor hidden)
// or leaves it (the window back at its remembered rectangle with its border,
// every unit shown, the cursor back). The window is never unmapped on the
// way, so a window manager keeps its place and stacking. It stays above
// other windows after leaving.
void ToggleWindowFullScreen(MainWindow& window);

// The window covers the screen without a border: in the window system's
// full-screen state, or frameless where no window manager runs.
bool Borderless(const QWidget& window);

// The left offset of the centred button row for a client width.
int ButtonRowOffset(int clientWidth);

}  // namespace lumora
