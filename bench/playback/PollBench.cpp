// SPDX-License-Identifier: GPL-3.0-or-later
// One 10 ms poll of the status display: MediaFront::PlayState on the active
// engine while a medium plays, in real time with the null outputs.
//
// The medium plays through each engine in turn (the Flash movie engine, then
// the media player engine). Every 10 ms, while the state is "playing", one
// poll is timed on its own and a batch of 100 polls is timed together. Beside
// them, the peer: the same question asked of a bare libmpv handle playing the
// same file the way a naive player would, with synchronous property reads
// ("pause", "paused-for-cache", "eof-reached").
//
//   playback_poll_bench FILE [SECONDS]
#include "platform/PlaybackOptions.h"
#include "resolve/MediaFront.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <mpv/client.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBatch = 100;

struct Row {
    std::string name;
    std::vector<double> single;  // ns of one poll
    std::vector<double> batch;   // ns per poll over a batch
    int notPlaying = 0;          // polls that did not answer "playing"
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

double Nanoseconds(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::nano>(end - start).count();
}

// Runs the event loop, calling `tick` every 10 ms until it returns false or
// `limitMs` pass.
void EveryTenMs(qint64 limitMs, const std::function<bool()>& tick) {
    QEventLoop loop;
    QTimer timer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!tick() || clock.elapsed() > limitMs) loop.quit();
    });
    timer.start(10);
    loop.exec();
}

// Times `poll` (true while playing) every 10 ms for `seconds`.
void Sample(Row& row, int seconds, const std::function<bool()>& poll) {
    EveryTenMs(seconds * 1000LL, [&] {
        auto start = Clock::now();
        const bool playing = poll();
        row.single.push_back(Nanoseconds(start, Clock::now()));
        row.notPlaying += !playing;
        start = Clock::now();
        for (int i = 0; i < kBatch; ++i) row.notPlaying += !poll();
        row.batch.push_back(Nanoseconds(start, Clock::now()) / kBatch);
        return true;
    });
}

bool FrontRow(Row& row, lumora::MediaFront& front, const std::string& file, lumora::EngineRequest engine, int seconds) {
    front.Play(lumora::Text::FromUtf8(file), engine);
    bool playing = false;
    EveryTenMs(15'000, [&] { return !(playing = front.PlayState() == lumora::PlayState::Playing); });
    if (!playing) return false;
    Sample(row, seconds, [&] { return front.PlayState() == lumora::PlayState::Playing; });
    front.Stop();
    return true;
}

bool Flag(mpv_handle* mpv, const char* name) {
    int flag = 0;
    mpv_get_property(mpv, name, MPV_FORMAT_FLAG, &flag);
    return flag != 0;
}

bool BareMpvRow(Row& row, const std::string& file, int seconds) {
    mpv_handle* mpv = mpv_create();
    if (!mpv) return false;
    const char* const settings[][2] = {{"config", "no"}, {"vo", "null"}, {"ao", "null"}, {"terminal", "no"}};
    for (const auto& setting : settings) mpv_set_option_string(mpv, setting[0], setting[1]);
    bool playing = false;
    if (mpv_initialize(mpv) >= 0) {
        const char* command[] = {"loadfile", file.c_str(), nullptr};
        mpv_command(mpv, command);
        for (int i = 0; i < 1500 && !playing; ++i) {
            const mpv_event* event = mpv_wait_event(mpv, 0.01);
            playing = event->event_id == MPV_EVENT_PLAYBACK_RESTART;
        }
        if (playing)
            Sample(row, seconds, [&] {
                const bool paused = Flag(mpv, "pause"), waiting = Flag(mpv, "paused-for-cache");
                return !paused && !waiting && !Flag(mpv, "eof-reached");
            });
    }
    mpv_terminate_destroy(mpv);
    return playing;
}

void Print(const Row& row) {
    std::printf("%-38s %7zu %10.0f %10.0f %14.1f %11d\n", row.name.c_str(), row.single.size(),
                Percentile(row.single, 0.5), Percentile(row.single, 0.99), Percentile(row.batch, 0.5), row.notPlaying);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: playback_poll_bench FILE [SECONDS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses other numeric locales
    const std::string file = argv[1];
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    lumora::PlaybackOptions options;
    options.nullOutputs = true;
    lumora::SetPlaybackOptions(options);
    QWidget window;
    window.resize(640, 360);
    QWidget* video = new QWidget(&window);
    video->setGeometry(0, 0, 640, 360);
    lumora::MediaFront front;
    front.Attach(video, 0, 0, 640, 360);

    Row flash, player, bare;
    flash.name = "MediaFront::PlayState, Flash engine";
    player.name = "MediaFront::PlayState, media player";
    bare.name = "bare libmpv, 3 synchronous reads";
    const char* failed = nullptr;
    if (!FrontRow(flash, front, file, lumora::EngineRequest::Flash, seconds))
        failed = "the Flash engine never played the file";
    else if (!FrontRow(player, front, file, lumora::EngineRequest::Player, seconds))
        failed = "the media player engine never played the file";
    else if (!BareMpvRow(bare, file, seconds))
        failed = "bare libmpv never played the file";
    if (failed) {
        std::fprintf(stderr, "%s: %s\n", failed, file.c_str());
        return 1;
    }

    std::printf("one poll every 10 ms while playing, %d s per row; batch: %d polls in a row\n\n", seconds, kBatch);
    std::printf("%-38s %7s %10s %10s %14s %11s\n", "", "polls", "median ns", "p99 ns", "batch ns/poll", "not playing");
    Print(flash);
    Print(player);
    Print(bare);
    const double worst = std::max(Percentile(flash.single, 0.5), Percentile(player.single, 0.5));
    std::printf("\ngoal: one poll under 20000 ns (median): %s\n", worst < 20'000 ? "met" : "NOT met");
    return 0;
}
