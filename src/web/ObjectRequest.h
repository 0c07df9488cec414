// SPDX-License-Identifier: GPL-3.0-or-later
// One HTTP request on a worker thread while the caller keeps handling its
// events: the request object of the music-service resolvers and the
// `Location` lookups of the stream probe.
//
// Modes, chosen by a prefix on the address (removed before the request):
//   none     the method (GET by default), redirects followed, result: the body
//   "head@"  HEAD, redirects followed, result: the response header block
//   "loca@"  GET, no redirects, result: the value of the Location header
// An address that begins with none of "http://", "https://", "head@" and
// "loca@" is read as a local file instead, without a thread.
//
// The caller waits at most the time limit, counted from the start of the
// wait; a worker that outlives it is abandoned and its result never used.
#pragma once

#include "base/Text.h"
#include "web/ObjectTransfer.h"

#include <chrono>
#include <cstddef>

namespace lumora {

// The request of ObjectTransfer on a worker, while the caller waits.
ByteSet ObjectRequest(const Text& url, const ObjectRequestArgs& args = {});
// The bytes of ObjectRequest up to their first zero byte, unconverted.
Text ObjectRequestText(const Text& url, const ObjectRequestArgs& args = {});
// ObjectRequestText of "loca@" + url with every other argument empty.
Text RedirectTarget(const Text& url, std::chrono::milliseconds limit = std::chrono::seconds(10));

// How many request workers this process has started (for tests: a local
// file is read without one).
std::size_t ObjectRequestWorkersStarted();

}  // namespace lumora
