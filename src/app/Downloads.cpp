#include "app/Downloads.h"

#include "app/AppState.h"
#include "app/DesktopNotice.h"
#include "app/QtText.h"
#include "app/StateReport.h"
#include "base/Log.h"
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

namespace {

// The end of a download, on the main thread: the outcome in the title, a
// desktop notice saying where the file went or why it failed, and the
// "saved:" line of --report-state.
void ShowDownloadOutcome(const QPointer<QWidget>& window, const Text& target, const DownloadResult& result,
                         bool reportState) {
    const Text outcome(result.ok ? "下载成功" : "下载失败");
    if (window) window->setWindowTitle(ToQString(outcome));
    const QString file = QString::fromStdString(target.ToUtf8());
    QString body = file;
    if (!result.ok) {
        body = QString::fromStdString(result.reason);
        if (result.partKept)
            body += QStringLiteral("\n") + file + QStringLiteral(".part: downloading it again continues it");
    }
    ShowDesktopNotice(ToQString(outcome), body);
    if (result.ok && reportState) ReportStateLine("saved", target);
    if (!result.ok) LogWarning(LogLayer::Download, "saving " + target.ToUtf8() + " failed: " + result.reason);
}

}  // namespace

void DownloadThread(Text address, Text target, QPointer<QWidget> window, bool reportState) {
    // The user's video directory, the fallback, may not exist yet.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(target.ToUtf8()).parent_path(), ignored);

    CoalescedText title([&window](const Text& text) { PostWindowTitle(window, text); });
    const DownloadResult result = DownloadFile(
        address, target,
        [&title](std::int64_t total, std::int64_t received, std::int64_t elapsed) {
            ShowDownloadProgress(title, total, received, elapsed);
        },
        PartialFile::Resume);
    title.Flush();  // the last block's text, before the outcome
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    QMetaObject::invokeMethod(
        application, [window, target, result, reportState] { ShowDownloadOutcome(window, target, result, reportState); },
        Qt::QueuedConnection);
}

void StartDownload(AppState& state, QWidget& window) {
    if (state.currentAddress.Empty()) {
        window.setWindowTitle(ToQString(Text("请选择需要下载的视频。。。")));
        return;
    }
    state.downloadPath = DownloadFileName(DownloadDirectory(state.programDirectory), state.currentTitle);
    window.setWindowTitle(ToQString(Text("下载马上开始")));
    try {
        std::thread(DownloadThread, state.currentAddress, state.downloadPath, QPointer<QWidget>(&window),
                    state.reportState)
            .detach();
    } catch (const std::system_error&) {
        window.setWindowTitle(ToQString(Text("下载失败")));  // no thread to be had
    }
}

}  // namespace lumora
