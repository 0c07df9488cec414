// SPDX-License-Identifier: GPL-3.0-or-later
// The on-screen display: short messages drawn by the player over the picture
// (so also in full screen) when the user changes something: a seek shows the
// position and the duration, and volume, mute, speed, pause, subtitles,
// tracks, chapters and a saved screenshot say what they are now. With
// --report-state each message also prints as "osd: TEXT".
#pragma once

#include <QString>

namespace lumora {

class MainWindow;

// How long a message stays on the picture.
constexpr int kOsdMilliseconds = 1500;

// Shows `text` over the picture of the medium playing; nothing while none
// is loaded.
void ShowOsd(MainWindow& window, const QString& text);

// The seek message: "HH:MM:SS / HH:MM:SS" (the duration left out when unknown).
QString SeekOsdText(double position, double duration);
// The speed message: "播放速度：1.1x".
QString SpeedOsdText(double speed);

// Follows the settings the user changes from anywhere (keys, buttons,
// menus, media controls): mute, pause, speed, subtitles shown and the volume
// slider, each shown as it changes while a medium plays. Seeks, tracks,
// chapters and screenshots show from where they are made.
void InstallOnScreenDisplay(MainWindow& window);

}  // namespace lumora
