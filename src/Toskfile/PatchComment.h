// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// A note on the canvas: a text with the canvas point of its top left
// corner. Comments are not modules: they have no index, no place in the
// processing order and never reach a unit. The text is Latin-1, like every
// text of a sig file, and may hold line breaks.
struct PatchComment {
    using Ptr = std::shared_ptr<PatchComment>;
    using List = std::vector<Ptr>;

    Point origin;
    std::string text;

    bool operator==(const PatchComment&) const = default;
};

// The line a comment is kept in. To every reader of sig files it is a
// comment record, which they skip:
//
//   ;Comment=X,Y TEXT
//
// X and Y as numbers are written (at most four decimals), TEXT to the end
// of the line with a backslash, a line feed, a carriage return and every
// other byte below 0x20 or 0x7F written as "\\", "\n", "\r" and "\xHH" (two
// upper-case hex digits). An empty text leaves out the blank before it.
namespace CommentLine {

inline constexpr std::string_view kPrefix = ";Comment=";

// The line without its line end.
std::string write(const PatchComment& comment);
// The comment of such a line (a comment token of the file); none for any
// other line.
std::optional<PatchComment> read(std::string_view line);
std::string encode(std::string_view text);
std::string decode(std::string_view text);
// The comment lines of a sig-file text, in order (what a paste takes).
std::vector<PatchComment> readAll(std::string_view text);

} // namespace CommentLine

} // namespace tosk
