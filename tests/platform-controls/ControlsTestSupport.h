// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the player control tests.
#pragma once

#include "base/Text.h"
#include "platform/Automation.h"
#include "platform/MpvSession.h"
#include "player/Player.h"
#include "platform/PlaybackOptions.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lumora::test {
class LoopbackHttp;
}

namespace lumora::controls_test {

// Runs the event loop until `done` holds or `timeoutMs` passes; whether it holds.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 15000);

// A committed test medium.
std::string MediaPath(const char* name);

// Options for a control made in a test: null outputs, untimed unless asked.
PlaybackOptions HeadlessOptions(bool untimed = true);

// A control made the way a host makes it, with `options`.
AutomationRef MakeMovieControl(const PlaybackOptions& options = HeadlessOptions());
AutomationRef MakeMediaPlayerControl(const PlaybackOptions& options = HeadlessOptions());
// The session behind a control made by one of the two above.
Player& PlayerOf(const AutomationRef& control);

// The parts of a small SWF file, each replaceable to make a broken one.
struct MovieParts {
    std::string signature = "CWS";
    int version = 8;
    bool withMetadata = true;
    std::string metadata = "<rdf:Description>lumora:player-movie-protocol/1</rdf:Description>";
    bool withEnd = true;
    long long lengthDelta = 0;  // added to the true length in the header
    std::string extraTags;      // raw tag bytes before ShowFrame
};
std::string BuildMovie(const MovieParts& parts = {});
// Writes bytes to a fresh file in the test's temporary folder; its path.
std::string WriteTempFile(const std::string& name, const std::string& bytes);
// A valid player movie on disk, loaded into `control` through "Movie".
void LoadValidMovie(const AutomationRef& control);

// The movie protocol as the engine speaks it.
std::string Invoke(const char* callback);
// CallFunction's reply; empty text when there was none.
Text Reply(const AutomationRef& control, const char* callback);
// The value between the brackets of the reply.
std::string Value(const AutomationRef& control, const char* callback);
bool Send(const AutomationRef& control, const char* variable, const Text& value);
int MoviePlayState(const AutomationRef& control);

// The media player's members as the engine reads them.
int PlayerState(const AutomationRef& control);
std::optional<Variant> SubRead(const AutomationRef& control, const char* object, const char* member);
bool SubWrite(const AutomationRef& control, const char* object, const char* member, const Variant& value);
bool SubCall(const AutomationRef& control, const char* object, const char* member,
             const std::vector<Variant>& args = {});

// Every distinct value of `state` while the event loop runs, until `done`
// holds for the last value or the time is up.
class StateRecorder {
public:
    // Samples after every change `control`'s session reports, and often in between.
    StateRecorder(const AutomationRef& control, std::function<int()> state);
    // Records until `final` is seen; the values in order of appearance.
    std::vector<int> RunUntil(int final, int timeoutMs = 15000);
    std::vector<int> RunUntil(const std::function<bool(int)>& done, int timeoutMs = 15000);
    const std::vector<int>& Seen() const { return seen_; }

private:
    void Sample();
    AutomationRef control_;
    std::function<int()> state_;
    std::vector<int> seen_;
};

// True when `sequence` holds `expected` in this order (other values may
// stand between them).
bool InOrder(const std::vector<int>& sequence, const std::vector<int>& expected);

// A loopback HTTP server on an ephemeral port:
//   /media/<name>   the committed media, byte ranges answered
//   /cut/<name>     the medium announced whole but broken off after
//                   `cutFraction` of its bytes
//   anything else   404
class MediaServer {
public:
    explicit MediaServer(double cutFraction = 0.4);
    ~MediaServer();
    std::string Url(const std::string& path) const;

private:
    std::unique_ptr<test::LoopbackHttp> server_;
};

}  // namespace lumora::controls_test
