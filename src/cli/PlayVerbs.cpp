// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of playback: which engine an address goes to, and playing it through
// MediaFront the way the main window does, with its states as status texts.
#include "base/NumberText.h"
#include "base/TimeText.h"
#include "cli/CliMain.h"
#include "cli/Verbs.h"
#include "platform/PlaybackOptions.h"
#include "resolve/MediaFront.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace lumora::cli {

namespace {

constexpr const char* kPlayUsage = "usage: lumora-cli play [--null] [--first-frame] [--seconds N] ADDRESS";
constexpr long long kMostSeconds = 1'000'000;
constexpr int kVideoWidth = 640, kVideoHeight = 360;
// How long a medium that never played may stay stopped before that counts as
// its answer (an empty address unloads the engine and stays at 0).
constexpr qint64 kStoppedAnswerMs = 500;

// The status bar's text of a play state; -1 before the first poll.
Text StateText(std::optional<PlayState> state) { return state ? Text(PlayStateText(*state)) : Text("-1"); }

// Lines go out as they happen, also into a pipe.
void Report(const Text& line) {
    PrintLine(line);
    std::fflush(stdout);
}

bool HeadlessPlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

int Classify(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli classify ADDRESS");
    // An existing file is named whole, from the current directory: its name
    // may hold ";", which joins a play list only in an address.
    const QFileInfo file(QString::fromStdString(args[0].ToUtf8()));
    const Text address = file.isFile() ? Text::FromUtf8(file.absoluteFilePath().toStdString()) : args[0];
    const EngineChoice choice = ClassifyAddress(address);
    PrintRecord({choice.engine == Engine::Flash ? "flash" : "player", choice.address});
    return ResultStatus(!choice.address.Empty(), "no address to play for " + args[0].ToUtf8());
}

int Play(const Args& args) {
    bool nullOutputs = false;
    bool untilFirstFrame = false;
    long long limitSeconds = 0;  // 0: until the end
    std::optional<Text> address;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i].Bytes();
        if (word == "--null") {
            nullOutputs = true;
        } else if (word == "--first-frame") {
            untilFirstFrame = true;
        } else if (word == "--seconds") {
            limitSeconds = i + 1 < args.size() ? ReadInteger(args[++i]) : 0;
            if (limitSeconds < 1 || limitSeconds > kMostSeconds)
                return UsageError("--seconds takes whole seconds from 1 to 1000000");
        } else if (word.starts_with("--") || address) {
            return UsageError(kPlayUsage);
        } else {
            address = args[i];
        }
    }
    if (!address) return UsageError(kPlayUsage);
    if (!nullOutputs && HeadlessPlatform()) return UsageError("play needs a display; --null plays without one");

    QEventLoop loop;
    QTimer statePoll, positionClock;
    QElapsedTimer stoppedFor;
    bool started = false, played = false, finished = false, framed = false;
    std::optional<PlayState> shownState;

    const auto finish = [&] {
        finished = true;
        statePoll.stop();
        positionClock.stop();
        loop.quit();
    };

    PlaybackOptions options;
    options.nullOutputs = nullOutputs;
    if (untilFirstFrame) {
        // The time from the start of lumora-cli to the first decoded frame;
        // playback ends there.
        options.onFirstFrame = [&] {
            if (finished) return;
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - ProcessStart();
            char line[64];
            std::snprintf(line, sizeof line, "first frame after %.1f ms", took.count());
            Report(Text(line));
            framed = true;
            finish();
        };
    }
    SetPlaybackOptions(options);

    // The window holds the video area; the front, made after it, goes first.
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(address->ToUtf8()));
    window.setFixedSize(kVideoWidth, kVideoHeight);
    QWidget* video = new QWidget(&window);
    video->setGeometry(0, 0, kVideoWidth, kVideoHeight);
    if (!nullOutputs) window.show();
    MediaFront front;
    front.Attach(video, 0, 0, kVideoWidth, kVideoHeight);
    // The 10 ms poll of the status display: each change of state, and the end
    // of playback (failed, or stopped after playing or for good).
    QObject::connect(&statePoll, &QTimer::timeout, [&] {
        if (finished) return;
        const PlayState state = front.PlayState();
        if (state != shownState) {
            shownState = state;
            Report(StateText(state));
            if (state == PlayState::Playing && !played) {
                played = true;
                positionClock.start(1000);
            }
            if (state == PlayState::Stopped) stoppedFor.start();
        }
        if (finished) return;  // the time limit ran inside a wait of PlayState
        const bool stoppedForGood =
            state == PlayState::Stopped && started && stoppedFor.isValid() && stoppedFor.elapsed() >= kStoppedAnswerMs;
        if (state == PlayState::Failed || (state == PlayState::Stopped && played) || stoppedForGood) finish();
    });
    QObject::connect(&positionClock, &QTimer::timeout, [&] {
        Report(FormatTime(WholeSeconds(front.Position())) + "/" + FormatTime(WholeSeconds(front.Duration())));
    });
    if (limitSeconds > 0) {
        QTimer::singleShot(static_cast<int>(limitSeconds * 1000), &loop, [&] {
            if (finished) return;
            finish();
            front.Stop();  // also overtakes a Play still waiting on the network
        });
    }
    // Play waits on the network inside the loop, polled meanwhile like the
    // main window polls (connecting).
    QTimer::singleShot(0, &loop, [&] {
        statePoll.start(10);
        front.Play(*address);
        started = true;
        if (shownState == PlayState::Stopped) stoppedFor.start();
    });
    loop.exec();
    front.Stop();
    if (untilFirstFrame) return ResultStatus(framed, "no frame of " + address->ToUtf8() + " came up");
    return ResultStatus(played,
                        address->ToUtf8() + " never reached playing; last state: " + StateText(shownState).ToUtf8());
}

}  // namespace lumora::cli
