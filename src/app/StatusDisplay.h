// SPDX-License-Identifier: GPL-3.0-or-later
// The playback status display: the handlers that keep the status bar, the
// progress slider and the transport buttons current.
//
// Each runs on the GUI thread:
//   PollPlayState      whenever MediaFront's state may have changed
//                      (its StateChanged), and never on a timer
//   RefreshPosition    实时时钟, 1000 ms, only while a medium plays
//   ShowDraggedTime    拉动时钟, 100 ms while the progress slider is held
// Those that ask MediaFront do nothing when state.mediaObject is missing.
#pragma once

#include <QString>

class QWidget;

namespace lumora {

struct AppState;
struct MainWindowUnits;

// Shows a change of the engine's play state: the state's text in section 0
// and the transport buttons it enables or disables. A medium that ends by
// itself shows as after the stop button (its time and slider reset); a
// failure shown is not replaced by the stop that follows it. State 4 is not
// shown while the user drags the slider.
void PollPlayState(AppState& state, const MainWindowUnits& units, QWidget& window);

// Once a second: position and duration into the slider and section 3, the
// buffer fill into section 1, the programme line into section 0 once fully
// buffered. A duration of 0 (a live stream) keeps the slider disabled with
// maximum 0 while the position still counts ("00:01:10/00:00:00").
void RefreshPosition(AppState& state, const MainWindowUnits& units, QWidget& window);

// Shows a play that failed before it reached the engine (a row without an
// address), as state 5 shows: its text, the stopped buttons, no time.
void ShowPlayFailure(AppState& state, const MainWindowUnits& units);

// The programme's name: the chosen local file while a local file plays,
// else the title of the row that plays, else the medium's own title (a
// typed or handed-over address). Never the row the user looks at now.
QString ProgrammeName(const AppState& state, const MainWindowUnits& units);

// The slider's position as time over the duration, into section 3.
void ShowDraggedTime(AppState& state, const MainWindowUnits& units);

// Stops 实时时钟; after a stop or a failure also resets the slider and the
// time text.
void StopPositionRefresh(AppState& state, const MainWindowUnits& units);

}  // namespace lumora
