// Recording stand-ins for the two controls behind the engines: they answer
// the members the engines use, keep the little state a test drives, and log
// every command in order into one shared list, so a test sees what reached
// which engine and when.
#pragma once

#include "base/Text.h"
#include "platform/Automation.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace lumora::test {

// Entries such as "flash setPlayUrl=http://a/b.flv" or "player stop" (UTF-8).
using CallLog = std::vector<std::string>;

// The movie control with the player movie loaded.
class FakeMovie {
public:
    explicit FakeMovie(CallLog& log);
    FakeMovie(const FakeMovie&) = delete;
    FakeMovie& operator=(const FakeMovie&) = delete;
    AutomationRef Object() const { return object_; }

    std::function<void()> onOpen;  // runs when "setPlayUrl" arrives
    int state = 0;                 // 0..5 as the movie reports it
    Text url;                      // "undefined" is reported while empty
    int totalTime = 0, playTime = 0, buffer = 0, downBuffer = 0, playWidth = 0, playHeight = 0;
    Text playTimeString;

private:
    Text Reply(const Text& callback) const;
    CallLog& log_;
    AutomationRef object_;
};

// The media player control with its sub-objects, each made afresh per fetch.
class FakePlayer {
public:
    explicit FakePlayer(CallLog& log);
    FakePlayer(const FakePlayer&) = delete;
    FakePlayer& operator=(const FakePlayer&) = delete;
    AutomationRef Object() const { return object_; }

    std::function<void()> onOpen;  // runs when "URL" is written
    int playState = 0;
    Text url;
    std::map<std::string, Text> itemInfo;  // "Title", "Author", "FileType"
    double duration = 0, position = 0, imageWidth = 0;
    int imageHeight = 0, buffering = 0, download = 0;
    int mute = 0;

private:
    AutomationRef Controls();
    AutomationRef Settings();
    AutomationRef CurrentMedia();
    AutomationRef Network();
    CallLog& log_;
    AutomationRef object_;
};

// The entries of `log` that start with `prefix`.
std::vector<std::string> Entries(const CallLog& log, const std::string& prefix);

}  // namespace lumora::test
