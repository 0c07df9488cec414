// SPDX-License-Identifier: GPL-3.0-or-later
// Where the main window's units sit: every rectangle the units are created
// with, and the places the layout gives them. CreateMainWindowUnits and
// LayoutMainWindow both read this table and nothing else.
#pragma once

#include <QRect>

#include <array>

namespace lumora {

// Client size of the main window at creation; the button row is this wide.
inline constexpr int kMainWindowWidth = 680;
inline constexpr int kMainWindowHeight = 556;

namespace geometry {

// A unit of the button row: its rectangle at creation, and its left edge
// (from the row's offset) and width once laid out. The laid-out row is not
// the creation row moved: the play button is wider there, the mute button
// 4 pixels further left, the volume slider narrower and further right.
struct RowUnit {
    QRect created;
    int left;
    int width;
};

inline constexpr RowUnit kNextBatchButton{{6, 446, 60, 33}, 6, 60};
inline constexpr RowUnit kPlayButton{{72, 446, 60, 33}, 72, 66};
inline constexpr RowUnit kStopButton{{144, 446, 60, 33}, 144, 60};
inline constexpr RowUnit kExitButton{{216, 446, 60, 33}, 216, 60};
inline constexpr RowUnit kMuteButton{{288, 446, 60, 33}, 284, 60};
inline constexpr RowUnit kFullScreenButton{{360, 446, 60, 33}, 360, 60};
inline constexpr RowUnit kAboutButton{{432, 448, 60, 32}, 432, 60};
inline constexpr RowUnit kDownloadButton{{504, 448, 60, 32}, 504, 60};
inline constexpr RowUnit kVolumeSlider{{560, 448, 120, 33}, 576, 90};

// The laid-out row: every unit's top is this far above the bottom edge, and
// every unit this high.
inline constexpr int kRowRise = 54;
inline constexpr int kRowHeight = 33;

// The volume caption: at creation, and laid out right of its slider (4
// pixels past 576 + 90) on the button row, 52 pixels above the bottom edge.
inline constexpr QRect kVolumeLabel{648, 450, 40, 29};
inline constexpr int kVolumeLabelLeft = 670;
inline constexpr int kVolumeLabelRise = 52;

inline constexpr QRect kCatalogueList{0, 0, 100, 392};
inline constexpr QRect kVideoArea{100, 0, 570, 400};
inline constexpr QRect kProgressSlider{8, 403, 656, 24};
inline constexpr QRect kStatusBar{0, 508, kMainWindowWidth, 20};
inline constexpr QRect kFullScreenMode{8, 366, 56, 33};
inline constexpr QRect kLocalState{16, 480, 72, 24};

// The engines' rectangle inside the video area when they are attached; the
// first layout moves them to where the video area is.
inline constexpr QRect kEnginesAtAttach{110, 0, 570, 400};

// Laid out: the list is as wide as at creation; the list and the video area
// leave this band at the bottom for the progress slider and the button row.
inline constexpr int kListWidth = 100;
inline constexpr int kBottomBand = 80;
// The progress slider's top above the bottom edge, and its height.
inline constexpr int kProgressRise = 76;
inline constexpr int kProgressHeight = 24;
inline constexpr int kStatusBarHeight = 20;

// The laid-out row fits from this client width on (its first unit at 0 or
// right of it); narrower windows pack the row tighter (WindowLayout).
inline constexpr int kRowFitWidth = 668;
// The narrowest volume slider of a packed row, and the least gap between
// two units there.
inline constexpr int kPackedSliderWidth = 40;
inline constexpr int kPackedGap = 2;
// The lowest client height that leaves the picture and the list some room
// above the bottom band.
inline constexpr int kMinimumClientHeight = 240;
// The picture keeps at least this width when the list column is widened.
inline constexpr int kLeastVideoWidth = 160;

// The status bar's four section widths for a client width: the first takes
// what the other three leave.
constexpr std::array<int, 4> StatusSectionWidths(int clientWidth) { return {clientWidth - 320, 100, 100, 120}; }

}  // namespace geometry
}  // namespace lumora
