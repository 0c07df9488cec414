#pragma once

namespace lumora {

// A session bus to talk to, without starting one: an address is given, or
// the per-user bus socket is there.
bool SessionBusExpected();

}  // namespace lumora
