// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/PatchTextCheck.h"

#include "Toskfile/SigfileTokenizer.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "comms/ScanText.h"
#include "comms/Sysex.h"

namespace tosk {

namespace {

// Messages are UTF-8; the patch's bytes are Latin-1.
std::string utf8(std::string_view latin1)
{
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The operator and instance names a module line begins with, as "PLATE"
// and "room" in `module "room" (PLATE)`.
std::string moduleOfLine(std::string_view line)
{
    SigfileTokenizer tokens(line);
    auto op = tokens.nextToken();
    if (!op || op->empty())
        return "";
    auto name = tokens.nextToken();
    if (!name || name->empty())
        return ", module " + utf8(*op) + ",";
    return ", module \"" + utf8(*name) + "\" (" + utf8(*op) + "),";
}

} // namespace

std::optional<std::string> patchTextRefusal(std::string_view text)
{
    size_t bad = text.find_first_of(std::string_view("\xF0\xF7", 2));
    if (bad == std::string_view::npos)
        return std::nullopt;
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < bad; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++line;
            lineStart = i + 1;
        }
    }
    size_t lineEnd = text.find_first_of("\r\n", bad);
    std::string_view lineText =
        text.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
    bool start = uint8_t(text[bad]) == sysex::START;
    return format("The patch cannot be sent: line %d of its text%s holds the byte 0x%02X, which would %s.", line,
                  moduleOfLine(lineText).c_str(), uint8_t(text[bad]),
                  start ? "start a new message to the unit inside this one" : "end the message to the unit early");
}

std::optional<std::string> patchTextTitle(std::string_view text)
{
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        SigfileTokenizer tokens(line);
        // The head is the first record whose operator name holds "HEAD",
        // as the patch reader finds it; blank lines and comments are none.
        auto op = tokens.nextTokenView();
        if (!op || op->empty() || tokens.lastTokenQuoted() || op->front() == ';' || !containsIgnoringCase(*op, "HEAD"))
            continue;
        auto instance = tokens.nextTokenView();
        auto title = instance ? tokens.nextTokenView() : std::nullopt;
        if (!title || title->empty() || (!tokens.lastTokenQuoted() && title->front() == ';'))
            return std::nullopt;
        return std::string(*title);
    }
    return std::nullopt;
}

std::optional<std::string> titleIfNotListed(std::string_view text, const std::string& listedName)
{
    auto title = patchTextTitle(text);
    if (!title)
        return std::nullopt;
    std::string trimmed = trimWhiteSpace(*title);
    if (trimmed.empty() || trimmed == trimWhiteSpace(listedName))
        return std::nullopt;
    return trimmed;
}

} // namespace tosk
