// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/SafeFileName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tosk;

// Names a unit sends become names that are safe in any folder.
TEST(SafeFileName, NamesFromAUnitBecomeSafeFileNames)
{
    struct Case {
        std::string unit;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"Large Hall", "Large Hall"},
        {"..", "--"},
        {".", "-"},
        {"", "Untitled"},
        {"   ", "Untitled"},
        {"a/b", "a|b"},
        {"/", "|"},
        {".hidden", "-hidden"},
        {"a..b", "a..b"},
        {"  Padded  ", "Padded"},
        {std::string("tab\there\nnul\0end", 16), "tab here nul end"},
        {"\x7f", "Untitled"},
        {"Caf\xe9", "Caf\xc3\xa9"},
        {std::string(300, 'x'), std::string(240, 'x')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(safeFileName(c.unit), c.file) << '"' << c.unit << '"';

    // A long name is cut before a whole character: after "a", every
    // two-byte character starts at an odd byte, and byte 240 is the second
    // half of one.
    const std::string cut = safeFileName("a" + std::string(200, '\xe9'));
    ASSERT_EQ(cut.size(), 239u);
    EXPECT_EQ(cut[0], 'a');
    for (size_t i = 1; i < cut.size(); i += 2)
        EXPECT_EQ(cut.substr(i, 2), "\xc3\xa9") << i;
}

// Within one copy every item gets its own name, numbered before the
// extension.
TEST(SafeFileName, RepeatedNamesAreNumberedBeforeTheExtension)
{
    UniqueFileNames names;
    const std::vector<std::pair<std::string, std::string>> asked = {
        {"Echo", ".sig"}, {"Echo", ".sig"}, {"Echo", ".sig"}, {"Echo 2", ".sig"},
        {"Echo", ""},     {"Echo", ""},     {"echo", ".sig"},
    };
    std::vector<std::string> given;
    for (const auto& [base, extension] : asked)
        given.push_back(names.claim(base, extension));
    EXPECT_EQ(given, (std::vector<std::string>{"Echo.sig", "Echo 2.sig", "Echo 3.sig", "Echo 2 2.sig", "Echo", "Echo 2",
                                               "echo.sig"}));

    // Patches from a unit's slots carry the slot when their name is
    // taken: a counter would read as another patch's name ("Pad 2").
    UniqueFileNames slots;
    const std::vector<std::pair<std::string, int>> patches = {{"Pad", 0}, {"Pad", 1},  {"Pad 2", 4},
                                                              {"Pad", 1}, {"Pad", -1}, {"Pad 2", -1}};
    given.clear();
    for (const auto& [base, slot] : patches)
        given.push_back(slots.claim(base, ".sig", slot));
    EXPECT_EQ(given, (std::vector<std::string>{"Pad.sig", "Pad (slot 1).sig", "Pad 2.sig", "Pad (slot 1) 2.sig",
                                               "Pad 3.sig", "Pad 2 2.sig"}));
}
