#include "FakeControls.h"

#include "base/NumberText.h"
#include "resolve/AddressText.h"

#include <memory>

namespace lumora::test {

namespace {

Text TextOf(const std::vector<Variant>& args, std::size_t index) {
    return index < args.size() ? VariantText(args[index]) : Text();
}

std::string Utf8Of(const std::vector<Variant>& args, std::size_t index) { return TextOf(args, index).ToUtf8(); }

using Kind = InvokeKind;

// A member's value, built in place (a moved Variant trips a false
// maybe-uninitialized warning of GCC in sanitizer builds).
template <typename Value>
std::optional<Variant> Answer(Value value) {
    return std::optional<Variant>(std::in_place, std::move(value));
}

}  // namespace

std::vector<std::string> Entries(const CallLog& log, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& entry : log)
        if (entry.starts_with(prefix)) found.push_back(entry);
    return found;
}

FakeMovie::FakeMovie(CallLog& log) : log_(log) {
    auto table = std::make_shared<MemberTable>();
    table->Add("SetVariable", Kind::Method, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        const Text name = TextOf(args, 0), value = TextOf(args, 1);
        log_.push_back("flash " + name.ToUtf8() + "=" + value.ToUtf8());
        if (name == "setPlayUrl") {
            url = value;
            state = 4;  // the movie starts loading at once
            if (onOpen) onOpen();
        } else if (name == "setPlay" && value == "Stop") {
            state = 0;
        } else if (name == "setPlay" && value == "Play") {
            state = state == 3 ? 2 : state == 2 ? 3 : state == 0 ? 4 : state;
        }
        return Answer(std::monostate());
    });
    table->Add("CallFunction", Kind::Method, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        const Text callback = TextBetween(TextOf(args, 0), "name='", "'");
        return Answer("<string>[" + Reply(callback) + "]</string>");
    });
    object_ = table;
}

Text FakeMovie::Reply(const Text& callback) const {
    const std::string name = callback.ToUtf8();
    if (name == "getPlayState") return NumberText(state);
    if (name == "getFlvUrl") return url.Empty() ? Text("undefined") : url;
    if (name == "getTotalTime") return NumberText(totalTime);
    if (name == "getPlayTime") return NumberText(playTime);
    if (name == "getBuffer") return NumberText(buffer);
    if (name == "getDownBuffer") return NumberText(downBuffer);
    if (name == "getPlayWidth") return NumberText(playWidth);
    if (name == "getPlayHeight") return NumberText(playHeight);
    if (name == "getPlayTimeString") return playTimeString;
    return {};
}

FakePlayer::FakePlayer(CallLog& log) : log_(log) {
    auto table = std::make_shared<MemberTable>();
    table->Add("URL", Kind::PropertyPut, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        url = TextOf(args, 0);
        log_.push_back("player URL=" + url.ToUtf8());
        playState = url.Empty() ? 0 : 9;  // transitioning at once
        if (onOpen) onOpen();
        return Answer(std::monostate());
    });
    table->Add("Url", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(url); });
    table->Add("playState", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(playState); });
    for (const char* member : {"uiMode", "enableContextMenu", "StretchToFit"})
        table->Add(member, Kind::PropertyPut,
                   [](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(std::monostate()); });
    table->Add("controls", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(Controls()); });
    table->Add("Settings", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(Settings()); });
    table->Add("currentMedia", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(CurrentMedia()); });
    table->Add("network", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(Network()); });
    object_ = table;
}

AutomationRef FakePlayer::Controls() {
    auto table = std::make_shared<MemberTable>();
    const std::pair<const char*, int> methods[] = {
        {"stop", 1}, {"play", 3}, {"pause", 2}, {"next", -1}, {"previous", -1}};
    for (const auto& [name, next] : methods) {
        const std::string method = name;
        const int newState = next;
        table->Add(name, Kind::Method, [this, method, newState](const std::vector<Variant>&) -> std::optional<Variant> {
            log_.push_back("player " + method);
            if (newState >= 0 && !(method == "stop" && playState == 0)) playState = newState;
            return Answer(std::monostate());
        });
    }
    table->Add("currentPosition", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(NumberText(position)); });
    table->Add("currentPosition", Kind::PropertyPut,
               [this](const std::vector<Variant>& args) -> std::optional<Variant> {
                   log_.push_back("player seek=" + Utf8Of(args, 0));
                   return Answer(std::monostate());
               });
    return table;
}

AutomationRef FakePlayer::Settings() {
    auto table = std::make_shared<MemberTable>();
    for (const char* member : {"volume", "balance", "playCount"}) {
        const std::string name = member;
        table->Add(member, Kind::PropertyPut, [this, name](const std::vector<Variant>& args) -> std::optional<Variant> {
            log_.push_back("player " + name + "=" + Utf8Of(args, 0));
            return Answer(std::monostate());
        });
    }
    table->Add("mute", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(mute); });
    table->Add("mute", Kind::PropertyPut, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        mute = VariantInt(args.empty() ? std::nullopt : std::optional<Variant>(args[0]));
        log_.push_back("player mute=" + std::to_string(mute));
        return Answer(std::monostate());
    });
    return table;
}

AutomationRef FakePlayer::CurrentMedia() {
    auto table = std::make_shared<MemberTable>();
    table->Add("getItemInfo", Kind::Method, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        const auto found = itemInfo.find(Utf8Of(args, 0));
        return Answer(found == itemInfo.end() ? Text() : found->second);
    });
    table->Add("duration", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(duration); });
    table->Add("imageSourceWidth", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(imageWidth); });
    table->Add("imageSourceHeight", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(imageHeight); });
    return table;
}

AutomationRef FakePlayer::Network() {
    auto table = std::make_shared<MemberTable>();
    table->Add("bufferingprogress", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(buffering); });
    table->Add("downloadProgress", Kind::PropertyGet,
               [this](const std::vector<Variant>&) -> std::optional<Variant> { return Answer(download); });
    return table;
}

}  // namespace lumora::test
