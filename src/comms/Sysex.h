// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tosk {

using Bytes = std::vector<uint8_t>;

// The frame every message to and from a unit travels in:
// F0 1C 70, device id, command, payload, F7.
namespace sysex {

constexpr uint8_t START = 0xF0;
constexpr uint8_t MANUFACTURER = 0x1C;
constexpr uint8_t FAMILY = 0x70;
constexpr uint8_t END = 0xF7;
constexpr uint8_t SPACE = 0x20;
constexpr uint8_t PROGRAM_CHANGE = 0xC0;
// A program change on any MIDI channel (the low nibble is the channel).
constexpr bool isProgramChange(uint8_t status)
{
    return (status & 0xF0) == PROGRAM_CHANGE;
}

constexpr uint8_t KEY_PRESS = 0x01;
constexpr uint8_t SELECT_BANK = 0x03;
constexpr uint8_t PATCH_TEXT = 0x08;
constexpr uint8_t SEND_PATCH = 0x0A; // also the reply to GET_PATCH
constexpr uint8_t GET_PATCH = 0x0B;
constexpr uint8_t DATABASE = 0x0C;
constexpr uint8_t ERROR_TEXT = 0x0D;
constexpr uint8_t GET_DATABASE = 0x0E;
constexpr uint8_t SCREEN = 0x17;
constexpr uint8_t GET_SCREEN = 0x18;
constexpr uint8_t IDENTITY = 0x19;
constexpr uint8_t IDENTIFY = 0x1A;
constexpr uint8_t PARAMETERS_WANT = 0x2B;
constexpr uint8_t PARAMETERS_DUMP = 0x2C;
constexpr uint8_t VALUE_PUT = 0x2D;
constexpr uint8_t OBJECT_INFO_WANT = 0x31;
constexpr uint8_t OBJECT_INFO_DUMP = 0x32;
constexpr uint8_t PATCH_TEXT_ALT = 0x36;

constexpr uint8_t WANT_ALL_INFO = '0';
constexpr uint8_t WANT_NO_STRINGS = '2';
inline const std::string ROOT_KEY = "0";

// F0 1C 70, device id, command, payload, F7.
Bytes frame(uint8_t deviceId, uint8_t command, const uint8_t* payload = nullptr, size_t length = 0);
Bytes frame(uint8_t deviceId, uint8_t command, const std::string& payload);

// What a command code means, as a person reads it in progress and traffic
// ("get patch", "database"); `request` tells the two meanings of 0x0A apart.
// Unknown codes read "command 0x%02X".
std::string commandName(uint8_t command, bool request);

} // namespace sysex

// Each byte becomes two, high nibble first.
void ennibble(const uint8_t* source, uint8_t* destination, size_t count);
// `count` nibbles (even) become count / 2 bytes.
void denibble(const uint8_t* source, uint8_t* destination, size_t count);

// Searches in [start, end); nullptr for none.
const uint8_t* memSkip(const uint8_t* start, uint8_t byte, const uint8_t* end);
const uint8_t* memChar(const uint8_t* start, uint8_t byte, const uint8_t* end);
const uint8_t* memStr(const uint8_t* start, const std::string& text, const uint8_t* end);

bool isWhiteSpace(uint8_t byte);
bool isLineEnding(uint8_t byte);

// Bytes as "F0 1C 70 ..." for messages and logs.
std::string hexString(const uint8_t* bytes, size_t count);

} // namespace tosk
