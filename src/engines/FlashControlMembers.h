// SPDX-License-Identifier: GPL-3.0-or-later
// The movie control's members, in the control's order: one row per member
// operation of FlashControl. Each row says who runs the operation (Player:
// the player itself; Surface: only the by-name surface, which is built in
// FlashControlSurface.cpp, library lumora_engines_compat), its call kind and
// its types:
//
//   READ(use, Member, Result)     Result Member()           property get, then method
//   WRITE(use, Member, Argument)  bool SetMember(Argument)  put, put by reference, then method
//   CALL(use, Member, Result, (parameters), (arguments))
//                                 Result Member(parameters) method, then get, put, put by reference
//
// Result is Number (double), Bool or Text; Argument is Int, Bool or Text.
// Reads and calls give 0, false or empty text when every try fails; writes
// give false.
#pragma once

#include "base/Text.h"

namespace lumora::flash_member {

using Number = double;
using Bool = bool;
using Text = lumora::Text;
using ArgInt = int;
using ArgBool = bool;
using ArgText = const Text&;

}  // namespace lumora::flash_member

// "allowFullScreen", write-only and taking a flag, follows the last row:
// FlashControl::SetAllowFullScreen, written out in FlashControl.cpp.
#define LUMORA_FLASH_CONTROL_MEMBERS(READ, WRITE, CALL)                                                 \
    READ(Surface, ReadyState, Number)                                                                   \
    READ(Surface, TotalFrames, Number)                                                                  \
    READ(Surface, Playing, Bool)                                                                        \
    WRITE(Surface, Playing, Bool)                                                                       \
    READ(Surface, Quality, Number)                                                                      \
    WRITE(Surface, Quality, Int)                                                                        \
    READ(Surface, ScaleMode, Number)                                                                    \
    WRITE(Surface, ScaleMode, Int)                                                                      \
    READ(Surface, AlignMode, Number)                                                                    \
    WRITE(Surface, AlignMode, Int)                                                                      \
    READ(Surface, BackgroundColor, Number)                                                              \
    WRITE(Surface, BackgroundColor, Int)                                                                \
    READ(Surface, Loop, Bool)                                                                           \
    WRITE(Surface, Loop, Bool)                                                                          \
    READ(Surface, Movie, Text)                                                                          \
    WRITE(Player, Movie, Text)                                                                          \
    READ(Surface, FrameNum, Number)                                                                     \
    WRITE(Surface, FrameNum, Int)                                                                       \
    CALL(Surface, CurrentFrame, Number, (), ())                                                         \
    CALL(Surface, IsPlaying, Bool, (), ())                                                              \
    CALL(Surface, PercentLoaded, Number, (), ())                                                        \
    CALL(Surface, FrameLoaded, Bool, (int frame), (frame))                                              \
    CALL(Surface, FlashVersion, Number, (), ())                                                         \
    READ(Surface, WMode, Text)                                                                          \
    WRITE(Surface, WMode, Text)                                                                         \
    READ(Surface, SAlign, Text)                                                                         \
    WRITE(Surface, SAlign, Text)                                                                        \
    READ(Surface, Menu, Bool)                                                                           \
    WRITE(Surface, Menu, Bool)                                                                          \
    READ(Surface, Base, Text)                                                                           \
    WRITE(Surface, Base, Text)                                                                          \
    READ(Surface, Scale, Text)                                                                          \
    WRITE(Surface, Scale, Text)                                                                         \
    READ(Surface, DeviceFont, Bool)                                                                     \
    WRITE(Surface, DeviceFont, Bool)                                                                    \
    READ(Surface, EmbedMovie, Bool)                                                                     \
    WRITE(Surface, EmbedMovie, Bool)                                                                    \
    READ(Surface, BGColor, Text)                                                                        \
    WRITE(Surface, BGColor, Text)                                                                       \
    READ(Surface, Quality2, Text)                                                                       \
    WRITE(Surface, Quality2, Text)                                                                      \
    CALL(Surface, TCurrentFrame, Number, (const Text& target), (target))                                \
    CALL(Surface, TCurrentLabel, Text, (const Text& target), (target))                                  \
    CALL(Surface, GetVariable, Text, (const Text& name), (name))                                        \
    CALL(Surface, TGetProperty, Text, (const Text& target, int property), (target, property))           \
    CALL(Surface, TGetPropertyNum, Number, (const Text& target, int property), (target, property))      \
    CALL(Surface, TGetPropertyAsNumber, Number, (const Text& target, int property), (target, property)) \
    READ(Surface, SWRemote, Text)                                                                       \
    WRITE(Surface, SWRemote, Text)                                                                      \
    READ(Surface, FlashVars, Text)                                                                      \
    WRITE(Surface, FlashVars, Text)                                                                     \
    READ(Surface, AllowScriptAccess, Text)                                                              \
    WRITE(Player, AllowScriptAccess, Text)                                                              \
    READ(Surface, MovieData, Text)                                                                      \
    WRITE(Surface, MovieData, Text)                                                                     \
    READ(Surface, InlineData, Number)                                                                   \
    WRITE(Surface, InlineData, Int)                                                                     \
    READ(Surface, SeamlessTabbing, Bool)                                                                \
    WRITE(Surface, SeamlessTabbing, Bool)                                                               \
    READ(Surface, Profile, Bool)                                                                        \
    WRITE(Surface, Profile, Bool)                                                                       \
    READ(Surface, ProfileAddress, Text)                                                                 \
    WRITE(Surface, ProfileAddress, Text)                                                                \
    READ(Surface, ProfilePort, Number)                                                                  \
    WRITE(Surface, ProfilePort, Int)                                                                    \
    CALL(Player, CallFunction, Text, (const Text& request), (request))                                  \
    READ(Surface, AllowNetworking, Text)                                                                \
    WRITE(Surface, AllowNetworking, Text)
