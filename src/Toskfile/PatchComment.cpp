// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchComment.h"

#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"
#include "database/OperatorField.h"

#include <cmath>

namespace tosk::CommentLine {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<double> number(std::string_view text)
{
    if (!isNumeric(text))
        return std::nullopt;
    const double value = OperatorField::decimalValue(text);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::string encode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else
            out += c;
    }
    return out;
}

std::string decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\' || next == 'n' || next == 'r') {
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            // Not one of ours: the backslash is text.
            out += c;
        }
    }
    return out;
}

std::string write(const PatchComment& comment)
{
    std::string line(kPrefix);
    line += numberString(comment.origin.x);
    line += ',';
    line += numberString(comment.origin.y);
    if (!comment.text.empty()) {
        line += ' ';
        line += encode(comment.text);
    }
    return line;
}

std::optional<PatchComment> read(std::string_view line)
{
    if (line.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    std::string_view rest = line.substr(kPrefix.size());
    const size_t blank = rest.find(' ');
    const std::string_view place = rest.substr(0, blank);
    const size_t comma = place.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const auto x = number(place.substr(0, comma));
    const auto y = number(place.substr(comma + 1));
    if (!x || !y)
        return std::nullopt;
    PatchComment comment;
    comment.origin = Point{*x, *y};
    if (blank != std::string_view::npos)
        comment.text = decode(rest.substr(blank + 1));
    return comment;
}

std::vector<PatchComment> readAll(std::string_view text)
{
    std::vector<PatchComment> comments;
    SigfileTokenizer tokenizer(text, " ");
    while (auto token = tokenizer.nextTokenView())
        if (!tokenizer.lastTokenQuoted())
            if (auto comment = read(*token))
                comments.push_back(std::move(*comment));
    return comments;
}

} // namespace tosk::CommentLine
