// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a window manager or compositor looks after the windows: then full
// screen is the window system's own state; without one, the program covers
// the screen itself.
#pragma once

namespace lumora {

// Wayland: always (the compositor). X: an EWMH window manager announces
// itself on the root window (_NET_SUPPORTING_WM_CHECK). Anything else
// (offscreen, a bare X server): no.
bool WindowManagerRuns();

}  // namespace lumora
