#pragma once

namespace lumora {

// The bus address that says there is none: libdbus cannot parse it, so it
// fails at once instead of launching a bus.
inline constexpr char kNoSessionBus[] = "disabled:";

// A session bus to talk to, without starting one: an address is given (and
// not kNoSessionBus), or the per-user bus socket is there.
bool SessionBusExpected();

}  // namespace lumora
