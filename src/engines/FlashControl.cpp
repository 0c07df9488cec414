// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/FlashControl.h"

#include "engines/FlashControlCalls.h"
#include "engines/ControlHost.h"

namespace lumora {

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

bool FlashControl::Attach(const AutomationRef& object) {
    control = object;
    return control != nullptr;
}

// The member operations the player runs: the movie path, the script access,
// and every query (CallFunction).
#define LUMORA_FLASH_Player(...) __VA_ARGS__
#define LUMORA_FLASH_Surface(...)
LUMORA_FLASH_CONTROL_MEMBERS(LUMORA_FLASH_DEFINE_READ, LUMORA_FLASH_DEFINE_WRITE, LUMORA_FLASH_DEFINE_CALL)

bool FlashControl::SetAllowFullScreen(int flag) {
    return flash_member::Write(control, "allowFullScreen", Text(flag == 1 ? "true" : "false"));
}

}  // namespace lumora
