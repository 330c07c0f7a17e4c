#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/ToskMidiProcessor.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

struct Recorder : MidiClient {
    std::vector<std::pair<Bytes, std::optional<TkxException>>> calls;
    void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception) override
    {
        calls.emplace_back(message, exception);
    }
};

// Pumps the main-thread queue until nothing is pending (bounded).
bool settle(ToskMidiProcessor& processor, QueuedMainThreadPoster& poster, std::chrono::milliseconds limit = 5000ms)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (processor.pendingCount() && std::chrono::steady_clock::now() < deadline)
        poster.waitAndPump(20ms);
    poster.pump();
    return processor.pendingCount() == 0;
}

} // namespace

TEST(ToskMidiProcessor, FramesTagsAndAnswersInOrder)
{
    FakeUnit unit;
    QueuedMainThreadPoster poster;
    ToskMidiProcessor processor(&poster, lineTo(unit.path()), 150ms);
    auto client = std::make_shared<Recorder>();
    processor.setChannelId(9);
    unit.script({bytes({0xF0, 0x1C, 0x70, 9, 0x19, 'A', 0, 0xF7}), bytes({0xF0, 0x1C, 0x70, 9, 0x0A, 'B', 0, 0xF7})});
    EXPECT_EQ(processor.sysexCommand(0x1A, nullptr, 0, client), 0);
    EXPECT_EQ(processor.sysexCommand(0x0B, Bytes{}, client), 0);
    EXPECT_EQ(processor.sysexTag(), 2);
    EXPECT_TRUE(processor.isPending(1) && processor.isPending(2));
    // Nothing arrives before the main thread runs its queue.
    EXPECT_TRUE(client->calls.empty());
    ASSERT_TRUE(settle(processor, poster));
    ASSERT_EQ(client->calls.size(), 2u);
    EXPECT_EQ(client->calls[0].first, bytes({0xF0, 0x1C, 0x70, 9, 0x19, 'A', 0, 0xF7}));
    EXPECT_FALSE(client->calls[0].second);
    EXPECT_EQ(client->calls[1].first, bytes({0xF0, 0x1C, 0x70, 9, 0x0A, 'B', 0, 0xF7}));
    auto sent = unit.received();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], bytes({0xF0, 0x1C, 0x70, 0, 0x1A, 0xF7})); // identify always goes to device 0
    EXPECT_EQ(sent[1], bytes({0xF0, 0x1C, 0x70, 9, 0x0B, 0xF7}));
    // The second request went out only after the first reply's silence.
    auto at = unit.receivedAt();
    EXPECT_GE(at[1] - at[0], 150ms);
}

TEST(ToskMidiProcessor, CommandsWithoutRepliesAndRequestersThatAreGone)
{
    FakeUnit unit;
    QueuedMainThreadPoster poster;
    ToskMidiProcessor processor(&poster, lineTo(unit.path()), 100ms);
    auto client = std::make_shared<Recorder>();
    const uint8_t bank[4] = {0, 0, 0, 2};
    processor.sysexCommand(0x03, bank, 4, client);
    processor.sysexCommand(0x08, bytes("HEADM\r\n"), client);
    processor.sysexCommand(0x18, Bytes{}, client); // the unit says nothing
    ASSERT_TRUE(settle(processor, poster));
    EXPECT_TRUE(client->calls.empty());
    EXPECT_EQ(unit.received().size(), 3u);
    EXPECT_EQ(unit.received()[0], bytes({0xF0, 0x1C, 0x70, 0, 0x03, 0, 0, 0, 2, 0xF7}));

    // A requester that went away before its reply is skipped.
    unit.script({bytes({0xF0, 0x1C, 0x70, 0, 0x17, 0xF7})});
    auto gone = std::make_shared<Recorder>();
    processor.sysexCommand(0x18, Bytes{}, gone);
    gone.reset();
    EXPECT_TRUE(settle(processor, poster));
}

TEST(ToskMidiProcessor, LineFailuresComeBackAsExceptions)
{
    QueuedMainThreadPoster poster;
    LineSettings none;
    ToskMidiProcessor processor(
        &poster, [&] { return none; }, 100ms);
    auto client = std::make_shared<Recorder>();
    LogCapture log;
    processor.sysexCommand(0x0B, Bytes{}, client);
    ASSERT_TRUE(settle(processor, poster));
    ASSERT_EQ(client->calls.size(), 1u);
    EXPECT_TRUE(client->calls[0].first.empty());
    ASSERT_TRUE(client->calls[0].second);
    EXPECT_EQ(client->calls[0].second->name(), "SerialPort.open");
    EXPECT_EQ(client->calls[0].second->reason(), "no portPath");
    EXPECT_TRUE(log.contains("SerialIOServer.serialIORequest exception: SerialPort.open - no portPath"));

    // The processor may go while a completion still waits in the queue.
    {
        ToskMidiProcessor shortLived(
            &poster, [&] { return none; }, 100ms);
        shortLived.sysexCommand(0x0B, Bytes{}, client);
        auto deadline = std::chrono::steady_clock::now() + 2s;
        while (poster.pending() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
    }
    poster.pump();
    EXPECT_EQ(client->calls.size(), 1u);
}

TEST(ToskMidiProcessor, WithoutAPosterCompletionsGoToTheSharedOne)
{
    LineSettings none;
    ToskMidiProcessor processor(
        nullptr, [&] { return none; }, 100ms);
    // Installed after the processor was made, as the app does.
    QueuedMainThreadPoster poster;
    MainThreadPoster::setShared(&poster);
    auto client = std::make_shared<Recorder>();
    processor.sysexCommand(0x18, Bytes{}, client);
    EXPECT_TRUE(settle(processor, poster));
    MainThreadPoster::setShared(nullptr);
    ASSERT_EQ(client->calls.size(), 1u);
    EXPECT_EQ(client->calls[0].second->reason(), "no portPath");
}
