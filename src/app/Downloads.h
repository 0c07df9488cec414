// Downloads from the main window: the download command (button 按钮下载 and
// the menu's "下载文件") and its worker, which reports through the window title.
#pragma once

#include "base/Text.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>

namespace lumora {

struct AppState;
class CoalescedText;

// Downloads the entry last acted on (currentAddress) into the download
// directory under its title (currentTitle) + ".MP4", on a detached worker
// thread; sets downloadPath. Shows "请选择需要下载的视频。。。" when there is
// no address, else "下载马上开始", then progress and "下载成功" or "下载失败".
// What an interrupted download of the same target left is continued, the
// progress going on from the size it had. At the end a desktop notice says
// where the file went or why it failed, and --report-state prints
// "saved: PATH" for a saved file. Returns at once. Main thread only.
void StartDownload(AppState& state, QWidget& window);

// The worker's body: downloads `address` into `target` and reports into the
// title of `window` while it exists. Takes its own copies of everything, so
// the window's state may change or go away while it runs.
void DownloadThread(Text address, Text target, QPointer<QWidget> window, bool reportState = false);

// One block's progress: the progress text, offered to the title's pacing.
void ShowDownloadProgress(CoalescedText& title, std::int64_t total, std::int64_t received, std::int64_t elapsed);

// Sets the title of `window` from any thread through a queued call on the
// main thread; nothing happens when the window is gone by then. The pointer
// is only copied here, never followed off the main thread.
void PostWindowTitle(const QPointer<QWidget>& window, const Text& text);

}  // namespace lumora
