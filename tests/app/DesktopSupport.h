// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a real X server (on-x-display.sh): the real MediaFront
// with both engines on libmpv and GL, and what the user sees read back from
// the server.
#pragma once

#include "app/AppState.h"
#include "app/MainWindow.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include "EventWait.h"

namespace lumora::desktop_test {

using test::WaitUntil;

// Full path of a committed test medium (UTF-8).
QString MediaPath(const char* name);

// The screen's pixels in `globalRect`, as the X server holds them: what is
// on screen there, whichever window drew it.
QImage ScreenPixels(const QRect& globalRect);

// The rectangle of `widget` on the screen.
QRect GlobalRect(const QWidget& widget);

// Of the middle half (each way) of `image`, the share of pixels within 40 of
// `colour` in each channel; the average colour there goes to `average`.
double ShareNear(const QImage& image, const QColor& colour, QColor* average = nullptr);

// The known colours of orange.wmv and blue.flv.
inline const QColor kOrange(0xD0, 0x4A, 0x2A);
inline const QColor kBlue(0x2A, 0x5A, 0xD0);

// What the X server says of a top-level window (xwininfo, xprop): the
// client area's place and size on the root, its _NET_WM_STATE atoms and the
// frame the window manager draws around it (_NET_FRAME_EXTENTS).
struct ServerWindow {
    QRect geometry;
    QString wmState;
    QString frame;
    bool Above() const { return wmState.contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }
};
ServerWindow ReadServerWindow(const QWidget& window);

// The window manager chooses where windows go (a Wayland compositor, or
// weston's X window manager): places are not compared, sizes are.
bool WindowManagerPlacesWindows();

// A main window with its own application state, MediaFront attached to the
// video area as start-up attaches it, shown and exposed. Sessions get real
// video output and no sound device.
class DesktopWindow {
public:
    DesktopWindow();

    AppState state;
    MainWindow window{state};
    const MainWindowUnits& units;
};

}  // namespace lumora::desktop_test
