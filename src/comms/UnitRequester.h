// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "comms/RequestProgress.h"
#include "comms/SerialIOServer.h"
#include "comms/Sysex.h"

#include <functional>
#include <optional>

namespace tosk {

// How a window other than the Unit menu talks to the unit: its requests go
// on the application's one dispatcher, in turn with every other exchange,
// and come back on the main thread. The window never waits for the line.
class UnitRequester {
public:
    // The reply as it came (empty when the unit said nothing) and the
    // failure, if any (requestCancelled() after cancel). Called once per
    // request, on the main thread, unless the requester is gone.
    using Completion = std::function<void(const Bytes& reply, const std::optional<TkxException>& failure)>;
    using Progress = std::function<void(const RequestProgress& progress)>;

    virtual ~UnitRequester() = default;

    // Queues `command` with `payload`; `progress` hears how it goes on the
    // line. Answers the request's tag.
    virtual int request(uint8_t command, const Bytes& payload, ReplyEnd end, Completion done,
                        Progress progress = {}) = 0;
    // Gives a pending request up; false when it is not pending.
    virtual bool cancel(int tag) = 0;
    // The device id the requests carry, which the unit's replies carry back.
    virtual uint8_t deviceId() const = 0;
};

} // namespace tosk
