// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a citizen of the desktop: its media controls on the session
// bus (MPRIS, desktop/MprisService.h) and the screen kept on while a video
// plays (desktop/IdleInhibitor.h). Both follow MediaFront's change signals;
// nothing polls. Without a session bus there are no media controls, and the
// screen is kept on through the X screen saver where the window runs on X.
#pragma once

#include <memory>

namespace lumora {

class MainWindow;

class DesktopMedia {
public:
    virtual ~DesktopMedia() = default;
};

// Starts both for `window` (its MediaFront attached); they end with the
// returned object, which must go before the window.
std::unique_ptr<DesktopMedia> StartDesktopMedia(MainWindow& window);

}  // namespace lumora
