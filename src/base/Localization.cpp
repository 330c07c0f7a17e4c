// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Localization.h"

#include "base/DataFiles.h"

#include <fstream>
#include <sstream>

namespace tosk {

namespace {

// Reads a quoted string starting at text[i] == '"'; handles \" \\ \n \t.
bool readQuoted(const std::string& text, size_t& i, std::string& out)
{
    if (i >= text.size() || text[i] != '"')
        return false;
    ++i;
    out.clear();
    while (i < text.size()) {
        char c = text[i++];
        if (c == '"')
            return true;
        if (c == '\\' && i < text.size()) {
            char e = text[i++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                out += e;
                break;
            }
        } else {
            out += c;
        }
    }
    return false;
}

void skipSpaceAndComments(const std::string& text, size_t& i)
{
    for (;;) {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
        if (text.compare(i, 2, "//") == 0) {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 2;
        } else {
            return;
        }
    }
}

} // namespace

Localization::Localization()
{
    loadTableFile("Localizable", DataFiles::path("Localizable.strings"));
    loadTableFile("UndoStrings", DataFiles::path("UndoStrings.strings"));
}

Localization& Localization::shared()
{
    static Localization instance;
    return instance;
}

size_t Localization::loadTable(const std::string& table, const std::string& text)
{
    auto& map = tables_[table];
    size_t count = 0;
    size_t i = 0;
    std::string key, value;
    for (;;) {
        skipSpaceAndComments(text, i);
        if (i >= text.size())
            break;
        if (!readQuoted(text, i, key))
            break;
        skipSpaceAndComments(text, i);
        if (i >= text.size() || text[i] != '=')
            break;
        ++i;
        skipSpaceAndComments(text, i);
        if (!readQuoted(text, i, value))
            break;
        skipSpaceAndComments(text, i);
        if (i < text.size() && text[i] == ';')
            ++i;
        map[key] = value;
        ++count;
    }
    return count;
}

bool Localization::loadTableFile(const std::string& table, const std::string& path)
{
    if (path.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    loadTable(table, ss.str());
    return true;
}

bool Localization::has(const std::string& key, const std::string& table) const
{
    auto t = tables_.find(table);
    return t != tables_.end() && t->second.count(key) > 0;
}

std::string Localization::string(const std::string& key, const std::string& fallback, const std::string& table) const
{
    auto t = tables_.find(table);
    if (t != tables_.end()) {
        auto it = t->second.find(key);
        if (it != t->second.end())
            return it->second;
    }
    return fallback.empty() ? key : fallback;
}

std::string fillIn(const std::string& text, const std::vector<std::string>& values)
{
    std::string out;
    size_t from = 0;
    for (const auto& value : values) {
        size_t at = text.find("%s", from);
        if (at == std::string::npos)
            break;
        out.append(text, from, at - from);
        out += value;
        from = at + 2;
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string localized(const std::string& key, const std::string& fallback)
{
    return Localization::shared().string(key, fallback);
}

std::string localizedUndo(const std::string& key, const std::string& fallback)
{
    return Localization::shared().string(key, fallback, "UndoStrings");
}

} // namespace tosk
