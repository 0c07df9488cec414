// SPDX-License-Identifier: GPL-3.0-or-later
// Plays everything else: the media player engine over a typed player. It
// reports its state in the media player's own numbering (0 to 11) and keeps
// that engine's manners: a stopped swf medium is unloaded and loaded again
// by the next TogglePlay, the end of a medium is reported once as "ended".
#pragma once

#include "engines/HostedControl.h"
#include "platform/ControlStates.h"

namespace lumora {

class MediaPlayerEngine : public HostedControl {
public:
    // Hosts the player (no stretching: at its own size, smaller when it does
    // not fit), sets the volume, then registers its host for right-clicks.
    bool Create(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler = {});
    // What Create does once the player is up: its display and volume, then
    // the right-click registration of the host's tree.
    void SetUpControl(const RightClickHandler& handler);

    void SetUrl(const Text& address);
    MediaPlayerState PlayState();
    bool TogglePlay();
    void Stop();
    void SetVolume(int volume);
    bool ToggleMute();
    Text PositionString();
    Text DurationString();
    void SetStretchToFit(int flag);
    double Duration();
    double Position();
    void SetPosition(int seconds);
    Text TimeText();
    int BufferingProgress();
    Text Url();
    Text Title();
    Text Author();
    int SetBalance(int channel);
    void Next();
    void Previous();
    int DownloadProgress();
    Text FileType();
    void SetPlayCount(int count);
    double ImageWidth();
    int ImageHeight();

    Text savedUrl;

private:
    bool endReported_ = false;  // the end was read once as MediaEnded
    bool stretchToFit_ = false;
    int playCount_ = 1;
};

}  // namespace lumora
