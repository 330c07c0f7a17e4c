// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "comms/Sysex.h"

#include <optional>

namespace tosk {

// Whoever queues a unit command receives its completion here, on the main
// thread: the reply bytes and the failure, if any.
class MidiClient {
public:
    virtual ~MidiClient() = default;
    virtual void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception) = 0;
};

} // namespace tosk
