// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Automation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace lumora {
namespace {

struct Invocation {
    std::string member;
    InvokeKind kind;
    std::vector<Variant> args;
};

// Records every invoke; answers "answer" for the kinds it is told to.
class RecordingObject : public AutomationObject {
public:
    explicit RecordingObject(std::set<InvokeKind> answering) : answering_(std::move(answering)) {}

    std::optional<Variant> Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) override {
        calls.push_back({member.Bytes(), kind, args});
        if (!answering_.contains(kind)) return std::nullopt;
        return Variant{Text("answer")};
    }

    std::vector<Invocation> calls;

private:
    std::set<InvokeKind> answering_;
};

enum class CallKind { Read, Write, Call };

constexpr InvokeKind Get = InvokeKind::PropertyGet;
constexpr InvokeKind Put = InvokeKind::PropertyPut;
constexpr InvokeKind PutRef = InvokeKind::PropertyPutRef;
constexpr InvokeKind Method = InvokeKind::Method;

TEST(Automation, EachCallKindTriesItsKindsInOrderUntilOneAnswers) {
    struct Case {
        CallKind call;
        std::set<InvokeKind> answering;
        std::vector<InvokeKind> tried;
        bool answered;
    };
    const std::vector<Case> cases = {
        {CallKind::Read, {Get}, {Get}, true},
        {CallKind::Read, {Method}, {Get, Method}, true},
        {CallKind::Read, {Put, PutRef}, {Get, Method}, false},
        {CallKind::Read, {}, {Get, Method}, false},
        {CallKind::Write, {Put, Method}, {Put}, true},
        {CallKind::Write, {PutRef}, {Put, PutRef}, true},
        {CallKind::Write, {Method}, {Put, PutRef, Method}, true},
        {CallKind::Write, {Get}, {Put, PutRef, Method}, false},
        {CallKind::Write, {}, {Put, PutRef, Method}, false},
        {CallKind::Call, {Method, Get}, {Method}, true},
        {CallKind::Call, {Get}, {Method, Get}, true},
        {CallKind::Call, {Put}, {Method, Get, Put}, true},
        {CallKind::Call, {PutRef}, {Method, Get, Put, PutRef}, true},
        {CallKind::Call, {}, {Method, Get, Put, PutRef}, false},
    };
    const std::vector<Variant> args = {Text("setPlay"), 7, true};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case& c = cases[i];
        auto object = std::make_shared<RecordingObject>(c.answering);
        bool answered = false;
        switch (c.call) {
            case CallKind::Read: {
                const auto result = AutomationRead(object, "SetVariable", args);
                answered = result.has_value();
                EXPECT_EQ(VariantText(result), answered ? Text("answer") : Text());
                break;
            }
            case CallKind::Write:
                answered = AutomationWrite(object, "SetVariable", args);
                break;
            case CallKind::Call: {
                const auto result = AutomationCall(object, "SetVariable", args);
                answered = result.has_value();
                EXPECT_EQ(VariantText(result), answered ? Text("answer") : Text());
                break;
            }
        }
        EXPECT_EQ(answered, c.answered);
        std::vector<InvokeKind> tried;
        for (const Invocation& call : object->calls) {
            tried.push_back(call.kind);
            EXPECT_EQ(call.member, "SetVariable");
            EXPECT_EQ(call.args, args);
        }
        EXPECT_EQ(tried, c.tried);
    }
}

TEST(Automation, WriteOfAMethodNameReachesTheMethodWithItsArguments) {
    auto control = std::make_shared<MemberTable>();
    std::vector<std::vector<Variant>> received;
    control->Add("SetVariable", Method, [&](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 2 || !std::holds_alternative<Text>(args[0]) || !std::holds_alternative<Text>(args[1]))
            return std::nullopt;
        received.push_back(args);
        return Variant{};
    });

    EXPECT_TRUE(AutomationWrite(control, "setVariable", {Text("setPlay"), Text("Stop")}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (std::vector<Variant>{Text("setPlay"), Text("Stop")}));

    // A read with the name alone doesn't fit the method: empty, and nothing reached it.
    EXPECT_EQ(VariantText(AutomationRead(control, "setVariable", {Text("setPlay")})), Text());
    EXPECT_FALSE(AutomationWrite(control, "setVariable", {Text("setPlay")}));
    EXPECT_EQ(received.size(), 1u);
}

TEST(Automation, NoObjectGivesEmptyValues) {
    const AutomationRef none;
    EXPECT_FALSE(AutomationRead(none, "playState").has_value());
    EXPECT_FALSE(AutomationWrite(none, "URL", {Text("a.mp4")}));
    EXPECT_FALSE(AutomationCall(none, "play").has_value());
    EXPECT_EQ(VariantText(AutomationRead(none, "Url")), Text());
    EXPECT_EQ(VariantNumber(AutomationRead(none, "duration")), 0);
    EXPECT_FALSE(VariantBool(AutomationCall(none, "IsPlaying")));
    EXPECT_EQ(VariantObject(AutomationRead(none, "controls")), nullptr);
}

TEST(MemberTable, NamesMatchWithoutRegardToAsciiCaseAndKindMustMatch) {
    struct Case {
        Text added;
        Text asked;
        InvokeKind askedKind;
        bool found;
    };
    const std::vector<Case> cases = {
        {"PlayState", "PlayState", Get, true},
        {"PlayState", "playstate", Get, true},
        {"PlayState", "PLAYSTATE", Get, true},
        {"PlayState", "PlayState", Put, false},
        {"PlayState", "PlayState", Method, false},
        {"PlayState", "PlayStat", Get, false},
        {"PlayState", "PlayStates", Get, false},
        {"PlayState", "", Get, false},
        // The second byte of a double-byte character is no letter.
        {Text::Gbk("\x81\x41"), Text::Gbk("\x81\x41"), Get, true},
        {Text::Gbk("\x81\x41"), Text::Gbk("\x81\x61"), Get, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        MemberTable table;
        table.Add(cases[i].added, Get, [](const std::vector<Variant>&) { return Variant{3}; });
        const auto result = table.Invoke(cases[i].asked, cases[i].askedKind, {});
        EXPECT_EQ(result.has_value(), cases[i].found);
    }
}

TEST(MemberTable, LaterAddOfTheSameNameReplacesTheHandler) {
    MemberTable table;
    table.Add("Volume", Get, [](const std::vector<Variant>&) { return Variant{1}; });
    table.Add("volume", Get, [](const std::vector<Variant>&) { return Variant{2}; });
    table.Add("VOLUME", Put, {});  // an empty handler is no member
    EXPECT_EQ(VariantInt(table.Invoke("Volume", Get, {})), 2);
    EXPECT_FALSE(table.Invoke("Volume", Put, {Variant{5}}).has_value());
}

TEST(MemberTable, AHandlerMayReplaceItselfWhileItRuns) {
    auto table = std::make_shared<MemberTable>();
    MemberTable* self = table.get();
    // A capture too large for std::function's inline buffer, so a handler
    // destroyed while running would be read after it was freed.
    const std::string firstReply(64, 'a');
    table->Add("Next", Method, [self, firstReply](const std::vector<Variant>&) {
        self->Add("next", Method, [](const std::vector<Variant>&) { return Variant{Text("second")}; });
        return Variant{Text::Gbk(firstReply)};
    });
    EXPECT_EQ(VariantText(AutomationCall(table, "Next")), Text::Gbk(firstReply));
    EXPECT_EQ(VariantText(AutomationCall(table, "Next")), Text("second"));
}

TEST(VariantConversion, Text) {
    const auto object = std::make_shared<MemberTable>();
    const std::vector<std::pair<std::optional<Variant>, Text>> cases = {
        {std::nullopt, ""},
        {Variant{}, ""},
        {Variant{true}, "true"},
        {Variant{false}, "false"},
        {Variant{42}, "42"},
        {Variant{-7}, "-7"},
        {Variant{1.5}, "1.5"},
        {Variant{2.0}, "2"},
        {Variant{-0.25}, "-0.25"},
        {Variant{Text("swf")}, "swf"},
        {Variant{Text("播放")}, "播放"},
        {Variant{AutomationRef(object)}, ""},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(VariantText(cases[i].first), cases[i].second);
    }
}

TEST(VariantConversion, Number) {
    const auto object = std::make_shared<MemberTable>();
    const std::vector<std::pair<std::optional<Variant>, double>> cases = {
        {std::nullopt, 0},
        {Variant{}, 0},
        {Variant{true}, 1},
        {Variant{false}, 0},
        {Variant{5}, 5},
        {Variant{2.5}, 2.5},
        {Variant{Text("12")}, 12},
        {Variant{Text(" -3.5 ")}, -3.5},
        {Variant{Text("+4")}, 4},
        {Variant{Text("2e3")}, 2000},
        {Variant{Text("1.5E-1")}, 0.15},
        {Variant{Text(".5")}, 0.5},
        {Variant{Text("5.")}, 5},
        {Variant{Text("0012")}, 12},
        {Variant{Text("")}, 0},
        {Variant{Text("   ")}, 0},
        {Variant{Text("12abc")}, 0},
        {Variant{Text("12 34")}, 0},
        {Variant{Text("abc")}, 0},
        {Variant{Text("1,5")}, 0},
        {Variant{Text("0x10")}, 0},
        {Variant{Text("inf")}, 0},
        {Variant{Text("nan")}, 0},
        {Variant{Text("1e999")}, 0},
        {Variant{Text("e5")}, 0},
        {Variant{Text("1e")}, 0},
        {Variant{Text("-")}, 0},
        {Variant{Text(".")}, 0},
        {Variant{Text("--1")}, 0},
        {Variant{Text("true")}, 0},
        {Variant{Text("１２")}, 0},  // full-width digits are no decimal number
        {Variant{AutomationRef(object)}, 0},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_DOUBLE_EQ(VariantNumber(cases[i].first), cases[i].second);
    }
}

TEST(VariantConversion, IntTruncatesTowardZero) {
    const std::vector<std::pair<std::optional<Variant>, int>> cases = {
        {std::nullopt, 0},
        {Variant{3.7}, 3},
        {Variant{-3.7}, -3},
        {Variant{-0.5}, 0},
        {Variant{Text("3.9")}, 3},
        {Variant{Text("-2.5")}, -2},
        {Variant{Text("100")}, 100},
        {Variant{Text("7 seconds")}, 0},
        {Variant{true}, 1},
        {Variant{std::numeric_limits<int>::max()}, std::numeric_limits<int>::max()},
        {Variant{std::numeric_limits<int>::min()}, std::numeric_limits<int>::min()},
        {Variant{2147483647.9}, 2147483647},
        {Variant{-2147483648.0}, std::numeric_limits<int>::min()},
        // Out of range and NaN don't convert.
        {Variant{1e10}, 0},
        {Variant{-2147483649.0}, 0},
        {Variant{std::nan("")}, 0},
        {Variant{std::numeric_limits<double>::infinity()}, 0},
        {Variant{Text("99999999999")}, 0},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(VariantInt(cases[i].first), cases[i].second);
    }
}

TEST(VariantConversion, Bool) {
    const auto object = std::make_shared<MemberTable>();
    const std::vector<std::pair<std::optional<Variant>, bool>> cases = {
        {std::nullopt, false},
        {Variant{}, false},
        {Variant{true}, true},
        {Variant{false}, false},
        {Variant{0}, false},
        {Variant{-1}, true},
        {Variant{2}, true},
        {Variant{0.0}, false},
        {Variant{0.5}, true},
        {Variant{std::nan("")}, false},
        {Variant{Text("true")}, true},
        {Variant{Text("TRUE")}, true},
        {Variant{Text(" False ")}, false},
        {Variant{Text("1")}, true},
        {Variant{Text("-1")}, true},
        {Variant{Text("0")}, false},
        {Variant{Text("yes")}, false},
        {Variant{Text("")}, false},
        {Variant{AutomationRef(object)}, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(VariantBool(cases[i].first), cases[i].second);
    }
}

TEST(VariantConversion, ObjectOnlyFromAnObject) {
    const auto object = std::make_shared<MemberTable>();
    EXPECT_EQ(VariantObject(Variant{AutomationRef(object)}), object);
    EXPECT_EQ(VariantObject(std::nullopt), nullptr);
    EXPECT_EQ(VariantObject(Variant{}), nullptr);
    EXPECT_EQ(VariantObject(Variant{Text("controls")}), nullptr);
    EXPECT_EQ(VariantObject(Variant{1}), nullptr);
}

TEST(VariantConversion, BoolRoundTripsThroughItsText) {
    for (bool flag : {true, false}) EXPECT_EQ(VariantBool(Variant{VariantText(Variant{flag})}), flag);
}

}  // namespace
}  // namespace lumora
