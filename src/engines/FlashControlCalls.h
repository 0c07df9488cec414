// SPDX-License-Identifier: GPL-3.0-or-later
// The bodies of FlashControl's member operations, made from the rows of
// LUMORA_FLASH_CONTROL_MEMBERS. A source file defines LUMORA_FLASH_Player and
// LUMORA_FLASH_Surface (each either passing its arguments on or dropping
// them) to pick the rows it builds, then expands the table with these.
#pragma once

#include "engines/FlashControl.h"
#include "platform/Automation.h"

#include <utility>

namespace lumora::flash_member {

inline Text ReadText(const AutomationRef& object, const char* member) {
    return VariantText(AutomationRead(object, member));
}

inline double ReadNumber(const AutomationRef& object, const char* member) {
    return VariantNumber(AutomationRead(object, member));
}

inline bool ReadBool(const AutomationRef& object, const char* member) {
    return VariantBool(AutomationRead(object, member));
}

inline Text CallText(const AutomationRef& object, const char* member, const std::vector<Variant>& args) {
    return VariantText(AutomationCall(object, member, args));
}

inline double CallNumber(const AutomationRef& object, const char* member, const std::vector<Variant>& args) {
    return VariantNumber(AutomationCall(object, member, args));
}

inline bool CallBool(const AutomationRef& object, const char* member, const std::vector<Variant>& args) {
    return VariantBool(AutomationCall(object, member, args));
}

template <typename Value>
bool Write(const AutomationRef& object, const char* member, Value value) {
    return AutomationWrite(object, member, {Variant(std::move(value))});
}

}  // namespace lumora::flash_member

#define LUMORA_FLASH_UNPAREN(...) __VA_ARGS__

#define LUMORA_FLASH_DEFINE_READ(use, Member, Result) \
    LUMORA_FLASH_##use(                               \
        flash_member::Result FlashControl::Member() { return flash_member::Read##Result(control, #Member); })

#define LUMORA_FLASH_DEFINE_WRITE(use, Member, Argument)                                   \
    LUMORA_FLASH_##use(bool FlashControl::Set##Member(flash_member::Arg##Argument value) { \
        return flash_member::Write(control, #Member, value);                               \
    })

#define LUMORA_FLASH_DEFINE_CALL(use, Member, Result, parameters, arguments)                   \
    LUMORA_FLASH_##use(flash_member::Result FlashControl::Member parameters {                  \
        return flash_member::Call##Result(control, #Member, {LUMORA_FLASH_UNPAREN arguments}); \
    })
