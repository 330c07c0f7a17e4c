#include "base/Localization.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tosk;

namespace {

// Lines that hold a "key" = "text"; pair.
size_t pairLines(const std::string& text)
{
    std::istringstream in(text);
    size_t count = 0;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] == '"' && line.find('=') != std::string::npos)
            ++count;
    return count;
}

} // namespace

TEST(LocalizationTables, EveryLineOfBothTablesParses)
{
    for (const char* file : {"Localizable.strings", "UndoStrings.strings"}) {
        const std::string text = test::readFile(test::dataPath(file));
        const size_t lines = pairLines(text);
        EXPECT_GT(lines, 10u) << file;
        EXPECT_EQ(Localization::shared().loadTable(std::string("Check-") + file, text), lines) << file;
    }
}
