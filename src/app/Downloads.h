// SPDX-License-Identifier: GPL-3.0-or-later
// Downloads from the main window: the download command (button 按钮下载 and
// the menu's "下载文件") and its workers, which report through the window title.
#pragma once

#include "base/Text.h"

#include <QWidget>

#include <cstdint>

namespace lumora {

struct AppState;
class CoalescedText;

// Downloads the entry last acted on (currentAddress) into the download
// directory under its title (currentTitle) with the extension of what
// arrived (SavedFileName), on a worker thread beside any other download of
// `window`; sets downloadPath to the name without its extension. Shows "请选择需要下载的视频。。。" when there is
// no address, else "下载马上开始", then progress and "下载成功" or "下载失败".
// What an interrupted download of the same target left is continued, the
// progress going on from the size it had. At the end a desktop notice says
// where the file went or why it failed, and --report-state prints
// "saved: PATH" for a saved file. Returns at once. Main thread only.
//
// The workers belong to `window`: when it goes, its downloads stop and are
// joined, each leaving its ".part" and record for a later download to
// continue, and report nothing more.
void StartDownload(AppState& state, QWidget& window);

// A download of `window` is still running (its progress holds the title).
bool DownloadRunning(QWidget& window);

// One block's progress: the progress text, offered to the title's pacing.
void ShowDownloadProgress(CoalescedText& title, std::int64_t total, std::int64_t received, std::int64_t elapsed);

}  // namespace lumora
