// The movie control reached by member name: creation and placement, and one
// operation per member the engine uses.
#pragma once

#include "engines/HostedControl.h"

namespace lumora {

class FlashControl : public HostedControl {
public:
    // Hosts the movie control, registers the parent's widget tree for
    // right-clicks, then writes "allowFullScreen" and "AllowScriptAccess".
    bool Create(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler = {});
    // What Create does once the control is up: the right-click registration
    // of the parent's tree, then the two writes.
    void SetUpControl(const RightClickHandler& handler);

    // A write of "setVariable", which reaches the control's SetVariable method.
    bool SetVariable(const Text& name, const Text& value);
    // A read of "setVariable": the control has no such readable member.
    Text ReadSetVariable(const Text& name);
    bool Attach(const AutomationRef& object);
    AutomationRef ControlObject() const { return control; }
    void ReleaseControl() { control.reset(); }

    // Members, in the control's order. A read is the member's name, a write
    // is Set + the name; reads of numbers give 0 and writes false on failure.
    double ReadyState();
    double TotalFrames();
    bool Playing();
    bool SetPlaying(bool value);
    double Quality();
    bool SetQuality(int value);
    double ScaleMode();
    bool SetScaleMode(int value);
    double AlignMode();
    bool SetAlignMode(int value);
    double BackgroundColor();
    bool SetBackgroundColor(int value);
    bool Loop();
    bool SetLoop(bool value);
    Text Movie();
    bool SetMovie(const Text& path);
    double FrameNum();
    bool SetFrameNum(int value);
    double CurrentFrame();
    bool IsPlaying();
    double PercentLoaded();
    bool FrameLoaded(int frame);
    double FlashVersion();
    Text WMode();
    bool SetWMode(const Text& value);
    Text SAlign();
    bool SetSAlign(const Text& value);
    bool Menu();
    bool SetMenu(bool value);
    Text Base();
    bool SetBase(const Text& value);
    Text Scale();
    bool SetScale(const Text& value);
    bool DeviceFont();
    bool SetDeviceFont(bool value);
    bool EmbedMovie();
    bool SetEmbedMovie(bool value);
    Text BGColor();
    bool SetBGColor(const Text& value);
    Text Quality2();
    bool SetQuality2(const Text& value);
    double TCurrentFrame(const Text& target);
    Text TCurrentLabel(const Text& target);
    Text GetVariable(const Text& name);
    Text TGetProperty(const Text& target, int property);
    double TGetPropertyNum(const Text& target, int property);
    double TGetPropertyAsNumber(const Text& target, int property);
    Text SWRemote();
    bool SetSWRemote(const Text& value);
    Text FlashVars();
    bool SetFlashVars(const Text& value);
    Text AllowScriptAccess();
    bool SetAllowScriptAccess(const Text& value);
    Text MovieData();
    bool SetMovieData(const Text& value);
    double InlineData();
    bool SetInlineData(int value);
    bool SeamlessTabbing();
    bool SetSeamlessTabbing(bool value);
    bool Profile();
    bool SetProfile(bool value);
    Text ProfileAddress();
    bool SetProfileAddress(const Text& value);
    double ProfilePort();
    bool SetProfilePort(int value);
    // The invoke request in, the control's reply out (empty when the call fails).
    Text CallFunction(const Text& request);
    Text AllowNetworking();
    bool SetAllowNetworking(const Text& value);
    // Writes "true" when the flag is 1, else "false".
    bool SetAllowFullScreen(int flag);
};

}  // namespace lumora
