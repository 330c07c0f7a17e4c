// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A unit on a pseudo-terminal, for the comms and GUI tests alike: the raw
// terminal itself, a unit the test scripts frame by frame, and tosk-unit
// started from bin/ with its line linked under a folder.

#include "comms/Sysex.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tosk::test {

using namespace std::chrono_literals;

// A raw pseudo-terminal: the code under test opens path(); the test holds
// the far end, which never blocks.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& path() const { return path_; }
    int farEnd() const { return master_; }
    int nearEnd() const { return slave_; }
    void write(const Bytes& b) const;
    // What arrived at the far end within `limit`.
    Bytes read(std::chrono::milliseconds limit = 500ms) const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// A pseudo-terminal whose far end a test scripts: every frame received is
// recorded and answered with the next scripted reply (an empty reply answers
// nothing). Program changes are recorded and never answered.
class FakeUnit {
public:
    FakeUnit();
    ~FakeUnit();
    FakeUnit(const FakeUnit&) = delete;
    FakeUnit& operator=(const FakeUnit&) = delete;

    const std::string& path() const { return pty_.path(); }
    void script(std::vector<Bytes> replies);
    std::vector<Bytes> received() const;
    // When each message came in.
    std::vector<std::chrono::steady_clock::time_point> receivedAt() const;
    // Waits (bounded) until `count` messages have come in.
    bool waitForMessages(size_t count, std::chrono::milliseconds limit = 3000ms) const;

private:
    void run();
    Pty pty_;
    mutable std::mutex mutex_;
    std::deque<Bytes> replies_;
    std::vector<Bytes> received_;
    std::vector<std::chrono::steady_clock::time_point> receivedAt_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// tosk-unit started from bin/ with its line linked under a temporary folder;
// killed when the test ends.
class UnitProcess {
public:
    explicit UnitProcess(const std::filesystem::path& folder, std::vector<std::string> extraArgs = {},
                         const std::string& linkName = "unit");
    ~UnitProcess();
    UnitProcess(const UnitProcess&) = delete;
    UnitProcess& operator=(const UnitProcess&) = delete;

    bool started() const { return started_; }
    const std::string& link() const { return link_; }
    // Lines of the trace: each message received, in hexadecimal.
    std::vector<std::string> trace() const;
    void stop();

private:
    int pid_ = -1;
    bool started_ = false;
    std::string link_;
    std::string trace_;
};

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program from bin/ and waits for it, at most `limit` (then kills it).
ProcessResult runTool(const std::string& name, const std::vector<std::string>& args,
                      std::chrono::milliseconds limit = 30000ms);

} // namespace tosk::test
