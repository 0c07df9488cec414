// SPDX-License-Identifier: GPL-3.0-or-later
// A main window on its own application state, with MediaFront attached to
// the video area as start-up attaches it and both engines driving recording
// stand-ins of the controls; network probes answer "nothing known".
#pragma once

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "resolve/MediaFront.h"

#include "EventWait.h"
#include "RecordingPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lumora::test {

class WindowTest : public testing::Test {
protected:
    WindowTest() : units(window.Units()) {
        MediaFront& front = *state.mediaObject;
        front.Attach(units.videoArea, 110, 0, 570, 400);
        front.FlashEngine().UseMovie(&movie);
        front.PlayerEngine().UsePlayer(&player);
        front.WatchEngines();
        front.SetProbe([](const Text&) { return lumora::StreamProbe(); });
    }

    // The addresses the engines were asked to open, in order (UTF-8).
    std::vector<std::string> Opened() const {
        std::vector<std::string> opened;
        for (const std::string& entry : log)
            if (entry.starts_with("flash open=") || entry.starts_with("player open="))
                opened.push_back(entry.substr(entry.find('=') + 1));
        return opened;
    }

    // Declared first so that they outlive the window, which stops playback
    // when it goes.
    CallLog log;
    RecordingPlayer movie{log, "flash", RecordingPlayer::Numbering::Movie};
    RecordingPlayer player{log, "player", RecordingPlayer::Numbering::MediaPlayer};
    AppState state;
    MainWindow window{state};
    const MainWindowUnits& units;
};

}  // namespace lumora::test
