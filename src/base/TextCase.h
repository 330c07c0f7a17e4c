#pragma once

#include <string>
#include <string_view>

namespace tosk {

// Case rules for names in sig files and the database: ASCII letters only,
// bytes of 0x80 and above are compared as they are.
bool equalsIgnoringCase(std::string_view a, std::string_view b);
bool containsIgnoringCase(std::string_view text, std::string_view part);
std::string lowerCased(std::string_view text);
std::string upperCased(std::string_view text);

} // namespace tosk
