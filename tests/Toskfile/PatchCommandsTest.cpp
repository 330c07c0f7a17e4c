// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli dump, save, reorder, layout, update and check over the example
// patches and over broken files.
#include "SigFileTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

using namespace tosk::test;
namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

std::string arg(const fs::path& path)
{
    return quoted(path.string());
}

std::string db()
{
    return "--db " + arg(dataPath("sigdbase.sbf")) + " ";
}

std::string example(const std::string& name)
{
    return dataPath("examples/" + name);
}

Json dump(const fs::path& file)
{
    CliRun run = runCli("dump " + db() + arg(file));
    EXPECT_EQ(run.status, 0) << run.err;
    Json j = Json::parse(run.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << run.out;
    return j;
}

// Each value of `expected` (a JSON object) at its place in `j`: the key is
// a JSON pointer.
void expectAt(const Json& j, const char* expected)
{
    const Json values = Json::parse(expected);
    for (const auto& [at, value] : values.items())
        EXPECT_EQ(j.at(Json::json_pointer(at)), value) << at;
}

} // namespace

TEST(PatchCommands, EveryExampleRoundTrips)
{
    TempDir dir;
    for (const std::string name : {"demo.sig", "specials.sig", "groups.sig", "legacy-head.sig", "nodes.sig"}) {
        SCOPED_TRACE(name);
        CliRun saved = runCli("save " + db() + arg(example(name)));
        ASSERT_EQ(saved.status, 0) << saved.err;
        // An older head is converted, nodes are written as what they pass
        // on; every other example comes back byte for byte.
        if (name != "legacy-head.sig" && name != "nodes.sig") {
            EXPECT_EQ(saved.out, readFile(example(name)));
        }
        const fs::path again = dir / name;
        writeFile(again, saved.out);
        EXPECT_EQ(runCli("save " + db() + arg(again)).out, saved.out) << "saving its own output changes nothing";
        const Json before = dump(name == "nodes.sig" ? again : fs::path(example(name)));
        EXPECT_EQ(dump(again), before);
        expectAt(before, R"({"/log": [], "/alerts": [], "/unresolved": 0})");
    }
}

TEST(PatchCommands, DumpShowsThePatchAsLoaded)
{
    const Json j = dump(example("demo.sig"));
    ASSERT_EQ(j["modules"].size(), 13u);
    // The head's fourth field's maximum is "=#channels", evaluated.
    expectAt(j, R"({"/programName": "Stereo Chorus", "/head": "adc", "/tail": "Tosk Examples",
        "/modules/0/operator": "HEADM", "/modules/0/rect": [20.0, 40.0, 80.0, 64.0], "/modules/0/height": 4,
        "/modules/0/fields/10/iterator": "ninputs", "/modules/0/fields/10/gpos": -2, "/modules/0/fields/4/max": "8",
        "/modules/7/instance": "chl", "/modules/7/fields/1/source": "adc-in1", "/modules/7/fields/5/hide": 1})");
    EXPECT_EQ(j["modules"][0]["fields"][6], Json::parse(R"({"name": "null", "type": 12, "text": null, "source": null,
        "hide": 1, "bad": false, "invisible": false, "output": true, "iterator": null, "instanceNumber": 0,
        "gpos": 0, "min": "", "max": ""})"));
    // An output has no text of its own to show.
    for (const Json& m : j["modules"])
        for (const Json& f : m["fields"])
            EXPECT_EQ(f["text"].is_null(), f["output"].get<bool>()) << m["instance"] << " " << f["name"];

    const Json groups = dump(example("groups.sig"));
    ASSERT_EQ(groups["modules"][1]["members"].size(), 2u);
    // A member's place is relative to its group.
    expectAt(groups, R"({"/modules/1/operator": null, "/modules/1/super": true, "/modules/1/group": "PAIR",
        "/modules/1/members/1/instance": "v2", "/modules/1/members/1/members/0/instance": "osc2",
        "/modules/1/members/1/members/0/rect/1": 0.0})");
}

TEST(PatchCommands, CheckSaysWhatEachFileLeftOutAndFailuresWriteNothing)
{
    TempDir dir;
    const std::string head = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";
    const std::pair<const char*, std::string> files[] = {
        {"broken.sig", crlf({head, "FROB x", "GAIN g1 nosuch-out 1 ;=5", "GAIN g2 g1-out \"0.5"})},
        {"group0.sig", crlf({head, "GAIN g1 adc-in1 1", ";Ss=GROUP 0, V, v", "GAIN g2 g1-out 1"})},
        {"cut.sig", head + "\r\nMIX2 m adc-in1"},
        {"empty.sig", ""},
    };
    std::string all;
    for (const auto& [name, bytes] : files) {
        writeFile(dir / name, bytes);
        all += " " + arg(dir / name);
    }
    // The line of each file and what was not read, without the log.
    CliRun check = runCli("check " + db() + all + " " + arg(dir / "none.sig"));
    EXPECT_EQ(check.status, 1);
    const std::string folder = dir.path().string() + "/";
    std::string report;
    std::istringstream lines(check.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(folder, 0) == 0 || line.rfind("  not read: ", 0) == 0)
            report += line.substr(line.rfind(folder, 0) == 0 ? folder.size() : 0) + "\n";
    EXPECT_EQ(report, "broken.sig: read with errors, 3 modules, 1 unresolved\n"
                      "  not read: line 2: unknown operator 'FROB'\n"
                      "group0.sig: load stopped early, 2 modules, 0 unresolved\n"
                      "  not read: line 3: reading stopped: SModule - Invalid SModule\n"
                      "cut.sig: read with errors, 2 modules, 0 unresolved\n"
                      "  not read: line 2: MIX2 record cut short\n"
                      "empty.sig: loaded, 0 modules, 0 unresolved\n"
                      "none.sig: cannot read " +
                          (dir / "none.sig").string() + ": No such file or directory\n");
    EXPECT_EQ(runCli("check " + db() + arg(dir / "cut.sig")).status, 1) << "a record cut short lost values";
    EXPECT_EQ(runCli("check " + db() + arg(example("demo.sig")) + " " + arg(dir / "empty.sig")).status, 0);

    // Failures say what failed and write nothing.
    writeFile(dir / "broken.sbf", "not an operator database\n");
    const std::string cut = arg(dir / "cut.sig");
    const struct {
        std::string args;
        std::string err;
    } failures[] = {
        {"dump --db " + arg(dir / "no.sbf") + " " + cut,
         "tosk-cli dump: no database file at " + (dir / "no.sbf").string() + "\n"},
        {"check --db " + arg(dir / "broken.sbf") + " " + cut,
         "tosk-cli check: the operator database " + (dir / "broken.sbf").string() + " did not load\n"},
        {"save " + db() + arg(dir / "none.sig"),
         "tosk-cli save: cannot read " + (dir / "none.sig").string() + ": No such file or directory\n"},
        {"save --bogus " + db() + cut, "tosk-cli save: unknown option '--bogus'\n"},
        {"layout --show-mode 0x " + db() + cut,
         "tosk-cli layout: --show-mode takes an integer (the show-mode bits), not '0x'\n"},
        {"reorder " + db() + arg(example("specials.sig")),
         "Reorder Error: The following modules are not properly connected: REMOTER-remote.\n\n"
         "Please correct the problem and try again.\n"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.args);
        CliRun run = runCli(f.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, f.err);
    }
}

TEST(PatchCommands, ReorderLayoutUploadAndUpdate)
{
    TempDir dir;
    CliRun same = runCli("reorder " + db() + arg(example("demo.sig")));
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, readFile(example("demo.sig"))) << "the demo is in processing order";

    const std::string head = "HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0 f= 6,1,7,1,8,1";
    writeFile(dir / "unplaced.sig", crlf({head, "GAIN g adc-in1 1", "SINE s1 1 1", "SINE s2 1 1 ;=3,4,80,0"}));
    // For a window that hides unconnected pins s1 is not drawn: s2 stacks
    // 20 below its top. Every int is a show mode.
    for (const auto& [mode, s2] : {std::pair<std::string, const char*>{"", "124"},
                                   {"--show-mode " + std::to_string(-129 & ~8) + " ", "60"},
                                   {"--show-mode -2147483648 ", nullptr}}) {
        CliRun layout = runCli("layout " + mode + db() + arg(dir / "unplaced.sig"));
        EXPECT_EQ(layout.status, 0) << layout.err;
        if (s2) {
            EXPECT_EQ(layout.out, crlf({head, "GAIN g adc-in1 1 ;=180,40,80,0", "SINE s1 1 1 ;=340,40,80,0",
                                        "SINE s2 1 1 ;=340," + std::string(s2) + ",80,0", "TAIL tail"}));
        }
    }

    CliRun upload = runCli("save --upload " + db() + arg(example("groups.sig")));
    EXPECT_EQ(upload.out.substr(0, upload.out.find("SINE")),
              crlf({"HEADM adc \"Grouped Voices\" groups 2 2 1 mix-out mix-out adc-nullobj", ";Ss=GROUP 2, PAIR, both",
                    ";Ss=GROUP 2, VOICE, v1"}));

    // The unit's copy of the demo with one knob turned.
    std::string unit = readFile(example("demo.sig"));
    const std::string knob = "KNOB rate \"Rate:%5.2f\" 0.05 5 0.5 0.8 1";
    unit.replace(unit.find(knob), knob.size(), "KNOB rate \"Rate:%5.2f\" 0.05 5 0.5 1.25 1");
    writeFile(dir / "unit.sig", unit);
    CliRun update = runCli("update " + db() + arg(example("demo.sig")) + " " + arg(dir / "unit.sig"));
    EXPECT_EQ(update.status, 0);
    EXPECT_EQ(update.out, unit);
    EXPECT_EQ(update.err, "updateParams: 1\nModule.updateParams: changing KNOB-rate 0.8 to 1.25\n"
                          "Update Parameters: 1 changes were made.\n");
    CliRun other = runCli("update " + db() + arg(example("demo.sig")) + " " + arg(example("groups.sig")));
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.err, "updateParams: -1\nUpdate Parameters: The remote 'Grouped Voices' preset is not the same as "
                         "Stereo Chorus\n");
}
