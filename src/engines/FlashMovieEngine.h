// Plays Flash video through the carried player movie: commands through
// SetVariable, queries through CallFunction with bracketed replies.
#pragma once

#include "engines/FlashControl.h"
#include "platform/ControlStates.h"

namespace lumora {

class FlashMovieEngine {
public:
    // Writes the carried movie into a new private directory, creates the
    // control, loads the movie, deletes the file and the directory, sets the
    // volume to 100. When the movie could not be written, every address
    // opened fails (play state 5) until Stop.
    void Create(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler = {});
    QWidget* ParentWindow() const { return flashControl.ParentWindow(); }
    bool SetVisible(int show = 0);
    int Move(int left, int top, int width, int height) { return flashControl.Move(left, top, width, height); }

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

    FlashControl flashControl;
    Text moviePath;

private:
    bool movieWritten_ = true;
    bool openFailed_ = false;
};

}  // namespace lumora
