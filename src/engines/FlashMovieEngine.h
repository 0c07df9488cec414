// SPDX-License-Identifier: GPL-3.0-or-later
// Plays Flash video: the movie engine over a typed player. It reports its
// state in the movie's numbering (0 to 5) and answers only while the carried
// player movie it writes at creation could be read back whole.
#pragma once

#include "engines/HostedControl.h"
#include "platform/ControlStates.h"

namespace lumora {

class FlashMovieEngine {
public:
    // Writes the carried movie into a new private directory, hosts the
    // player, reads the movie back, deletes the file and the directory, sets
    // the volume to 100. When the movie could not be written, every address
    // opened fails (play state 5) until Stop.
    void Create(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler = {});
    QWidget* ParentWindow() const { return movieHost.ParentWindow(); }
    bool SetVisible(int show = 0);
    int Move(int left, int top, int width, int height) { return movieHost.Move(left, top, width, height); }

    void Play();
    void Stop();
    void SetPlayUrl(const Text& address);
    void SetVolume(int volume);
    void SetScaleMode(int mode);
    void NoVolume();
    int SetPan(int channel);
    int GetPlayState();
    Text GetFlvUrl();
    Text GetTotalTimeString();
    Text GetTimeString();
    Text GetPlayTimeString();
    void SetSeek(int position);
    int GetTotalTime();
    Text GetInfoCode();
    int GetPlayWidth();
    int GetPlayHeight();
    int TotalSeconds();
    int GetPlayTime();
    MovieState State() { return MovieStateFromCode(GetPlayState()); }
    int GetBuffer();
    int GetDownBuffer();

    // The player that plays the movie's addresses; null while the carried
    // movie is not loaded.
    Player* Movie() const;
    // Puts another player in as the one the loaded movie drives (tests).
    void UseMovie(Player* player) {
        movieHost.UsePlayer(player);
        movieMissing_ = false;
    }

    // Where the movie's picture is hosted.
    HostedControl movieHost;
    Text moviePath;

private:
    bool movieMissing_ = false;  // the carried movie could not be written or read back
    bool urlGiven_ = false;
    bool openFailed_ = false;
};

}  // namespace lumora
