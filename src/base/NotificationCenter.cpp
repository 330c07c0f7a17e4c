// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/NotificationCenter.h"

#include <algorithm>

namespace tosk {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

uint64_t NotificationCenter::addObserver(const void* owner, const std::string& name, const void* object,
                                         Handler handler)
{
    uint64_t id = nextId_++;
    entries_.push_back(Entry{id, owner, name, object, std::move(handler)});
    return id;
}

void NotificationCenter::removeObserver(uint64_t id)
{
    for (auto& e : entries_)
        if (e.id == id)
            e.removed = true;
    compact();
}

void NotificationCenter::removeObserver(const void* owner)
{
    for (auto& e : entries_)
        if (e.owner == owner)
            e.removed = true;
    compact();
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name, const void* object)
{
    for (auto& e : entries_)
        if (e.owner == owner && e.name == name && (object == nullptr || e.object == object))
            e.removed = true;
    compact();
}

void NotificationCenter::post(const Notification& n)
{
    // Handlers may add or remove observers while we walk: iterate by index over
    // the entries present at the start, and only compact once nobody walks --
    // also when a handler throws, or removed observers would stay for good.
    struct Walk {
        NotificationCenter& center;
        explicit Walk(NotificationCenter& c) : center(c) { ++center.posting_; }
        ~Walk()
        {
            --center.posting_;
            center.compact();
        }
    } walk(*this);
    const size_t count = entries_.size();
    for (size_t i = 0; i < count && i < entries_.size(); ++i) {
        if (entries_[i].removed)
            continue;
        if (!entries_[i].name.empty() && entries_[i].name != n.name)
            continue;
        if (entries_[i].object != nullptr && entries_[i].object != n.object)
            continue;
        Handler h = entries_[i].handler; // the entry may move if a handler adds observers
        h(n);
    }
}

void NotificationCenter::post(const std::string& name, const void* object, std::map<std::string, std::any> userInfo)
{
    post(Notification{name, object, std::move(userInfo)});
}

size_t NotificationCenter::observerCount() const
{
    return static_cast<size_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.removed; }));
}

void NotificationCenter::compact()
{
    if (posting_ > 0)
        return;
    std::erase_if(entries_, [](const Entry& e) { return e.removed; });
}

} // namespace tosk
