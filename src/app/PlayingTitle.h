// SPDX-License-Identifier: GPL-3.0-or-later
// The window title as playback goes on: it names the medium that plays (a
// local file, a typed or handed-over address) once it plays, and says why a
// play failed. A running download's progress and a list fetch on its way
// keep the title: their texts are the ones the user waits for.
#pragma once

#include <QString>

#include <string>

namespace lumora {

class MainWindow;

// Follows the play state the status bar shows now (after PollPlayState):
// on reaching "playing" with nameInTitle set, the title becomes
// "Lumora视频播放器：" + the programme's name; on reaching "failed" it
// becomes "播放失败：" + the name + the reason in brackets.
void FollowPlayingTitle(MainWindow& window);

// The reason a play failed as the window says it: the engine's words for
// the common reasons in Chinese, anything after the first ": " (mpv's own
// detail, such as an HTTP status) kept as it is.
QString FailureReasonText(const std::string& reason);

}  // namespace lumora
