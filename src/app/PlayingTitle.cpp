// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlayingTitle.h"

#include "app/AppState.h"
#include "app/Downloads.h"
#include "app/MainWindow.h"
#include "app/StatusDisplay.h"
#include "resolve/MediaFront.h"
#include "threads/WorkerChannel.h"

#include <string_view>

namespace lumora {

namespace {

struct ReasonWords {
    std::string_view engine;
    const char* shown;
};

// The reasons the player and the front give, as the window says them.
constexpr ReasonWords kReasons[] = {
    {"no such playable file", "文件不存在或无法读取"},
    {"not an address the player opens", "无法打开此地址"},
    {"unrecognized file format", "无法识别的文件格式"},
    {"loading failed", "载入失败"},
    {"the stream broke off before its end", "数据流中途中断"},
    {"nothing to play at this address", "地址中没有可播放的内容"},
    {"the player could not start", "播放器无法启动"},
    {"it ended before anything could be played", "没有可播放的内容"},
    {"audio output initialization failed", "无法打开音频设备"},
    {"an empty play list", "播放列表为空"},
};

// The title is someone else's while a download runs or a list is on its way.
bool TitleHeldElsewhere(MainWindow& window) {
    return DownloadRunning(window) || window.ListFetches().Running() > 0;
}

}  // namespace

QString FailureReasonText(const std::string& reason) {
    const std::string_view text(reason);
    const std::size_t colon = text.find(": ");
    const std::string_view head = text.substr(0, colon);
    QString shown = QString::fromUtf8(head.data(), static_cast<qsizetype>(head.size()));
    for (const ReasonWords& words : kReasons)
        if (head == words.engine) shown = QString::fromUtf8(words.shown);
    if (colon != std::string_view::npos) {
        const std::string_view detail = text.substr(colon + 2);
        shown += QStringLiteral("：") + QString::fromUtf8(detail.data(), static_cast<qsizetype>(detail.size()));
    }
    return shown;
}

namespace {

QString FailureTitle(const AppState& state, const MainWindowUnits& units) {
    const std::string reason = state.mediaObject ? state.mediaObject->FailureReason() : std::string();
    QString title = QStringLiteral("播放失败：") + ProgrammeName(state, units);
    if (!reason.empty()) title += QStringLiteral("（") + FailureReasonText(reason) + QStringLiteral("）");
    return title;
}

}  // namespace

void FollowPlayingTitle(MainWindow& window) {
    AppState& state = window.State();
    const PlayState shown = state.shownState;
    if (shown == state.titleFollowed) {
        // The engine's words on a failure may follow it a moment later.
        if (shown == PlayState::Failed && !state.failureTitle.isEmpty() &&
            window.windowTitle() == state.failureTitle) {
            state.failureTitle = FailureTitle(state, window.Units());
            window.setWindowTitle(state.failureTitle);
        }
        return;
    }
    state.titleFollowed = shown;
    state.failureTitle.clear();
    if (shown != PlayState::Failed && !(shown == PlayState::Playing && state.nameInTitle)) return;
    if (TitleHeldElsewhere(window)) return;
    if (shown == PlayState::Playing) {
        state.nameInTitle = false;
        const QString title = QStringLiteral("Lumora视频播放器：") + ProgrammeName(state, window.Units());
        // A notice shown now keeps its few seconds; the name follows it.
        if (!state.noticeTitle.isEmpty() && window.windowTitle() == state.noticeTitle)
            state.titleAfterNotice = title;
        else
            window.setWindowTitle(title);
        return;
    }
    state.failureTitle = FailureTitle(state, window.Units());
    window.setWindowTitle(state.failureTitle);
}

}  // namespace lumora
