// SPDX-License-Identifier: GPL-3.0-or-later
// A MediaFront attached to a video area inside a window, with both engines
// driving recording players, and a network probe answered from a table (on
// the probe's worker thread).
#pragma once

#include "RecordingPlayer.h"
#include "resolve/MediaFront.h"
#include "EventWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <chrono>
#include <string>
#include <vector>

namespace lumora::test {

class FrontTest : public testing::Test {
protected:
    FrontTest() {
        window.resize(800, 600);
        video = new QWidget(&window);
        video->setGeometry(100, 0, 640, 400);
        front.Attach(video, 0, 0, 640, 400);
        front.FlashEngine().UseMovie(&movie);
        front.PlayerEngine().UsePlayer(&player);
        front.WatchEngines();
        front.SetProbe([this](const Text& address) {
            std::lock_guard lock(probeMutex);
            probed.push_back(address.ToUtf8());
            const auto found = records.find(address.ToUtf8());
            return found == records.end() ? lumora::StreamProbe() : found->second;
        });
    }

    static lumora::StreamProbe Record(const char* type, const char* file) {
        using lumora::HeadPart;
        return {{{HeadPart::Kind::Length, Text("100")}, {HeadPart::Kind::Type, Text(type)}}, Text(file)};
    }

    // The addresses the engines were asked to open, in order.
    std::vector<std::string> Opened() const {
        std::vector<std::string> opened;
        for (const std::string& entry : log)
            if (entry.starts_with("flash open=") || entry.starts_with("player open=")) opened.push_back(entry);
        return opened;
    }
    // Lets the worker jobs of the front (probe, services) end and deliver.
    void Settle() {
        test::WaitUntil([this] { return !front.Busy(); });
        test::RunPostedEvents();
    }

    QWidget window;
    QWidget* video = nullptr;
    CallLog log;
    RecordingPlayer movie{log, "flash", RecordingPlayer::Numbering::Movie};
    RecordingPlayer player{log, "player", RecordingPlayer::Numbering::MediaPlayer};
    std::mutex probeMutex;
    std::vector<std::string> probed;
    std::map<std::string, lumora::StreamProbe> records;  // address → probe answer
    MediaFront front;
};

}  // namespace lumora::test
