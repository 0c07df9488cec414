// SPDX-License-Identifier: GPL-3.0-or-later
// Recording stand-ins of the two controls, with just the members the engines
// use and the behaviour the tests need.
#pragma once

#include "RecordingObject.h"

namespace lumora::testing {

// The movie control: "Movie", "AllowScriptAccess" and "allowFullScreen" are
// properties; SetVariable and CallFunction are methods only, as on the real
// control. CallFunction answers with `reply` (no reply while it is empty).
struct MovieControlFake {
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::shared_ptr<Members> members = std::make_shared<Members>();
    std::vector<std::pair<std::string, std::string>> variables;  // SetVariable calls
    std::function<std::optional<Variant>(const Text& request)> reply;
    std::function<void(const Text& path)> onMovie;  // called on a "Movie" write

    MovieControlFake();
    AutomationRef Object();
};

// The media player control: "URL" (read back as "Url"), "playState",
// the display members, and the sub-objects "controls", "Settings",
// "currentMedia" and "network" over shared state, a fresh object per fetch.
struct MediaPlayerFake {
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::shared_ptr<Members> members = std::make_shared<Members>();
    std::shared_ptr<Members> controls, settings, currentMedia, network;
    std::map<std::string, Text> itemInfo;  // getItemInfo answers

    MediaPlayerFake();
    AutomationRef Object();
    Variant& Player(const std::string& name) { return members->Property(name); }
};

}  // namespace lumora::testing
