// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli search over a generated tree of patches: what it prints and the
// status it answers.
#include "support/LibraryTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

using namespace tosk::test;

namespace {

TEST(SearchCommand, AnswersTheQueriesOfAGeneratedTree)
{
    TempDir dir;
    writeLibraryTree(dir.path());
    const std::string root = dir.path().string();
    const std::string folder = " " + quoted(root);
    const auto line = [&](const std::string& path, const std::string& title) {
        return root + "/" + path + "\t" + title + "\n";
    };
    struct Case {
        std::string args;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases{
        {"--operator HALL" + folder, 0,
         line("Live/Shimmer Hall.sig", "Shimmer Hall") + line("Studio/Deep/Choir.sig", "Choir Shimmer"), ""},
        {"--operator hall --title choir" + folder, 0, line("Studio/Deep/Choir.sig", "Choir Shimmer"), ""},
        {"--title=\"tape echo\"" + folder, 0,
         line("Live/Old/Tape Echo.bak", "Tape Echo") + line("Live/Tape Echo.sig", "Tape Echo"), ""},
        {"--operator DELAY --operator LFO" + folder, 0, line("Live/Tape Echo.sig", "Tape Echo"), ""},
        {"--query 'uses PLATE author: cleo'" + folder, 0, line("Studio/Plate.sig", "Bright Plate"), ""},
        {"--query 'title: shimmer' --operator PITCH" + folder, 0, line("Live/Shimmer Hall.sig", "Shimmer Hall"), ""},
        {"--operator HAL" + folder, 1, "", ""},
        {"--title Legacy" + folder, 1, "", ""},
        {"--title Gone" + folder, 1, "", ""},
        {"--operator HALL " + quoted(root + "/Live/Old"), 1, "", ""},
        {"--operator HALL " + quoted(root + "/Nowhere"), 2, "",
         "tosk-cli search: not a folder: " + root + "/Nowhere\n"},
        {"--operator HALL " + quoted(root + "/Live/Tape Echo.sig"), 2, "",
         "tosk-cli search: not a folder: " + root + "/Live/Tape Echo.sig\n"},
        {"--operator HALL", 2, "", "tosk-cli search: expected 1 folder argument\n"},
        {"--operator HALL" + folder + folder, 2, "", "tosk-cli search: expected 1 folder argument\n"},
        {"--author Ann" + folder, 2, "", "tosk-cli search: unknown option '--author'\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun run = runCli("search " + c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
}

TEST(SearchCommand, WritesEachMatchAsJson)
{
    TempDir dir;
    writeLibraryTree(dir.path());
    writeFile(dir / "Caf\xe9.sig", libraryPatch("Caf\xe9 Hall", "J\xf6rg", {{"HALL", "verb"}}));
    const std::string root = dir.path().string();

    const CliRun run = runCli("search --json --title caf " + quoted(root));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const auto json = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(json.dump(), nlohmann::ordered_json::parse(R"([{"path": ")" + root + "/Caf\xef\xbf\xbd.sig" + R"(",
        "title": "Café Hall", "author": "Jörg", "modules": ["adc", "verb"], "operators": ["HEADM", "HALL"]}])")
                               .dump());

    const CliRun none = runCli("search --json --title nothing " + quoted(root));
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "[]\n");
}

} // namespace
