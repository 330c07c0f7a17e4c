// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/Sysex.h"

#include <algorithm>
#include <cstring>

namespace tosk {

Bytes sysex::frame(uint8_t deviceId, uint8_t command, const uint8_t* payload, size_t length)
{
    Bytes out(length + 6);
    out[0] = START;
    out[1] = MANUFACTURER;
    out[2] = FAMILY;
    out[3] = deviceId;
    out[4] = command;
    if (length)
        std::memcpy(out.data() + 5, payload, length);
    out[length + 5] = END;
    return out;
}

Bytes sysex::frame(uint8_t deviceId, uint8_t command, const std::string& payload)
{
    return frame(deviceId, command, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
}

std::string sysex::commandName(uint8_t command, bool request)
{
    switch (command) {
    case KEY_PRESS:
        return "key press";
    case SELECT_BANK:
        return "select bank";
    case PATCH_TEXT:
    case PATCH_TEXT_ALT:
        return "patch text";
    case SEND_PATCH:
        return request ? "send patch" : "patch text";
    case GET_PATCH:
        return "get patch";
    case DATABASE:
        return "database";
    case ERROR_TEXT:
        return "error text";
    case GET_DATABASE:
        return "get database";
    case SCREEN:
        return "screen";
    case GET_SCREEN:
        return "get screen";
    case IDENTITY:
        return "identity";
    case IDENTIFY:
        return "identify";
    case PARAMETERS_WANT:
        return "parameters want";
    case PARAMETERS_DUMP:
        return "parameters dump";
    case VALUE_PUT:
        return "value put";
    case OBJECT_INFO_WANT:
        return "object info want";
    case OBJECT_INFO_DUMP:
        return "object info dump";
    default: {
        static const char digits[] = "0123456789ABCDEF";
        return std::string("command 0x") + digits[command >> 4] + digits[command & 0x0F];
    }
    }
}

void ennibble(const uint8_t* source, uint8_t* destination, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        destination[2 * i] = source[i] >> 4;
        destination[2 * i + 1] = source[i] & 0x0F;
    }
}

void denibble(const uint8_t* source, uint8_t* destination, size_t count)
{
    for (size_t i = 0; i + 1 < count; i += 2)
        destination[i / 2] = uint8_t(((source[i] & 0x0F) << 4) | (source[i + 1] & 0x0F));
}

const uint8_t* memSkip(const uint8_t* start, uint8_t byte, const uint8_t* end)
{
    for (const uint8_t* p = start; p < end; ++p)
        if (*p != byte)
            return p;
    return nullptr;
}

const uint8_t* memChar(const uint8_t* start, uint8_t byte, const uint8_t* end)
{
    if (start >= end)
        return nullptr;
    return static_cast<const uint8_t*>(std::memchr(start, byte, size_t(end - start)));
}

const uint8_t* memStr(const uint8_t* start, const std::string& text, const uint8_t* end)
{
    if (text.empty() || start >= end)
        return nullptr;
    const auto* t = reinterpret_cast<const uint8_t*>(text.data());
    const uint8_t* found = std::search(start, end, t, t + text.size());
    return found == end ? nullptr : found;
}

bool isWhiteSpace(uint8_t b)
{
    return b == ' ' || b == '\n' || b == '\r' || b == '\t';
}

bool isLineEnding(uint8_t b)
{
    return b == '\n' || b == '\r';
}

std::string hexString(const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i)
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

} // namespace tosk
