// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/LearnedDeviceIds.h"

#include "comms/Sysex.h"

namespace tosk {

LearnedDeviceIds& LearnedDeviceIds::shared()
{
    static LearnedDeviceIds* ids = new LearnedDeviceIds();
    return *ids;
}

std::optional<uint8_t> LearnedDeviceIds::find(const LineSettings& line) const
{
    std::lock_guard lock(mutex_);
    auto it = ids_.find(line.lineKey());
    if (it == ids_.end())
        return std::nullopt;
    return it->second;
}

void LearnedDeviceIds::remember(const LineSettings& line, uint8_t id)
{
    std::lock_guard lock(mutex_);
    ids_[line.lineKey()] = id;
}

void LearnedDeviceIds::forget(const LineSettings& line)
{
    std::lock_guard lock(mutex_);
    ids_.erase(line.lineKey());
}

uint8_t LearnedDeviceIds::addressFor(const LineSettings& line) const
{
    if (line.deviceId)
        return *line.deviceId;
    return find(line).value_or(0);
}

std::optional<uint8_t> LearnedDeviceIds::idInIdentity(const uint8_t* b, size_t n)
{
    for (size_t i = 0; i + 5 <= n; ++i)
        if (b[i] == sysex::START && b[i + 1] == sysex::MANUFACTURER && b[i + 2] == sysex::FAMILY &&
            b[i + 4] == sysex::IDENTITY && b[i + 3] < 0x80)
            return b[i + 3];
    return std::nullopt;
}

} // namespace tosk
