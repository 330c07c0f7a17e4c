// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tosk {

struct Notification {
    std::string name;
    const void* object = nullptr; // who posted it (identity only)
    std::map<std::string, std::any> userInfo;

    // userInfo value of type T, or fallback when absent or of another type.
    template <typename T> T info(const std::string& key, T fallback = T()) const
    {
        auto it = userInfo.find(key);
        if (it == userInfo.end())
            return fallback;
        if (const T* v = std::any_cast<T>(&it->second))
            return *v;
        return fallback;
    }
};

// Synchronous, main-thread notifications between parts of the program.
// Observers are identified by an owner pointer so that a window can drop all
// of its observations at once when it closes.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // Observe `name` (empty: every name) posted by `object` (null: any poster).
    // Answers an id that removeObserver(id) accepts.
    uint64_t addObserver(const void* owner, const std::string& name, const void* object, Handler handler);
    void removeObserver(uint64_t id);
    void removeObserver(const void* owner); // every observation of owner
    void removeObserver(const void* owner, const std::string& name, const void* object = nullptr);

    void post(const Notification& notification);
    void post(const std::string& name, const void* object = nullptr, std::map<std::string, std::any> userInfo = {});

    size_t observerCount() const;

private:
    struct Entry {
        uint64_t id;
        const void* owner;
        std::string name;
        const void* object;
        Handler handler;
        bool removed = false;
    };
    std::vector<Entry> entries_;
    uint64_t nextId_ = 1;
    int posting_ = 0;
    void compact();
};

} // namespace tosk
