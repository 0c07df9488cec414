// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlayHistory.h"

#include <QCoreApplication>
#include <QTimer>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "library/LibraryStore.h"
#include "library/ResumeRule.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"

#include <cmath>
#include <utility>

namespace lumora {

namespace {

constexpr int kNoticeMs = 5000;

Player* ActivePlayer(const MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    return front ? front->ActivePlayer() : nullptr;
}

}  // namespace

QString PositionText(double seconds) {
    const long long whole = std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(seconds) : 0;
    const long long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    if (h > 0) return QString::asprintf("%lld:%02lld:%02lld", h, m, s);
    return QString::asprintf("%02lld:%02lld", m, s);
}

PlayHistory::PlayHistory(MainWindow& window, std::shared_ptr<LibraryStore> store)
    : QObject(&window), window_(window), store_(std::move(store)), writer_(store_), recording_(store_->RecordingEnabled()) {
    setObjectName(QStringLiteral("播放历史"));
    connect(&writer_, &HistoryWriter::Written, this, &PlayHistory::HistoryChanged);
    sinceWrite_.start();
    noticeTimer_.setSingleShot(true);
    connect(&noticeTimer_, &QTimer::timeout, this, &PlayHistory::EndNotice);
    WatchPlayers();
    // Before the window goes: the position of what plays at exit, written.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &PlayHistory::Finish);
}

PlayHistory::~PlayHistory() { Finish(); }

PlayHistory* FindPlayHistory(const MainWindow& window) {
    return window.findChild<PlayHistory*>(QString(), Qt::FindDirectChildrenOnly);
}

void PlayHistory::WatchPlayers() {
    MediaFront* front = window_.State().mediaObject.get();
    if (!front || watching_) return;
    watching_ = true;
    // The front passes on every change its engines' players report; the
    // player in use is read then.
    connect(front, &MediaFront::Changed, this, &PlayHistory::OnPlayerChanged);
}

void PlayHistory::Expect(const LibraryEntry& entry) {
    Flush();
    WatchPlayers();
    entry_ = entry;
    localFiles_ = false;
    resumeChecked_ = false;
    ended_ = false;
    lastPosition_ = lastDuration_ = 0;
}

void PlayHistory::ExpectLocalFiles() {
    Expect({});
    localFiles_ = true;
}

void PlayHistory::OnPlayerChanged() {
    Player* player = ActivePlayer(window_);
    if (!player) return;
    switch (player->CurrentPhase()) {
        case Player::Phase::Loaded: {
            if (localFiles_) {
                // A play list of files moves on: each file is an entry of its own.
                const QString path = QString::fromStdString(player->Address().ToUtf8());
                if (entry_.reference != path) {
                    Flush();
                    entry_ = {LibraryEntry::Kind::File, path, path.section(QLatin1Char('/'), -1)};
                    resumeChecked_ = false;
                    ended_ = false;
                    lastPosition_ = lastDuration_ = 0;
                }
            }
            if (entry_.Empty()) return;
            if (!resumeChecked_) TryResume(*player);
            if (!resumeChecked_) return;
            ended_ = false;
            lastPosition_ = player->Position();
            lastDuration_ = player->Duration();
            dirty_ = true;
            if (sinceWrite_.elapsed() >= kHistoryWriteSeconds * 1000) Flush();
            return;
        }
        case Player::Phase::Ended:
            OnPlayerEnded();
            return;
        case Player::Phase::Stopped:
        case Player::Phase::Failed:
            Flush();
            return;
        default:
            return;
    }
}

void PlayHistory::OnPlayerEnded() {
    if (entry_.Empty() || !resumeChecked_ || ended_) return;
    ended_ = true;
    // Played to the end: the next time starts from the beginning.
    if (lastDuration_ > 0) lastPosition_ = lastDuration_;
    dirty_ = true;
    Flush();
}

void PlayHistory::TryResume(Player& player) {
    const double duration = player.Duration();
    // A length comes with the load; a stream without one records from its
    // first seconds on and never resumes.
    if (duration <= 0 && player.Position() < 1) return;
    resumeChecked_ = true;
    const auto record = store_->FindHistory(entry_);
    const auto at = record ? ResumePosition(record->position, duration) : std::nullopt;
    if (!at) {
        // Listed from the start, before the first periodic write.
        lastPosition_ = player.Position();
        lastDuration_ = duration;
        dirty_ = true;
        Flush();
        return;
    }
    player.Seek(*at);
    lastPosition_ = *at;
    lastDuration_ = duration;
    dirty_ = true;
    Flush();
    ShowNotice(FromQString(QStringLiteral("从 %1 继续播放，按 R 从头播放").arg(PositionText(*at))));
}

void PlayHistory::ShowNotice(const Text& notice) {
    AppState& state = window_.State();
    if (state.noticeTitle.isEmpty() || window_.windowTitle() != state.noticeTitle) {
        state.titleAfterNotice = window_.windowTitle();
    }
    noticeTimer_.start(kNoticeMs);
    SetWindowTitleText(window_, notice);
    state.noticeTitle = ToQString(notice);
}

void PlayHistory::EndNotice() {
    AppState& state = window_.State();
    // Only the notice goes; a title written since stays.
    if (!state.noticeTitle.isEmpty() && window_.windowTitle() == state.noticeTitle)
        window_.setWindowTitle(state.titleAfterNotice);
    state.noticeTitle.clear();
    state.titleAfterNotice.clear();
}

void PlayHistory::StartOver() {
    Player* player = ActivePlayer(window_);
    if (!player || player->CurrentPhase() != Player::Phase::Loaded) return;
    player->Seek(0);
    lastPosition_ = 0;
    dirty_ = true;
    Flush();
    const AppState& state = window_.State();
    if (!state.noticeTitle.isEmpty() && window_.windowTitle() == state.noticeTitle)
        ShowNotice(FromQString(QStringLiteral("从头播放")));
}

void PlayHistory::Flush() {
    if (!dirty_) return;
    dirty_ = false;
    sinceWrite_.restart();
    if (!recording_ || entry_.Empty() || !resumeChecked_) return;
    Write(lastPosition_, lastDuration_);
}

void PlayHistory::Finish() {
    Flush();
    writer_.Finish();
}

void PlayHistory::Write(double position, double duration) {
    // HistoryChanged follows through the writer's Written.
    writer_.RecordPosition(entry_, position, duration);
}

void PlayHistory::SetRecording(bool on) {
    recording_ = on;
    store_->SetRecordingEnabled(on);
}

}  // namespace lumora
