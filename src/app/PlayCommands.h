// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that start, steer and seek playback from the window.
#pragma once

#include "base/Text.h"
#include "resolve/PlayState.h"

#include <vector>

namespace lumora {

class MainWindow;

// The one way playback starts: resets the shown state and the progress
// slider, opens `address` in MediaFront (an empty address goes through as
// it is), stereo at the volume slider's position. From the first call on,
// the status bar follows every change of MediaFront's play state.
void PlayAddress(MainWindow& window, const Text& address, const Text& title = {},
                 AddressOrigin origin = AddressOrigin::User);

// Stops playback as the stop button does: the status display then shows
// "播放已停止" and the stopped buttons at its next tick.
void StopPlayback(MainWindow& window);

// Menu "播放": plays the current row's column 2 after the delay, as it is
// (no stop first, no resolving of an empty address).
void PlayCurrentRow(MainWindow& window);

// Menu "打开本地文件": leaves full screen, asks for media files (several
// become a play list, in the order chosen) and then stops playback and plays
// them, also the very file that was loaded; a cancel changes nothing.
void OpenLocalFile(MainWindow& window);

// Plays local files as the file dialog or a drop gives them, several as a
// play list in the order given, each one whole: keeps them as the programme
// name and marks 本网状态. A row still resolving, or a delayed play, is
// dropped, and the window title no longer names a row: the files are the
// user's latest choice (so for typed addresses too).
void PlayLocalFiles(MainWindow& window, const std::vector<Text>& files);

// Menu "打开网络文件": asks for an address in the modal open-address window,
// then stops playback and plays it after the delay. Closing the window
// without its button changes nothing.
void OpenTypedAddress(MainWindow& window);

// Plays `address` as a typed address plays (stop, then the delayed play),
// with the title its download takes: the address's own file name
// (TypedAddressTitle) when it has one, else "网络文件", or "网络文件1" when
// a download of 网络文件 (.MP4, .flv, …) already is in the download
// directory (EarlierDownloadExists). The programme line names the medium
// itself. An address another program asked for comes with
// AddressOrigin::Network: a play list in it keeps only network streams.
void PlayTypedAddress(MainWindow& window, const Text& address, AddressOrigin origin = AddressOrigin::User);

// The volume slider moved: MediaFront volume and the status bar's "音量：N%".
void OnVolumeChanged(MainWindow& window);

// The seek cycle of the progress slider: pressed (the time follows the
// thumb every 100 ms), released (seek once, settle for 500 ms), settled (the
// position display every 1000 ms again).
void OnProgressPressed(MainWindow& window);
void OnProgressReleased(MainWindow& window);
void OnSeekSettled(MainWindow& window);

// The delayed-play timer fired: stop it and play pendingPlayAddress.
void OnDelayedPlay(MainWindow& window);

// The small about box of "关于" (not modal): the version and the keys.
void ShowAbout(MainWindow& window);

}  // namespace lumora
