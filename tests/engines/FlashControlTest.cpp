// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/FlashControl.h"

#include "Fakes.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using testing::MovieControlFake;
using Lines = std::vector<std::string>;

TEST(FlashControl, SetVariableReachesTheMethodAfterThePropertyWritesFail) {
    MovieControlFake fake;
    FlashControl control;
    ASSERT_TRUE(control.Attach(fake.Object()));

    EXPECT_TRUE(control.SetVariable("setPlay", "Stop"));
    EXPECT_EQ(fake.log->All(), (Lines{
                                   R"(player.put setVariable("setPlay","Stop") -> none)",
                                   R"(player.putref setVariable("setPlay","Stop") -> none)",
                                   R"(player.method setVariable("setPlay","Stop"))",
                               }));
    EXPECT_EQ(fake.variables, (std::vector<std::pair<std::string, std::string>>{{"setPlay", "Stop"}}));
}

TEST(FlashControl, ReadSetVariableIsAlwaysEmpty) {
    MovieControlFake fake;
    FlashControl control;
    control.Attach(fake.Object());
    for (const char* name : {"setPlay", "setVolume", ""}) EXPECT_EQ(control.ReadSetVariable(name), "") << name;
    EXPECT_TRUE(fake.variables.empty());
}

TEST(FlashControl, SetUpWritesFullScreenThenScriptAccess) {
    MovieControlFake fake;
    FlashControl control;
    control.Attach(fake.Object());
    control.SetUpControl({});
    EXPECT_EQ(fake.log->Answered(), (Lines{
                                        R"(player.put allowFullScreen("true"))",
                                        R"(player.put AllowScriptAccess("always"))",
                                    }));
}

// Each member operation reaches its member with its call kind and argument types.
TEST(FlashControl, MemberOperationsUseTheirCallKinds) {
    struct Case {
        std::function<void(FlashControl&)> operation;
        std::string firstInvoke;
    };
    const std::vector<Case> cases = {
        {[](FlashControl& c) { c.SetMovie("/tmp/a.swf"); }, R"(player.put Movie("/tmp/a.swf"))"},
        {[](FlashControl& c) { c.Movie(); }, "player.get Movie"},
        {[](FlashControl& c) { c.SetAllowFullScreen(1); }, R"(player.put allowFullScreen("true"))"},
        {[](FlashControl& c) { c.SetAllowFullScreen(2); }, R"(player.put allowFullScreen("false"))"},
        {[](FlashControl& c) { c.SetQuality(3); }, "player.put Quality(3) -> none"},
        {[](FlashControl& c) { c.SetPlaying(true); }, "player.put Playing(true) -> none"},
        {[](FlashControl& c) { c.SetWMode("opaque"); }, R"(player.put WMode("opaque") -> none)"},
        {[](FlashControl& c) { c.ReadyState(); }, "player.get ReadyState -> none"},
        {[](FlashControl& c) { c.CurrentFrame(); }, "player.method CurrentFrame() -> none"},
        {[](FlashControl& c) { c.FrameLoaded(5); }, "player.method FrameLoaded(5) -> none"},
        {[](FlashControl& c) { c.TGetProperty("/", 2); }, R"(player.method TGetProperty("/",2) -> none)"},
        {[](FlashControl& c) { c.GetVariable("x"); }, R"(player.method GetVariable("x") -> none)"},
        {[](FlashControl& c) { c.CallFunction("<invoke/>"); }, R"(player.method CallFunction("<invoke/>") -> none)"},
    };
    for (const Case& test : cases) {
        MovieControlFake fake;
        FlashControl control;
        control.Attach(fake.Object());
        test.operation(control);
        ASSERT_FALSE(fake.log->lines.empty()) << test.firstInvoke;
        EXPECT_EQ(fake.log->lines.front(), test.firstInvoke);
    }
}

TEST(FlashControl, MovieReadsBackWhatWasWritten) {
    MovieControlFake fake;
    FlashControl control;
    control.Attach(fake.Object());
    EXPECT_TRUE(control.SetMovie("/tmp/Player.Swf"));
    EXPECT_EQ(control.Movie(), "/tmp/Player.Swf");
    EXPECT_TRUE(control.SetAllowScriptAccess("always"));
    EXPECT_EQ(control.AllowScriptAccess(), "always");
}

TEST(FlashControl, AttachAndRelease) {
    MovieControlFake fake;
    FlashControl control;
    const AutomationRef object = fake.Object();
    EXPECT_TRUE(control.Attach(object));
    EXPECT_EQ(control.ControlObject(), object);
    control.ReleaseControl();
    EXPECT_EQ(control.ControlObject(), nullptr);
    EXPECT_FALSE(control.SetVariable("setPlay", "Play"));
    EXPECT_FALSE(control.Attach(nullptr));
}

TEST(FlashControl, EveryOperationWithoutAControlIsEmpty) {
    FlashControl control;
    EXPECT_FALSE(control.Create(nullptr, 0, 0, 320, 240));
    EXPECT_EQ(control.ParentWindow(), nullptr);
    EXPECT_EQ(control.HostWindow(), nullptr);
    EXPECT_EQ(control.Move(1, 2, 3, 4), 0);
    EXPECT_EQ(control.Left() + control.Top(), 3);  // stored all the same
    EXPECT_FALSE(control.SetVariable("setPlay", "Play"));
    EXPECT_EQ(control.ReadSetVariable("setPlay"), "");
    EXPECT_EQ(control.Movie(), "");
    EXPECT_FALSE(control.SetMovie("/tmp/Player.Swf"));
    EXPECT_EQ(control.CallFunction("<invoke name='getPlayState' returntype='xml'></invoke>"), "");
    EXPECT_EQ(control.ReadyState(), 0);
    EXPECT_FALSE(control.Playing());
    EXPECT_FALSE(control.IsPlaying());
    EXPECT_FALSE(control.FrameLoaded(1));
    EXPECT_EQ(control.TGetPropertyAsNumber("/", 1), 0);
    EXPECT_EQ(control.GetVariable("x"), "");
    EXPECT_FALSE(control.SetAllowFullScreen(1));
    EXPECT_EQ(control.ControlObject(), nullptr);
}

TEST(FlashControl, AnUnknownControlLeavesTheHostAndFails) {
    // A parent is remembered across Create calls, so a later Create may omit it.
    QWidget parent;
    HostedControl hosted;
    EXPECT_FALSE(hosted.CreateHost(&parent, 0, 0, 10, 10, "No.Such.Control"));
    EXPECT_EQ(hosted.ParentWindow(), &parent);
    ASSERT_NE(hosted.HostWindow(), nullptr);
    EXPECT_EQ(hosted.HostWindow()->parentWidget(), &parent);
    EXPECT_EQ(hosted.HostWindow()->geometry(), QRect(0, 0, 10, 10));
    EXPECT_FALSE(hosted.CreateHost(nullptr, 5, 5, 10, 10, "No.Such.Control"));
    EXPECT_EQ(hosted.ParentWindow(), &parent);
    EXPECT_EQ(hosted.HostWindow()->geometry(), QRect(5, 5, 10, 10));
    EXPECT_EQ(hosted.control, nullptr);
}

}  // namespace
}  // namespace lumora
