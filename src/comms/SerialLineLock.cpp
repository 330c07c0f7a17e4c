// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SerialLineLock.h"

#include "base/Log.h"
#include "base/TkxException.h"

#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>

namespace tosk {

namespace {

std::mutex linesMutex;
std::condition_variable lineReleased;

std::set<std::string>& heldLines()
{
    static std::set<std::string> lines;
    return lines;
}

std::string lineKey(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved))
        return resolved;
    return path; // it does not exist: opening it will say so
}

std::string seconds(std::chrono::milliseconds t)
{
    return format("%g second%s", double(t.count()) / 1000, t == std::chrono::seconds(1) ? "" : "s");
}

} // namespace

SerialLineLock::SerialLineLock(const std::string& path, std::chrono::milliseconds limit, const WaitObserver& observer)
    : key_(lineKey(path))
{
    auto start = std::chrono::steady_clock::now();
    auto deadline = start + limit;
    std::unique_lock lock(linesMutex);
    for (;;) {
        if (heldLines().insert(key_).second)
            return;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            throw TkxException("SerialConnection.open",
                               format("%s - line busy: another request to the unit has held the line for %s; try "
                                      "again when it has finished",
                                      path.c_str(), seconds(limit).c_str()),
                               0, path);
        lineReleased.wait_for(lock, std::min<std::chrono::steady_clock::duration>(tick, deadline - now));
        if (observer) {
            auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            lock.unlock();
            observer(waited, limit);
            lock.lock();
        }
    }
}

SerialLineLock::~SerialLineLock()
{
    {
        std::lock_guard lock(linesMutex);
        heldLines().erase(key_);
    }
    lineReleased.notify_all();
}

bool SerialLineLock::isHeld(const std::string& path)
{
    std::lock_guard lock(linesMutex);
    return heldLines().count(lineKey(path)) != 0;
}

} // namespace tosk
