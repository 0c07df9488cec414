// SPDX-License-Identifier: GPL-3.0-or-later
// Where the main window's units sit, and the full-screen mode.
#pragma once

#include <QSize>

#include <array>

class QWidget;

namespace lumora {

class MainWindow;

// Places the units for the window's client size W x H (size changed). The
// button row is centred by X = floor((W - 680) / 2); the volume caption
// follows its slider, and is hidden where the row leaves it no room. In full
// screen (the flag checked and the window without a border) the video fills
// the window and the caption is hidden.
void LayoutMainWindow(MainWindow& window);

// Keeps the normal window's rectangle (position changed); not in full screen.
void RememberWindowRect(MainWindow& window);

// Enters full screen (only the video, the mute and exit buttons and the
// volume slider stay; the window in the window manager's full-screen state,
// frameless over the whole screen, above other windows; the cursor hidden)
// or leaves it (the window back at its remembered rectangle with its border,
// every unit shown, the cursor back). The window is never unmapped on the
// way, so a window manager keeps its place and stacking. It stays above
// other windows after leaving.
void ToggleWindowFullScreen(MainWindow& window);

// The window covers the screen without a border: in the window system's
// full-screen state, or frameless where no window manager runs.
bool Borderless(const QWidget& window);

// The left offset of the centred button row for a client width.
int ButtonRowOffset(int clientWidth);

// A unit of the button row as laid out: left edge and width.
struct RowPlace {
    int left = 0;
    int width = 0;
    bool operator==(const RowPlace&) const = default;
};
inline constexpr int kRowUnitCount = 9;
using RowPlaces = std::array<RowPlace, kRowUnitCount>;
using RowWidths = std::array<int, kRowUnitCount>;

// The button row (换一批 ... the volume slider, in that order) for a client
// width. From geometry::kRowFitWidth on it is the centred row of the table
// (ButtonRowOffset). Narrower, the row is packed from the left edge: every
// unit at least as wide as `least` asks (a button its caption, the slider
// geometry::kPackedSliderWidth), growing toward its width in the table as
// room allows, the rest spread between the units.
RowPlaces ButtonRowPlaces(int clientWidth, const RowWidths& least);
// The narrowest client width the packed row fits in.
int PackedRowWidth(const RowWidths& least);

// The least widths of the row's units in this window: each button as wide as
// its caption needs (never more than its width in the table).
RowWidths LeastRowWidths(const MainWindow& window);
// The smallest client size below which the layout no longer fits: the packed
// row's width, and geometry::kMinimumClientHeight.
QSize MinimumClientSize(const MainWindow& window);

// The list column's width for a client width: what the user chose (at
// least the 100 pixels of the table), leaving the picture
// geometry::kLeastVideoWidth.
int ListColumnWidth(int wanted, int clientWidth);

}  // namespace lumora
