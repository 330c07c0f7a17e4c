// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// The user-visible texts, looked up by key. Tables are files of
// `"key" = "text";` lines: Localizable.strings for messages and titles,
// UndoStrings.strings for undo action names.
class Localization {
public:
    static Localization& shared();

    // Text for key from the table; else the fallback; else the key itself.
    std::string string(const std::string& key, const std::string& fallback = {},
                       const std::string& table = "Localizable") const;

    // Parses one table's text; answers the number of pairs read.
    size_t loadTable(const std::string& table, const std::string& text);
    bool loadTableFile(const std::string& table, const std::string& path);
    bool has(const std::string& key, const std::string& table = "Localizable") const;

private:
    Localization();
    std::map<std::string, std::map<std::string, std::string>> tables_;
};

// A localized message with its "%s" placeholders filled in order (the
// values are never read as formats; missing values leave "%s").
std::string fillIn(const std::string& text, const std::vector<std::string>& values);

// Messages (alerts, log lines, exception reasons, the tables above, file
// paths) are UTF-8. Sig files and the database are 8-bit Latin-1 text: their
// bytes go into a message through this.
std::string latin1ToUtf8(std::string_view bytes);

// Shorthands for the two tables.
std::string localized(const std::string& key, const std::string& fallback = {});
std::string localizedUndo(const std::string& key, const std::string& fallback = {});

} // namespace tosk
