// SPDX-License-Identifier: GPL-3.0-or-later
// The service resolvers: a song text, a music-video name or a 56 video number
// turned into a playable address by asking the web services whose hosts the
// configuration names (Config::Get()).
//
// Each request is a plain GET through ObjectRequest, so it runs on a worker
// while the calling thread keeps handling its events, and waits at most
// ServiceOptions::limit from its start. Replies are read byte for byte, except the 56
// service's, which is UTF-8. Every resolver lets pending events run when it
// starts and when it ends. None reports failure except by an empty result;
// none ever fetches an address a reply hands it unless it is http or https.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <functional>

namespace lumora {

// How long one service request may take.
inline constexpr std::chrono::milliseconds kServiceLimit{10'000};

struct ServiceOptions {
    std::chrono::milliseconds limit = kServiceLimit;  // for each request
    // Asked before every request; once it says true the resolution has been
    // overtaken and no further request is made (the results are empty).
    std::function<bool()> abandoned;
};

// A song address worth playing: it begins with "http://" and has at least
// 16 bytes.
bool UsableSongAddress(const Text& address);

// Normalises `song` in place ("∮", " - " and "$$" each become "-"), then asks
// service A, then B when A's address is not usable, then C when B's is not
// either. Returns the last address obtained, usable or not.
Text ResolveSong(Text& song, const ServiceOptions& options = {});

// Song search A ("singer-title" as UTF-8 escapes), then the track locator
// with the hash it names and the key MD5(hash + "plomvex"). The locator's
// address with "\/" read as "/". Empty when the search names no hash.
Text ResolveSongA(const Text& song, const ServiceOptions& options = {});

// Song search B ("singer$$title$$$$", every GBK byte percent-encoded): the
// encoded address with its last path component replaced by the decoded name.
Text ResolveSongB(const Text& song, const ServiceOptions& options = {});

// Song search C ("singer-title" as UTF-8 escapes) names a song page; the
// address is the page's url="…" value. Empty when shorter than 16 bytes.
Text ResolveSongC(const Text& song, const ServiceOptions& options = {});

// The music-video search for `name` (every GBK byte percent-encoded).
// Replaces `name` by the music-video file address of the video id found
// (empty when none is found) and returns that address, "$|$" and the
// video's name.
Text ResolveMusicVideo(Text& name, const ServiceOptions& options = {});

// The 56 video information for `number`: its address, "$|$" and its title;
// empty text when the address has 11 bytes or less.
Text ResolveVideo56(const Text& number, const ServiceOptions& options = {});

}  // namespace lumora
