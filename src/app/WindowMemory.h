// SPDX-License-Identifier: GPL-3.0-or-later
// The window's place of the last run, kept beside the volume file in
// $XDG_CONFIG_HOME/lumora/window:
//   x=120
//   y=80
//   width=800
//   height=600
//   list=180
//   playlist=0
// x and y (both or neither) are where the window's frame was, width and
// height the size of its normal (not maximized, not full-screen) client
// area, list the list column's width, playlist whether the play-list panel
// showed. A missing, empty, unreadable or malformed file gives the defaults:
// the window manager places the window at its first size, the list 100
// pixels wide, the panel hidden.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

#include "app/UnitGeometry.h"

namespace lumora {

class MainWindow;

struct WindowPlace {
    std::optional<QPoint> position;  // the frame's top-left; none: the window manager chooses
    QSize size{kMainWindowWidth, kMainWindowHeight};
    int listWidth = geometry::kListWidth;
    bool playListShown = false;
    bool operator==(const WindowPlace&) const = default;
};

QString WindowPlacePath();

// The place in `bytes`: lines "x=N", "y=N", "width=N", "height=N",
// "list=N", "playlist=0|1", each at most once, x and y together; any other
// line, a number out of range or a repeated key gives the defaults.
WindowPlace ParseWindowPlace(const QByteArray& bytes);
QByteArray WindowPlaceText(const WindowPlace& place);
WindowPlace ReadWindowPlace(const QString& path);
// Replaces the file whole (a crash leaves the old one); creates its folder.
bool WriteWindowPlace(const QString& path, const WindowPlace& place);

// Where the first window goes, for the available rectangles of the screens
// (the first is the primary screen) and the room a window manager's frame
// takes (`frame`: added width and height):
// - the size is the remembered one, never below `minimum`, and made
//   smaller where it would not fit the screen it goes on (never below
//   `minimum` either);
// - the position is used only when a good part of the window (its top
//   64 x 32 pixels or more) lies on one of the screens, and then moved so
//   that the whole window, frame included, lies on that screen; otherwise
//   none.
struct FirstWindowPlace {
    std::optional<QPoint> position;
    QSize size;
    bool operator==(const FirstWindowPlace&) const = default;
};
FirstWindowPlace FitFirstWindow(const WindowPlace& remembered, const QSize& minimum, const QList<QRect>& screens,
                                const QSize& frame);

// Before the window shows: its size, position and list column as
// remembered, fitted to the screens.
WindowPlace RestoreWindowPlace(MainWindow& window, const QString& path = WindowPlacePath());
// Once it shows: every change of the normal window's size or position, of
// the list column's width and of the play-list panel is written to `path`,
// shortly after it happens and at the latest when the window goes. Where
// the window lands within `settle` (the window manager placing it) is no
// change; a start without one writes nothing.
void StartWindowMemory(MainWindow& window, const WindowPlace& remembered, const QString& path = WindowPlacePath(),
                       std::chrono::milliseconds settle = std::chrono::seconds(1));

// The play-list panel's part, for the window that has one: `show` is called
// at once with the remembered visibility; from then on the panel's change
// signal is to call NotePlayListShown. Both do nothing before
// StartWindowMemory.
void AttachPlayListMemory(MainWindow& window, const std::function<void(bool)>& show);
void NotePlayListShown(MainWindow& window, bool shown);

}  // namespace lumora
