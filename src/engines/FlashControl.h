// SPDX-License-Identifier: GPL-3.0-or-later
// The movie control reached by member name: creation and placement, and one
// operation per member of the control. The player runs only the operations
// defined in FlashControl.cpp; the rest of the by-name surface is built in
// FlashControlSurface.cpp (library lumora_engines_compat), which the player
// does not link.
#pragma once

#include "engines/FlashControlMembers.h"
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
    // A read of "setVariable": the control has no such readable member, so
    // this is always empty. By-name surface only.
    Text ReadSetVariable(const Text& name);
    bool Attach(const AutomationRef& object);
    AutomationRef ControlObject() const { return control; }
    void ReleaseControl() { control.reset(); }

    // The member operations, one per row of LUMORA_FLASH_CONTROL_MEMBERS: a
    // read is the member's name, a write is Set + the name.
#define LUMORA_FLASH_DECLARE_READ(use, Member, Result) flash_member::Result Member();
#define LUMORA_FLASH_DECLARE_WRITE(use, Member, Argument) bool Set##Member(flash_member::Arg##Argument value);
#define LUMORA_FLASH_DECLARE_CALL(use, Member, Result, parameters, arguments) flash_member::Result Member parameters;
    LUMORA_FLASH_CONTROL_MEMBERS(LUMORA_FLASH_DECLARE_READ, LUMORA_FLASH_DECLARE_WRITE, LUMORA_FLASH_DECLARE_CALL)
#undef LUMORA_FLASH_DECLARE_READ
#undef LUMORA_FLASH_DECLARE_WRITE
#undef LUMORA_FLASH_DECLARE_CALL

    // Writes "true" when the flag is 1, else "false".
    bool SetAllowFullScreen(int flag);
};

}  // namespace lumora
