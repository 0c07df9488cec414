// SPDX-License-Identifier: GPL-3.0-or-later
// The movie control: the stand-in of the Flash control with the player
// movie in it, reached by member name.
//
// Members: "Movie" (a write loads a movie file; only a player movie, see
// SwfMovie.h, gives a movie; a read gives the path), "AllowScriptAccess",
// "allowFullScreen", the method SetVariable(name, value) (a method only, so a
// property write of it fails and a write falls back to the method), and the
// method CallFunction(request), which answers an invoke request
// "<invoke name='X' returntype='xml'></invoke>" with "<string>[value]</string>"
// and gives no reply while no movie is loaded.
//
// The movie's protocol, played by one typed player:
//   watched variables  setPlay ("Play": pause, resume, or start again when
//                      stopped; "Stop"), setPlayUrl, setVolume (0-100),
//                      setScaleMode (1 fit, 2 fill and crop, 3 own size,
//                      else stretch), setSeek (seconds), setPan (0 both,
//                      1 left, 2 right, 3 both mixed to mono)
//   callbacks          getPlayState (0 stopped, 1 buffering, 2 paused,
//                      3 playing, 4 loading, 5 failed), getTotalTime,
//                      getPlayTime (seconds), getTotalTimeString,
//                      getTimeString (play time), getPlayTimeString (play
//                      time/total time), getBuffer, getDownBuffer (percent),
//                      getPlayWidth, getPlayHeight, getFlvUrl ("undefined"
//                      before any address), getInfoCode, noVolume
// Time strings are "mm:ss": at least two minute digits, minutes above 59
// for long media, "00:00" without a time.
#pragma once

#include "platform/MediaTexts.h"

#include "platform/Automation.h"
#include "platform/ControlStates.h"
#include "player/Player.h"

#include <memory>
#include <optional>
#include <string>

namespace lumora {

class MovieControl : public MemberTable {
public:
    explicit MovieControl(std::unique_ptr<Player> player);
    ~MovieControl() override;

    Player& Engine() { return *session_; }
    bool MovieLoaded() const { return movieLoaded_; }

private:
    void LoadMovie(const Text& path);
    void SetVariable(const Text& name, const Text& value);
    std::optional<Text> CallFunction(const Text& request);
    std::optional<Text> Callback(const std::string& name);
    MovieState PlayState() const;
    Text InfoCode() const;

    std::unique_ptr<Player> session_;
    Text moviePath_;
    Text allowScriptAccess_ = "sameDomain";
    Text allowFullScreen_ = "false";
    bool movieLoaded_ = false;
    bool urlGiven_ = false;
};

}  // namespace lumora
