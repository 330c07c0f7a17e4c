// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tosk {

class ModuleField;

// Which texts a field can be given and still read back the same from the
// file. The reader splits records at blanks, takes double quotes as the
// only quotes and ";" as the start of a comment, and each field strips one
// pair of enclosing quotes again; a value that does not survive that would
// shift every later value of its record on reading.
class TextRules {
public:
    // The text the field would store for `value` (setText's tidying).
    static std::string stored(const ModuleField* field, const std::string& value);
    // Whether the value can be stored in the field (none: a plain string
    // field) and read back as stored. Refused at once: a double quote or a
    // line break anywhere, and an apostrophe at both ends around a blank.
    static bool readsBack(const ModuleField* field, const std::string& value);
    // The message for a value that does not.
    static std::string refusal(const std::string& value);
};

} // namespace tosk
