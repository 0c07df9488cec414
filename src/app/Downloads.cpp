// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Downloads.h"

#include "app/AppState.h"
#include "app/DesktopNotice.h"
#include "app/QtText.h"
#include "app/StateReport.h"
#include "base/Log.h"
#include "download/DownloadProgress.h"
#include "download/DownloadTarget.h"
#include "download/DownloadToFile.h"
#include "threads/WorkerChannel.h"

#include <QPointer>

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace lumora {

void ShowDownloadProgress(CoalescedText& title, std::int64_t total, std::int64_t received, std::int64_t) {
    title.Offer(DownloadProgressText(total, received));
}

namespace {

// The downloads of one window: a child of it, so they stop and are joined
// as the window goes.
class DownloadWorkers : public QObject {
public:
    explicit DownloadWorkers(QWidget& window) : QObject(&window), channel_(*this) {
        setObjectName(QString::fromLatin1(kName));
    }
    WorkerChannel& Channel() { return channel_; }

    static constexpr const char* kName = "lumora-download-workers";

private:
    WorkerChannel channel_;
};

WorkerChannel& DownloadWorkersOf(QWidget& window) {
    auto* workers = static_cast<DownloadWorkers*>(
        window.findChild<QObject*>(QString::fromLatin1(DownloadWorkers::kName), Qt::FindDirectChildrenOnly));
    if (!workers) workers = new DownloadWorkers(window);
    return workers->Channel();
}

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
        body = QString::fromStdString(result.failure.reason);
        if (result.partKept)
            body += QStringLiteral("\n") + file + QStringLiteral(".part: downloading it again continues it");
    }
    ShowDesktopNotice(ToQString(outcome), body);
    if (result.ok && reportState) ReportStateLine("saved", target);
    if (!result.ok) LogWarning(LogLayer::Download, "saving " + target.ToUtf8() + " failed: " + result.failure.reason);
}

}  // namespace

bool DownloadRunning(QWidget& window) {
    auto* workers = static_cast<DownloadWorkers*>(
        window.findChild<QObject*>(QString::fromLatin1(DownloadWorkers::kName), Qt::FindDirectChildrenOnly));
    return workers && workers->Channel().Running() > 0;
}

void StartDownload(AppState& state, QWidget& window) {
    if (state.currentAddress.Empty()) {
        window.setWindowTitle(ToQString(Text("请选择需要下载的视频。。。")));
        return;
    }
    // The name without its extension: the extension comes with the answer,
    // while an earlier attempt's ".part" and record are found by this.
    state.downloadPath = DownloadStem(DownloadDirectory(), state.currentTitle);
    window.setWindowTitle(ToQString(Text("下载马上开始")));
    const bool started = DownloadWorkersOf(window).Start(
        [address = state.currentAddress, target = state.downloadPath, window = QPointer<QWidget>(&window),
         reportState = state.reportState](const WorkerChannel::Job& job) {
            // The user's download folder may not exist yet.
            std::error_code ignored;
            std::filesystem::create_directories(std::filesystem::path(target.ToUtf8()).parent_path(), ignored);

            CoalescedText title([&job, &window](const Text& text) {
                job.Post([window, title = ToQString(text)] {
                    if (window) window->setWindowTitle(title);
                });
            });
            DownloadLimits limits;
            limits.stop = job.StopToken();
            const DownloadResult result = DownloadFile(
                address, target,
                [&title](std::int64_t total, std::int64_t received, std::int64_t elapsed) {
                    ShowDownloadProgress(title, total, received, elapsed);
                },
                PartialFile::Resume, limits,
                [&target, &address](std::string_view contentType, std::string_view finalAddress) {
                    return SavedFileName(target, contentType, finalAddress, address);
                });
            title.Flush();  // the last block's text, before the outcome
            const Text shown = result.ok ? result.saved : target;
            job.Post([window, shown, result, reportState] { ShowDownloadOutcome(window, shown, result, reportState); });
        },
        WorkerChannel::Mode::Alongside);
    if (!started) window.setWindowTitle(ToQString(Text("下载失败")));  // no thread to be had
}

}  // namespace lumora
