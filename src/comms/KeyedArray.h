// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tosk {

// Objects under string keys, remembering the order the keys came in.
class KeyedArray {
public:
    // Adds the object when the key is new and answers true; an existing key
    // keeps its first object and false is answered.
    bool setObject(std::shared_ptr<BaseObject> object, const std::string& key);
    std::shared_ptr<BaseObject> objectForKey(const std::string& key) const;
    // The object under the key at that position; null when out of range.
    std::shared_ptr<BaseObject> objectAtIndex(size_t index) const;
    size_t count() const { return keys_.size(); }
    const std::vector<std::string>& keys() const { return keys_; }
    void removeObjectForKey(const std::string& key);
    void removeObjectAtIndex(size_t index);
    void removeAllObjects();

    // Typed look-up: null when absent or of another class.
    template <typename T> std::shared_ptr<T> objectForKey(const std::string& key) const
    {
        return std::dynamic_pointer_cast<T>(objectForKey(key));
    }

private:
    std::vector<std::string> keys_;
    std::map<std::string, std::shared_ptr<BaseObject>> objects_;
};

} // namespace tosk
