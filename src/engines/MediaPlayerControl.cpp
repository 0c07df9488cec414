// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/MediaPlayerControl.h"
#include "engines/EngineStates.h"

#include "base/TimeText.h"
#include "platform/ControlStates.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>

namespace lumora {

using Phase = Player::Phase;
using Args = std::vector<Variant>;

struct MediaPlayerControl::State {
    std::unique_ptr<Player> session;
    Text uiMode = "full";
    bool fullScreen = false;
    bool enableContextMenu = true;
    bool stretchToFit = false;
    int balance = 0;
    int playCount = 1;
    bool endReported = false;  // the end was read once as 8

    void Open(const Text& address) {
        endReported = false;
        if (address.Empty())
            session->Open(Text());
        else
            session->Open(address);
    }

    MediaPlayerState PlayState() { return MediaPlayerStateOf(*session, endReported); }
};

namespace {

// A member that succeeded with nothing to give back.
std::optional<Variant> Done() { return std::optional<Variant>(std::in_place); }

using State = MediaPlayerControl::State;
using Body = std::function<std::optional<Variant>(State&, const Args&)>;

// A member of a sub-object: runs only while the player lives.
MemberTable::Handler Weakly(std::weak_ptr<State> weak, Body body) {
    return [weak = std::move(weak), body = std::move(body)](const Args& args) -> std::optional<Variant> {
        const std::shared_ptr<State> state = weak.lock();
        if (!state || !state->session) return std::nullopt;
        return body(*state, args);
    };
}

// A property write: exactly one argument.
Body Put(std::function<void(State&, const Variant&)> write) {
    return [write = std::move(write)](State& state, const Args& args) -> std::optional<Variant> {
        if (args.size() != 1) return std::nullopt;
        write(state, args[0]);
        return Done();
    };
}

Body Get(std::function<Variant(State&)> read) {
    return [read = std::move(read)](State& state, const Args&) -> std::optional<Variant> { return read(state); };
}

Body Call(std::function<void(State&)> action) {
    return [action = std::move(action)](State& state, const Args&) -> std::optional<Variant> {
        action(state);
        return Done();
    };
}

bool Active(const Player& session) {
    return session.CurrentPhase() == Phase::Opening || session.CurrentPhase() == Phase::Loaded;
}

AutomationRef MakeControls(const std::weak_ptr<State>& weak) {
    auto object = std::make_shared<MemberTable>();
    object->Add("play", InvokeKind::Method, Weakly(weak, Call([](State& state) {
                                                       Player& session = *state.session;
                                                       if (Active(session)) {
                                                           session.SetPaused(false);
                                                       } else if (session.CurrentPhase() != Phase::Empty) {
                                                           state.endReported = false;
                                                           session.Restart();
                                                       }
                                                   })));
    object->Add("pause", InvokeKind::Method, Weakly(weak, Call([](State& state) {
                                                        if (Active(*state.session)) state.session->SetPaused(true);
                                                    })));
    object->Add("stop", InvokeKind::Method, Weakly(weak, Call([](State& state) { state.session->Stop(); })));
    // One medium at a time: there is no next or previous item to go to.
    object->Add("next", InvokeKind::Method, Weakly(weak, Call([](State&) {})));
    object->Add("previous", InvokeKind::Method, Weakly(weak, Call([](State&) {})));
    object->Add("currentPosition", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->Position()); })));
    object->Add(
        "currentPosition", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) { state.session->Seek(VariantNumber(value)); })));
    object->Add(
        "currentPositionString", InvokeKind::PropertyGet,
        Weakly(weak, Get([](State& state) {
                   const Player& session = *state.session;
                   return Variant(session.CurrentPhase() == Phase::Loaded ? ClockText(session.Position()) : Text());
               })));
    return object;
}

AutomationRef MakeSettings(const std::weak_ptr<State>& weak) {
    auto object = std::make_shared<MemberTable>();
    object->Add("volume", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->Volume()); })));
    object->Add(
        "volume", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) { state.session->SetVolume(VariantInt(value)); })));
    object->Add("mute", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->Muted()); })));
    object->Add(
        "mute", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) { state.session->SetMute(VariantBool(value)); })));
    object->Add("balance", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.balance); })));
    object->Add("balance", InvokeKind::PropertyPut,
                Weakly(weak, Put([](State& state, const Variant& value) {
                           state.balance = std::clamp(VariantInt(value), -100, 100);
                           const double left = state.balance > 0 ? (100 - state.balance) / 100.0 : 1.0;
                           const double right = state.balance < 0 ? (100 + state.balance) / 100.0 : 1.0;
                           state.session->SetChannelGains(left, right);
                       })));
    object->Add("playCount", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.playCount); })));
    object->Add("playCount", InvokeKind::PropertyPut, Weakly(weak, Put([](State& state, const Variant& value) {
                                                                 state.playCount = std::max(1, VariantInt(value));
                                                                 state.session->SetPlayCount(state.playCount);
                                                             })));
    return object;
}

AutomationRef MakeCurrentMedia(const std::weak_ptr<State>& weak) {
    auto object = std::make_shared<MemberTable>();
    object->Add("duration", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->Duration()); })));
    object->Add("durationString", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) {
                           const double duration = state.session->Duration();
                           return Variant(duration > 0 ? ClockText(duration) : Text());
                       })));
    object->Add("sourceURL", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->Address()); })));
    object->Add("imageSourceWidth", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->VideoWidth()); })));
    object->Add("imageSourceHeight", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->VideoHeight()); })));
    object->Add("getItemInfo", InvokeKind::Method,
                Weakly(weak, [](State& state, const Args& args) -> std::optional<Variant> {
                    if (args.size() != 1) return std::nullopt;
                    const Player& session = *state.session;
                    const Text name = VariantText(args[0]).Lower();
                    if (name == "title") return Variant(session.Metadata({"title", "icy-title"}));
                    if (name == "author") return Variant(session.Metadata({"artist", "author", "album_artist"}));
                    if (name == "filetype") return Variant(MediaFileType(session.Address(), session.FileFormat()));
                    if (name == "sourceurl") return Variant(session.Address());
                    return Variant(Text());
                }));
    return object;
}

AutomationRef MakeNetwork(const std::weak_ptr<State>& weak) {
    auto object = std::make_shared<MemberTable>();
    object->Add("bufferingProgress", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->BufferPercent()); })));
    object->Add("downloadProgress", InvokeKind::PropertyGet,
                Weakly(weak, Get([](State& state) { return Variant(state.session->DownloadPercent()); })));
    return object;
}

}  // namespace



MediaPlayerControl::MediaPlayerControl(std::unique_ptr<Player> session) : state_(std::make_shared<State>()) {
    state_->session = std::move(session);
    // Not stretched until asked: at its own size, smaller if it doesn't fit.
    state_->session->SetVideoOption("video-unscaled", "downscale-big");

    const std::weak_ptr<State> weak = state_;
    Add("URL", InvokeKind::PropertyGet,
        Weakly(weak, Get([](State& state) { return Variant(state.session->Address()); })));
    Add("URL", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) { state.Open(VariantText(value)); })));
    Add("playState", InvokeKind::PropertyGet,
        Weakly(weak, Get([](State& state) { return Variant(MediaPlayerStateCode(state.PlayState())); })));
    Add("controls", InvokeKind::PropertyGet, Weakly(weak, Get([weak](State&) { return Variant(MakeControls(weak)); })));
    Add("Settings", InvokeKind::PropertyGet, Weakly(weak, Get([weak](State&) { return Variant(MakeSettings(weak)); })));
    Add("network", InvokeKind::PropertyGet, Weakly(weak, Get([weak](State&) { return Variant(MakeNetwork(weak)); })));
    Add("currentMedia", InvokeKind::PropertyGet,
        Weakly(weak, [weak](State& state, const Args&) -> std::optional<Variant> {
            if (state.session->Address().Empty()) return std::nullopt;  // nothing loaded: no media object
            return Variant(MakeCurrentMedia(weak));
        }));

    Add("uiMode", InvokeKind::PropertyGet, Weakly(weak, Get([](State& state) { return Variant(state.uiMode); })));
    Add("uiMode", InvokeKind::PropertyPut, Weakly(weak, [](State& state, const Args& args) -> std::optional<Variant> {
            if (args.size() != 1) return std::nullopt;
            const Text mode = VariantText(args[0]).Lower();
            if (!(mode == "none" || mode == "invisible" || mode == "mini" || mode == "full")) return std::nullopt;
            state.uiMode = mode;
            return Done();
        }));
    // Full screen is done by moving the host's windows; the flag is kept.
    Add("fullScreen", InvokeKind::PropertyGet,
        Weakly(weak, Get([](State& state) { return Variant(state.fullScreen); })));
    Add("fullScreen", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) { state.fullScreen = VariantBool(value); })));
    Add("enableContextMenu", InvokeKind::PropertyGet,
        Weakly(weak, Get([](State& state) { return Variant(state.enableContextMenu); })));
    Add("enableContextMenu", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) { state.enableContextMenu = VariantBool(value); })));
    Add("StretchToFit", InvokeKind::PropertyGet,
        Weakly(weak, Get([](State& state) { return Variant(state.stretchToFit); })));
    Add("StretchToFit", InvokeKind::PropertyPut,
        Weakly(weak, Put([](State& state, const Variant& value) {
                   state.stretchToFit = VariantBool(value);
                   state.session->SetVideoOption("video-unscaled", state.stretchToFit ? "no" : "downscale-big");
               })));
}

MediaPlayerControl::~MediaPlayerControl() = default;

Player& MediaPlayerControl::Engine() { return *state_->session; }

}  // namespace lumora
