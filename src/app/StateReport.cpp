// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StateReport.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/PlaybackTweaks.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/WindowLayout.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

void ReportQt(const char* kind, const QString& text) {
    // One line per change: a line break inside a text would split it.
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QByteArray utf8 = flat.toUtf8();
    std::printf("%s: %s\n", kind, utf8.constData());
    std::fflush(stdout);
}

// The playback settings as their report lines give them.
std::map<std::string, QString> Settings(MainWindow& window) {
    std::map<std::string, QString> settings;
    MediaFront* front = window.State().mediaObject.get();
    settings["mute"] = QString::number(front && front->Muted() ? 1 : 0);
    // What the window is, as the window system last gave it: covering the
    // screen without a border.
    settings["fullscreen"] = QString::number(Borderless(window) ? 1 : 0);
    settings["playlist"] = QString::number(window.PlayListShown() ? 1 : 0);
    if (const QWidget* focus = QApplication::focusWidget())
        settings["focus"] =
            focus->objectName().isEmpty() ? QString::fromUtf8(focus->metaObject()->className()) : focus->objectName();
    if (const Player* player = front ? front->ActivePlayer() : nullptr) {
        settings["speed"] = QString::number(player->Speed(), 'g', 6);
        settings["subtitles"] = QString::number(player->SubtitlesShown() ? 1 : 0);
        settings["subtitle"] = QString::fromStdString(player->SubtitleText());
    }
    return settings;
}

}  // namespace

void ReportStateLine(const char* kind, const Text& text) { ReportQt(kind, ToQString(text)); }

void StartStateReport(MainWindow& window) {
    StatusBarUnit* bar = window.Units().statusBar;
    ReportQt("title", window.windowTitle());
    for (int i = 0; i < StatusBarUnit::kSectionCount; ++i)
        ReportQt(("status" + std::to_string(i)).c_str(), bar->SectionText(i));
    QObject::connect(&window, &QWidget::windowTitleChanged, &window,
                     [](const QString& title) { ReportQt("title", title); });
    QObject::connect(bar, &StatusBarUnit::SectionTextChanged, &window, [](int section, const QString& text) {
        ReportQt(("status" + std::to_string(section)).c_str(), text);
    });

    // The settings are read again whenever one of them may have changed:
    // playback (the front), the keyboard focus, full screen.
    auto shown = std::make_shared<std::map<std::string, QString>>();
    const auto report = [&window, shown] {
        for (const auto& [kind, value] : Settings(window)) {
            auto [it, added] = shown->try_emplace(kind, value);
            if (added || it->second != value) {
                it->second = value;
                ReportQt(kind.c_str(), value);
            }
        }
    };
    QMetaObject::invokeMethod(&window, report, Qt::QueuedConnection);
    if (MediaFront* front = window.State().mediaObject.get()) {
        QObject::connect(front, &MediaFront::Changed, &window, report, Qt::QueuedConnection);
        QObject::connect(front, &MediaFront::StateChanged, &window, report, Qt::QueuedConnection);
    }
    QObject::connect(qApp, &QApplication::focusChanged, &window, report, Qt::QueuedConnection);
    QObject::connect(window.Units().fullScreenMode, &QCheckBox::toggled, &window, report, Qt::QueuedConnection);
    QObject::connect(&window, &MainWindow::PlayListShownChanged, &window, report, Qt::QueuedConnection);
    // The window manager or compositor may change the state later, or on its own.
    class StateWatch : public QObject {
    public:
        StateWatch(QWidget& watched, std::function<void()> changed)
            : QObject(&watched), changed_(std::move(changed)) {
            watched.installEventFilter(this);
        }
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::WindowStateChange)
                QMetaObject::invokeMethod(this, changed_, Qt::QueuedConnection);
            return QObject::eventFilter(watched, event);
        }

    private:
        std::function<void()> changed_;
    };
    new StateWatch(window, report);
}

}  // namespace lumora
