// SPDX-License-Identifier: GPL-3.0-or-later
// The movie control's by-name surface that the player never runs: every
// member operation the table marks Surface, and the read of "setVariable".
#include "engines/FlashControl.h"

#include "engines/FlashControlCalls.h"

namespace lumora {

Text FlashControl::ReadSetVariable(const Text& name) {
    return VariantText(AutomationRead(control, "setVariable", {name}));
}

#define LUMORA_FLASH_Player(...)
#define LUMORA_FLASH_Surface(...) __VA_ARGS__
LUMORA_FLASH_CONTROL_MEMBERS(LUMORA_FLASH_DEFINE_READ, LUMORA_FLASH_DEFINE_WRITE, LUMORA_FLASH_DEFINE_CALL)

}  // namespace lumora
