// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tosk {

// Records of a unit (banks, patches) kept by display name and by number. A
// record with a number already present replaces the earlier one under both.
template <typename T, int (T::*Number)() const> class NumberedIndex {
public:
    void add(std::shared_ptr<T> item)
    {
        if (!item)
            return;
        int number = ((*item).*Number)();
        auto old = byNumber_.find(number);
        if (old != byNumber_.end())
            byName_.erase(old->second->displayName());
        byName_[item->displayName()] = item;
        byNumber_[number] = std::move(item);
    }
    std::shared_ptr<T> withName(const std::string& displayName) const { return find(byName_, displayName); }
    std::shared_ptr<T> withNumber(int number) const { return find(byNumber_, number); }
    std::vector<int> numberKeys() const
    {
        std::vector<int> keys;
        for (const auto& entry : byNumber_)
            keys.push_back(entry.first);
        return keys;
    }
    // In ascending number.
    std::vector<std::shared_ptr<T>> items() const
    {
        std::vector<std::shared_ptr<T>> out;
        for (const auto& entry : byNumber_)
            out.push_back(entry.second);
        return out;
    }
    size_t count() const { return byNumber_.size(); }
    bool isEmpty() const { return byNumber_.empty(); }

private:
    template <typename Map, typename Key> static std::shared_ptr<T> find(const Map& map, const Key& key)
    {
        auto it = map.find(key);
        return it == map.end() ? nullptr : it->second;
    }

    std::map<std::string, std::shared_ptr<T>> byName_;
    std::map<int, std::shared_ptr<T>> byNumber_;
};

} // namespace tosk
