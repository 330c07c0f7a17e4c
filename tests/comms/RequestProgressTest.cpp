// SPDX-License-Identifier: GPL-3.0-or-later
// Queued requests while they are on the line: their progress, a Cancel that
// closes the line, and a line that another request holds.
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/RequestProgress.h"
#include "comms/SerialLineLock.h"
#include "comms/SysexReply.h"
#include "comms/ToskMidiProcessor.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;
using Stage = RequestProgress::Stage;

namespace {

// Pumps until `done` holds (bounded).
template <typename F> bool pumpUntil(QueuedMainThreadPoster& poster, F done, std::chrono::milliseconds limit = 10s)
{
    for (auto end = std::chrono::steady_clock::now() + limit; !done() && std::chrono::steady_clock::now() < end;)
        poster.waitAndPump(10ms);
    return done();
}

bool sawStage(const std::vector<RequestProgress>& seen, Stage stage)
{
    return std::any_of(seen.begin(), seen.end(), [&](const RequestProgress& p) { return p.stage == stage; });
}

} // namespace

TEST(RequestProgress, WhatAWindowShowsForEachStage)
{
    RequestProgress p{.command = 0x0E,
                      .bytesToSend = 6,
                      .bytesSent = 4,
                      .waited = 2300ms,
                      .waitLimit = 10s,
                      .silentFor = 1520ms,
                      .silence = 4s};
    const std::tuple<Stage, size_t, bool, const char*> cases[] = {
        {Stage::WaitingForLine, 0, false,
         "get database: waiting for the line, in use by another request (2.3 of 10 s)"},
        {Stage::Sending, 0, false, "get database: sending, 4 of 6 bytes"},
        {Stage::Receiving, 0, true, "get database: waiting for the unit to answer (1.5 of 4 s)"},
        {Stage::Receiving, 12345, false,
         "get database: 12345 bytes received, waiting for the unit to fall silent (1.5 of 4 s)"},
        {Stage::Receiving, 12345, true, "get database: 12345 bytes received, waiting for the end of the reply"},
        {Stage::Clearing, 12345, false,
         "get database: waiting for the line to fall quiet after the last reply (12345 bytes)"},
        {Stage::Done, 12345, false, "get database: done, 12345 bytes received"},
    };
    for (const auto& [stage, received, atFrameEnd, expected] : cases) {
        p.stage = stage;
        p.bytesReceived = received;
        p.endsAtFrameEnd = atFrameEnd;
        EXPECT_EQ(p.description(), expected);
    }
}

TEST(QueuedRequests, ALongTransferShowsItsProgressIsCancelledAndTheNextCommandWorks)
{
    TempDir dir;
    std::string database = "{\r\n" + std::string(30000, 'x') + "\r\n}\r\n";
    writeFile(dir / "big.sbf", database);
    // Three seconds of database at 10000 bytes a second.
    UnitProcess unit(dir.path(), {"--banks", makeTestBanks(dir.path()).string(), "--db", (dir / "big.sbf").string(),
                                  "--rate", "10000"});
    ASSERT_TRUE(unit.started());
    Queued q(unit.link(), 300ms);
    std::vector<RequestProgress> seen;
    q.processor.setProgressHandler([&](const RequestProgress& p) { seen.push_back(p); });
    q.send(sysex::GET_DATABASE);
    int tag = q.processor.sysexTag();
    ASSERT_TRUE(pumpUntil(q.poster, [&] { return !seen.empty() && seen.back().bytesReceived > 2000; }));
    EXPECT_EQ(std::tuple(seen.back().stage, seen.back().tag, seen.back().command, seen.back().silence),
              std::tuple(Stage::Receiving, tag, sysex::GET_DATABASE, 300ms));
    EXPECT_TRUE(sawStage(seen, Stage::Sending));
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i].bytesReceived, seen[i - 1].bytesReceived);

    EXPECT_TRUE(q.processor.cancel(tag));
    ASSERT_TRUE(pumpUntil(
        q.poster, [&] { return !q.client->calls.empty(); }, 2s))
        << "Cancel acts at once";
    ASSERT_EQ(q.client->calls.size(), 1u);
    EXPECT_TRUE(q.client->calls[0].first.empty()) << "the reply is dropped";
    EXPECT_TRUE(isCancellation(q.client->calls[0].second));
    EXPECT_EQ(seen.back().stage, Stage::Done);
    EXPECT_LT(seen.back().bytesReceived, database.size());
    // The line is closed (a closed line is free to other programs: LineSharing).
    EXPECT_FALSE(SerialLineLock::isHeld(unit.link()));
    EXPECT_FALSE(q.processor.cancel(tag)) << "no longer pending";

    // The unit goes on sending the old reply; the next request waits for
    // the end of it and then gets its own answer.
    seen.clear();
    const SysexReply reply = q.ask(sysex::GET_PATCH);
    EXPECT_EQ(std::pair(reply.command, textOf(reply.payload)), std::pair(sysex::SEND_PATCH, smallRoomText));
    EXPECT_TRUE(sawStage(seen, Stage::Clearing));
    // And the one after that gets its own answer too.
    EXPECT_EQ(textOf(q.ask(sysex::GET_PATCH).payload), smallRoomText);
}

TEST(QueuedRequests, AMessageCutByCancelIsEndedSoTheUnitIsNotConfused)
{
    FakeUnit unit;
    Queued q(unit.path(), 100ms);
    std::vector<RequestProgress> seen;
    q.processor.setProgressHandler([&](const RequestProgress& p) { seen.push_back(p); });
    Bytes big(1 << 20, 'x');
    q.send(sysex::SEND_PATCH, big);
    ASSERT_TRUE(pumpUntil(q.poster, [&] { return !seen.empty() && seen.back().bytesSent > 0; }));
    EXPECT_EQ(std::pair(seen.back().stage, seen.back().bytesToSend), std::pair(Stage::Sending, big.size() + 6));
    q.processor.cancel(q.processor.sysexTag());
    ASSERT_TRUE(q.settle());
    ASSERT_EQ(q.client->calls.size(), 1u);
    EXPECT_TRUE(isCancellation(q.client->calls[0].second));
    ASSERT_TRUE(unit.waitForMessages(1));
    const Bytes cut = unit.received()[0];
    ASSERT_LT(cut.size(), big.size());
    EXPECT_EQ(Bytes(cut.begin(), cut.begin() + 5), bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A}));
    EXPECT_EQ(cut.back(), 0xF7);

    unit.script({bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A, 'O', 'K', 0x00, 0xF7})});
    EXPECT_EQ(textOf(q.ask(sysex::GET_PATCH).payload), "OK");
    EXPECT_EQ(unit.received().back(), bytes({0xF0, 0x1C, 0x70, 0x00, 0x0B, 0xF7}));
}

TEST(QueuedRequests, ABusyLineIsWaitedForWithProgressThenRefusedOrCancelled)
{
    FakeUnit unit;
    QueuedMainThreadPoster poster;
    ToskMidiProcessor processor(&poster, lineTo(unit.path()), 100ms, 600ms);
    auto client = std::make_shared<Recorder>();
    std::vector<RequestProgress> seen;
    processor.setProgressHandler([&](const RequestProgress& p) { seen.push_back(p); });
    // A unit window holds the line.
    SerialConnection holder(lineTo(unit.path()), 100ms);
    ASSERT_TRUE(holder.open());

    LogCapture quiet;
    processor.sysexCommand(sysex::GET_PATCH, Bytes{}, client);
    int first = processor.sysexTag();
    processor.sysexCommand(sysex::GET_SCREEN, Bytes{}, client);
    int second = processor.sysexTag();
    EXPECT_TRUE(processor.cancel(second)); // still waiting its turn in the queue
    ASSERT_TRUE(pumpUntil(poster, [&] { return processor.pendingCount() == 0; }));
    ASSERT_EQ(client->calls.size(), 2u);
    ASSERT_TRUE(client->calls[0].second);
    // The line busy of LineSharing's test, after the processor's own wait.
    EXPECT_NE(failureText(*client->calls[0].second).find("held the line for 0.6 seconds"), std::string::npos);
    EXPECT_TRUE(isCancellation(client->calls[1].second));
    EXPECT_TRUE(unit.received().empty()) << "neither request went out";
    std::vector<std::chrono::milliseconds> waits;
    for (const auto& p : seen)
        if (p.tag == first && p.stage == Stage::WaitingForLine)
            waits.push_back(p.waited);
    ASSERT_GE(waits.size(), 2u);
    EXPECT_LT(waits.front(), waits.back());
    EXPECT_EQ(std::pair(seen.back().tag, seen.back().stage), std::pair(second, Stage::Done));

    // Cancel while it waits for the line.
    seen.clear();
    processor.sysexCommand(sysex::GET_PATCH, Bytes{}, client);
    int third = processor.sysexTag();
    ASSERT_TRUE(pumpUntil(poster, [&] { return sawStage(seen, Stage::WaitingForLine); }));
    processor.cancel(third);
    ASSERT_TRUE(pumpUntil(poster, [&] { return processor.pendingCount() == 0; }));
    ASSERT_EQ(client->calls.size(), 3u);
    EXPECT_TRUE(isCancellation(client->calls[2].second));

    // Once the holder lets go, requests go out again.
    holder.close();
    unit.script({bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A, 'A', 0x00, 0xF7})});
    processor.sysexCommand(sysex::GET_PATCH, Bytes{}, client);
    ASSERT_TRUE(pumpUntil(poster, [&] { return processor.pendingCount() == 0; }));
    ASSERT_EQ(client->calls.size(), 4u);
    EXPECT_FALSE(client->calls[3].second);
    EXPECT_EQ(SysexReply::check(client->calls[3].first).payload, bytes("A"));
}
