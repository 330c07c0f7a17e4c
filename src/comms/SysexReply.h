// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "comms/Sysex.h"

#include <optional>

namespace tosk {

// The check every queued command's reply goes through before its payload is
// used: it came without a failure, is long enough, in our frame, ends with
// its F7, and where the payload lies. Only an Ok reply may be used; a reply
// that came with a failure or was cut short opens no patch, updates nothing
// and saves nothing.
struct SysexReply {
    enum class Status {
        Empty,        // nothing came back, and nothing failed
        Cancelled,    // the user gave the request up (isCancellation)
        Failed,       // the line failed; whatever came is not used
        TooShort,     // 1 to 5 bytes: not even a header
        BadHeader,    // not F0 1C 70
        Unterminated, // the last byte is not the closing F7
        Ok,
    };

    // For text and database replies the byte before the closing F7 is a
    // terminator, not payload; a leading CR LF is dropped as well. Screen
    // replies (0x17) keep everything up to the F7.
    static SysexReply check(const uint8_t* bytes, size_t length,
                            const std::optional<TkxException>& exception = std::nullopt);
    static SysexReply check(const Bytes& bytes, const std::optional<TkxException>& exception = std::nullopt)
    {
        return check(bytes.data(), bytes.size(), exception);
    }

    bool usable() const { return status == Status::Ok; }

    Status status = Status::Empty;
    uint8_t deviceId = 0;
    uint8_t command = 0;
    Bytes payload;
};

} // namespace tosk
