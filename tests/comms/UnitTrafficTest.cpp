// SPDX-License-Identifier: GPL-3.0-or-later
// The record of every frame that crossed a serial line.
#include "CommsTestSupport.h"

#include "comms/SerialConnection.h"
#include "comms/UnitTraffic.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace tosk;
using namespace tosk::test;

TEST(UnitTraffic, EveryFrameBothWaysWithItsCommandLengthAndFirstBytes)
{
    FakeUnit unit;
    Bytes reply = bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A, 'A', 0x00, 0xF7});
    Bytes cut = bytes({0xF0, 0x1C, 0x70, 0x00, 0x0C, 1, 2});
    Bytes answer = reply;
    answer.insert(answer.end(), cut.begin(), cut.end());
    unit.script({answer});
    UnitTraffic::shared().clear();
    SerialConnection line(lineTo(unit.path()), 100ms);
    ASSERT_TRUE(line.open());
    Bytes request = sysex::frame(0, sysex::GET_PATCH);
    line.putData(request.data(), request.size());
    uint8_t b = 0;
    size_t got = 0;
    while (got < answer.size() && line.hasData() && line.getByte(&b) == 1)
        ++got;
    ASSERT_EQ(got, answer.size());
    const uint8_t program[2] = {0xC0, 0x05};
    line.putData(program, 2);
    Bytes text = sysex::frame(0, sysex::SEND_PATCH, std::string(40, 'x'));
    line.putData(text.data(), text.size());
    line.close(); // the reply cut short is recorded as it stands

    auto entries = UnitTraffic::shared().entries();
    std::vector<std::string> lines;
    for (const auto& e : entries) {
        lines.push_back(e.line().substr(25)); // after the time
        EXPECT_EQ(e.port, unit.path());
    }
    ASSERT_EQ(lines, (std::vector<std::string>{
                         "sent      get patch              6  F0 1C 70 00 0B F7",
                         "received  patch text             8  F0 1C 70 00 0A 41 00 F7",
                         "received  database               7  F0 1C 70 00 0C 01 02 (no F7)",
                         "sent      program change         2  C0 05",
                         "sent      send patch            46  F0 1C 70 00 0A 78 78 78 78 78 78 78 78 78 78 78 ...",
                     }));
    EXPECT_LT(entries[0].serial, entries[4].serial);
    EXPECT_EQ(UnitTraffic::shared().entriesAfter(entries[2].serial).size(), 2u);

    std::string saved = UnitTraffic::shared().text(); // what the traffic window saves
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 5);
}

TEST(UnitTraffic, TextLinesKeepOnlyTheNewestAndTellObserversOnTheMainThread)
{
    UnitTraffic traffic(3);
    QueuedMainThreadPoster poster;
    std::vector<std::string> heard;
    auto handle = traffic.observe([&](const TrafficEntry& e) { heard.push_back(e.commandName()); }, &poster);
    const uint8_t identify[] = {0xF0, 0x1C, 0x70, 0x00, 0x1A, 0xF7};
    const uint8_t noise[] = {0x13, 0x11};
    traffic.record(TrafficEntry::Direction::Sent, "/dev/ttyS0", identify, 6, 6, true);
    traffic.record(TrafficEntry::Direction::Received, "/dev/ttyS0", noise, 2, 2, false);
    EXPECT_TRUE(heard.empty()) << "only when the main thread runs its queue";
    poster.pump();
    EXPECT_EQ(heard, (std::vector<std::string>{"identify", "unframed"}));
    handle.reset();
    traffic.record(TrafficEntry::Direction::Received, "/dev/ttyS0", noise, 2, 2, false);
    traffic.record(TrafficEntry::Direction::Received, "/dev/ttyS0", noise, 2, 2, false);
    poster.pump();
    EXPECT_EQ(heard.size(), 2u);
    auto kept = traffic.entries();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front().serial, 2u);

    TrafficEntry e = kept.front();
    e.time = std::chrono::system_clock::from_time_t(1714566896) + std::chrono::milliseconds(7);
    {
        ScopedEnv utc("TZ", "UTC"); // so that the time written is known
        ::tzset();
        EXPECT_EQ(e.line(), "2024-05-01 12:34:56.007  received  unframed               2  13 11");
    }
    ::tzset();
}
