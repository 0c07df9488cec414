#include "app/PlaybackTweaks.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

#include "app/AppState.h"
#include "app/MainWindow.h"
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

double SteppedSpeed(double speed, double factor) {
    const double next = std::round(speed * factor * 100) / 100;
    return std::clamp(std::isfinite(next) ? next : 1.0, kSlowest, kFastest);
}

void ChangeSpeed(MainWindow& window, double factor) {
    Player* active = ActivePlayerOf(window);
    if (!active) return;
    const double speed = SteppedSpeed(active->Speed(), factor);
    for (Player* player : PlayersOf(window)) player->SetSpeed(speed);
}

void ResetSpeed(MainWindow& window) { SetSpeed(window, 1); }

void SetSpeed(MainWindow& window, double speed) {
    const double held = std::clamp(std::isfinite(speed) ? speed : 1.0, kSlowest, kFastest);
    for (Player* player : PlayersOf(window)) player->SetSpeed(held);
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
    QObject::connect(player, &Player::ScreenshotSaved, &window, [report](const QString& saved, bool ok) {
        if (!ok)
            LogWarning(LogLayer::Playback, "screenshot: mpv could not write " + saved.toStdString());
        else if (report)
            ReportStateLine("screenshot", FromQString(saved));
    });
    player->SaveScreenshot(path.toStdString());
}

}  // namespace lumora
