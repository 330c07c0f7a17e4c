// SPDX-License-Identifier: GPL-3.0-or-later
// What the front panel relies on below the windows: tosk-unit's object tree
// of the running patch and its value puts, replies that end at their F7
// and the pacing of a control's puts.
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KorvatelConnection.h"
#include "comms/NumObject.h"
#include "comms/SetObject.h"
#include "comms/SysexReply.h"
#include "comms/ValuePutThrottle.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

std::vector<std::string> describeAll(const KeyedArray& objects)
{
    std::vector<std::string> out;
    for (const auto& key : objects.keys())
        out.push_back(describe(*objects.objectForKey(key)));
    return out;
}

std::string replyText(const std::string& reply)
{
    // F0 1C 70 id 0D, the text, its terminator, F7.
    return reply.size() > 7 ? std::string(reply.begin() + 5, reply.end() - 2) : "";
}

} // namespace

TEST(UnitPanel, ValuePutsWithinTheLimitsChangeTheRunningTextAndOthersAreRefused)
{
    TempDir dir;
    // depth shows 0..1 at first, then takes 0.2 to 0.7 only.
    UnitProcess unit(dir.path(), {"--banks", makePanelBanks(dir.path()).string(), "--narrow", "depth=0.2:0.7"});
    ASSERT_TRUE(unit.started());
    KorvatelConnection k(std::make_shared<ChannelNameInfo>(), lineTo(unit.link()), 1000ms, 0ms);
    const std::string original = panelPatchText();
    ASSERT_EQ(k.getSigFile(), original);

    // The running patch's controls are objects under the Patch menu, each
    // limit reported once as the patch has it.
    ASSERT_TRUE(k.serialConnection().open());
    EXPECT_EQ(describeAll(k.objectInfoWant("0", sysex::WANT_ALL_INFO)),
              (std::vector<std::string>{"COL 0 Main Main [3]", "COL 1 Program program [2]", "COL 2 Setup setup [1]",
                                        "COL 3 Patch patch [1]"}));
    EXPECT_EQ(describeAll(k.objectInfoWant("3", sysex::WANT_ALL_INFO)),
              (std::vector<std::string>{"COL 3 Patch patch [1]", "COL 3000 Chorus page [4]"}));
    EXPECT_EQ(describeAll(k.objectInfoWant("3000", sysex::WANT_ALL_INFO)),
              (std::vector<std::string>{"COL 3000 Chorus page [4]", "NUM 4000 Rate:%5.2f rate 0.8 in 0.05..5 by 0.01",
                                        "NUM 4001 Depth:%5.2f depth 0.6 in 0..1 by 0.01",
                                        "SET 4002 Shape:%s shape 1=Triangle of Sine Triangle Square",
                                        "SET 4003 Bypass:%s bypass 0=Off of Off On"}));
    // The line as the unit sends it, its statement's format and all.
    EXPECT_NE(k.lastReply().find("NUM knob 4000 3000 Rate:%5.2f rate 0.8 0.05 5 0.01 \r\n"), std::string::npos);
    struct Case {
        const char* key;
        const char* value;
        const char* refusal; // "" when taken
        const char* line;    // the module's line afterwards, "" when nothing changes
    };
    const Case cases[] = {
        {"4000", "1.25", "", "KNOB rate \"Rate:%5.2f\" 0.05 5 0.5 1.25 1 ;=140,140,80,0"},
        {"4000", "5", "", "KNOB rate \"Rate:%5.2f\" 0.05 5 0.5 5 1 ;=140,140,80,0"},
        {"4000", "5.5", "rate: 5.5 is outside its limits (0.05 to 5)", ""},
        {"4000", "fast", "rate: 'fast' is not a number", ""},
        {"4001", "0.9", "depth: 0.9 is outside its limits (0.2 to 0.7)", ""},
        {"4001", "0.25", "", "KNOB depth \"Depth:%5.2f\" 0 1 0.5 0.25 2 ;=140,230,80,0"},
        {"4002", "2", "", "SELECTOR shape \"Shape:%s\" 3 2 0 Sine Triangle Square ;=20,230,80,0"},
        {"4002", "3", "shape: 3 is not one of its 3 choices (0 to 2)", ""},
        {"4003", "1", "", "TOGGLE bypass \"Bypass:%s\" 1 0 Off On ;=20,320,80,0"},
        {"20", "13", "Output Level: 13 is outside its limits (-60 to 12)", ""},
        {"20", "-6.5", "", ""},
    };
    std::string running = original;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.value);
        k.valuePut(c.key, c.value);
        const std::string reply = k.lastReply();
        ASSERT_GT(reply.size(), 5u);
        if (*c.refusal) {
            EXPECT_EQ(uint8_t(reply[4]), sysex::ERROR_TEXT);
            EXPECT_EQ(replyText(reply), c.refusal);
        } else {
            // Taken: the unit answers with the object as it is now.
            EXPECT_EQ(uint8_t(reply[4]), sysex::OBJECT_INFO_DUMP);
            auto objects =
                KorvatelConnection::objectsInDump(reinterpret_cast<const uint8_t*>(reply.data()), reply.size(), 0);
            ASSERT_EQ(objects.size(), 1u);
            EXPECT_EQ(objects[0]->key(), c.key);
        }
        k.serialConnection().close();
        // The module's line changes and nothing else of the text.
        if (*c.line) {
            const size_t at = running.find(std::string(c.line, std::string(c.line).find(' ', 5)));
            ASSERT_NE(at, std::string::npos);
            running.replace(at, running.find("\r\n", at) - at, c.line);
        }
        EXPECT_EQ(k.getSigFile(), running);
        ASSERT_TRUE(k.serialConnection().open());
    }
    // The narrowed limits are what the unit reports from now on.
    auto depth = k.objectInfoWant("4001", sysex::WANT_ALL_INFO).objectForKey<NumObject>("depth");
    ASSERT_TRUE(depth);
    EXPECT_EQ(describe(*depth), "NUM 4001 Depth:%5.2f depth 0.25 in 0.2..0.7 by 0.01");
    auto level = k.objectInfoWant("20", sysex::WANT_ALL_INFO).objectForKey<NumObject>("level");
    ASSERT_TRUE(level);
    EXPECT_EQ(level->value(), -6.5);
    k.serialConnection().close();

    // A patch without controls sent: the Patch menu is empty.
    ASSERT_TRUE(k.sendSigFile(smallRoomText));
    ASSERT_TRUE(k.serialConnection().open());
    EXPECT_EQ(describeAll(k.objectInfoWant("3", sysex::WANT_ALL_INFO)),
              std::vector<std::string>{"COL 3 Patch patch [0]"});
    k.serialConnection().close();
}

TEST(UnitPanel, AFrameEndRequestEndsAtTheF7AndDropsWhatFollows)
{
    FakeUnit unit;
    Queued q(unit.path(), 300ms);
    const Bytes reply = dump(0, {"TRG k 1 0 Go go "});
    Bytes withTail = reply;
    withTail.insert(withTail.end(), {0xF0, 0x1C, 0x70, 0x00, 0x0D, 'x', 0x00, 0xF7});
    unit.script({withTail, {}});

    q.processor.sysexCommand(sysex::OBJECT_INFO_WANT, bytes("1 0"), q.client, ReplyEnd::FrameEnd);
    ASSERT_TRUE(q.settle());
    ASSERT_EQ(q.client->calls.size(), 1u);
    EXPECT_EQ(q.client->calls[0].first, reply) << "ends at its F7, without what follows";
    EXPECT_FALSE(q.client->calls[0].second);

    // A unit that says nothing still ends the request after the silence,
    // and the next request does not get the rest of the earlier reply.
    const auto start = std::chrono::steady_clock::now();
    q.processor.sysexCommand(sysex::VALUE_PUT, bytes("1 2"), q.client, ReplyEnd::FrameEnd);
    ASSERT_TRUE(q.settle());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(q.client->calls.size(), 1u) << "an empty reply is not delivered";
    ASSERT_TRUE(unit.waitForMessages(2));
    EXPECT_EQ(unit.received()[1], bytes({0xF0, 0x1C, 0x70, 0x00, 0x2D, '1', ' ', '2', 0xF7}));
}

TEST(UnitPanel, AThrottledControlPutsAtMostOnceEveryFiftyMillisecondsAndAlwaysTheLastValue)
{
    std::chrono::milliseconds now{1000};
    ValuePutThrottle throttle([&] { return now; });
    struct Step {
        int at;                // ms after the start
        const char* offer;     // a new value of the control, or null
        bool answered;         // the unit answered the put under way
        const char* expectPut; // what goes on the line now, or ""
    };
    const Step steps[] = {
        {0, "1", false, "1"},                                 // the first value goes at once
        {10, "2", false, ""},                                 // too soon, and the put is under way
        {20, nullptr, true, ""},                              // answered, but 50 ms have not passed
        {30, "3", false, ""},                                 // replaces 2
        {50, nullptr, false, "3"},                            // due
        {60, "4", false, ""},      {120, nullptr, false, ""}, // due, but 3 is still on the line
        {125, nullptr, true, "4"},                            // answered: 4 goes
        {126, nullptr, true, ""},                             // nothing waits
        {300, "5", false, "5"},                               // a quiet control puts at once
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.at);
        now = std::chrono::milliseconds(1000 + s.at);
        std::optional<std::string> put;
        if (s.answered) {
            throttle.answered();
            put = throttle.takeDue();
        }
        if (s.offer)
            put = throttle.offer(s.offer);
        else if (!s.answered)
            put = throttle.takeDue();
        EXPECT_EQ(put.value_or(""), s.expectPut);
    }
    EXPECT_FALSE(throttle.untilDue()) << "nothing waits";
    throttle.offer("6");
    EXPECT_EQ(throttle.untilDue(), std::nullopt) << "6 waits for the answer to 5";
    EXPECT_FALSE(throttle.takeDue());
    throttle.answered();
    now += std::chrono::milliseconds(20);
    EXPECT_EQ(throttle.untilDue(), std::chrono::milliseconds(30));
    throttle.forget();
    now += std::chrono::milliseconds(30);
    EXPECT_FALSE(throttle.takeDue()) << "a forgotten value never goes";
}
