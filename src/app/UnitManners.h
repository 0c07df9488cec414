// SPDX-License-Identifier: GPL-3.0-or-later
// Small manners of the window's units that their captions and places leave
// open: the mute button shows whether sound is muted, a list row whose title
// is cut short shows the whole title as a tooltip, and a click on the
// progress bar puts the thumb where it was clicked (dragging goes on from
// there; the seek itself still happens on release).
#pragma once

#include <QString>

class QSlider;
class QTreeWidget;

namespace lumora {

class MainWindow;

void InstallUnitManners(MainWindow& window);

// The mute button's checked look follows MediaFront's mute (however the
// mute came), and the volume section of the status bar stays "音量：N%".
void ShowMuteState(MainWindow& window);

// At start, with nothing loaded: the stop, mute and full-screen buttons
// disabled (the status display enables them once something loads).
void DisableUntilLoaded(MainWindow& window);

// A left click anywhere on `slider` moves the thumb there.
void JumpWhereClicked(QSlider& slider);
// Rows of `list` whose text a column cuts short get the whole text as tooltip.
void ShowCutTitles(QTreeWidget& list);

}  // namespace lumora
