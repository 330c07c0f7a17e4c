// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace tosk {

// Whoever opens a serial line holds it until it closes the line again: the
// request server's thread and the unit windows on the main thread take turns
// instead of reading each other's replies. A device is known by the path it
// resolves to, so a link to a terminal and the terminal are one line.
class SerialLineLock {
public:
    static constexpr std::chrono::milliseconds defaultWait{10000};
    static constexpr std::chrono::milliseconds tick{100};

    // Told about every tick, on the waiting thread, how long it has waited
    // so far. It may throw to give up (a cancel); the throw goes through.
    using WaitObserver = std::function<void(std::chrono::milliseconds waited, std::chrono::milliseconds limit)>;

    // Takes the line of `path`, waiting at most `limit` for its holder to
    // let go; then throws "SerialConnection.open" with a "line busy" reason.
    SerialLineLock(const std::string& path, std::chrono::milliseconds limit = defaultWait,
                   const WaitObserver& observer = {});
    ~SerialLineLock();
    SerialLineLock(const SerialLineLock&) = delete;
    SerialLineLock& operator=(const SerialLineLock&) = delete;

    static bool isHeld(const std::string& path);

private:
    std::string key_;
};

} // namespace tosk
