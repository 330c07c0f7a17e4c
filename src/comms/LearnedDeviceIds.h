// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/LineSettings.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tosk {

// The device ids units have told us in answer to identify, one per line
// (device and line settings), kept for the life of the process: a unit is
// asked once, and again after an exchange with it failed. Any thread.
class LearnedDeviceIds {
public:
    static LearnedDeviceIds& shared();

    std::optional<uint8_t> find(const LineSettings& line) const;
    void remember(const LineSettings& line, uint8_t id);
    void forget(const LineSettings& line);

    // The id a request on `line` goes to now: the one the user set, else the
    // one learned, else 0.
    uint8_t addressFor(const LineSettings& line) const;

    // The device id in an answer to identify (F0 1C 70 id 19 ...), if it is one.
    static std::optional<uint8_t> idInIdentity(const uint8_t* reply, size_t length);

private:
    mutable std::mutex mutex_;
    std::map<std::string, uint8_t> ids_;
};

} // namespace tosk
