// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/MediaFront.h"

#include "base/Config.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TimeText.h"
#include "probe/ProbeStream.h"
#include "resolve/AddressText.h"
#include "resolve/MusicResolvers.h"
#include "resolve/PlaylistItems.h"
#include "resolve/PrivateSchemes.h"
#include "script/Codings.h"
#include "web/NetworkAddress.h"

#include <algorithm>
#include <QFileInfo>

#include <climits>
#include <initializer_list>

namespace lumora {

// Inside MediaFront, PlayState names the operation; this names the type.
using State = PlayState;

namespace {

// The engine not in use waits off the video area's top-left corner, with no size.
template <class HostedEngine>
void MoveOutOfSight(HostedEngine& engine) {
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

StreamProbe DefaultProbe(const Text& address) { return ProbeAddress(address); }

// The movie's states are the front's first six; other numbers name none.
std::optional<PlayState> FromMovie(MovieState state) {
    switch (state) {
        case MovieState::Stopped:
            return PlayState::Stopped;
        case MovieState::Buffering:
            return PlayState::Buffering;
        case MovieState::Paused:
            return PlayState::Paused;
        case MovieState::Playing:
            return PlayState::Playing;
        case MovieState::Loading:
            return PlayState::Loading;
        case MovieState::Failed:
            return PlayState::Failed;
    }
    return std::nullopt;
}

// A live stream by the markers of its address: a live-stream host, the
// live server's prefix, the live page, or an address ending in "live".
bool IsLiveAddress(const Text& address) {
    const Config& config = Config::Get();
    for (const Text& host : config.liveHosts)
        if (!host.Empty() && ContainsNoCase(address, host)) return true;
    return (!config.liveServerPrefix.Empty() && ContainsNoCase(address, config.liveServerPrefix)) ||
           ContainsNoCase(address, Text("playlive.php")) || EndsInLive(address);
}

bool IsRtmpScheme(const Text& scheme) { return scheme.Left(4) == Text("rtmp"); }

// A local file whose name holds ";" is one file, not a play list.
bool IsLocalFile(const Text& address) {
    return address.StartsWith(Text("/")) && QFileInfo(QString::fromStdString(address.ToUtf8())).isFile();
}

bool StartsPlaylist(const Text& address) {
    return address.Contains(Text(";")) && address.Length() > 20 && !IsLocalFile(address);
}

// The movie expects "mp4:" before an rtmp stream name; catalogue addresses
// mark it with "@", "|" or "$".
Text WithStreamMarks(const Text& address) {
    const Text streamMark("mp4:");
    return address.ReplacedAll(Text("@"), streamMark)
        .ReplacedAll(Text("|"), streamMark)
        .ReplacedAll(Text("$"), streamMark);
}

constexpr std::chrono::milliseconds kQuitLimit{300};

// A plain http address that neither its extension nor a marker decides:
// IsFlashAddress asks the network probe about it.
bool NeedsProbe(const Text& address) { return !IsFlashByText(address).has_value(); }

}  // namespace

MediaFront::MediaFront() : probe_(DefaultProbe), serviceLimit_(kServiceLimit) {}

MediaFront::~MediaFront() {
    // No late result may reach a front being destroyed, and quitting never
    // waits for the network: a job still waiting is left to end on its own.
    probes_.Close(kQuitLimit);
    services_.Close(kQuitLimit);
}

bool MediaFront::Busy() const { return opening_ || services_.Running() > 0; }

Player* MediaFront::ActivePlayer() const {
    return activeEngine_ == Engine::Player ? playerEngine_.Engine() : flashEngine_.Movie();
}

std::vector<Player*> MediaFront::Players() const {
    std::vector<Player*> players;
    if (Player* player = playerEngine_.Engine()) players.push_back(player);
    if (Player* movie = flashEngine_.movieHost.Engine()) players.push_back(movie);
    return players;
}

void MediaFront::WatchEngines() {
    for (const QMetaObject::Connection& connection : watched_) disconnect(connection);
    watched_.clear();
    for (Player* player : Players()) {
        watched_.push_back(connect(player, &Player::Changed, this, &MediaFront::OnEngineChanged));
        watched_.push_back(connect(player, &Player::Failed, this,
                                   [this, player](const QString& reason) { OnEngineFailed(*player, reason); }));
    }
}

void MediaFront::OnEngineFailed(const Player& player, const QString& reason) {
    LogWarning(LogLayer::Playback, "playing " + player.Address().ToUtf8() + " failed: " + reason.toStdString());
}

std::string MediaFront::FailureReason() const {
    if (nothingPlayed_) return "nothing to play at this address";
    const Player* player = ActivePlayer();
    return player ? player->FailureReason() : std::string();
}

void MediaFront::OnEngineChanged() {
    PlayState();  // steps a play list at the end of an item
    emit Changed();
    emit StateChanged();
}

void MediaFront::Announce() { emit StateChanged(); }

void MediaFront::SetProbe(ProbeFunction probe) { probe_ = probe ? std::move(probe) : ProbeFunction(DefaultProbe); }

void MediaFront::SetServiceLimit(std::chrono::milliseconds limit) {
    serviceLimit_ = limit > std::chrono::milliseconds::zero() ? limit : kServiceLimit;
}

Engine MediaFront::ShowActiveEngine() {
    // The hidden engine stops and shrinks to nothing; the shown one takes
    // the stored area.
    const auto swap = [this](auto& shown, auto& hidden) {
        hidden.Stop();
        hidden.SetVisible(0);
        hidden.Move(0, 0, 0, 0);
        shown.SetVisible(1);
        shown.Move(left_, top_, width_, height_);
    };
    if (shownEngine_ != activeEngine_) {
        if (activeEngine_ == Engine::Player)
            swap(playerEngine_, flashEngine_);
        else
            swap(flashEngine_, playerEngine_);
        shownEngine_ = activeEngine_;
    }
    return *shownEngine_;
}

void MediaFront::Play(const Text& address, EngineRequest engine, bool keepPlaylist, AddressOrigin origin) {
    Text copy = address;
    Play(copy, engine, keepPlaylist, origin);
}

void MediaFront::Play(Text& address, EngineRequest engine, bool keepPlaylist, AddressOrigin origin) {
    const std::uint64_t ticket = ++generation_;
    // An earlier probe or resolution opens nothing now.
    probes_.Supersede();
    services_.Supersede();
    nothingPlayed_ = false;
    probedAddress_ = Text();
    const Text scheme = Scheme(address);

    // A local file opens at once; anything else may wait on the network.
    if (!address.StartsWith(Text("/"))) {
        flashEngine_.Stop();
        playerEngine_.Stop();
        opening_ = true;
    }
    if (!keepPlaylist) {
        playlistActive_ = false;
        playlistIndex_ = 0;
        listItem_ = 0;
    }
    if (StartsPlaylist(address) && !playlistActive_) {
        playlistActive_ = true;
        playlist_ = lumora::PlaylistItems(address, origin);
        playlistIndex_ = 1;
        listItem_ = playlist_.empty() ? 0 : 1;
        address = playlist_.empty() ? Text() : playlist_.front();
    }
    const bool rtmp = IsRtmpScheme(scheme);
    if (rtmp) address = WithStreamMarks(address);

    if (engine == EngineRequest::Player || engine == EngineRequest::Flash) {
        Open(EngineChoice{engine == EngineRequest::Player ? Engine::Player : Engine::Flash, address, Text()});
    } else if (!rtmp && NeedsProbe(address)) {
        // The probe waits on the network: on a worker, while the window
        // shows "connecting".
        const ProbeFunction probe = probe_;
        const Text probed = address;
        const bool started = probes_.Run([probe, probed](std::stop_token) { return ChooseEngine(probed, false, probe); },
                                         [this, ticket](EngineChoice choice) {
                                             if (generation_ == ticket) Open(choice);
                                         });
        if (!started) Open(EngineChoice{Engine::Player, address, Text()});
        Announce();
    } else {
        Open(ChooseEngine(address, rtmp, probe_));
    }
}

void MediaFront::Open(const EngineChoice& choice) {
    probedAddress_ = choice.probedAddress;
    Activate(choice.engine);
    if (choice.engine == Engine::Flash)
        flashEngine_.SetPlayUrl(choice.address);
    else
        playerEngine_.SetUrl(choice.address);
    opening_ = false;
    ShowActiveEngine();
    if (PlaylistCount() > 0 && playlistIndex_ == PlaylistCount()) {
        playlistActive_ = false;
        playlistIndex_ = 0;
    }
    Announce();
}

void MediaFront::Activate(Engine engine) {
    // The engine taking over was stopped when it was put out of sight. Its
    // first code is compared with its own stopped code: the other engine's
    // last code is in another numbering (the player's 1 is stopped, the
    // movie's 1 buffering) and would hide a change or fake an end.
    if (engine != activeEngine_)
        lastPlayerState_ = engine == Engine::Player ? MediaPlayerStateCode(MediaPlayerState::Stopped)
                                                    : MovieStateCode(MovieState::Stopped);
    activeEngine_ = engine;
}

void MediaFront::Attach(QWidget* parent, int l, int t, int w, int h, const RightClickHandler& handler) {
    playerEngine_.Create(parent, l, t, w, h, handler);
    flashEngine_.Create(parent, l, t, w, h, handler);
    left_ = l;
    top_ = t;
    width_ = w;
    height_ = h;
    volume_ = 100;
    muted_ = false;
    visible_ = 1;
    shownEngine_.reset();
    WatchEngines();
}

int MediaFront::Resize(int l, int t, int w, int h) {
    left_ = l;
    top_ = t;
    width_ = w;
    height_ = h;
    if (activeEngine_ == Engine::Player) {
        const int moved = playerEngine_.Move(l, t, w, h);
        MoveOutOfSight(flashEngine_);
        return moved;
    }
    const int moved = flashEngine_.Move(l, t, w, h);
    MoveOutOfSight(playerEngine_);
    return moved;
}

QWidget* MediaFront::ParentWindow() const {
    return activeEngine_ == Engine::Player ? playerEngine_.ParentWindow() : flashEngine_.ParentWindow();
}

int MediaFront::SetVisible(std::optional<int> show) {
    if (show) {
        const int flag = *show == 1 ? 1 : 0;
        playerEngine_.SetVisible(flag);
        flashEngine_.SetVisible(flag);
        visible_ = *show;
    }
    return visible_;
}

PlayState MediaFront::PlayState() {
    if (opening_) return State::Connecting;
    if (nothingPlayed_) return State::Failed;
    return activeEngine_ == Engine::Player ? PlayerEngineState() : FlashEngineState();
}

PlayState MediaFront::PlayerEngineState() {
    using Reported = MediaPlayerState;
    const Reported s = playerEngine_.PlayState();
    const int code = MediaPlayerStateCode(s);
    const bool changed = code != lastPlayerState_;
    const auto take = [&](State shown) {
        lastPlayerState_ = code;
        state_ = shown;
    };
    switch (s) {
        case Reported::Undefined:
        case Reported::Stopped:
            EndOfMedia(code);
            break;
        case Reported::MediaEnded:
            if (changed) EndOfMedia(code);
            break;
        case Reported::Paused:
            if (changed) take(State::Paused);
            break;
        case Reported::Playing:
            if (changed) take(State::Playing);
            break;
        case Reported::Buffering:
            if (changed) take(State::Buffering);
            break;
        case Reported::ScanForward:
        case Reported::ScanReverse:
        case Reported::Waiting:
        case Reported::Transitioning:
            take(State::Loading);
            break;
        case Reported::Reconnecting:
            if (changed) take(State::Loading);
            break;
        case Reported::Ready:
            // The player is ready only when the medium could not be played,
            // a swf one included (a swf medium Stop unloads reads as stopped).
            if (changed) take(State::Failed);
            break;
    }
    return state_;  // a number outside the control's numbering leaves the state
}

PlayState MediaFront::FlashEngineState() {
    const MovieState s = flashEngine_.State();
    const int code = MovieStateCode(s);
    if (s == MovieState::Stopped) {
        if (lastPlayerState_ != code) EndOfMedia(code);
    } else if (const std::optional<State> shown = FromMovie(s); shown && code != lastPlayerState_) {
        lastPlayerState_ = code;
        state_ = *shown;
    }
    return state_;
}

void MediaFront::EndOfMedia(int code) {
    lastPlayerState_ = code;
    if (playlistActive_ && playlistIndex_ < PlaylistCount()) {
        const std::uint64_t before = generation_;
        Next();
        if (generation_ == before + 1) {
            state_ = State::Buffering;  // the next item
        } else {
            // Another action took over while the next item waited on the
            // network: forget the last code so the next poll reads the
            // engine afresh instead of keeping a stale state.
            lastPlayerState_ = -1;
        }
    } else {
        playlistActive_ = false;
        state_ = State::Stopped;
    }
}

void MediaFront::SyncPlayerMute(bool mute) {
    if (playerEngine_.ToggleMute() != mute) playerEngine_.ToggleMute();
}

int MediaFront::SetVolume(int value) {
    playerEngine_.SetVolume(value);
    flashEngine_.SetVolume(value);
    // Unmuting through the volume has to reach the media player's own mute.
    if (muted_) SyncPlayerMute(false);
    volume_ = value;
    muted_ = false;
    emit Changed();
    return volume_;
}

int MediaFront::ToggleMute() {
    flashEngine_.SetVolume(muted_ ? volume_ : 0);
    muted_ = !muted_;
    SyncPlayerMute(muted_);
    emit Changed();
    return muted_ ? 1 : 0;
}

void MediaFront::Seek(int seconds) {
    if (activeEngine_ == Engine::Player)
        playerEngine_.SetPosition(seconds);
    else
        flashEngine_.SetSeek(seconds);
}

void MediaFront::TogglePause() {
    if (activeEngine_ == Engine::Player)
        playerEngine_.TogglePlay();
    else
        flashEngine_.Play();
    opening_ = false;
    nothingPlayed_ = false;
    playlistActive_ = true;
    Announce();
}

void MediaFront::Stop() {
    ++generation_;
    probes_.Supersede();
    services_.Supersede();
    nothingPlayed_ = false;
    // A Play that waited for its probe opened nothing: the engine's code
    // is read afresh, or the state of that Play would stand.
    if (opening_) lastPlayerState_ = -1;
    // Before the engine stops: the stopped state it reports would otherwise
    // read as the end of an item and step the list on to the next.
    playlistActive_ = false;
    if (activeEngine_ == Engine::Player)
        playerEngine_.Stop();
    else
        flashEngine_.Stop();
    opening_ = false;
    Announce();
}

Text MediaFront::DurationText() {
    if (IsLiveAddress(CurrentAddress())) return FormatTime(0);
    return FormatTime(activeEngine_ == Engine::Player ? WholeSeconds(playerEngine_.Duration())
                                                      : flashEngine_.GetTotalTime());
}

Text MediaFront::PositionText() {
    return FormatTime(activeEngine_ == Engine::Player ? WholeSeconds(playerEngine_.Position())
                                                      : flashEngine_.GetPlayTime());
}

double MediaFront::Duration() {
    // A live stream has no duration; what the engine gives is an estimate
    // that grows as data comes in.
    if (IsLiveAddress(CurrentAddress())) return 0;
    return activeEngine_ == Engine::Player ? playerEngine_.Duration() : flashEngine_.GetTotalTime();
}

double MediaFront::Position() {
    return activeEngine_ == Engine::Player ? playerEngine_.Position() : flashEngine_.GetPlayTime();
}

Text MediaFront::CurrentAddress() {
    return activeEngine_ == Engine::Player ? playerEngine_.Url() : flashEngine_.GetFlvUrl();
}

Text MediaFront::BufferText() {
    return NumberText(activeEngine_ == Engine::Player ? playerEngine_.BufferingProgress() : flashEngine_.GetBuffer()) +
           "%";
}

Text MediaFront::TimeText() {
    return activeEngine_ == Engine::Player ? playerEngine_.TimeText() : flashEngine_.GetPlayTimeString();
}

Text MediaFront::MediaItemTitle() { return activeEngine_ == Engine::Player ? playerEngine_.Title() : Text(); }

Text MediaFront::MediaItemAuthor() { return activeEngine_ == Engine::Player ? playerEngine_.Author() : Text(); }

Text MediaFront::SetChannel(int channel) {
    static const char* const names[] = {"立体音", "左声道", "右声道"};
    if (channel < 0 || channel > 2) return {};
    playerEngine_.SetBalance(channel);
    flashEngine_.SetPan(channel);
    return Text(names[channel]);
}

Text MediaFront::MediaTitle() {
    Text title = titleOverride_;
    if (title.Empty()) {
        const Text address = CurrentAddress();
        const Text name = FileName(address, false);
        const std::optional<std::size_t> dot = LastPosition(name, Text("."));
        title = dot ? name.Left(*dot - 1) : name;
        if (activeEngine_ == Engine::Player) {
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
    if (playlistIndex_ < 1 || playlistIndex_ > PlaylistCount()) return;
    Text item = playlist_[playlistIndex_ - 1];  // a copy: a re-entrant Play may replace the list
    listItem_ = playlistIndex_;
    Play(item, EngineRequest::Choose, true);
}

void MediaFront::Next() {
    if (PlaylistCount() > 0 && playlistIndex_ < PlaylistCount()) {
        ++playlistIndex_;
        PlayItem();
    } else {
        playerEngine_.Next();
    }
}

void MediaFront::Previous() {
    if (PlaylistCount() > 0 && playlistIndex_ >= 1) {
        if (playlistIndex_ == 1) playlistIndex_ = PlaylistCount() + 1;
        --playlistIndex_;
        PlayItem();
    } else {
        playerEngine_.Previous();
    }
}

bool MediaFront::PlayPlaylistItem(int index) {
    if (index < 1 || index > PlaylistCount()) return false;
    playlistActive_ = true;
    playlistIndex_ = index;
    PlayItem();
    return true;
}

bool MediaFront::RemovePlaylistItem(int index) {
    if (index < 1 || index > PlaylistCount()) return false;
    playlist_.erase(playlist_.begin() + (index - 1));
    // The item stepping on (while the list runs) and the one marked follow.
    if (index < playlistIndex_) --playlistIndex_;
    if (index < listItem_) {
        --listItem_;
    } else if (index == listItem_) {
        const bool stopped = state_ == lumora::PlayState::Stopped;
        if (listItem_ <= PlaylistCount()) {
            // The one after it has moved up into its place.
            if (!stopped) PlayPlaylistItem(listItem_);
        } else {
            if (!stopped) Stop();
            listItem_ = PlaylistCount();  // 0 once the list is empty
            playlistIndex_ = std::min(playlistIndex_, listItem_);
        }
    }
    Announce();
    return true;
}

bool MediaFront::MovePlaylistItem(int from, int to) {
    if (from < 1 || from > PlaylistCount() || to < 1 || to > PlaylistCount()) return false;
    Text item = std::move(playlist_[from - 1]);
    playlist_.erase(playlist_.begin() + (from - 1));
    playlist_.insert(playlist_.begin() + (to - 1), std::move(item));
    const auto follow = [from, to](int& place) {
        if (place == from)
            place = to;
        else if (from < place && place <= to)
            --place;
        else if (to <= place && place < from)
            ++place;
    };
    if (playlistIndex_ > 0) follow(playlistIndex_);
    if (listItem_ > 0) follow(listItem_);
    Announce();
    return true;
}

int MediaFront::DownloadProgress() {
    if (activeEngine_ != Engine::Player) return flashEngine_.GetDownBuffer();
    const State s = PlayState();
    return s == State::Buffering || s == State::Paused || s == State::Playing ? playerEngine_.DownloadProgress() : 0;
}

void MediaFront::SetPlayCount(int count) {
    if (activeEngine_ == Engine::Player) playerEngine_.SetPlayCount(count);
}

int MediaFront::VideoWidth() {
    return activeEngine_ == Engine::Player ? ClampToInt(playerEngine_.ImageWidth()) : flashEngine_.GetPlayWidth();
}

int MediaFront::VideoHeight() {
    return activeEngine_ == Engine::Player ? playerEngine_.ImageHeight() : flashEngine_.GetPlayHeight();
}

Text MediaFront::MediaType() {
    return activeEngine_ == Engine::Player ? playerEngine_.FileType() : Extension(CurrentAddress());
}

int MediaFront::SetScaleMode(int mode) {
    flashEngine_.SetScaleMode(mode);
    return mode;
}

int MediaFront::FindNoCase(const Text& text, const Text& part) { return lumora::FindNoCase(text, part); }

bool MediaFront::IsFlashMedia(const Text& address) {
    // Blocks on the probe; Play itself probes on a worker instead.
    std::optional<Text> finalAddress;
    const bool flash = IsFlashAddress(address, probe_, finalAddress);
    if (finalAddress) probedAddress_ = *finalAddress;
    return flash;
}

std::optional<bool> IsFlashByText(const Text& address) {
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
    return std::nullopt;
}

bool IsFlashAddress(const Text& address, const MediaFront::ProbeFunction& probe, std::optional<Text>& finalAddress) {
    finalAddress.reset();
    if (const std::optional<bool> decided = IsFlashByText(address)) return *decided;

    const StreamProbe answer = probe ? probe(address) : DefaultProbe(address);
    const Text contentType = answer.FirstType();
    const Text& probed = finalAddress.emplace(answer.finalAddress);

    if (HoldsAny(contentType, {"flv", "flash", "mp4", "application"})) return true;
    if (EndsInLive(probed)) return true;
    if (HoldsAny(probed, {":1755/", ":554/"})) return true;
    return OneOf(Extension(probed), {"flv", "pfv", "f4v", "mp4", "hlv", "flvx"});
}

EngineChoice ChooseEngine(const Text& address, bool rtmp, const MediaFront::ProbeFunction& probe) {
    EngineChoice choice;
    std::optional<Text> finalAddress;
    choice.engine = rtmp || IsFlashAddress(address, probe, finalAddress) ? Engine::Flash : Engine::Player;
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

void MediaFront::PlayFiles(const std::vector<Text>& files) {
    ++generation_;
    probes_.Supersede();
    services_.Supersede();
    titleOverride_ = Text();
    if (files.empty()) {
        NothingToPlay();
        Announce();
        return;
    }
    // The files are the play list as they are: no private forms, no ";".
    playlist_ = files;
    playlistActive_ = true;
    playlistIndex_ = 1;
    listItem_ = 1;
    Text first = files.front();
    Play(first, EngineRequest::Choose, true);
}

void MediaFront::Open(const Text& address, const Text& title, EngineRequest engine, AddressOrigin origin) {
    const std::uint64_t ticket = ++generation_;
    probes_.Supersede();
    services_.Supersede();
    titleOverride_ = Text();
    // The medium playing now is being replaced: its end must not step a
    // playlist_ (and so overtake this Open) while the services answer.
    playlistActive_ = false;
    if (!NeedsServices(address)) {
        Finish(ResolveOpen(address, title, engine), ticket, origin);
        return;
    }
    const std::chrono::milliseconds limit = serviceLimit_;
    const bool started = services_.Run(
        [address, title, engine, limit](std::stop_token stop) {
            ServiceOptions services;
            services.limit = limit;
            services.abandoned = [stop] { return stop.stop_requested(); };
            return ResolveOpen(address, title, engine, services);
        },
        [this, ticket, origin](Resolution resolution) {
            if (generation_ == ticket) Finish(resolution, ticket, origin);
        });
    if (!started) NothingToPlay();
    Announce();
}

void MediaFront::Finish(const Resolution& resolution, std::uint64_t ticket, AddressOrigin origin) {
    if (!resolution.titleFromCaller) titleOverride_ = resolution.titleOverride;
    if (!resolution.play) {
        NothingToPlay();
    } else {
        Text target = resolution.address;
        Play(target, resolution.engineType, false, resolution.fromService ? AddressOrigin::Network : origin);
        if (resolution.titleFromCaller && generation_ == ticket + 1) titleOverride_ = resolution.titleOverride;
    }
    Announce();
}

void MediaFront::NothingToPlay() {
    flashEngine_.Stop();
    playerEngine_.Stop();
    opening_ = false;
    playlistActive_ = false;
    playlistIndex_ = 0;
    listItem_ = 0;
    probedAddress_ = Text();
    nothingPlayed_ = true;
}

}  // namespace lumora
