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

} // namespace tosk
