// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace tosk {

// A file or folder name made from text a unit sends (a bank's or a patch's
// name, 8-bit Latin-1), fit to be written into any folder: UTF-8, no "/", no
// control characters, no white space around it, never "." or ".." or hidden
// (leading dots become "-"), never empty ("Untitled"), and short enough that
// " 99" and an extension still fit the file system's 255 bytes. A name that
// needs none of this comes back as it was, in UTF-8.
std::string safeFileName(std::string_view latin1Text);

// The names given out for one folder during one copy: a name asked for twice
// gets " 2", " 3"... before its extension the second and third time, so that
// two items of the same name land in two files. An item from a numbered slot
// of a unit carries its slot instead ("Pad (slot 1).sig"): a counter could be
// taken for another patch's real name. Names are compared as they are, byte
// for byte.
class UniqueFileNames {
public:
    // `base` (a safe name) plus `extension` ("" or ".sig"), made distinct
    // from every name given out before; `slot` (negative: none) is the
    // item's slot on the unit.
    std::string claim(const std::string& base, const std::string& extension, int slot = -1);

private:
    std::set<std::string> used_;
};

} // namespace tosk
