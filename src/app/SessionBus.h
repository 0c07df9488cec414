// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace lumora {

// The bus address that says there is none: libdbus cannot parse it, so it
// fails at once instead of launching a bus.
inline constexpr char kNoSessionBus[] = "disabled:";

// A session bus to talk to, without starting one: an address is given (and
// not kNoSessionBus), or the per-user bus socket is there.
bool SessionBusExpected();

// With no session bus to reach, libdbus would launch one of its own the
// first time anything asks for it (Qt's accessibility bridge does, when the
// first list view is made): a fork and exec the window waits for, and a
// daemon left behind. Marks the bus as absent (kNoSessionBus) instead.
void KeepFromLaunchingSessionBus();

}  // namespace lumora
