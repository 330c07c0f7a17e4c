// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: what the request server's thread touches.
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/SerialIOServer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace tosk;
using namespace tosk::test;

namespace {

// Collects the tags reported, and lets a test wait for them.
struct Reports {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> tags;
    std::vector<std::string> reasons;

    void add(int tag, const std::optional<TkxException>& e)
    {
        std::lock_guard lock(mutex);
        tags.push_back(tag);
        reasons.push_back(e ? e->name() + " - " + e->reason() : std::string());
        changed.notify_all();
    }
    bool waitFor(size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return tags.size() >= count; });
    }
};

} // namespace

TEST(SerialIOServerRegression, LineSettingsAreReadOnTheThreadThatQueues)
{
    // The preferences behind the settings are not safe to read from the
    // server's thread while the main thread writes them.
    std::mutex mutex;
    std::vector<std::thread::id> readers;
    auto settings = [&] {
        std::lock_guard lock(mutex);
        readers.push_back(std::this_thread::get_id());
        return LineSettings{}; // no port: every exchange fails at once
    };
    Reports reports;
    {
        SerialIOServer server([&](Bytes, int tag, std::optional<TkxException> e) { reports.add(tag, e); }, settings,
                              50ms);
        LogCapture quiet;
        server.serialIORequest(Bytes{0xF0, 0xF7}, true, 1);
        server.serialIORequest(Bytes{0xF0, 0xF7}, false, 2);
        ASSERT_TRUE(reports.waitFor(2));
    }
    std::lock_guard lock(mutex);
    ASSERT_EQ(readers.size(), 2u);
    EXPECT_EQ(readers[0], std::this_thread::get_id());
    EXPECT_EQ(readers[1], std::this_thread::get_id());
    EXPECT_EQ(reports.tags, (std::vector<int>{1, 2}));
    EXPECT_EQ(reports.reasons[0], "SerialPort.open - no portPath");
}

TEST(SerialIOServerRegression, AReportThatThrowsDoesNotEndTheProgram)
{
    Reports reports;
    LogCapture log;
    {
        SerialIOServer server(
            [&](Bytes, int tag, std::optional<TkxException> e) {
                reports.add(tag, e);
                if (tag == 1)
                    throw std::runtime_error("the poster is gone");
            },
            [] { return LineSettings{}; }, 50ms);
        server.serialIORequest(Bytes{0xF0, 0xF7}, true, 1);
        server.serialIORequest(Bytes{0xF0, 0xF7}, true, 2);
        ASSERT_TRUE(reports.waitFor(2)) << "the server goes on after a report that threw";
    }
    EXPECT_EQ(reports.tags, (std::vector<int>{1, 2}));
    EXPECT_TRUE(log.contains("SerialIOServer.serialIORequest: the report of request 1 failed: the poster is gone"));
}

TEST(SerialIOServerRegression, ConcurrentLogLinesAreAllKept)
{
    // The server thread logs its failures while the main thread logs too;
    // unguarded, lines went missing or the capture's storage broke.
    constexpr int kLines = 20000;
    LogCapture log;
    auto writer = [](char tag) {
        for (int i = 0; i < kLines; ++i)
            tosk::log(std::string(1, tag));
    };
    std::vector<std::thread> others;
    for (char tag : {'b', 'c', 'd'})
        others.emplace_back(writer, tag);
    writer('a');
    for (auto& t : others)
        t.join();
    ASSERT_EQ(log.lines().size(), size_t(4 * kLines));
    for (const char* tag : {"a", "b", "c", "d"})
        EXPECT_EQ(std::count(log.lines().begin(), log.lines().end(), tag), kLines) << tag;
}
