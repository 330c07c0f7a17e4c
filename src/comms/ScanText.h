// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tosk {

// Prefix scanners for the numbers in a unit's text replies: leading white
// space is skipped, the longest number at the start is read, the rest is
// ignored. Nothing when no number starts the text.
std::optional<uint32_t> scanHex(const std::string& text);
std::optional<double> scanDecimal(const std::string& text);
// A signed decimal integer; `rest` (when given) receives what follows it.
std::optional<long> scanInteger(const std::string& text, std::string* rest = nullptr);

// The text without white space and line ends at either end.
std::string trimWhiteSpace(const std::string& text);

} // namespace tosk
