// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli dump, save, reorder, layout, update and check over the example
// patches and over broken files.
#include "SigFileTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <random>
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

} // namespace

TEST(PatchCommands, EveryExampleRoundTrips)
{
    TempDir dir;
    for (const char* name : {"demo.sig", "specials.sig", "groups.sig", "legacy-head.sig", "nodes.sig"}) {
        SCOPED_TRACE(name);
        const std::string original = readFile(example(name));
        CliRun saved = runCli("save " + db() + arg(example(name)));
        ASSERT_EQ(saved.status, 0) << saved.err;
        // An older head is converted, nodes are written as what they pass
        // on; every other example comes back byte for byte.
        const bool converted = std::string(name) == "legacy-head.sig" || std::string(name) == "nodes.sig";
        if (!converted) {
            EXPECT_EQ(saved.out, original);
        }
        const fs::path again = dir / name;
        writeFile(again, saved.out);
        EXPECT_EQ(runCli("save " + db() + arg(again)).out, saved.out) << "saving its own output changes nothing";
        const Json before = dump(std::string(name) == "nodes.sig" ? again : fs::path(example(name)));
        EXPECT_EQ(dump(again), before);
        EXPECT_EQ(before["log"], Json::array());
        EXPECT_EQ(before["alerts"], Json::array());
        EXPECT_EQ(before["unresolved"], 0);
    }
}

TEST(PatchCommands, DumpShowsThePatchAsLoaded)
{
    const Json j = dump(example("demo.sig"));
    EXPECT_EQ(j["programName"], "Stereo Chorus");
    EXPECT_EQ(j["head"], "adc");
    EXPECT_EQ(j["tail"], "Tosk Examples");
    ASSERT_EQ(j["modules"].size(), 13u);
    const Json& head = j["modules"][0];
    EXPECT_EQ(head["operator"], "HEADM");
    EXPECT_EQ(head["rect"], Json::parse("[20.0, 40.0, 80.0, 64.0]"));
    EXPECT_EQ(head["height"], 4);
    EXPECT_EQ(head["fields"][6], Json::parse(R"({"name": "null", "type": 12, "text": null, "source": null,
        "hide": 1, "bad": false, "invisible": false, "output": true, "iterator": null, "instanceNumber": 0,
        "gpos": 0, "min": "", "max": ""})"));
    EXPECT_EQ(head["fields"][10]["iterator"], "ninputs");
    EXPECT_EQ(head["fields"][10]["gpos"], -2);
    EXPECT_EQ(head["fields"][4]["max"], "8") << "=#channels, evaluated";

    // An output has no text of its own to show.
    for (const Json& m : j["modules"])
        for (const Json& f : m["fields"])
            EXPECT_EQ(f["text"].is_null(), f["output"].get<bool>()) << m["instance"] << " " << f["name"];

    const Json& chl = j["modules"][7];
    EXPECT_EQ(chl["instance"], "chl");
    EXPECT_EQ(chl["fields"][1]["source"], "adc-in1");
    EXPECT_EQ(chl["fields"][5]["hide"], 1);

    const Json groups = dump(example("groups.sig"));
    const Json& both = groups["modules"][1];
    EXPECT_EQ(both["operator"], nullptr);
    EXPECT_EQ(both["super"], true);
    EXPECT_EQ(both["group"], "PAIR");
    ASSERT_EQ(both["members"].size(), 2u);
    EXPECT_EQ(both["members"][1]["instance"], "v2");
    EXPECT_EQ(both["members"][1]["members"][0]["instance"], "osc2");
    EXPECT_EQ(both["members"][1]["members"][0]["rect"][1], 0.0) << "relative to its group";
}

TEST(PatchCommands, BrokenFilesLoadAsFarAsTheyGoAndCheckSaysWhatWasNotRead)
{
    TempDir dir;
    const std::string head = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";
    std::string noise(2048, '\0');
    std::mt19937 random(9);
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    const std::pair<const char*, std::string> files[] = {
        {"broken.sig", crlf({head, "FROB x", "GAIN g1 nosuch-out 1 ;=5", "GAIN g2 g1-out \"0.5"})},
        {"group0.sig", crlf({head, "GAIN g1 adc-in1 1", ";Ss=GROUP 0, V, v", "GAIN g2 g1-out 1"})},
        {"cut.sig", head + "\r\nMIX2 m adc-in1"},
        {"empty.sig", ""},
        {"comments.sig", "; a note\r\n;another one\r\n"},
        {"tail.sig", "TAIL me\r\n"},
        {"noise.sig", noise},
    };
    std::string all;
    for (const auto& [name, bytes] : files) {
        writeFile(dir / name, bytes);
        all += " " + arg(dir / name);
    }
    Json j = dump(dir / "broken.sig");
    EXPECT_EQ(j["unresolved"], 1);
    EXPECT_EQ(j["alerts"], Json::parse(R"([
        {"title": "Module Build", "message": "'FROB' is not a valid operator for this SigDatabase."},
        {"title": "ERROR", "message": "Line 2: Cannot find signal 'nosuch-out' for GAIN g1\n\n\n"}])"));
    ASSERT_EQ(j["modules"].size(), 3u);
    EXPECT_EQ(j["modules"][1]["fields"][1]["bad"], true);
    EXPECT_EQ(j["modules"][2]["fields"][2]["text"], "0.5");
    EXPECT_EQ(dump(dir / "group0.sig")["modules"].size(), 2u);
    EXPECT_EQ(dump(dir / "cut.sig")["modules"][1]["fields"].size(), 2u) << "name and the one input read";

    // The line of each file and what was not read, without the log.
    CliRun check = runCli("check " + db() + all + " " + arg(dir / "none.sig"));
    EXPECT_EQ(check.status, 1);
    const std::string folder = dir.path().string() + "/";
    std::string report;
    std::istringstream lines(check.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(folder, 0) == 0 || line.rfind("  not read: ", 0) == 0)
            report += line.substr(line.rfind(folder, 0) == 0 ? folder.size() : 0) + "\n";
    const size_t noiseAt = report.find("noise.sig"), noiseEnd = report.find("none.sig");
    ASSERT_LT(noiseAt, noiseEnd) << report;
    const std::string noiseReport = report.substr(noiseAt, noiseEnd - noiseAt);
    EXPECT_EQ(noiseReport.rfind("noise.sig: read with errors, ", 0), 0u) << noiseReport;
    EXPECT_NE(noiseReport.find("  not read: line 2: unknown operator '"), std::string::npos) << noiseReport;
    EXPECT_NE(noiseReport.find("  not read: the file has no head module\n"), std::string::npos) << noiseReport;
    EXPECT_EQ(report.erase(noiseAt, noiseReport.size()),
              "broken.sig: read with errors, 3 modules, 1 unresolved\n"
              "  not read: line 2: unknown operator 'FROB'\n"
              "group0.sig: load stopped early, 2 modules, 0 unresolved\n"
              "  not read: line 3: reading stopped: SModule - Invalid SModule\n"
              "cut.sig: read with errors, 2 modules, 0 unresolved\n"
              "  not read: line 2: MIX2 record cut short\n"
              "empty.sig: loaded, 0 modules, 0 unresolved\n"
              "comments.sig: loaded, 0 modules, 0 unresolved\n"
              "tail.sig: read with errors, 0 modules, 0 unresolved\n"
              "  not read: the file has no head module\n"
              "none.sig: cannot read " +
                  (dir / "none.sig").string() + ": No such file or directory\n");
    EXPECT_EQ(runCli("check " + db() + arg(dir / "cut.sig")).status, 1) << "a record cut short lost values";
    CliRun good = runCli("check " + db() + arg(example("demo.sig")) + " " + arg(dir / "empty.sig"));
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, example("demo.sig") + ": loaded, 13 modules, 0 unresolved\n" + (dir / "empty.sig").string() +
                            ": loaded, 0 modules, 0 unresolved\n");

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

    writeFile(dir / "unplaced.sig", crlf({"HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0 f= 6,1,7,1,8,1",
                                          "GAIN g adc-in1 1", "SINE s1 1 1", "SINE s2 1 1 ;=3,4,80,0"}));
    CliRun layout = runCli("layout " + db() + arg(dir / "unplaced.sig"));
    EXPECT_EQ(layout.status, 0) << layout.err;
    EXPECT_EQ(layout.out, crlf({"HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0 f= 6,1,7,1,8,1",
                                "GAIN g adc-in1 1 ;=180,40,80,0", "SINE s1 1 1 ;=340,40,80,0",
                                "SINE s2 1 1 ;=340,124,80,0", "TAIL tail"}));
    // For a window that hides unconnected pins s1 is not drawn: s2 stacks
    // 20 below its top.
    layout = runCli("layout --show-mode " + std::to_string(-129 & ~8) + " " + db() + arg(dir / "unplaced.sig"));
    EXPECT_EQ(layout.status, 0) << layout.err;
    EXPECT_EQ(layout.out, crlf({"HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0 f= 6,1,7,1,8,1",
                                "GAIN g adc-in1 1 ;=180,40,80,0", "SINE s1 1 1 ;=340,40,80,0",
                                "SINE s2 1 1 ;=340,60,80,0", "TAIL tail"}));

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
