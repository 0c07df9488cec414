// Plays everything else through the media player control and its
// sub-objects "controls", "Settings", "currentMedia" and "network", each
// fetched for one call and released right after it.
#pragma once

#include "engines/HostedControl.h"
#include "platform/ControlStates.h"

namespace lumora {

class MediaPlayerEngine : public HostedControl {
public:
    // Hosts the media player control, writes uiMode, enableContextMenu,
    // StretchToFit and the volume, then registers its host for right-clicks.
    bool Create(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler = {});
    // What Create does once the control is up: the four writes, then the
    // right-click registration of the host's tree.
    void SetUpControl(const RightClickHandler& handler);

    void SetUrl(const Text& address);
    void SetFullScreen(int flag);
    MediaPlayerState PlayState();
    bool TogglePlay();
    void Stop();
    void SetVolume(int volume);
    bool ToggleMute();
    Text PositionString();
    Text DurationString();
    void SetContextMenu(int flag);
    void SetStretchToFit(int flag);
    void SetUiMode(int mode);
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
    Text SourceUrl();
    void SetPlayCount(int count);
    double ImageWidth();
    int ImageHeight();

    Text savedUrl;
};

}  // namespace lumora
