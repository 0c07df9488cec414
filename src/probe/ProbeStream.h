// SPDX-License-Identifier: GPL-3.0-or-later
// Where an address finally leads and what its server announces there: the
// walk of ProbeWalk.h on a worker, while the caller waits (handling its
// events when it runs an event loop) for at most the sum of the walk's step
// limits.
//
// ProbeAddress gives the parts as a value, ProbeStream the same as the
// record text.
#pragma once

#include "base/Text.h"
#include "probe/ProbeWalk.h"

namespace lumora {

StreamProbe ProbeAddress(const Text& address, const ProbeLimits& limits = {});
Text ProbeStream(const Text& address, const ProbeLimits& limits = {});

}  // namespace lumora
