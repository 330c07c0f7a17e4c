// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tosk {

// Why a patch text cannot go to a unit as it is: it travels unchanged inside
// one system-exclusive message, so a byte 0xF0 would start a new message in
// the middle of it and a byte 0xF7 would end it early, and the unit would
// load part of the patch or take the rest for a command. The text names the
// first such byte, its line and its module; nothing when the text can be sent.
std::optional<std::string> patchTextRefusal(std::string_view text);

// The program name a patch text gives itself (its head record's title, the
// text after the head's operator and instance names, 8-bit as written);
// nothing when it has no head record or the head no title.
std::optional<std::string> patchTextTitle(std::string_view text);
// The title of a patch fetched from a unit when it is not the name the unit
// listed the patch under (white space around either ignored): the slot was
// stored again or renamed since the list was read. Nothing when the two
// agree or the text has no title.
std::optional<std::string> titleIfNotListed(std::string_view text, const std::string& listedName);

} // namespace tosk
