// A MediaFront attached to a video area inside a window, with both engines
// driving recording fake controls, and a network probe answered from a table.
#pragma once

#include "FakeControls.h"
#include "resolve/MediaFront.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>
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
        front.FlashEngine().flashControl.Attach(movie.Object());
        front.PlayerEngine().control = player.Object();
        front.SetProbe([this](const Text& address) {
            probed.push_back(address.ToUtf8());
            if (duringProbe) duringProbe();
            const auto found = records.find(address.ToUtf8());
            return found == records.end() ? Text() : found->second;
        });
    }

    static Text Record(const char* type, const char* file) {
        return Text("[Length]100[/Length][Type]") + type + "[/Type][File]" + file + "[/File]";
    }

    // The addresses the engines were asked to open, in order.
    std::vector<std::string> Opened() const {
        std::vector<std::string> opened;
        for (const std::string& entry : log)
            if (entry.starts_with("flash setPlayUrl=") || entry.starts_with("player URL=")) opened.push_back(entry);
        return opened;
    }

    QWidget window;
    QWidget* video = nullptr;
    CallLog log;
    FakeMovie movie{log};
    FakePlayer player{log};
    std::vector<std::string> probed;
    std::map<std::string, Text> records;  // address → probe record
    std::function<void()> duringProbe;
    MediaFront front;
};

}  // namespace lumora::test
