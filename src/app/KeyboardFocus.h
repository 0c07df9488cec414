// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard focus on the window's buttons: a button with the focus takes
// Space and Enter for itself (a click), before the window-wide Space; and
// the focus never falls to the exit button by itself. When the unit holding
// it is disabled or hidden (Stop disables the stop button; a dialog or a handoff may
// stop playback meanwhile), Qt would hand the focus on along the Tab chain,
// where the exit button comes next: it goes to the play button instead (the
// list when that is disabled, the window itself when neither shows, as in
// full screen). Tab and a click still reach the exit button.
#pragma once

namespace lumora {

class MainWindow;

void InstallKeyboardFocus(MainWindow& window);

}  // namespace lumora
