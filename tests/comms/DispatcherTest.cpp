// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/ToskMidiProcessor.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace tosk;
using namespace tosk::test;

TEST(ToskMidiProcessor, FramesTagsAndAnswersInOrder)
{
    FakeUnit unit;
    Queued q(unit.path(), 150ms);
    q.processor.setChannelId(9);
    unit.script({bytes({0xF0, 0x1C, 0x70, 9, 0x19, 'A', 0, 0xF7}), bytes({0xF0, 0x1C, 0x70, 9, 0x0A, 'B', 0, 0xF7})});
    EXPECT_EQ(q.processor.sysexCommand(0x1A, nullptr, 0, q.client), 0);
    q.send(0x0B);
    EXPECT_EQ(q.processor.sysexTag(), 2);
    EXPECT_TRUE(q.processor.isPending(1) && q.processor.isPending(2));
    // Nothing arrives before the main thread runs its queue.
    EXPECT_TRUE(q.client->calls.empty());
    ASSERT_TRUE(q.settle());
    ASSERT_EQ(q.client->calls.size(), 2u);
    EXPECT_EQ(q.client->calls[0].first, bytes({0xF0, 0x1C, 0x70, 9, 0x19, 'A', 0, 0xF7}));
    EXPECT_FALSE(q.client->calls[0].second);
    EXPECT_EQ(q.client->calls[1].first, bytes({0xF0, 0x1C, 0x70, 9, 0x0A, 'B', 0, 0xF7}));
    // Identify always goes to device 0.
    EXPECT_EQ(unit.received(),
              (std::vector<Bytes>{bytes({0xF0, 0x1C, 0x70, 0, 0x1A, 0xF7}), bytes({0xF0, 0x1C, 0x70, 9, 0x0B, 0xF7})}));
    // The second request went out only after the first reply's silence.
    auto at = unit.receivedAt();
    EXPECT_GE(at[1] - at[0], 150ms);
}

TEST(ToskMidiProcessor, CommandsWithoutRepliesAndRequestersThatAreGone)
{
    FakeUnit unit;
    Queued q(unit.path(), 100ms);
    std::vector<std::pair<int, bool>> finished;
    q.processor.setFinishedHandler([&](int tag, bool delivered) { finished.emplace_back(tag, delivered); });
    const uint8_t bank[4] = {0, 0, 0, 2};
    q.processor.sysexCommand(0x03, bank, 4, q.client);
    q.send(0x08, bytes("HEADM\r\n"));
    q.send(0x18); // the unit says nothing
    ASSERT_TRUE(q.settle());
    EXPECT_TRUE(q.client->calls.empty());
    // Each request ends once, in order, heard by nobody.
    EXPECT_EQ(finished, (std::vector<std::pair<int, bool>>{{1, false}, {2, false}, {3, false}}));
    EXPECT_EQ(unit.received(), (std::vector<Bytes>{bytes({0xF0, 0x1C, 0x70, 0, 0x03, 0, 0, 0, 2, 0xF7}),
                                                   sysex::frame(0, 0x08, "HEADM\r\n"), sysex::frame(0, 0x18)}));

    // A requester that went away before its reply is skipped.
    finished.clear();
    unit.script({bytes({0xF0, 0x1C, 0x70, 0, 0x17, 0xF7})});
    auto gone = std::make_shared<Recorder>();
    q.processor.sysexCommand(0x18, Bytes{}, gone);
    gone.reset();
    EXPECT_TRUE(q.settle());
    // A reply that came is delivered before the request is said to end.
    unit.script({bytes({0xF0, 0x1C, 0x70, 0, 0x17, 0xF7})});
    q.send(0x18);
    ASSERT_TRUE(q.settle());
    ASSERT_EQ(q.client->calls.size(), 1u);
    EXPECT_EQ(finished, (std::vector<std::pair<int, bool>>{{4, false}, {5, true}}));
}

TEST(ToskMidiProcessor, LineFailuresComeBackAsExceptions)
{
    LineSettings none;
    Queued q([&] { return none; }, 100ms);
    LogCapture quiet;
    q.send(0x0B);
    ASSERT_TRUE(q.settle());
    ASSERT_EQ(q.client->calls.size(), 1u);
    EXPECT_TRUE(q.client->calls[0].first.empty());
    ASSERT_TRUE(q.client->calls[0].second);
    EXPECT_EQ(failureText(*q.client->calls[0].second), "SerialPort.open: no portPath");

    // The processor may go while a completion still waits in the queue.
    {
        ToskMidiProcessor shortLived(
            &q.poster, [&] { return none; }, 100ms);
        shortLived.sysexCommand(0x0B, Bytes{}, q.client);
        auto deadline = std::chrono::steady_clock::now() + 2s;
        while (q.poster.pending() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
    }
    q.poster.pump();
    EXPECT_EQ(q.client->calls.size(), 1u);

    // Without a poster completions go to the shared one, installed after
    // the processor was made, as the app does.
    ToskMidiProcessor processor(
        nullptr, [&] { return none; }, 100ms);
    QueuedMainThreadPoster shared;
    MainThreadPoster::setShared(&shared);
    processor.sysexCommand(0x18, Bytes{}, q.client);
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (processor.pendingCount() && std::chrono::steady_clock::now() < deadline)
        shared.waitAndPump(20ms);
    shared.pump();
    MainThreadPoster::setShared(nullptr);
    ASSERT_EQ(q.client->calls.size(), 2u);
    EXPECT_TRUE(q.client->calls[1].second);
}

TEST(ToskMidiProcessor, IdentifyAndGetPatchEndShortlyAfterTheirAnswerOthersAtTheSilence)
{
    const std::tuple<uint8_t, uint8_t, bool> rules[] = {
        {0x1A, 0x19, true},  {0x0B, 0x0A, true},  {0x0B, 0x08, true},  {0x0B, 0x36, true},  {0x0B, 0x0D, false},
        {0x1A, 0x0A, false}, {0x0E, 0x0C, false}, {0x18, 0x17, false}, {0x0A, 0x0D, false},
    };
    for (auto [request, reply, whole] : rules)
        EXPECT_EQ(SerialIOServer::isWholeAnswer(request, reply), whole) << int(request) << " " << int(reply);

    // A silence no test waits for: only the answers end these replies.
    FakeUnit unit;
    Queued q(unit.path(), 60s);
    const Bytes identity = bytes({0xF0, 0x1C, 0x70, 0, 0x19, 'I', 'D', 0, 0xF7});
    const Bytes patch = bytes({0xF0, 0x1C, 0x70, 0, 0x0A, 'H', 0, 0xF7});
    // Bytes that come right after the answer belong to the reply.
    Bytes patchAndMore = patch;
    patchAndMore.insert(patchAndMore.end(), identity.begin(), identity.end());
    unit.script({identity, patchAndMore, patch});
    std::set<int> cleared;
    q.processor.setProgressHandler([&](const RequestProgress& p) {
        if (p.stage == RequestProgress::Stage::Clearing)
            cleared.insert(p.tag);
    });
    q.send(sysex::IDENTIFY);
    q.send(sysex::GET_PATCH);
    q.send(sysex::GET_PATCH);
    ASSERT_TRUE(q.settle());
    ASSERT_EQ(q.client->calls.size(), 3u);
    EXPECT_EQ(q.client->calls[0].first, identity);
    EXPECT_EQ(q.client->calls[1].first, patchAndMore);
    EXPECT_EQ(q.client->calls[2].first, patch);
    for (const auto& call : q.client->calls)
        EXPECT_FALSE(call.second);
    // Each request after one that ended at its answer waits for a quiet line.
    EXPECT_EQ(cleared, (std::set<int>{2, 3}));
}
