#include "engines/MediaPlayerEngine.h"

#include "platform/ControlHost.h"

#include <cmath>

namespace lumora {

namespace {

// A sub-object of the player, fetched for one use; the caller's reference is
// the only one the engine holds, so it is released when the caller returns.
AutomationRef SubObject(const AutomationRef& player, const char* name) {
    return VariantObject(AutomationRead(player, name));
}

Text Flag(int flag) { return flag == 1 ? "true" : "false"; }

Text OrNoTime(Text time) {
    if (time.Empty()) return "00:00";
    return time;
}

}  // namespace

bool MediaPlayerEngine::Create(QWidget* parent, int left, int top, int width, int height,
                               const RightClickHandler& handler) {
    if (!CreateHost(parent, left, top, width, height, kMediaPlayerControlName)) return false;
    SetUpControl(handler);
    return true;
}

void MediaPlayerEngine::SetUpControl(const RightClickHandler& handler) {
    SetUiMode(0);  // none of the player's own controls
    SetContextMenu(0);
    SetStretchToFit(1);
    SetVolume(100);
    if (QWidget* host = HostWindow()) SubclassTree(host, handler);
}

void MediaPlayerEngine::SetUrl(const Text& address) { AutomationWrite(control, "URL", {address}); }

void MediaPlayerEngine::SetFullScreen(int flag) { AutomationWrite(control, "fullScreen", {Flag(flag)}); }

MediaPlayerState MediaPlayerEngine::PlayState() {
    return MediaPlayerStateFromCode(VariantInt(AutomationRead(control, "playState")));
}

bool MediaPlayerEngine::TogglePlay() {
    if (Url().Empty()) {
        // Stop took the medium away (swf): load it again.
        SetUrl(savedUrl);
        return true;
    }
    if (PlayState() == MediaPlayerState::Playing) {
        AutomationCall(SubObject(control, "controls"), "pause");
        return true;
    }
    AutomationCall(SubObject(control, "controls"), "play");
    return false;
}

void MediaPlayerEngine::Stop() {
    AutomationCall(SubObject(control, "controls"), "stop");
    // A swf medium is unloaded on stop; TogglePlay loads it again from savedUrl.
    if (FileType() == "swf") {
        savedUrl = Url();
        SetUrl(Text());
    }
}

void MediaPlayerEngine::SetVolume(int volume) { AutomationWrite(SubObject(control, "Settings"), "volume", {volume}); }

bool MediaPlayerEngine::ToggleMute() {
    const double mute = VariantNumber(AutomationRead(SubObject(control, "Settings"), "mute"));
    const bool muting = std::fabs(mute) <= 0.0000001;
    AutomationWrite(SubObject(control, "Settings"), "mute", {muting ? 1 : 0});
    return muting;
}

Text MediaPlayerEngine::PositionString() {
    return OrNoTime(VariantText(AutomationRead(SubObject(control, "controls"), "currentPositionString")));
}

Text MediaPlayerEngine::DurationString() {
    return OrNoTime(VariantText(AutomationRead(SubObject(control, "currentMedia"), "durationString")));
}

void MediaPlayerEngine::SetContextMenu(int flag) { AutomationWrite(control, "enableContextMenu", {Flag(flag)}); }

void MediaPlayerEngine::SetStretchToFit(int flag) { AutomationWrite(control, "StretchToFit", {Flag(flag)}); }

void MediaPlayerEngine::SetUiMode(int mode) {
    static const char* const names[] = {"none", "invisible", "mini", "full"};
    if (mode < 0 || mode > 3) return;
    AutomationWrite(control, "uiMode", {Text(names[mode])});
}

double MediaPlayerEngine::Duration() {
    return VariantNumber(AutomationRead(SubObject(control, "currentMedia"), "duration"));
}

double MediaPlayerEngine::Position() {
    // Read as text, then converted to a number.
    const Text position = VariantText(AutomationRead(SubObject(control, "controls"), "currentPosition"));
    return VariantNumber(Variant(position));
}

void MediaPlayerEngine::SetPosition(int seconds) {
    AutomationWrite(SubObject(control, "controls"), "currentPosition", {seconds});
}

Text MediaPlayerEngine::TimeText() {
    const Text duration = DurationString();
    const Text position = PositionString();
    // Below an hour the control writes two fields; from an hour on three.
    // A medium of an hour or more shows its early position with hours too.
    if (duration.Split(":").size() != 2 && position.Split(":").size() == 2) return "00:" + position + "/" + duration;
    return position + "/" + duration;
}

int MediaPlayerEngine::BufferingProgress() {
    return VariantInt(AutomationRead(SubObject(control, "network"), "bufferingprogress"));
}

Text MediaPlayerEngine::Url() { return VariantText(AutomationRead(control, "Url")); }

Text MediaPlayerEngine::Title() {
    return VariantText(AutomationCall(SubObject(control, "currentMedia"), "getItemInfo", {Text("Title")}));
}

Text MediaPlayerEngine::Author() {
    return VariantText(AutomationCall(SubObject(control, "currentMedia"), "getItemInfo", {Text("Author")}));
}

int MediaPlayerEngine::SetBalance(int channel) {
    static const int balances[] = {0, -100, 100};
    if (channel < 0 || channel > 2) return 0;
    AutomationWrite(SubObject(control, "Settings"), "balance", {balances[channel]});
    return channel;
}

void MediaPlayerEngine::Next() { AutomationCall(SubObject(control, "controls"), "next"); }

void MediaPlayerEngine::Previous() { AutomationCall(SubObject(control, "controls"), "previous"); }

int MediaPlayerEngine::DownloadProgress() {
    return VariantInt(AutomationRead(SubObject(control, "network"), "downloadProgress"));
}

Text MediaPlayerEngine::FileType() {
    return VariantText(AutomationCall(SubObject(control, "currentMedia"), "getItemInfo", {Text("FileType")})).Lower();
}

Text MediaPlayerEngine::SourceUrl() {
    return VariantText(AutomationCall(SubObject(control, "currentMedia"), "getItemInfo", {Text("SourceURL")})).Lower();
}

void MediaPlayerEngine::SetPlayCount(int count) {
    AutomationWrite(SubObject(control, "Settings"), "playCount", {count});
}

double MediaPlayerEngine::ImageWidth() {
    return VariantNumber(AutomationRead(SubObject(control, "currentMedia"), "imageSourceWidth"));
}

int MediaPlayerEngine::ImageHeight() {
    return VariantInt(AutomationRead(SubObject(control, "currentMedia"), "imageSourceHeight"));
}

}  // namespace lumora
