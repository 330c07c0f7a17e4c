// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SysexReply.h"

#include "comms/RequestProgress.h"

namespace tosk {

SysexReply SysexReply::check(const uint8_t* b, size_t n, const std::optional<TkxException>& exception)
{
    SysexReply reply;
    if (exception) {
        reply.status = isCancellation(*exception) ? Status::Cancelled : Status::Failed;
        return reply;
    }
    if (n == 0)
        return reply;
    if (n <= 5) {
        reply.status = Status::TooShort;
        return reply;
    }
    if (b[0] != sysex::START || b[1] != sysex::MANUFACTURER || b[2] != sysex::FAMILY) {
        reply.status = Status::BadHeader;
        return reply;
    }
    reply.deviceId = b[3];
    reply.command = b[4];
    // A reply cut off (the unit fell silent, or the line failed mid-way)
    // holds only part of its text.
    if (b[n - 1] != sysex::END) {
        reply.status = Status::Unterminated;
        return reply;
    }
    reply.status = Status::Ok;
    size_t from = 5, count = 0;
    if (n >= 7 && b[5] == '\r' && b[6] == '\n') {
        from = 7;
        count = n >= 9 ? n - 9 : 0; // a reply too short for its terminator has no payload
    } else if (reply.command == sysex::SCREEN) {
        count = n - 6;
    } else {
        count = n >= 7 ? n - 7 : 0;
    }
    reply.payload.assign(b + from, b + from + count);
    return reply;
}

} // namespace tosk
