// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrackMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <optional>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/OnScreenDisplay.h"
#include "app/PlaybackTweaks.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

Player* LoadedPlayer(MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    Player* player = front ? front->ActivePlayer() : nullptr;
    return player && player->CurrentPhase() == Player::Phase::Loaded ? player : nullptr;
}

}  // namespace

QString TrackName(const MediaTrack& track) {
    if (track.id <= 0) return QStringLiteral("关闭");
    QString name = QString::number(track.id) + QLatin1Char(':');
    if (!track.title.empty()) name += QLatin1Char(' ') + QString::fromStdString(track.title);
    if (!track.language.empty()) name += QStringLiteral(" [%1]").arg(QString::fromStdString(track.language));
    if (track.title.empty() && track.language.empty() && !track.codec.empty())
        name += QLatin1Char(' ') + QString::fromStdString(track.codec);
    return name;
}

QString TrackOsdText(const MediaTrack& track) {
    return (track.kind == MediaTrack::Kind::Audio ? QStringLiteral("音轨：") : QStringLiteral("字幕：")) +
           TrackName(track);
}

void ChooseTrack(MainWindow& window, const MediaTrack& track) {
    Player* player = LoadedPlayer(window);
    if (!player) return;
    player->SelectTrack(track.kind, track.id);
    ShowOsd(window, TrackOsdText(track));
}

void CycleTrackShown(MainWindow& window, MediaTrack::Kind kind) {
    if (const std::optional<MediaTrack> chosen = CycleTrack(window, kind)) ShowOsd(window, TrackOsdText(*chosen));
}

void FillTrackMenu(MainWindow& window, QMenu& menu, MediaTrack::Kind kind) {
    menu.clear();
    std::vector<MediaTrack> tracks;
    if (Player* player = LoadedPlayer(window))
        for (const MediaTrack& track : player->Tracks())
            if (track.kind == kind) tracks.push_back(track);
    menu.setEnabled(!tracks.empty());
    if (tracks.empty()) return;
    bool anySelected = false;
    for (const MediaTrack& track : tracks) anySelected = anySelected || track.selected;
    if (kind == MediaTrack::Kind::Subtitle) {
        MediaTrack none;
        none.kind = kind;
        none.selected = !anySelected;
        tracks.insert(tracks.begin(), none);
    }
    auto* group = new QActionGroup(&menu);
    for (const MediaTrack& track : tracks) {
        QAction* action = menu.addAction(TrackName(track));
        action->setCheckable(true);
        action->setChecked(track.selected);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, &window, [&window, track] { ChooseTrack(window, track); });
    }
}

void InstallTrackMenu(MainWindow& window) {
    QMenu* fileMenu = window.Units().fileMenu;
    fileMenu->addSeparator();
    QMenu* audio = fileMenu->addMenu(QStringLiteral("音轨"));
    audio->setObjectName(QStringLiteral("音轨"));
    QMenu* subtitles = fileMenu->addMenu(QStringLiteral("字幕轨"));
    subtitles->setObjectName(QStringLiteral("字幕轨"));
    QAction* playList = fileMenu->addAction(QStringLiteral("播放列表"));
    playList->setObjectName(QStringLiteral("播放列表"));
    playList->setCheckable(true);
    playList->setShortcut(Qt::Key_F9);
    // Shown in the menu only; the window's own key does the work.
    playList->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(playList, &QAction::triggered, &window, [&window](bool shown) { window.SetPlayListShown(shown); });
    QObject::connect(fileMenu, &QMenu::aboutToShow, &window, [&window, audio, subtitles, playList] {
        FillTrackMenu(window, *audio, MediaTrack::Kind::Audio);
        FillTrackMenu(window, *subtitles, MediaTrack::Kind::Subtitle);
        playList->setChecked(window.PlayListShown());
    });
}

}  // namespace lumora
