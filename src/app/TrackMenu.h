// SPDX-License-Identifier: GPL-3.0-or-later
// The audio and subtitle streams of the medium playing as choices of the
// window's menu (submenus "音轨" and "字幕轨" of the file menu, the one
// playing checked; subtitles also offer "关闭"), and the message each choice
// shows on the picture. The keys # and J step through the same choices.
#pragma once

#include <QString>

#include "platform/MediaTracks.h"

class QMenu;

namespace lumora {

class MainWindow;

// A track as the menu lists it: "1: title [lang]" (what the file names),
// "关闭" for subtitles off (id 0).
QString TrackName(const MediaTrack& track);
// The message of a track chosen: "音轨：1: title [lang]", "字幕：关闭".
QString TrackOsdText(const MediaTrack& track);

// Plays `track` (a subtitle track of id 0: none) and says so on the picture.
void ChooseTrack(MainWindow& window, const MediaTrack& track);
// The next track of `kind`, round, as # and J give it, said on the picture.
void CycleTrackShown(MainWindow& window, MediaTrack::Kind kind);

// Fills `menu` with the tracks of `kind` of the medium playing; disabled
// when it has none.
void FillTrackMenu(MainWindow& window, QMenu& menu, MediaTrack::Kind kind);

// Adds the two submenus (and the play list panel's toggle) to the file menu.
void InstallTrackMenu(MainWindow& window);

}  // namespace lumora
