// SPDX-License-Identifier: GPL-3.0-or-later
// Sessions whose core starts late (the window's start-up order): what is set
// before the core is there reaches mpv once it is, an Open starts the core at
// once, and a core made on a worker is taken over, or let go with its session.
#include "ControlsTestSupport.h"

#include "engines/ControlHost.h"
#include "platform/VideoSurface.h"

#include <QGuiApplication>
#include <QWidget>

#include <mpv/client.h>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

// A property as mpv itself reports it.
std::string MpvValue(MpvSession& session, const char* name) {
    char* value = mpv_get_property_string(session.Handle(), name);
    std::string text = value ? value : "(unavailable)";
    mpv_free(value);
    return text;
}

class LateCoreTest : public testing::Test {
protected:
    void SetUp() override { MpvSession::DeferCoreStarts(); }
    // Starts anything left waiting and ends the deferral for the next test.
    void TearDown() override { MpvSession::StartDeferredCores(); }
};

TEST_F(LateCoreTest, WhatWasSetBeforeTheCoreReachesIt) {
    MpvSession session(HeadlessOptions());
    EXPECT_FALSE(session.Started());
    EXPECT_TRUE(session.Ready());
    session.SetVolume(37);
    session.SetMute(true);
    session.SetSpeed(1.5);
    session.SetSubtitlesShown(false);
    session.SetVideoOption("keepaspect", "yes");
    session.SetVideoOption("keepaspect", "no");  // the last value counts
    session.SetPlayCount(3);
    session.SetChannelGains(1, 0);
    EXPECT_EQ(session.Volume(), 37) << "answered from what was set";

    bool signalled = false;
    QObject::connect(&session, &MpvSession::CoreStarted, [&] { signalled = true; });
    MpvSession::StartDeferredCores();
    ASSERT_TRUE(WaitFor([&] { return session.Started(); }, 10000));
    EXPECT_TRUE(signalled);
    WaitFor([] { return false; }, 300);  // the settings are sent asynchronously

    const std::pair<const char*, const char*> expected[] = {
        {"volume", "37.000000"},  {"mute", "yes"},      {"speed", "1.500000"},
        {"sub-visibility", "no"}, {"keepaspect", "no"}, {"loop-file", "2"},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(MpvValue(session, name), value) << name;
    EXPECT_NE(MpvValue(session, "af").find("pan=stereo"), std::string::npos) << MpvValue(session, "af");

    session.Open(Text::FromUtf8(MediaPath("clip.mp4")));
    EXPECT_TRUE(WaitFor([&] { return session.CurrentPhase() == MpvSession::Phase::Loaded; }));
}

TEST_F(LateCoreTest, AnOpenStartsTheCoreAtOnce) {
    MpvSession session(HeadlessOptions());
    session.Open(Text::FromUtf8(MediaPath("clip.mp4")));
    EXPECT_TRUE(session.Started());
    EXPECT_TRUE(WaitFor([&] { return session.CurrentPhase() == MpvSession::Phase::Loaded; }));
}

TEST_F(LateCoreTest, CoresMadeOnWorkersAreTakenOverOrLetGo) {
    // Opened while its core is still being made: the open waits for it.
    MpvSession opened(HeadlessOptions());
    // Gone while its core is being made: the core is ended with it.
    auto dropped = std::make_unique<MpvSession>(HeadlessOptions());
    MpvSession::StartDeferredCores();
    dropped.reset();
    opened.Open(Text::FromUtf8(MediaPath("clip.mp4")));
    EXPECT_TRUE(opened.Started());
    EXPECT_TRUE(WaitFor([&] { return opened.CurrentPhase() == MpvSession::Phase::Loaded; }));

    // Sessions made after the start are not deferred.
    MpvSession later(HeadlessOptions());
    EXPECT_TRUE(later.Started());
}

// The picture: a player control made while cores wait gets its surface when
// its core starts, and plays into it. Needs a display with OpenGL.
TEST_F(LateCoreTest, TheSurfaceComesWithTheCore) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) GTEST_SKIP() << "no display";
    PlaybackOptions options;
    options.extraOptions = {{"ao", "null"}};
    SetPlaybackOptions(options);

    QWidget window;
    window.resize(320, 240);
    ControlHost host(&window, 0, 0, 320, 240, kMediaPlayerControlName);
    window.show();
    const AutomationRef control = host.Control();
    EXPECT_EQ(host.findChild<VideoSurface*>(), nullptr) << "no surface before the core";

    MpvSession::StartDeferredCores();
    ASSERT_TRUE(WaitFor([&] { return host.findChild<VideoSurface*>() != nullptr; }, 10000));
    auto* surface = host.findChild<VideoSurface*>();
    AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath("clip.mp4"))});
    EXPECT_TRUE(WaitFor([&] { return surface->Rendering() && PlayerState(control) == 3; }, 10000))
        << PlayerState(control);
    SetPlaybackOptions(HeadlessOptions());
}

}  // namespace
}  // namespace lumora
