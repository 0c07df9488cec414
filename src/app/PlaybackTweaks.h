// SPDX-License-Identifier: GPL-3.0-or-later
// What the window asks of playback beyond MediaFront's operations: speed,
// subtitles and screenshots, sent to the typed players of the two engines
// (every request asynchronous).
#pragma once

#include "platform/MediaTracks.h"

#include <optional>

#include <QString>

#include <vector>

namespace lumora {

class MainWindow;

// The next speed up or down a fixed ladder (about 10% a step, 1.1 to a
// power in hundredths, within 0.25 to 4): up then down is where it was.
double SteppedSpeed(double speed, bool faster);

// One step faster or slower (both engines keep it).
void ChangeSpeed(MainWindow& window, bool faster);
void ResetSpeed(MainWindow& window);
// Sets the playback speed of both engines (held within 0.25 to 4).
void SetSpeed(MainWindow& window, double speed);
// Shows or hides the subtitles of both engines.
void ToggleSubtitles(MainWindow& window);

// The next audio stream of the playing medium, round; the next subtitle
// stream, with "none" between the last and the first. Returns the track now
// chosen (id 0: none); empty when the medium has no stream of that kind.
std::optional<MediaTrack> CycleTrack(MainWindow& window, MediaTrack::Kind kind);

// The chapter `step` on from the one playing (the first and last stay put);
// false when the medium has no chapters.
bool StepChapter(MainWindow& window, int step);
// Adds subtitle files to the medium that is loaded; false when none is.
bool AddSubtitleFiles(MainWindow& window, const std::vector<QString>& paths);

// Where screenshots go: the user's pictures folder (XDG), else home.
QString ScreenshotFolder();
// Saves the picture now shown as lumora-DATE-TIME.png in ScreenshotFolder;
// with --report-state the line "screenshot: PATH" follows once it is written.
void TakeScreenshot(MainWindow& window);

}  // namespace lumora
