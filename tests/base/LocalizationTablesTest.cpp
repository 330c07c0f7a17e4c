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

TEST(LocalizationTables, MessagesTitlesAndUndoNamesReadAsShown)
{
    EXPECT_EQ(localized("CANCEL"), "Cancel");
    EXPECT_EQ(localized("ModuleBuild"), "Module Build");
    EXPECT_EQ(localized("InvalidOperator"), "'%s' is not a valid operator for this SigDatabase.");
    EXPECT_EQ(localized("MidiGetDBaseACK"), "This operation will download the modules database from the remote "
                                            "system and will take a few minutes.\n\nAre you sure you want to "
                                            "continue?");
    EXPECT_EQ(localized("DeleteModules"), "You are about to delete a module with connections outside the supermodule.");
    EXPECT_EQ(localized("RepositionACK"), "Are you sure you want to reposition the modules for %s?");
    EXPECT_EQ(localized("NoKorvatel"), "No Korvatel unit was found on the port.");
    EXPECT_EQ(localized("UpdateParamsErr1"), "The remote '%s' preset is not the same as %s");
    EXPECT_EQ(localizedUndo("Delete Selected Modules"), "Delete Selected Modules");
    EXPECT_EQ(localizedUndo("Reorder SigFile"), "Reorder SigFile");
    EXPECT_EQ(localizedUndo("Grid Selected Graphics"), "Grid Selected Graphics");
}
