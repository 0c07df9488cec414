// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fakes.h"

namespace lumora::testing {

MovieControlFake::MovieControlFake() {
    members->Property("Movie") = Text();
    members->Property("AllowScriptAccess") = Text();
    members->Property("allowFullScreen") = Text();
    members->Method("SetVariable", [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 2 || !std::holds_alternative<Text>(args[0]) || !std::holds_alternative<Text>(args[1]))
            return std::nullopt;
        variables.emplace_back(std::get<Text>(args[0]).Bytes(), std::get<Text>(args[1]).Bytes());
        return Variant();
    });
    members->Method("CallFunction", [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 1 || !std::holds_alternative<Text>(args[0]) || !reply) return std::nullopt;
        return reply(std::get<Text>(args[0]));
    });
}

AutomationRef MovieControlFake::Object() {
    auto object = std::make_shared<RecordingObject>("player", log, members);
    if (!onMovie) return object;
    // Watch "Movie" writes through a thin wrapper so the test sees the path
    // at the moment the control would load it.
    struct Watch : AutomationObject {
        AutomationRef inner;
        std::function<void(const Text&)> onMovie;
        std::optional<Variant> Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) override {
            if (member.Lower() == "movie" && kind == InvokeKind::PropertyPut && args.size() == 1 &&
                std::holds_alternative<Text>(args[0]))
                onMovie(std::get<Text>(args[0]));
            return inner->Invoke(member, kind, args);
        }
    };
    auto watch = std::make_shared<Watch>();
    watch->inner = object;
    watch->onMovie = onMovie;
    return watch;
}

MediaPlayerFake::MediaPlayerFake() {
    for (const char* name : {"URL", "uiMode", "fullScreen", "enableContextMenu", "StretchToFit"})
        members->Property(name) = Text();
    members->Property("playState") = 0;

    controls = members->Child("controls");
    controls->Property("currentPosition") = 0.0;
    controls->Property("currentPositionString") = Text();
    auto setState = [this](int state) {
        return [this, state](const std::vector<Variant>& args) -> std::optional<Variant> {
            if (!args.empty()) return std::nullopt;
            members->Property("playState") = state;
            return Variant();
        };
    };
    controls->Method("play", setState(3));
    controls->Method("pause", setState(2));
    controls->Method("stop", setState(1));
    controls->Method("next", setState(9));
    controls->Method("previous", setState(9));

    settings = members->Child("Settings");
    settings->Property("volume") = 50;
    settings->Property("mute") = false;
    settings->Property("balance") = 0;
    settings->Property("playCount") = 1;

    currentMedia = members->Child("currentMedia");
    currentMedia->Property("duration") = 0.0;
    currentMedia->Property("durationString") = Text();
    currentMedia->Property("imageSourceWidth") = 0;
    currentMedia->Property("imageSourceHeight") = 0;
    currentMedia->Method("getItemInfo", [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 1 || !std::holds_alternative<Text>(args[0])) return std::nullopt;
        auto found = itemInfo.find(std::get<Text>(args[0]).Bytes());
        return Variant(found == itemInfo.end() ? Text() : found->second);
    });

    network = members->Child("network");
    network->Property("bufferingprogress") = 0;
    network->Property("downloadProgress") = 0;
}

AutomationRef MediaPlayerFake::Object() { return std::make_shared<RecordingObject>("player", log, members); }

}  // namespace lumora::testing
