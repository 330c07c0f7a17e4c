#pragma once

#include "comms/Sysex.h"

namespace tosk {

// The check every queued command's reply goes through before its payload is
// used: long enough, in our frame, and where the payload lies.
struct SysexReply {
    enum class Status {
        Empty,     // nothing came back
        TooShort,  // 1 to 5 bytes: not even a header
        BadHeader, // not F0 1C 70
        Ok,
    };

    // For text and database replies the byte before the closing F7 is a
    // terminator, not payload; a leading CR LF is dropped as well. Screen
    // replies (0x17) keep everything up to the F7.
    static SysexReply check(const uint8_t* bytes, size_t length);
    static SysexReply check(const Bytes& bytes) { return check(bytes.data(), bytes.size()); }

    Status status = Status::Empty;
    uint8_t deviceId = 0;
    uint8_t command = 0;
    Bytes payload;
};

} // namespace tosk
