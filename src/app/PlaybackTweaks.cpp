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
#include "platform/MediaPlayerControl.h"
#include "platform/MovieControl.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

MpvSession* SessionOf(const AutomationRef& control) {
    if (auto* player = dynamic_cast<MediaPlayerControl*>(control.get())) return &player->Session();
    if (auto* movie = dynamic_cast<MovieControl*>(control.get())) return &movie->Session();
    return nullptr;
}

constexpr double kSlowest = 0.25;
constexpr double kFastest = 4.0;

}  // namespace

MpvSession* ActiveSession(MediaFront& front) {
    return SessionOf(front.ActiveEngine() == Engine::Player ? front.PlayerEngine().control
                                                            : front.FlashEngine().flashControl.ControlObject());
}

std::vector<MpvSession*> Sessions(MediaFront& front) {
    std::vector<MpvSession*> sessions;
    for (MpvSession* session :
         {SessionOf(front.PlayerEngine().control), SessionOf(front.FlashEngine().flashControl.ControlObject())})
        if (session) sessions.push_back(session);
    return sessions;
}

double SteppedSpeed(double speed, double factor) {
    const double next = std::round(speed * factor * 100) / 100;
    return std::clamp(std::isfinite(next) ? next : 1.0, kSlowest, kFastest);
}

void ChangeSpeed(MainWindow& window, double factor) {
    MediaFront* front = window.State().mediaObject.get();
    MpvSession* active = front ? ActiveSession(*front) : nullptr;
    if (!active) return;
    const double speed = SteppedSpeed(active->Speed(), factor);
    for (MpvSession* session : Sessions(*front)) session->SetSpeed(speed);
}

void ResetSpeed(MainWindow& window) {
    if (MediaFront* front = window.State().mediaObject.get())
        for (MpvSession* session : Sessions(*front)) session->SetSpeed(1);
}

void ToggleSubtitles(MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    MpvSession* active = front ? ActiveSession(*front) : nullptr;
    if (!active) return;
    const bool show = !active->SubtitlesShown();
    for (MpvSession* session : Sessions(*front)) session->SetSubtitlesShown(show);
}

bool AddSubtitleFiles(MainWindow& window, const std::vector<QString>& paths) {
    MediaFront* front = window.State().mediaObject.get();
    MpvSession* active = front ? ActiveSession(*front) : nullptr;
    if (!active || active->CurrentPhase() != MpvSession::Phase::Loaded) return false;
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
    MpvSession* session = state.mediaObject ? ActiveSession(*state.mediaObject) : nullptr;
    if (!session || session->CurrentPhase() != MpvSession::Phase::Loaded) return;
    const QString folder = ScreenshotFolder();
    if (!QDir().mkpath(folder)) {
        LogWarning(LogLayer::Playback, "screenshot: cannot create the folder " + folder.toStdString());
        return;
    }
    const QString name = QStringLiteral("lumora-%1.png")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")));
    const QString path = QDir(folder).filePath(name);
    // One report per session and window: the connection goes with either.
    QObject::disconnect(session, &MpvSession::ScreenshotSaved, &window, nullptr);
    const bool report = state.reportState;
    QObject::connect(session, &MpvSession::ScreenshotSaved, &window, [report](const QString& saved, bool ok) {
        if (!ok)
            LogWarning(LogLayer::Playback, "screenshot: mpv could not write " + saved.toStdString());
        else if (report)
            ReportStateLine("screenshot", FromQString(saved));
    });
    session->SaveScreenshot(path.toStdString());
}

}  // namespace lumora
