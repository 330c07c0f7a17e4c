// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/SafeFileName.h"

#include "base/Localization.h"

namespace tosk {

namespace {

// Room left for " 99" and ".sig" within a name of 255 bytes.
constexpr size_t kMaxNameBytes = 240;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string safeFileName(std::string_view latin1Text)
{
    // "/" would make a path of the name; the unit's own rule for patch names
    // writes it as "|". Control characters (a NUL above all) cannot stand in
    // a name a person reads.
    std::string cleaned;
    cleaned.reserve(latin1Text.size());
    for (char c : latin1Text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/')
            cleaned += '|';
        else if (byte < 0x20 || byte == 0x7F)
            cleaned += ' ';
        else
            cleaned += c;
    }
    size_t first = 0;
    while (first < cleaned.size() && isBlank(cleaned[first]))
        ++first;
    size_t last = cleaned.size();
    while (last > first && isBlank(cleaned[last - 1]))
        --last;
    cleaned = cleaned.substr(first, last - first);
    // "." and ".." name folders that already exist, and a leading dot hides
    // the file from every file manager.
    for (size_t i = 0; i < cleaned.size() && cleaned[i] == '.'; ++i)
        cleaned[i] = '-';
    if (cleaned.empty())
        return localized("UntitledFile", "Untitled");

    std::string name = latin1ToUtf8(cleaned);
    if (name.size() > kMaxNameBytes) {
        // Cut before a UTF-8 continuation byte never splits a character.
        size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
        while (!name.empty() && isBlank(name.back()))
            name.pop_back();
    }
    return name;
}

std::string UniqueFileNames::claim(const std::string& base, const std::string& extension, int slot)
{
    std::string first = base;
    if (used_.count(base + extension) && slot >= 0)
        first = fillIn(localized("SlotFileName", "%s (slot %s)"), {base, std::to_string(slot)});
    std::string name = first + extension;
    for (int n = 2; used_.count(name); ++n)
        name = first + " " + std::to_string(n) + extension;
    used_.insert(name);
    return name;
}

} // namespace tosk
