#include "app/Downloads.h"

#include "app/AppState.h"
#include "app/QtText.h"
#include "download/DownloadProgress.h"
#include "download/DownloadTarget.h"
#include "download/DownloadToFile.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

namespace lumora {

void PostWindowTitle(const QPointer<QWidget>& window, const Text& text) {
    // Posted to the application object, which outlives every window: a
    // window may be destroyed at any moment while a worker still reports.
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    QMetaObject::invokeMethod(
        application,
        [window, title = ToQString(text)] {
            if (window) window->setWindowTitle(title);
        },
        Qt::QueuedConnection);
}

void ShowDownloadProgress(CoalescedText& title, std::int64_t total, std::int64_t received, std::int64_t) {
    title.Offer(DownloadProgressText(total, received));
}

void DownloadThread(Text address, Text target, QPointer<QWidget> window) {
    // The user's video directory, the fallback, may not exist yet.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(target.ToUtf8()).parent_path(), ignored);

    CoalescedText title([&window](const Text& text) { PostWindowTitle(window, text); });
    const int result = DownloadToFile(address, target, [&title](std::int64_t total, std::int64_t received,
                                                                 std::int64_t elapsed) {
        ShowDownloadProgress(title, total, received, elapsed);
    });
    title.Flush();  // the last block's text, before the outcome
    PostWindowTitle(window, Text(result == -1 ? "下载失败" : "下载成功"));
}

void StartDownload(AppState& state, QWidget& window) {
    if (state.currentAddress.Empty()) {
        window.setWindowTitle(ToQString(Text("请选择需要下载的视频。。。")));
        return;
    }
    state.downloadPath = DownloadFileName(DownloadDirectory(state.programDirectory), state.currentTitle);
    window.setWindowTitle(ToQString(Text("下载马上开始")));
    try {
        std::thread(DownloadThread, state.currentAddress, state.downloadPath, QPointer<QWidget>(&window)).detach();
    } catch (const std::system_error&) {
        window.setWindowTitle(ToQString(Text("下载失败")));  // no thread to be had
    }
}

}  // namespace lumora
