// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OnScreenDisplay.h"

#include <QSlider>

#include <cmath>
#include <memory>
#include <optional>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/StateReport.h"
#include "app/QtText.h"
#include "base/NumberText.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

Player* LoadedPlayer(MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    Player* player = front ? front->ActivePlayer() : nullptr;
    return player && player->CurrentPhase() == Player::Phase::Loaded ? player : nullptr;
}

QString ClockText(double seconds) {
    const long long whole = std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(seconds) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600, 2, 10, QLatin1Char('0'))
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

// What the display last saw of the settings it follows, for the medium
// then loaded: a new medium is seen afresh, without a message.
struct Seen {
    Text address;
    bool muted = false;
    bool paused = false;
    double speed = 1;
    bool subtitles = true;
};

}  // namespace

QString SeekOsdText(double position, double duration) {
    if (!std::isfinite(duration) || duration <= 0) return ClockText(position);
    return ClockText(std::min(position, duration)) + QStringLiteral(" / ") + ClockText(duration);
}

QString SpeedOsdText(double speed) { return QStringLiteral("播放速度：%1x").arg(speed, 0, 'g', 6); }

void ShowOsd(MainWindow& window, const QString& text) {
    Player* player = LoadedPlayer(window);
    if (!player || !player->ShowText(text.toStdString(), kOsdMilliseconds)) return;
    if (window.State().reportState) ReportStateLine("osd", FromQString(text));
}

void InstallOnScreenDisplay(MainWindow& window) {
    MediaFront* front = window.State().mediaObject.get();
    if (!front) return;
    auto seen = std::make_shared<std::optional<Seen>>();
    const auto follow = [&window, front, seen] {
        Player* player = LoadedPlayer(window);
        if (!player) {
            seen->reset();
            return;
        }
        const Seen now{player->Address(), front->Muted(), player->Paused(), player->Speed(), player->SubtitlesShown()};
        if (!*seen || (*seen)->address != now.address) {
            *seen = now;
            return;
        }
        const Seen before = **seen;
        *seen = now;
        if (now.muted != before.muted)
            ShowOsd(window, now.muted ? QStringLiteral("静音") : QStringLiteral("取消静音"));
        if (now.paused != before.paused)
            ShowOsd(window, now.paused ? QStringLiteral("暂停") : QStringLiteral("播放"));
        if (now.speed != before.speed) ShowOsd(window, SpeedOsdText(now.speed));
        if (now.subtitles != before.subtitles)
            ShowOsd(window, now.subtitles ? QStringLiteral("字幕：显示") : QStringLiteral("字幕：隐藏"));
    };
    QObject::connect(front, &MediaFront::Changed, &window, follow, Qt::QueuedConnection);
    QObject::connect(front, &MediaFront::StateChanged, &window, follow, Qt::QueuedConnection);
    QObject::connect(window.Units().volumeSlider, &QSlider::valueChanged, &window,
                     [&window](int volume) { ShowOsd(window, ToQString("音量：" + NumberText(volume) + "%")); });
}

}  // namespace lumora
