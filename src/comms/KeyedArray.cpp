// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/KeyedArray.h"

#include <algorithm>

namespace tosk {

bool KeyedArray::setObject(std::shared_ptr<BaseObject> object, const std::string& key)
{
    if (objects_.count(key))
        return false;
    keys_.push_back(key);
    objects_.emplace(key, std::move(object));
    return true;
}

std::shared_ptr<BaseObject> KeyedArray::objectForKey(const std::string& key) const
{
    auto it = objects_.find(key);
    return it == objects_.end() ? nullptr : it->second;
}

std::shared_ptr<BaseObject> KeyedArray::objectAtIndex(size_t index) const
{
    return index < keys_.size() ? objectForKey(keys_[index]) : nullptr;
}

void KeyedArray::removeObjectForKey(const std::string& key)
{
    if (objects_.erase(key))
        keys_.erase(std::find(keys_.begin(), keys_.end(), key));
}

void KeyedArray::removeObjectAtIndex(size_t index)
{
    if (index < keys_.size())
        removeObjectForKey(keys_[index]);
}

void KeyedArray::removeAllObjects()
{
    keys_.clear();
    objects_.clear();
}

} // namespace tosk
