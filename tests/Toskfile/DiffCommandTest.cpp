// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli diff, on its own and as git's diff driver for sig files.
#include "EditTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

using namespace tosk::test;
namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

std::string db()
{
    return "--db " + quoted(dataPath("sigdbase.sbf")) + " ";
}

// What a shell command printed (stderr too) and its exit status.
std::pair<int, std::string> shell(const std::string& command)
{
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return {-1, out};
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// editPatch() after a session of editing.
std::string edits()
{
    return edited(editPatch(), {{"HEADM adc Demo", "HEADM adc \"Live Set\""},
                                {"SINE osc 440 0.5 ;=140,40,80,0", "SINE osc 220 0.5 ;=200,40,80,0"},
                                {"LFO lfo 2 1 0 ;=140,140,80,0\r\nGAIN g osc-out lfo-out ;=260,40,80,0",
                                 "GAIN g osc-out 0.3 ;=260,40,80,0\r\nLFO lfo 2 1 0 ;=140,140,80,0"},
                                {"m2-out knob-obj", "m2-out adc-nullobj"},
                                {"KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0\r\n", ""},
                                {"TAIL Ann", "DELAY echo osc-out 1000 0.25 0.5 0.5 ;=500,300,80,0\r\nTAIL Ann"}});
}

} // namespace

TEST(DiffCommand, PrintsOneDifferenceALineAndExitsAsDiffDoes)
{
    TempDir dir;
    const fs::path mine = dir / "mine.sig", theirs = dir / "theirs.sig", respelled = dir / "respelled.sig";
    writeFile(mine, editPatch());
    writeFile(theirs, edits());
    writeFile(respelled, edited(editPatch(), {{"SINE osc 440 0.5", "SINE   \"osc\" 440.0 .5"}}));
    const std::string files = quoted(mine.string()) + " " + quoted(theirs.string());

    CliRun run = runCli("diff " + db() + files);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "+ echo\n"
                       "- knob\n"
                       "~ (title): Demo -> \"Live Set\"\n"
                       "~ adc obj1in: knob-obj -> adc-nullobj\n"
                       "~ osc (position): 140,40 -> 200,40\n"
                       "~ osc freq: 440 -> 220\n"
                       "~ g gain: lfo-out -> 0.3\n"
                       "~ lfo (order): after osc -> after g\n"
                       "> osc-out -> echo-in\n");
    EXPECT_EQ(run.err, "");

    run = runCli("diff " + db() + quoted(mine.string()) + " " + quoted(respelled.string()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");

    run = runCli("diff --json " + db() + files);
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

    // Trouble is 2.
    struct Trouble {
        const char* what;
        std::string args;
        std::string err;
    };
    const Trouble troubles[] = {
        {"a file that is not there", db() + quoted(mine.string()) + " " + quoted((dir / "gone.sig").string()),
         "tosk-cli diff: cannot read " + (dir / "gone.sig").string() + ": No such file or directory\n"},
        {"no database", "--db " + quoted((dir / "none.sbf").string()) + " " + files,
         "tosk-cli diff: no database file at " + (dir / "none.sbf").string() + "\n"},
        {"one file", db() + quoted(mine.string()), "tosk-cli diff: expected 2 file arguments\n"},
        {"an unknown option", db() + "--brief " + files, "tosk-cli diff: unknown option '--brief'\n"},
    };
    for (const Trouble& t : troubles) {
        SCOPED_TRACE(t.what);
        run = runCli("diff " + t.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, t.err);
    }
}

TEST(DiffCommand, GitShowsSigFilesThroughIt)
{
    if (shell("git --version").first != 0)
        GTEST_SKIP() << "git is not installed";
    TempDir dir;
    const fs::path repo = dir / "repo";
    fs::create_directories(repo);
    const fs::path cli = fs::read_symlink("/proc/self/exe").parent_path() / "tosk-cli";
    // The set-up the README gives, in a home of its own.
    const std::string git = "cd " + quoted(repo.string()) + " && HOME=" + quoted(dir.path().string()) +
                            " XDG_CONFIG_HOME=" + quoted(dir.path().string()) + " GIT_CONFIG_NOSYSTEM=1 git ";
    writeFile(repo / ".gitattributes", "*.sig diff=tosk\n");
    writeFile(repo / "demo.sig", editPatch());
    for (const std::string& step :
         {std::string("init -q"), std::string("config user.name Tester"),
          std::string("config user.email t@example.org"),
          "config diff.tosk.command " + quoted(quoted(cli.string()) + " diff " + db() + "--git"), std::string("add ."),
          std::string("commit -qm first")}) {
        const auto [status, out] = shell(git + step);
        ASSERT_EQ(status, 0) << step << ": " << out;
    }
    writeFile(repo / "demo.sig", edited(editPatch(), {{"SINE osc 440", "SINE osc 220"}, {"TAIL Ann", "TAIL Bob"}}));
    const std::string expected = "diff --tosk a/demo.sig b/demo.sig\n"
                                 "~ (author): Ann -> Bob\n"
                                 "~ osc freq: 440 -> 220\n";
    auto [status, out] = shell(git + "diff");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, expected);

    ASSERT_EQ(shell(git + "commit -qam second").first, 0);
    std::tie(status, out) = shell(git + "log -p --ext-diff -1 --format=%s");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "second\n\n" + expected);
    // A file that only reads differently shows nothing.
    writeFile(repo / "demo.sig", edited(editPatch(), {{"SINE osc 440", "SINE osc 220.00"}, {"TAIL Ann", "TAIL  Bob"}}));
    std::tie(status, out) = shell(git + "diff");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
}
