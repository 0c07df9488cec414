// SPDX-License-Identifier: GPL-3.0-or-later
// The private address forms and what Open makes of them:
//
//   12345, yyt://12345        a music video at the relay: RELAY_BASE + id + "/temp.flv"
//   yyt://NAME                the relay address of the name's bytes in hexadecimal, titled NAME
//   quil://PAYLOAD            the real address, plain or Base64 of an escaped text
//   mp3://SINGER - TITLE      a song, found at the song services
//   qqmv://NAME               a music video, found at the music-video search
//   …56 domain…vid-N. / v_N.  a video of the 56 video service
//   ADDRESS|TITLE             an address with a display title
//
// ResolveOpen works out what Open hands to Play without playing anything, so
// the command line can show it too. It blocks while the services answer, so
// the window runs it as a worker job; any thread may call it.
#pragma once

#include "base/Text.h"
#include "resolve/MusicResolvers.h"
#include "resolve/PlayState.h"

namespace lumora {

// True when the text is the decimal form of its own integer value: "12345"
// and "-5" are, "007", "12a", "+5", " 5" and "" are not.
bool IsNumberText(const Text& text);

// The music-video relay address of an identifier (the configured base ends
// in "/mv/").
Text MusicVideoAddress(const Text& identifier);

// Every byte as upper-case hexadecimal without a leading zero ("ab" gives
// "6162", byte 0x05 gives "5"), concatenated.
Text HexOfText(const Text& text);

// A payload that looks Base64 (LooksBase64) decoded, by ScriptBase64Decode
// for the source tag "8225500" and Base64Decode for any other, and then
// unescaped; any other payload unchanged.
Text DecodePayload(const Text& text, const Text& sourceTag);

// What Open does with an address.
struct Resolution {
    EngineRequest engineType = EngineRequest::Choose;  // what Play is asked for
    Text address;                                      // what Play is given
    Text titleOverride;                                // the title shown; empty: the medium's own
    bool play = true;                                  // false: nothing to play (the 56 service found no video)
    // titleOverride is the caller's title, which only a Play that was not
    // overtaken may set.
    bool titleFromCaller = false;
    // The address came from a web service's reply.
    bool fromService = false;
};

// Whether ResolveOpen asks a web service for `address` (the song, music-video
// and 56 video forms); every other address resolves at once.
bool NeedsServices(const Text& address);

// Resolves the private forms of `address` (`title` and `engineType` as Open
// was given them), asking the services with `options`.
Resolution ResolveOpen(const Text& address, const Text& title = {}, EngineRequest engineType = EngineRequest::Choose,
                       const ServiceOptions& options = {});

}  // namespace lumora
