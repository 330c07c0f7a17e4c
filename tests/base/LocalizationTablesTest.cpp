// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Localization.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace tosk;

namespace {

// The keys of the lines that hold a "key" = "text"; pair.
std::vector<std::string> keysOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> keys;
    for (std::string line; std::getline(in, line);) {
        const size_t end = line.find('"', 1);
        if (!line.empty() && line[0] == '"' && end != std::string::npos && line.find('=', end) != std::string::npos)
            keys.push_back(line.substr(1, end - 1));
    }
    return keys;
}

} // namespace

// Every pair of both bundled tables parses, and the program's own tables
// answer each key with the file's text rather than a fallback.
TEST(LocalizationTables, TheProgramReadsEveryPairOfBothBundledTables)
{
    for (const char* table : {"Localizable", "UndoStrings"}) {
        const std::string text = test::readFile(test::dataPath(std::string(table) + ".strings"));
        const std::vector<std::string> keys = keysOf(text);
        EXPECT_GT(keys.size(), 10u) << table;
        const std::string check = std::string("Check-") + table;
        EXPECT_EQ(Localization::shared().loadTable(check, text), keys.size()) << table;
        for (const std::string& key : keys)
            EXPECT_EQ(Localization::shared().string(key, "(fallback)", table),
                      Localization::shared().string(key, "(missing)", check))
                << table << " " << key;
    }
}
