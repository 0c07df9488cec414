// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlaybackTweaks.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/OnScreenDisplay.h"
#include "app/StateReport.h"
#include "app/QtText.h"
#include "base/Log.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

constexpr double kSlowest = 0.25;
constexpr double kFastest = 4.0;

Player* ActivePlayerOf(MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    return front ? front->ActivePlayer() : nullptr;
}

std::vector<Player*> PlayersOf(MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    return front ? front->Players() : std::vector<Player*>{};
}

}  // namespace

const std::vector<double>& SpeedLadder() {
    // 1.1 to the powers -14 to 14 in hundredths, with the two ends: a step
    // up and a step down always come back to the same speed.
    static const std::vector<double> ladder = [] {
        std::vector<double> steps{kSlowest};
        for (int power = -14; power <= 14; ++power) steps.push_back(std::round(std::pow(1.1, power) * 100) / 100);
        steps.push_back(kFastest);
        return steps;
    }();
    return ladder;
}

double SteppedSpeed(double speed, bool faster) {
    const std::vector<double>& ladder = SpeedLadder();
    if (!std::isfinite(speed)) return 1;
    constexpr double kSame = 1e-9;
    if (faster) {
        for (double step : ladder)
            if (step > speed + kSame) return step;
        return kFastest;
    }
    for (auto step = ladder.rbegin(); step != ladder.rend(); ++step)
        if (*step < speed - kSame) return *step;
    return kSlowest;
}

void ChangeSpeed(MainWindow& window, bool faster) {
    Player* active = ActivePlayerOf(window);
    if (!active) return;
    const double speed = SteppedSpeed(active->Speed(), faster);
    for (Player* player : PlayersOf(window)) player->SetSpeed(speed);
}

void ResetSpeed(MainWindow& window) { SetSpeed(window, 1); }

void SetSpeed(MainWindow& window, double speed) {
    const double held = std::clamp(std::isfinite(speed) ? speed : 1.0, kSlowest, kFastest);
    for (Player* player : PlayersOf(window)) player->SetSpeed(held);
}

std::optional<MediaTrack> CycleTrack(MainWindow& window, MediaTrack::Kind kind) {
    Player* active = ActivePlayerOf(window);
    if (!active) return std::nullopt;
    std::vector<MediaTrack> tracks;
    for (const MediaTrack& track : active->Tracks())
        if (track.kind == kind) tracks.push_back(track);
    if (tracks.empty()) return std::nullopt;
    // Subtitles may be off: a place in the round of its own.
    if (kind == MediaTrack::Kind::Subtitle) {
        MediaTrack none;
        none.kind = kind;  // id 0: no subtitles
        tracks.push_back(none);
    }
    std::size_t current = tracks.size() - 1;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        if (tracks[i].selected) current = i;
    const MediaTrack& next = tracks[(current + 1) % tracks.size()];
    active->SelectTrack(kind, next.id);
    return next;
}

bool StepChapter(MainWindow& window, int step) {
    Player* active = ActivePlayerOf(window);
    if (!active) return false;
    const int count = static_cast<int>(active->Chapters().size());
    if (count == 0) return false;
    const int chapter = std::clamp(std::max(active->Chapter(), 0) + step, 0, count - 1);
    active->SetChapter(chapter);
    return true;
}

void ToggleSubtitles(MainWindow& window) {
    Player* active = ActivePlayerOf(window);
    if (!active) return;
    const bool show = !active->SubtitlesShown();
    for (Player* player : PlayersOf(window)) player->SetSubtitlesShown(show);
}

bool AddSubtitleFiles(MainWindow& window, const std::vector<QString>& paths) {
    Player* active = ActivePlayerOf(window);
    if (!active || active->CurrentPhase() != Player::Phase::Loaded) return false;
    bool added = false;
    for (const QString& path : paths) added = active->AddSubtitle(path.toStdString()) || added;
    if (added) active->SetSubtitlesShown(true);
    return added;
}

QString ScreenshotFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return folder;
}

void TakeScreenshot(MainWindow& window) {
    AppState& state = window.State();
    Player* player = ActivePlayerOf(window);
    if (!player || player->CurrentPhase() != Player::Phase::Loaded) return;
    const QString folder = ScreenshotFolder();
    if (!QDir().mkpath(folder)) {
        LogWarning(LogLayer::Playback, "screenshot: cannot create the folder " + folder.toStdString());
        return;
    }
    const QString name = QStringLiteral("lumora-%1.png")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")));
    const QString path = QDir(folder).filePath(name);
    // One report per session and window: the connection goes with either.
    QObject::disconnect(player, &Player::ScreenshotSaved, &window, nullptr);
    const bool report = state.reportState;
    QObject::connect(player, &Player::ScreenshotSaved, &window, [report, &window](const QString& saved, bool ok) {
        if (!ok) {
            LogWarning(LogLayer::Playback, "screenshot: mpv could not write " + saved.toStdString());
            return;
        }
        if (report) ReportStateLine("screenshot", FromQString(saved));
        ShowOsd(window, QStringLiteral("截图已保存：") + saved);
    });
    player->SaveScreenshot(path.toStdString());
}

}  // namespace lumora
