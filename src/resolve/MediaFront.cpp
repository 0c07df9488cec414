#include "resolve/MediaFront.h"

#include "base/Config.h"
#include "base/NumberText.h"
#include "base/TimeText.h"
#include "probe/ProbeStream.h"
#include "resolve/AddressText.h"
#include "resolve/EventTurns.h"
#include "resolve/MusicResolvers.h"
#include "resolve/PrivateSchemes.h"
#include "script/Codings.h"

#include <QGuiApplication>
#include <QScreen>

#include <climits>
#include <initializer_list>

namespace lumora {

namespace {

// The engine not in use waits off the video area's top-left corner, with no size.
template <class Engine>
void MoveOutOfSight(Engine& engine) {
    engine.Move(-100, -100, 0, 0);
}

bool OneOf(const Text& value, std::initializer_list<const char*> choices) {
    for (const char* choice : choices)
        if (value == Text(choice)) return true;
    return false;
}

bool HoldsAny(const Text& text, std::initializer_list<const char*> markers) {
    for (const char* marker : markers)
        if (ContainsNoCase(text, Text(marker))) return true;
    return false;
}

bool EndsInLive(const Text& text) { return text.Length() >= 4 && text.Right(4).Lower() == Text("live"); }

int ClampToInt(double value) {
    const long long whole = WholeSeconds(value);
    if (whole > INT_MAX) return INT_MAX;
    if (whole < INT_MIN) return INT_MIN;
    return static_cast<int>(whole);
}

Text DefaultProbe(const Text& address) { return ProbeStream(address); }

bool IsRtmpScheme(const Text& scheme) { return scheme.Left(4) == Text("rtmp"); }

bool StartsPlaylist(const Text& address) { return address.Contains(Text(";")) && address.Length() > 20; }

// The movie expects "mp4:" before an rtmp stream name; catalogue addresses
// mark it with "@", "|" or "$".
Text WithStreamMarks(const Text& address) {
    const Text streamMark("mp4:");
    return address.ReplacedAll(Text("@"), streamMark).ReplacedAll(Text("|"), streamMark).ReplacedAll(Text("$"), streamMark);
}

}  // namespace

MediaFront::MediaFront() : probe_(DefaultProbe), serviceLimit_(kServiceLimit) {}

void MediaFront::SetProbe(ProbeFunction probe) { probe_ = probe ? std::move(probe) : ProbeFunction(DefaultProbe); }

void MediaFront::SetServiceLimit(std::chrono::milliseconds limit) {
    serviceLimit_ = limit > std::chrono::milliseconds::zero() ? limit : kServiceLimit;
}

int MediaFront::ShowActiveEngine() {
    // In full screen the engine belongs on the whole screen, not the stored
    // (windowed) area.
    const int l = fullScreen ? placedLeft_ : left, t = fullScreen ? placedTop_ : top;
    const int w = fullScreen ? placedWidth_ : width, h = fullScreen ? placedHeight_ : height;
    if (activeEngine == 1 && shownEngine != 1) {
        flashEngine.Stop();
        flashEngine.SetVisible(0);
        flashEngine.Move(0, 0, 0, 0);
        playerEngine.SetVisible(1);
        playerEngine.Move(l, t, w, h);
        shownEngine = 1;
    } else if (activeEngine == 0 && shownEngine != 2) {
        playerEngine.Stop();
        playerEngine.SetVisible(0);
        playerEngine.Move(0, 0, 0, 0);
        flashEngine.SetVisible(1);
        flashEngine.Move(l, t, w, h);
        shownEngine = 2;
    }
    return shownEngine;
}

void MediaFront::Play(const Text& address, int engineType, bool keepPlaylist) {
    Text copy = address;
    Play(copy, engineType, keepPlaylist);
}

void MediaFront::Play(Text& address, int engineType, bool keepPlaylist) {
    const std::uint64_t ticket = ++generation_;
    nothingPlayed_ = false;
    probedAddress = Text();
    const Text scheme = Scheme(address);

    // A local file opens at once; anything else may wait on the network.
    if (!address.StartsWith(Text("/"))) {
        flashEngine.Stop();
        playerEngine.Stop();
        opening = 1;
    }
    if (!keepPlaylist) {
        playlistActive = 0;
        playlistIndex = 0;
    }
    if (StartsPlaylist(address) && playlistActive == 0) {
        playlistActive = 1;
        playlist = address.Split(Text(";"));
        playlistIndex = 1;
        address = playlist.empty() ? Text() : playlist.front();
    }
    const bool rtmp = IsRtmpScheme(scheme);
    if (rtmp) address = WithStreamMarks(address);

    if (engineType == 1) {
        activeEngine = 1;
        playerEngine.SetUrl(address);
    } else if (engineType == 2) {
        activeEngine = 0;
        flashEngine.SetPlayUrl(address);
    } else {
        const ProbeFunction probe = probe_;  // a copy: the wait may run SetProbe
        const EngineChoice choice = ChooseEngine(address, rtmp, probe);
        if (generation_ != ticket) return;  // a later Play, Open or Stop ran during the probe
        probedAddress = choice.probedAddress;
        if (choice.flash) {
            activeEngine = 0;
            flashEngine.SetPlayUrl(choice.address);
        } else {
            activeEngine = 1;
            playerEngine.SetUrl(choice.address);
        }
    }
    opening = 0;
    ShowActiveEngine();
    if (PlaylistCount() > 0 && playlistIndex == PlaylistCount()) {
        playlistActive = 0;
        playlistIndex = 0;
    }
}

void MediaFront::Attach(QWidget* parent, int l, int t, int w, int h, const RightClickHandler& handler) {
    playerEngine.Create(parent, l, t, w, h, handler);
    flashEngine.Create(parent, l, t, w, h, handler);
    left = placedLeft_ = l;
    top = placedTop_ = t;
    width = placedWidth_ = w;
    height = placedHeight_ = h;
    parentWindow = parent;
    volume = 100;
    muted = 0;
    visible = 1;
    fullScreen = 0;
    shownEngine = 0;
}

int MediaFront::Resize(int l, int t, int w, int h) {
    if (!fullScreen) {
        left = l;
        top = t;
        width = w;
        height = h;
    }
    placedLeft_ = l;
    placedTop_ = t;
    placedWidth_ = w;
    placedHeight_ = h;
    if (activeEngine == 1) {
        const int moved = playerEngine.Move(l, t, w, h);
        MoveOutOfSight(flashEngine);
        return moved;
    }
    const int moved = flashEngine.Move(l, t, w, h);
    MoveOutOfSight(playerEngine);
    return moved;
}

int MediaFront::ToggleFullScreen() {
    QWidget* parent = parentWindow.data();
    if (!fullScreen) {
        fullScreen = 1;
        // The widget goes back into the one that held it; the window that
        // happens to be active could belong to anything.
        savedForeground = parent ? parent->parentWidget() : nullptr;
        QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
        const QSize size = screen ? screen->geometry().size() : QSize();
        if (parent) parent->setGeometry(0, 0, size.width(), size.height());
        Resize(0, 0, size.width(), size.height());
        if (parent) {
            parent->setParent(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
            parent->setGeometry(0, 0, size.width(), size.height());
            parent->show();
        }
    } else {
        fullScreen = 0;
        if (parent) {
            parent->setParent(savedForeground.data(), savedForeground ? Qt::Widget : Qt::Window);
            parent->setGeometry(left, top, width, height);
            parent->show();
        }
        Resize(left, top, width, height);
    }
    return fullScreen;
}

QWidget* MediaFront::ParentWindow() const {
    return activeEngine == 1 ? playerEngine.ParentWindow() : flashEngine.ParentWindow();
}

int MediaFront::SetVisible(std::optional<int> show) {
    if (show) {
        const int flag = *show == 1 ? 1 : 0;
        playerEngine.SetVisible(flag);
        flashEngine.SetVisible(flag);
        visible = *show;
    }
    return visible;
}

int MediaFront::PlayState() {
    if (opening) return 6;
    if (nothingPlayed_) return 5;
    return activeEngine == 1 ? PlayerEngineState() : FlashEngineState();
}

// The media player's numbering: 0 undefined, 1 stopped, 2 paused, 3 playing,
// 4/5 scanning, 6 buffering, 7 waiting, 8 ended, 9 transitioning, 10 ready,
// 11 reconnecting.
int MediaFront::PlayerEngineState() {
    const int s = playerEngine.PlayState();
    if (s == 0 || s == 1 || (s == 8 && s != lastPlayerState)) {
        EndOfMedia(s);
    } else if ((s == 2 || s == 3 || s == 6) && s != lastPlayerState) {
        lastPlayerState = s;
        state = s == 6 ? 1 : s;
    } else if (s == 4 || s == 5 || s == 7 || s == 9 || (s == 11 && s != lastPlayerState)) {
        lastPlayerState = s;
        state = 4;
    } else if (s == 10 && s != lastPlayerState) {
        lastPlayerState = 10;
        // A ready swf medium is one that Stop unloaded, not a failure.
        state = playerEngine.FileType() == Text("swf") ? 0 : 5;
    }
    return state;
}

// The movie reports in the front's own numbering, 0 to 5.
int MediaFront::FlashEngineState() {
    const int s = flashEngine.State();
    if (s == 0) {
        if (lastPlayerState != 0) EndOfMedia(0);
    } else if (s >= 1 && s <= 5 && s != lastPlayerState) {
        lastPlayerState = s;
        state = s;
    }
    return state;
}

void MediaFront::EndOfMedia(int code) {
    lastPlayerState = code;
    if (playlistActive == 1 && playlistIndex < PlaylistCount()) {
        const std::uint64_t before = generation_;
        Next();
        if (generation_ == before + 1) {
            state = 1;  // buffering the next item
        } else {
            // Another action took over while the next item waited on the
            // network: forget the last code so the next poll reads the
            // engine afresh instead of keeping a stale state.
            lastPlayerState = -1;
        }
    } else {
        playlistActive = 0;
        state = 0;
    }
}

void MediaFront::SyncPlayerMute(bool mute) {
    if (playerEngine.ToggleMute() != mute) playerEngine.ToggleMute();
}

int MediaFront::SetVolume(int value) {
    playerEngine.SetVolume(value);
    flashEngine.SetVolume(value);
    // Unmuting through the volume has to reach the media player's own mute.
    if (muted) SyncPlayerMute(false);
    volume = value;
    muted = 0;
    return volume;
}

int MediaFront::ToggleMute() {
    flashEngine.SetVolume(muted ? volume : 0);
    muted = muted ? 0 : 1;
    SyncPlayerMute(muted == 1);
    return muted;
}

void MediaFront::Seek(int seconds) {
    if (activeEngine == 1)
        playerEngine.SetPosition(seconds);
    else
        flashEngine.SetSeek(seconds);
}

void MediaFront::TogglePause() {
    if (activeEngine == 1)
        playerEngine.TogglePlay();
    else
        flashEngine.Play();
    opening = 0;
    nothingPlayed_ = false;
    playlistActive = 1;
}

void MediaFront::Stop() {
    ++generation_;
    nothingPlayed_ = false;
    if (activeEngine == 1)
        playerEngine.Stop();
    else
        flashEngine.Stop();
    opening = 0;
    playlistActive = 0;
}

Text MediaFront::DurationText() {
    return FormatTime(activeEngine == 1 ? WholeSeconds(playerEngine.Duration()) : flashEngine.GetTotalTime());
}

Text MediaFront::PositionText() {
    return FormatTime(activeEngine == 1 ? WholeSeconds(playerEngine.Position()) : flashEngine.GetPlayTime());
}

double MediaFront::Duration() { return activeEngine == 1 ? playerEngine.Duration() : flashEngine.GetTotalTime(); }

double MediaFront::Position() { return activeEngine == 1 ? playerEngine.Position() : flashEngine.GetPlayTime(); }

Text MediaFront::CurrentAddress() { return activeEngine == 1 ? playerEngine.Url() : flashEngine.GetFlvUrl(); }

Text MediaFront::BufferText() {
    return NumberText(activeEngine == 1 ? playerEngine.BufferingProgress() : flashEngine.GetBuffer()) + "%";
}

Text MediaFront::TimeText() { return activeEngine == 1 ? playerEngine.TimeText() : flashEngine.GetPlayTimeString(); }

Text MediaFront::MediaItemTitle() { return activeEngine == 1 ? playerEngine.Title() : Text(); }

Text MediaFront::MediaItemAuthor() { return activeEngine == 1 ? playerEngine.Author() : Text(); }

Text MediaFront::SetChannel(int channel) {
    static const char* const names[] = {"立体音", "左声道", "右声道"};
    if (channel < 0 || channel > 2) return {};
    playerEngine.SetBalance(channel);
    flashEngine.SetPan(channel);
    return Text(names[channel]);
}

Text MediaFront::MediaTitle() {
    Text title = titleOverride;
    if (title.Empty()) {
        const Text address = CurrentAddress();
        const Text name = FileName(address, false);
        const std::size_t dot = FindLast(name, Text("."));
        title = dot == 0 ? name : name.Left(dot - 1);
        if (activeEngine == 1) {
            const Text itemTitle = MediaItemTitle();
            if (!itemTitle.Empty()) {
                const Text author = MediaItemAuthor();
                title = author.Empty() ? itemTitle : itemTitle + "-" + author;
            }
        }
        if (title.Empty()) title = address;
    }
    return UriDecode(title).ReplacedAll(Text("$$"), Text("-")).ReplacedAll(Text("∮"), Text("-"));
}

void MediaFront::PlayItem() {
    if (playlistIndex < 1 || playlistIndex > PlaylistCount()) return;
    Text item = playlist[playlistIndex - 1];  // a copy: a re-entrant Play may replace the list
    Play(item, 0, true);
}

void MediaFront::Next() {
    if (PlaylistCount() > 0 && playlistIndex < PlaylistCount()) {
        ++playlistIndex;
        PlayItem();
    } else {
        playerEngine.Next();
    }
}

void MediaFront::Previous() {
    if (PlaylistCount() > 0 && playlistIndex >= 1) {
        if (playlistIndex == 1) playlistIndex = PlaylistCount() + 1;
        --playlistIndex;
        PlayItem();
    } else {
        playerEngine.Previous();
    }
}

int MediaFront::DownloadProgress() {
    if (activeEngine != 1) return flashEngine.GetDownBuffer();
    const int s = PlayState();
    return s >= 1 && s <= 3 ? playerEngine.DownloadProgress() : 0;
}

void MediaFront::SetPlayCount(int count) {
    if (activeEngine == 1) playerEngine.SetPlayCount(count);
}

int MediaFront::VideoWidth() { return activeEngine == 1 ? ClampToInt(playerEngine.ImageWidth()) : flashEngine.GetPlayWidth(); }

int MediaFront::VideoHeight() { return activeEngine == 1 ? playerEngine.ImageHeight() : flashEngine.GetPlayHeight(); }

Text MediaFront::MediaType() { return activeEngine == 1 ? playerEngine.FileType() : Extension(CurrentAddress()); }

int MediaFront::SetScaleMode(int mode) {
    flashEngine.SetScaleMode(mode);
    return mode;
}

int MediaFront::FindNoCase(const Text& text, const Text& part) { return lumora::FindNoCase(text, part); }

bool MediaFront::IsFlashMedia(const Text& address) {
    // The probe waits on the network while events run; whoever acts
    // meanwhile owns probedAddress.
    const std::uint64_t ticket = generation_;
    const ProbeFunction probe = probe_;  // a copy: the wait may run SetProbe
    std::optional<Text> finalAddress;
    const bool flash = IsFlashAddress(address, probe, finalAddress);
    if (finalAddress && generation_ == ticket) probedAddress = *finalAddress;
    return flash;
}

bool IsFlashAddress(const Text& address, const MediaFront::ProbeFunction& probe, std::optional<Text>& finalAddress) {
    finalAddress.reset();
    const Text ext = Extension(address);
    if (OneOf(ext, {"swf", "wmv", "mp3", "wma", "asx", "wav"})) return false;
    if (OneOf(ext, {"asf", "avi", "mpg", "mpeg", "mkv", "vob"})) return false;
    if (HoldsAny(address, {".wmv", ".wma", ".mp3", ".wav"})) return false;
    if (HoldsAny(address, {".avi", ".asf", ".asx", ".mkv"})) return false;
    if (HoldsAny(address, {".mpe", ".mpeg", ".vob", ".mid"})) return false;
    if (OneOf(ext, {"flv", "f4v", "hlv", "pfv", "mp4", "flvx"})) return true;
    if (HoldsAny(address, {".mp4", ".flv", ".f4v", ".hlv"})) return true;

    const Config& config = Config::Get();
    for (const Text& host : config.liveHosts)
        if (ContainsNoCase(address, host)) return true;
    if (ContainsNoCase(address, config.liveServerPrefix) || ContainsNoCase(address, Text("playlive.php")) ||
        EndsInLive(address))
        return true;
    if (HoldsAny(address, {":1755/", ":554/", ":1935/"})) return true;
    if (Scheme(address) != Text("http://")) return false;

    const Text record = probe ? probe(address) : DefaultProbe(address);
    const Text contentType = TextBetween(record, Text("[Type]"), Text("[/Type]"));
    const Text& probed = finalAddress.emplace(TextBetween(record, Text("[File]"), Text("[/File]")));

    if (HoldsAny(contentType, {"flv", "flash", "mp4", "application"})) return true;
    if (EndsInLive(probed)) return true;
    if (HoldsAny(probed, {":1755/", ":554/"})) return true;
    return OneOf(Extension(probed), {"flv", "pfv", "f4v", "mp4", "hlv", "flvx"});
}

EngineChoice ChooseEngine(const Text& address, bool rtmp, const MediaFront::ProbeFunction& probe) {
    EngineChoice choice;
    std::optional<Text> finalAddress;
    choice.flash = rtmp || IsFlashAddress(address, probe, finalAddress);
    if (finalAddress) choice.probedAddress = *finalAddress;
    choice.address = choice.probedAddress.Length() > 15 ? choice.probedAddress : address;
    return choice;
}

EngineChoice ClassifyAddress(const Text& address, const MediaFront::ProbeFunction& probe) {
    const bool rtmp = IsRtmpScheme(Scheme(address));
    Text played = address;
    if (StartsPlaylist(played)) {
        const std::vector<Text> items = played.Split(Text(";"));
        played = items.empty() ? Text() : items.front();
    }
    if (rtmp) played = WithStreamMarks(played);
    return ChooseEngine(played, rtmp, probe);
}

void MediaFront::Open(const Text& address, const Text& title, int engineType) {
    const Text givenAddress = address, givenTitle = title;  // the caller's texts may change during the waits
    LetPendingEventsRun();
    const std::uint64_t ticket = ++generation_;
    titleOverride = Text();
    // The medium playing now is being replaced: its end must not step a
    // playlist (and so overtake this Open) while the services answer.
    playlistActive = 0;
    ServiceOptions services;
    services.limit = serviceLimit_;
    services.abandoned = [this, ticket] { return generation_ != ticket; };
    const Resolution resolution = ResolveOpen(givenAddress, givenTitle, engineType, services);
    if (generation_ != ticket) {  // a later Play, Open or Stop ran during the waits
        LetPendingEventsRun();
        return;
    }
    if (!resolution.titleFromCaller) titleOverride = resolution.titleOverride;
    if (!resolution.play) {
        NothingToPlay();
    } else {
        Text target = resolution.address;
        Play(target, resolution.engineType);
        if (resolution.titleFromCaller && generation_ == ticket + 1) titleOverride = resolution.titleOverride;
    }
    LetPendingEventsRun();
}

void MediaFront::NothingToPlay() {
    flashEngine.Stop();
    playerEngine.Stop();
    opening = 0;
    playlistActive = 0;
    playlistIndex = 0;
    probedAddress = Text();
    nothingPlayed_ = true;
}

}  // namespace lumora
