// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/MainThreadPoster.h"
#include "comms/Sysex.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tosk {

// One frame that crossed a serial line: a sysex message, a program change,
// or a run of bytes that was neither.
struct TrafficEntry {
    enum class Direction { Sent, Received };

    uint64_t serial = 0; // counts up from 1 in the order frames were recorded
    std::chrono::system_clock::time_point time;
    Direction direction = Direction::Sent;
    std::string port;
    size_t length = 0;
    Bytes head;            // the first bytes, at most UnitTraffic::headLength
    bool complete = false; // a message that ended with F7, or a whole program change

    // "get patch", "program change", "unframed" (Sysex.h names the commands).
    std::string commandName() const;
    // One line of the text export:
    // "2024-05-01 12:34:56.789  sent      get patch          6  F0 1C 70 00 0B F7"
    // with " ..." when the frame is longer than its head, and " (no F7)" for
    // a message that never ended.
    std::string line() const;
};

// Every frame sent and received on any serial line of the program, newest
// last, for the Unit Traffic window and for anyone finding out why a unit
// did not answer as expected. Any thread records; a window reads a copy.
class UnitTraffic {
public:
    static constexpr size_t headLength = 16;
    static constexpr size_t defaultCapacity = 10000;

    explicit UnitTraffic(size_t capacity = defaultCapacity) : capacity_(capacity) {}
    UnitTraffic(const UnitTraffic&) = delete;
    UnitTraffic& operator=(const UnitTraffic&) = delete;

    // Where the serial lines record.
    static UnitTraffic& shared();

    // Keeps the head of `bytes` and `length` as the frame's whole length
    // (the caller may pass only the head of a long frame).
    void record(TrafficEntry::Direction direction, const std::string& port, const uint8_t* bytes, size_t stored,
                size_t length, bool complete);

    std::vector<TrafficEntry> entries() const;
    // Those recorded after the entry numbered `serial`, for a window that
    // already shows the ones before.
    std::vector<TrafficEntry> entriesAfter(uint64_t serial) const;
    size_t size() const;
    void clear();

    // All entries, one line each (TrafficEntry::line), each ending in LF.
    std::string text() const;
    // Writes text() to `path` atomically; throws what writeFileAtomically throws.
    void saveText(const std::string& path) const;

    // `observer` hears of every entry recorded from now on, on the main
    // thread through `poster` (the shared poster when null), until the
    // answered handle is released.
    std::shared_ptr<void> observe(std::function<void(const TrafficEntry&)> observer,
                                  MainThreadPoster* poster = nullptr);

private:
    using Observer = std::function<void(const TrafficEntry&)>;
    struct Watcher {
        std::weak_ptr<Observer> observer;
        MainThreadPoster* poster;
    };

    mutable std::mutex mutex_;
    size_t capacity_;
    uint64_t lastSerial_ = 0;
    std::deque<TrafficEntry> entries_;
    std::vector<Watcher> watchers_;
};

// Cuts the bytes arriving on a line into frames for the record: a frame ends
// with F7, or where the next F0 begins, or when the line closes.
class TrafficFrameCutter {
public:
    TrafficFrameCutter(UnitTraffic& traffic, TrafficEntry::Direction direction)
        : traffic_(traffic), direction_(direction)
    {
    }
    void setPort(const std::string& port) { port_ = port; }
    void add(const uint8_t* bytes, size_t count);
    // Records what has come so far of an unfinished frame.
    void finish();

private:
    UnitTraffic& traffic_;
    TrafficEntry::Direction direction_;
    std::string port_;
    Bytes head_;
    size_t length_ = 0;
};

} // namespace tosk
