// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/UnitTraffic.h"

#include "base/AtomicFile.h"
#include "base/Log.h"

#include <ctime>

namespace tosk {

std::string TrafficEntry::commandName() const
{
    if (head.size() >= 5 && head[0] == sysex::START)
        return sysex::commandName(head[4], direction == Direction::Sent);
    if (!head.empty() && sysex::isProgramChange(head[0]))
        return "program change";
    return "unframed";
}

std::string TrafficEntry::line() const
{
    std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string out = format("%s.%03d  %-8s  %-16s %7zu  ", stamp, int(millis),
                             direction == Direction::Sent ? "sent" : "received", commandName().c_str(), length);
    out += hexString(head.data(), head.size());
    if (length > head.size())
        out += " ...";
    if (!complete && !head.empty() && head[0] == sysex::START)
        out += " (no F7)";
    return out;
}

UnitTraffic& UnitTraffic::shared()
{
    static UnitTraffic* traffic = new UnitTraffic(); // the server thread may record while the program ends
    return *traffic;
}

void UnitTraffic::record(TrafficEntry::Direction direction, const std::string& port, const uint8_t* bytes,
                         size_t stored, size_t length, bool complete)
{
    TrafficEntry entry;
    entry.time = std::chrono::system_clock::now();
    entry.direction = direction;
    entry.port = port;
    entry.length = length;
    entry.head.assign(bytes, bytes + std::min({stored, length, headLength}));
    entry.complete = complete;
    std::vector<Watcher> watchers;
    {
        std::lock_guard lock(mutex_);
        entry.serial = ++lastSerial_;
        entries_.push_back(entry);
        while (entries_.size() > capacity_)
            entries_.pop_front();
        std::erase_if(watchers_, [](const Watcher& w) { return w.observer.expired(); });
        watchers = watchers_;
    }
    for (const Watcher& w : watchers) {
        MainThreadPoster& poster = w.poster ? *w.poster : MainThreadPoster::shared();
        poster.post([observer = w.observer, entry] {
            if (auto o = observer.lock())
                (*o)(entry);
        });
    }
}

std::vector<TrafficEntry> UnitTraffic::entries() const
{
    std::lock_guard lock(mutex_);
    return {entries_.begin(), entries_.end()};
}

std::vector<TrafficEntry> UnitTraffic::entriesAfter(uint64_t serial) const
{
    std::lock_guard lock(mutex_);
    std::vector<TrafficEntry> out;
    for (const auto& e : entries_)
        if (e.serial > serial)
            out.push_back(e);
    return out;
}

size_t UnitTraffic::size() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void UnitTraffic::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}

std::string UnitTraffic::text() const
{
    std::string out;
    for (const auto& e : entries())
        out += e.line() + "\n";
    return out;
}

void UnitTraffic::saveText(const std::string& path) const
{
    writeFileAtomically(path, text(), false);
}

std::shared_ptr<void> UnitTraffic::observe(std::function<void(const TrafficEntry&)> observer, MainThreadPoster* poster)
{
    auto handle = std::make_shared<Observer>(std::move(observer));
    std::lock_guard lock(mutex_);
    watchers_.push_back({handle, poster});
    return handle;
}

void TrafficFrameCutter::add(const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = bytes[i];
        if (b == sysex::START && length_ > 0)
            finish(); // a new message starts before the last one ended
        if (head_.size() < UnitTraffic::headLength)
            head_.push_back(b);
        ++length_;
        if (b == sysex::END) {
            traffic_.record(direction_, port_, head_.data(), head_.size(), length_, head_[0] == sysex::START);
            head_.clear();
            length_ = 0;
        }
    }
}

void TrafficFrameCutter::finish()
{
    if (length_ == 0)
        return;
    traffic_.record(direction_, port_, head_.data(), head_.size(), length_, false);
    head_.clear();
    length_ = 0;
}

} // namespace tosk
