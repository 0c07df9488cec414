// SPDX-License-Identifier: GPL-3.0-or-later
// MediaFront: the one object through which the program plays media.
//
// It owns both engines, keeps one of them shown in the video area and
// forwards every playback command to the active one. Play decides which
// engine gets an address (IsFlashMedia: extension, text markers and, for
// plain http addresses, a network probe) and which address it is given.
//
// Everything runs on the GUI thread; nothing here waits for the network. The
// network probe of Play and the service requests of Open run as worker jobs
// whose results come back to the GUI thread: meanwhile PlayState reports
// Connecting (for the probe), and a later Play, Open or Stop supersedes the
// job, whose late result is then dropped.
//
// The front follows its engines' players: StateChanged follows every change
// that may alter what PlayState reports, so the window reacts to changes
// instead of polling. Reading PlayState also steps a play list at the end of
// an item; the front reads it itself on every change, so a list plays on
// with nobody watching.
#pragma once

#include "base/Text.h"
#include "engines/FlashMovieEngine.h"
#include "engines/MediaPlayerEngine.h"
#include "platform/RightClickRegistry.h"
#include "probe/ProbeStream.h"
#include "resolve/PlayState.h"
#include "resolve/PrivateSchemes.h"
#include "threads/WorkerChannel.h"

#include <QObject>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

// The automatic engine choice (EngineRequest::Choose), made without touching an
// engine.
struct EngineChoice {
    Engine engine = Engine::Player;
    Text address;        // what that engine opens
    Text probedAddress;  // the probe's final address; empty when none ran or it gave none
};

class MediaFront : public QObject {
    Q_OBJECT
public:
    // The network probe IsFlashMedia asks about plain http addresses: the
    // final head's Content-Type and the final address (ProbeAddress).
    using ProbeFunction = std::function<StreamProbe(const Text& address)>;

    MediaFront();
    ~MediaFront() override;

    // Shows the active engine at the stored area and hides the other
    // (stopped, moved to 0,0 with size 0x0). Returns the engine shown.
    Engine ShowActiveEngine();

    // Classifies `address` and opens it in an engine (or in the engine
    // asked for). A ";"-joined address
    // longer than 20 bytes starts a playlist at item 1, unless it names an
    // existing local file. `address` is updated
    // to the address actually played (playlist item, rtmp "@" → "mp4:").
    // A local path (beginning with "/") neither stops the engines nor shows
    // "connecting". A plain http address that no marker decides is probed
    // on a worker; the engine opens it when the probe answers, unless a later
    // Play, Open or Stop came first.
    // From the network, every play list item that is no network stream is
    // dropped (only the user chooses local files).
    void Play(Text& address, EngineRequest engine = EngineRequest::Choose, bool keepPlaylist = false,
              AddressOrigin origin = AddressOrigin::User);
    void Play(const Text& address, EngineRequest engine = EngineRequest::Choose, bool keepPlaylist = false,
              AddressOrigin origin = AddressOrigin::User);

    // Creates both engines in `parent` (media player first) at the area.
    void Attach(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler = {});

    // Stores the area, moves the active engine there and the other to
    // (-100,-100) with size 0x0. Returns the active engine's Move. Full
    // screen is the window's (WindowLayout): it resizes the front to the
    // whole screen.
    int Resize(int left, int top, int width, int height);

    QWidget* ParentWindow() const;
    // With an argument: shows both engines for 1, hides them otherwise.
    // Returns the last argument given (1 after Attach).
    int SetVisible(std::optional<int> show = std::nullopt);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Polled every 10 ms; the end of a medium steps a playlist. Connecting
    // while Play waits on the network.
    lumora::PlayState PlayState();

    int SetVolume(int value);
    int ToggleMute();
    // Whether ToggleMute muted both engines (SetVolume unmutes).
    bool Muted() const { return muted_; }
    void Seek(int seconds);
    void TogglePause();
    void Stop();
    Text DurationText();
    Text PositionText();
    double Duration();
    double Position();
    Text CurrentAddress();
    Text BufferText();
    Text TimeText();
    Text MediaItemTitle();
    Text MediaItemAuthor();
    // 0 stereo, 1 left, 2 right: returns the channel's name; else empty text.
    Text SetChannel(int channel);
    Text MediaTitle();
    void Next();
    void Previous();
    int DownloadProgress();
    void SetPlayCount(int count);
    int VideoWidth();
    int VideoHeight();
    Text MediaType();
    int SetScaleMode(int mode);
    static int FindNoCase(const Text& text, const Text& part);
    bool IsFlashMedia(const Text& address);

    // Plays an address with an optional display title, resolving the private
    // address forms first (ResolveOpen, PrivateSchemes.h). The forms that ask
    // web services resolve on a worker; a later Play, Open or Stop meanwhile
    // wins: this Open asks no further service and plays nothing. When the 56 video service finds no video,
    // nothing is played: both engines stop and PlayState reports Failed
    // until the next Play, Stop or TogglePause.
    void Open(const Text& address, const Text& title = {}, EngineRequest engine = EngineRequest::Choose,
              AddressOrigin origin = AddressOrigin::User);

    // Plays local files chosen together as a play list in the order given,
    // each one whole: a name may hold ";", "|" or "$$".
    void PlayFiles(const std::vector<Text>& files);

    // Replaces the network probe (tests); an empty function restores
    // ProbeAddress.
    void SetProbe(ProbeFunction probe);

    // How long each service request of Open may take (tests use short
    // limits); 0 restores the default of 10 s.
    void SetServiceLimit(std::chrono::milliseconds limit);

    // A probe or a service request of the last Play or Open is still on its way.
    bool Busy() const;

    // Why the medium failed, in the engine's words (or the front's own when
    // nothing could be played); empty while nothing failed. Every failure is
    // also logged (lumora.playback) with its address and reason.
    std::string FailureReason() const;

    // The typed player of the engine in use, and of both engines; null where
    // an engine has none (before Attach).
    Player* ActivePlayer() const;
    std::vector<Player*> Players() const;
    // Follows the players the engines hold now (Attach does this; tests that
    // put other players in call it again).
    void WatchEngines();

    // The engines themselves: their hosting, and the players tests put in.
    FlashMovieEngine& FlashEngine() { return flashEngine_; }
    MediaPlayerEngine& PlayerEngine() { return playerEngine_; }
    // The engine commands go to: the one the last Play chose.
    Engine ActiveEngine() const { return activeEngine_; }
    // The final address the last stream probe reported; empty when none.
    const Text& ProbedAddress() const { return probedAddress_; }
    // The title MediaTitle gives when not empty (set by Open).
    const Text& TitleOverride() const { return titleOverride_; }
    // The items of the last ";"-address, the 1-based item playing (0: none)
    // and whether the end of an item steps on to the next.
    const std::vector<Text>& PlaylistItems() const { return playlist_; }
    int PlaylistIndex() const { return playlistIndex_; }
    bool PlaylistActive() const { return playlistActive_; }
    // The 1-based item of PlaylistItems that plays or played last, also once
    // the list ran out (PlaylistIndex is 0 from its last item on); 0 when
    // what plays came from no list.
    int PlaylistItemPlaying() const { return listItem_; }

    // The play list as the user edits it (the window's play list panel);
    // items count from 1, as PlaylistIndex does. Each returns false, and
    // changes nothing, for an item that is not there.
    // Plays item `index` (also after the list was stopped or ran out).
    bool PlayPlaylistItem(int index);
    // Takes item `index` out of the list. The item playing, taken out,
    // makes way for the one after it, as in mpv; the last one stops. (A
    // stopped list stays stopped.)
    bool RemovePlaylistItem(int index);
    // Moves item `from` to place `to`; what plays goes on playing.
    bool MovePlaylistItem(int from, int to);

signals:
    // What PlayState reports may have changed.
    void StateChanged();
    // Anything an engine reports may have changed (position, settings, the
    // subtitle line, ...).
    void Changed();

private:
    // An engine's player reported a change: follow it (a play list steps on).
    void OnEngineChanged();
    // An engine's player failed: the address and the reason go to the log.
    void OnEngineFailed(const Player& player, const QString& reason);
    // Tells the listeners that the state may read differently now.
    void Announce();
    // Play's last step, once the engine is chosen (at once, or when the probe answers).
    void Open(const EngineChoice& choice);
    // Open's last step, once the address is resolved.
    void Finish(const Resolution& resolution, std::uint64_t ticket, AddressOrigin origin);
    // Makes `engine` the one commands go to.
    void Activate(Engine engine);
    lumora::PlayState PlayerEngineState();
    lumora::PlayState FlashEngineState();
    void EndOfMedia(int code);
    void PlayItem();
    void SyncPlayerMute(bool mute);
    void NothingToPlay();
    int PlaylistCount() const { return static_cast<int>(playlist_.size()); }

    FlashMovieEngine flashEngine_;
    MediaPlayerEngine playerEngine_;
    Engine activeEngine_ = Engine::Flash;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool muted_ = false;
    int volume_ = 0;
    int visible_ = 0;
    std::optional<Engine> shownEngine_;  // none before the first Play
    bool playlistActive_ = false;
    int playlistIndex_ = 0;  // 1-based; 0 none
    int listItem_ = 0;       // 1-based; 0 none
    std::vector<Text> playlist_;
    Text titleOverride_;
    // The last code read from the active engine, in that engine's own
    // numbering; -1 forgets it. Both engines share it: Activate sets it to
    // the new engine's stopped code.
    int lastPlayerState_ = 0;
    lumora::PlayState state_ = lumora::PlayState::Stopped;
    bool opening_ = false;  // Play is choosing the engine for a network address
    Text probedAddress_;
    ProbeFunction probe_;
    std::chrono::milliseconds serviceLimit_;
    // Set when Open found nothing to play; PlayState reports failed while set.
    bool nothingPlayed_ = false;
    // Bumped by every Play, Open and Stop; a Play whose number changed while
    // it waited on the network has been overtaken.
    std::uint64_t generation_ = 0;
    std::vector<QMetaObject::Connection> watched_;
    WorkerChannel probes_{*this};
    WorkerChannel services_{*this};
};


// IsFlashMedia's tests that need no network: its answer from the address's
// extension and markers alone; empty for a plain http address that only the
// probe can decide.
std::optional<bool> IsFlashByText(const Text& address);

// IsFlashMedia's tests on their own. `probe` is asked only about plain http
// addresses that no marker decides; then `finalAddress` receives the
// probe's final address. An empty probe stands for ProbeAddress.
bool IsFlashAddress(const Text& address, const MediaFront::ProbeFunction& probe, std::optional<Text>& finalAddress);

// The engine and address for `address` as Play holds it after its playlist
// and rtmp steps. `rtmp`: the address Play was given has an rtmp scheme (the
// Flash engine then, without a probe). A probed final address longer than
// 15 bytes replaces the address.
EngineChoice ChooseEngine(const Text& address, bool rtmp, const MediaFront::ProbeFunction& probe = {});

// What Play with EngineRequest::Choose opens for `address` when no playlist runs:
// item 1 of a playlist, the rtmp stream marks, then ChooseEngine. Probes the
// way Play does; plays nothing.
EngineChoice ClassifyAddress(const Text& address, const MediaFront::ProbeFunction& probe = {});

}  // namespace lumora
