#include "engines/FlashControl.h"

#include "platform/ControlHost.h"

namespace lumora {

namespace {

Text ReadText(const AutomationRef& object, const char* member) {
    return VariantText(AutomationRead(object, member));
}

double ReadNumber(const AutomationRef& object, const char* member) {
    return VariantNumber(AutomationRead(object, member));
}

bool ReadBool(const AutomationRef& object, const char* member) {
    return VariantBool(AutomationRead(object, member));
}

template <typename Value>
bool Write(const AutomationRef& object, const char* member, Value value) {
    return AutomationWrite(object, member, {Variant(std::move(value))});
}

}  // namespace

bool FlashControl::Create(QWidget* parent, int left, int top, int width, int height, const RightClickHandler& handler) {
    if (!CreateHost(parent, left, top, width, height, kMovieControlName)) return false;
    SetUpControl(handler);
    return true;
}

void FlashControl::SetUpControl(const RightClickHandler& handler) {
    // From the parent down, so every widget of the video area is covered,
    // the other engine's included.
    if (parentWindow_) SubclassTree(parentWindow_, handler);
    SetAllowFullScreen(1);
    SetAllowScriptAccess("always");
}

bool FlashControl::SetVariable(const Text& name, const Text& value) {
    return AutomationWrite(control, "setVariable", {name, value});
}

Text FlashControl::ReadSetVariable(const Text& name) {
    return VariantText(AutomationRead(control, "setVariable", {name}));
}

bool FlashControl::Attach(const AutomationRef& object) {
    control = object;
    return control != nullptr;
}

double FlashControl::ReadyState() { return ReadNumber(control, "ReadyState"); }
double FlashControl::TotalFrames() { return ReadNumber(control, "TotalFrames"); }
bool FlashControl::Playing() { return ReadBool(control, "Playing"); }
bool FlashControl::SetPlaying(bool value) { return Write(control, "Playing", value); }
double FlashControl::Quality() { return ReadNumber(control, "Quality"); }
bool FlashControl::SetQuality(int value) { return Write(control, "Quality", value); }
double FlashControl::ScaleMode() { return ReadNumber(control, "ScaleMode"); }
bool FlashControl::SetScaleMode(int value) { return Write(control, "ScaleMode", value); }
double FlashControl::AlignMode() { return ReadNumber(control, "AlignMode"); }
bool FlashControl::SetAlignMode(int value) { return Write(control, "AlignMode", value); }
double FlashControl::BackgroundColor() { return ReadNumber(control, "BackgroundColor"); }
bool FlashControl::SetBackgroundColor(int value) { return Write(control, "BackgroundColor", value); }
bool FlashControl::Loop() { return ReadBool(control, "Loop"); }
bool FlashControl::SetLoop(bool value) { return Write(control, "Loop", value); }
Text FlashControl::Movie() { return ReadText(control, "Movie"); }
bool FlashControl::SetMovie(const Text& path) { return Write(control, "Movie", path); }
double FlashControl::FrameNum() { return ReadNumber(control, "FrameNum"); }
bool FlashControl::SetFrameNum(int value) { return Write(control, "FrameNum", value); }
double FlashControl::CurrentFrame() { return VariantNumber(AutomationCall(control, "CurrentFrame")); }
bool FlashControl::IsPlaying() { return VariantBool(AutomationCall(control, "IsPlaying")); }
double FlashControl::PercentLoaded() { return VariantNumber(AutomationCall(control, "PercentLoaded")); }
bool FlashControl::FrameLoaded(int frame) { return VariantBool(AutomationCall(control, "FrameLoaded", {frame})); }
double FlashControl::FlashVersion() { return VariantNumber(AutomationCall(control, "FlashVersion")); }
Text FlashControl::WMode() { return ReadText(control, "WMode"); }
bool FlashControl::SetWMode(const Text& value) { return Write(control, "WMode", value); }
Text FlashControl::SAlign() { return ReadText(control, "SAlign"); }
bool FlashControl::SetSAlign(const Text& value) { return Write(control, "SAlign", value); }
bool FlashControl::Menu() { return ReadBool(control, "Menu"); }
bool FlashControl::SetMenu(bool value) { return Write(control, "Menu", value); }
Text FlashControl::Base() { return ReadText(control, "Base"); }
bool FlashControl::SetBase(const Text& value) { return Write(control, "Base", value); }
Text FlashControl::Scale() { return ReadText(control, "Scale"); }
bool FlashControl::SetScale(const Text& value) { return Write(control, "Scale", value); }
bool FlashControl::DeviceFont() { return ReadBool(control, "DeviceFont"); }
bool FlashControl::SetDeviceFont(bool value) { return Write(control, "DeviceFont", value); }
bool FlashControl::EmbedMovie() { return ReadBool(control, "EmbedMovie"); }
bool FlashControl::SetEmbedMovie(bool value) { return Write(control, "EmbedMovie", value); }
Text FlashControl::BGColor() { return ReadText(control, "BGColor"); }
bool FlashControl::SetBGColor(const Text& value) { return Write(control, "BGColor", value); }
Text FlashControl::Quality2() { return ReadText(control, "Quality2"); }
bool FlashControl::SetQuality2(const Text& value) { return Write(control, "Quality2", value); }

double FlashControl::TCurrentFrame(const Text& target) {
    return VariantNumber(AutomationCall(control, "TCurrentFrame", {target}));
}

Text FlashControl::TCurrentLabel(const Text& target) {
    return VariantText(AutomationCall(control, "TCurrentLabel", {target}));
}

Text FlashControl::GetVariable(const Text& name) {
    return VariantText(AutomationCall(control, "GetVariable", {name}));
}

Text FlashControl::TGetProperty(const Text& target, int property) {
    return VariantText(AutomationCall(control, "TGetProperty", {target, property}));
}

double FlashControl::TGetPropertyNum(const Text& target, int property) {
    return VariantNumber(AutomationCall(control, "TGetPropertyNum", {target, property}));
}

double FlashControl::TGetPropertyAsNumber(const Text& target, int property) {
    return VariantNumber(AutomationCall(control, "TGetPropertyAsNumber", {target, property}));
}

Text FlashControl::SWRemote() { return ReadText(control, "SWRemote"); }
bool FlashControl::SetSWRemote(const Text& value) { return Write(control, "SWRemote", value); }
Text FlashControl::FlashVars() { return ReadText(control, "FlashVars"); }
bool FlashControl::SetFlashVars(const Text& value) { return Write(control, "FlashVars", value); }
Text FlashControl::AllowScriptAccess() { return ReadText(control, "AllowScriptAccess"); }
bool FlashControl::SetAllowScriptAccess(const Text& value) { return Write(control, "AllowScriptAccess", value); }
Text FlashControl::MovieData() { return ReadText(control, "MovieData"); }
bool FlashControl::SetMovieData(const Text& value) { return Write(control, "MovieData", value); }
double FlashControl::InlineData() { return ReadNumber(control, "InlineData"); }
bool FlashControl::SetInlineData(int value) { return Write(control, "InlineData", value); }
bool FlashControl::SeamlessTabbing() { return ReadBool(control, "SeamlessTabbing"); }
bool FlashControl::SetSeamlessTabbing(bool value) { return Write(control, "SeamlessTabbing", value); }
bool FlashControl::Profile() { return ReadBool(control, "Profile"); }
bool FlashControl::SetProfile(bool value) { return Write(control, "Profile", value); }
Text FlashControl::ProfileAddress() { return ReadText(control, "ProfileAddress"); }
bool FlashControl::SetProfileAddress(const Text& value) { return Write(control, "ProfileAddress", value); }
double FlashControl::ProfilePort() { return ReadNumber(control, "ProfilePort"); }
bool FlashControl::SetProfilePort(int value) { return Write(control, "ProfilePort", value); }

Text FlashControl::CallFunction(const Text& request) {
    return VariantText(AutomationCall(control, "CallFunction", {request}));
}

Text FlashControl::AllowNetworking() { return ReadText(control, "AllowNetworking"); }
bool FlashControl::SetAllowNetworking(const Text& value) { return Write(control, "AllowNetworking", value); }

bool FlashControl::SetAllowFullScreen(int flag) {
    return Write(control, "allowFullScreen", Text(flag == 1 ? "true" : "false"));
}

}  // namespace lumora
