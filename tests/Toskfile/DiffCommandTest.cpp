// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli diff, on its own and as git's diff driver for sig files (git
// passes PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE).
#include "EditTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace tosk::test;
namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

std::string db()
{
    return "--db " + quoted(dataPath("sigdbase.sbf")) + " ";
}

} // namespace

TEST(DiffCommand, PrintsOneDifferenceALineAndExitsAsDiffDoes)
{
    TempDir dir;
    const fs::path mine = dir / "mine.sig", theirs = dir / "theirs.sig", respelled = dir / "respelled.sig",
                   bob = dir / "bob.sig";
    writeFile(mine, editPatch());
    // editPatch() after a session of editing.
    writeFile(theirs,
              edited(editPatch(), {{"HEADM adc Demo", "HEADM adc \"Live Set\""},
                                   {"SINE osc 440 0.5 ;=140,40,80,0", "SINE osc 220 0.5 ;=200,40,80,0"},
                                   {"LFO lfo 2 1 0 ;=140,140,80,0\r\nGAIN g osc-out lfo-out ;=260,40,80,0",
                                    "GAIN g osc-out 0.3 ;=260,40,80,0\r\nLFO lfo 2 1 0 ;=140,140,80,0"},
                                   {"m2-out knob-obj", "m2-out adc-nullobj"},
                                   {"KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0\r\n", ""},
                                   {"TAIL Ann", "DELAY echo osc-out 1000 0.25 0.5 0.5 ;=500,300,80,0\r\nTAIL Ann"}}));
    writeFile(respelled,
              edited(editPatch(), {{"SINE osc 440 0.5", "SINE   \"osc\" 440.0 .5"}, {"TAIL Ann", "TAIL  Ann"}}));
    writeFile(bob, edited(editPatch(), {{"SINE osc 440", "SINE osc 220"}, {"TAIL Ann", "TAIL Bob"}}));
    const std::string files = quoted(mine.string()) + " " + quoted(theirs.string());
    auto git = [&](const fs::path& now) {
        return db() + "--git demo.sig " + quoted(mine.string()) + " 1a2b3c4 100644 " + quoted(now.string()) +
               " 5d6e7f8 100644";
    };

    // Same is 0, different 1, trouble 2; git stops at a driver that does not
    // answer 0.
    struct Run {
        const char* what;
        std::string args;
        int status;
        std::string out = {}, err = {};
    };
    const Run runs[] = {
        {"different", db() + files, 1,
         "+ echo\n"
         "- knob\n"
         "~ (title): Demo -> \"Live Set\"\n"
         "~ adc obj1in: knob-obj -> adc-nullobj\n"
         "~ osc (position): 140,40 -> 200,40\n"
         "~ osc freq: 440 -> 220\n"
         "~ g gain: lfo-out -> 0.3\n"
         "~ lfo (order): after osc -> after g\n"
         "> osc-out -> echo-in\n"},
        {"reads the same", db() + quoted(mine.string()) + " " + quoted(respelled.string()), 0},
        {"a file that is not there", db() + quoted(mine.string()) + " " + quoted((dir / "gone.sig").string()), 2, "",
         "tosk-cli diff: cannot read " + (dir / "gone.sig").string() + ": No such file or directory\n"},
        {"no database", "--db " + quoted((dir / "none.sbf").string()) + " " + files, 2, "",
         "tosk-cli diff: no database file at " + (dir / "none.sbf").string() + "\n"},
        {"one file", db() + quoted(mine.string()), 2, "", "tosk-cli diff: expected 2 file arguments\n"},
        {"an unknown option", db() + "--brief " + files, 2, "", "tosk-cli diff: unknown option '--brief'\n"},
        {"for git", git(bob), 0,
         "diff --tosk a/demo.sig b/demo.sig\n"
         "~ (author): Ann -> Bob\n"
         "~ osc freq: 440 -> 220\n"},
        {"for git, reads the same", git(respelled), 0},
        {"for git, two files", db() + "--git " + files, 2, "",
         "tosk-cli diff: expected git's seven arguments (PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX "
         "NEW-MODE)\n"},
    };
    for (const Run& r : runs) {
        SCOPED_TRACE(r.what);
        const CliRun run = runCli("diff " + r.args);
        EXPECT_EQ(run.status, r.status);
        EXPECT_EQ(run.out, r.out);
        EXPECT_EQ(run.err, r.err);
    }

    const CliRun run = runCli("diff --json " + db() + files);
    EXPECT_EQ(run.status, 1);
    const Json j = Json::parse(run.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << run.out;
    EXPECT_EQ(j["same"], false);
    EXPECT_EQ(j["title"], Json::parse(R"({"before": "Demo", "after": "Live Set"})"));
    EXPECT_EQ(j["author"], nullptr);
    ASSERT_EQ(j["modules"].size(), 5u);
    EXPECT_EQ(j["modules"][1], Json::parse(R"({"kind": "changed", "path": "osc", "theirsPath": "osc",
        "operator": "SINE", "position": {"before": "140,40", "after": "200,40"},
        "fields": [{"name": "freq", "aspect": "value", "before": "440", "after": "220"}]})"));
    EXPECT_EQ(j["modules"][3]["kind"], "removed");
    EXPECT_EQ(j["modules"][4]["kind"], "added");
    EXPECT_EQ(j["order"], Json::parse(R"([{"path": "lfo", "before": "osc", "after": "g"}])"));
    EXPECT_EQ(j["wiresAdded"], Json::parse(R"([{"from": "osc-out", "to": "echo-in"}])"));
    EXPECT_EQ(j["wiresRemoved"], Json::parse(R"([{"from": "knob-obj", "to": "adc-obj1in"},
        {"from": "lfo-out", "to": "g-gain"}])"));
}
