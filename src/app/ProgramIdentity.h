// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop knows the program by: its icon, and the desktop entry
// (the Wayland app_id and the X window class) that taskbars, docks and
// Alt-Tab group its windows under.
#pragma once

namespace lumora {

inline constexpr char kDesktopEntryName[] = "io.lumora.Lumora";

// Sets both on the application, for every window made after it.
void SetProgramIdentity();

}  // namespace lumora
