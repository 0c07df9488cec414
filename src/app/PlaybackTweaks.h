// What the window asks of playback beyond MediaFront's operations: speed,
// subtitles and screenshots, sent to the typed players of the two engines
// (every request asynchronous).
#pragma once

#include <QString>

#include <vector>

namespace lumora {

class MainWindow;

// The next speed after multiplying `speed` by `factor`: two decimals,
// within 0.25 to 4.
double SteppedSpeed(double speed, double factor);

// Multiplies the playback speed by `factor` (both engines keep it).
void ChangeSpeed(MainWindow& window, double factor);
void ResetSpeed(MainWindow& window);
// Sets the playback speed of both engines (held within 0.25 to 4).
void SetSpeed(MainWindow& window, double speed);
// Shows or hides the subtitles of both engines.
void ToggleSubtitles(MainWindow& window);
// Adds subtitle files to the medium that is loaded; false when none is.
bool AddSubtitleFiles(MainWindow& window, const std::vector<QString>& paths);

// Where screenshots go: the user's pictures folder (XDG), else home.
QString ScreenshotFolder();
// Saves the picture now shown as lumora-DATE-TIME.png in ScreenshotFolder;
// with --report-state the line "screenshot: PATH" follows once it is written.
void TakeScreenshot(MainWindow& window);

}  // namespace lumora
