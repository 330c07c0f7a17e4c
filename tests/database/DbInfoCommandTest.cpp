// SPDX-License-Identifier: GPL-3.0-or-later
// The CLI's report of a database; which file is chosen and how it is read are
// the core's, tested with SigDbase.
#include "SbfText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

Json parse(const CliRun& run)
{
    Json j = Json::parse(run.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << run.out << run.err;
    return j;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

const std::string sine = sbfSimpleOperator("SINE", "OSCILLATOR", {{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});

} // namespace

TEST(DbInfoCommand, BundledDatabaseAsJsonAndAsText)
{
    const std::string path = dataPath("sigdbase.sbf");
    CliRun run = runCli("dbinfo --json --db '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    Json j = parse(run);
    const Json ops = j["operators"];
    j.erase("operators");
    j.erase("log");
    EXPECT_EQ(j, Json::parse(R"({"loaded": true, "path": ")" + path +
                             R"(", "name": "sigdbase.sbf", "maxChannels": 8, "systemType": 5, "headName": "HEADM",
                                 "version": "1.20", "date": "2024-05-17", "product": "Korvatel SX-8",
                                 "alerts": []})"));
    ASSERT_EQ(ops.size(), 90u);
    EXPECT_EQ(ops[0]["name"], "HEADM");
    EXPECT_EQ(ops[0]["class"], 15);
    EXPECT_EQ(ops[0]["entries"][0], Json::parse(R"({"type": 0, "items": [[1, "OPERATOR"], [0, "opstart "],
                                                    [7, "HEADM"], [8, "SYSTEM"]]})"));

    CliRun text = runCli("dbinfo --db '" + path + "'");
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.substr(0, text.out.find("  BRIDGE")),
              "Database:   " + path +
                  " (loaded)\nProduct:    Korvatel SX-8\nVersion:    1.20\nDate:       2024-05-17\n"
                  "Channels:   8 (system type 5)\nHead:       HEADM\nOperators:  90\n");
    EXPECT_NE(text.out.find("\n  NODE             2\nLog:\n  "), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("Alerts:"), std::string::npos) << text.out;
}

TEST(DbInfoCommand, BrokenOrMissingDatabasesReportWhatWasReadAndFail)
{
    TempDir dir;
    std::string bad = sbfSimpleOperator("BAD", "MATH", {{"TYPE:ED_INT", "NAME:n", "COLOUR:red"}});
    writeFile(dir / "bad.sbf", sine + bad);
    CliRun run = runCli("dbinfo --json --db '" + (dir / "bad.sbf").string() + "'");
    EXPECT_EQ(run.status, 1);
    Json j = parse(run);
    EXPECT_EQ(j["loaded"], false);
    EXPECT_EQ(j["version"], nullptr);
    EXPECT_EQ(j["alerts"], Json::parse(R"([{"title": "ERROR", "message": "COLOUR: Unknown Field Type"}])"));
    CliRun text = runCli("dbinfo --db '" + (dir / "bad.sbf").string() + "'");
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find(" (not loaded)\nProduct:    (none)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\nLog:\n  "), std::string::npos) << text.out;
    EXPECT_TRUE(endsWith(text.out, "\nAlerts:\n  ERROR: COLOUR: Unknown Field Type\n")) << text.out;

    // A path that is no file is reported without asking anyone.
    for (const std::string& path : {(dir / "nowhere.sbf").string(), dir.path().string()}) {
        CliRun missing = runCli("dbinfo --json --db '" + path + "'");
        EXPECT_EQ(missing.status, 1);
        EXPECT_EQ(parse(missing)["path"], path);
        EXPECT_EQ(missing.err, "tosk-cli dbinfo: no database file at " + path + "\n");
    }
    EXPECT_EQ(runCli("dbinfo --db ''").out.substr(0, 32), "Database:   (none) (not loaded)\n");
    EXPECT_EQ(runCli("dbinfo --json extra").status, 2);
}

TEST(DbInfoCommand, EightBitTextComesOutAsUtf8)
{
    // The database's text is Latin-1; a file name is the system's UTF-8.
    TempDir dir;
    std::string name = "caf\xC3\xA9.sbf";
    writeFile(dir / name,
              sbfSimpleOperator("DELAY", "DELAY", {{"TYPE:ED_FLOAT", "NAME:t", "DESCRIPTION:Verz\xF6gerung"}}));
    CliRun run = runCli("dbinfo --json --db '" + (dir / name).string() + "'");
    EXPECT_EQ(run.status, 0);
    Json j = parse(run);
    EXPECT_EQ(j["name"], "caf\xC3\xA9.sbf");
    EXPECT_EQ(j["path"], (dir / "caf\xC3\xA9.sbf").string());
    EXPECT_EQ(j["operators"][0]["entries"][2]["items"][2], Json::array({2, "Verz\xC3\xB6gerung"}));
}

TEST(DbInfoCommand, DefaultChoiceReadsTheUsersSettingsButNeverWritesThem)
{
    TempDir home;
    fs::create_directories(home / "config");
    const std::string env = "HOME='" + home.path().string() + "' XDG_CONFIG_HOME='" + (home / "config").string() + "'";
    EXPECT_EQ(parse(runCli("dbinfo --json", env))["path"], dataPath("sigdbase.sbf"));

    // Choosing ~/sigdbase.sbf stores nothing on disk.
    writeFile(home / "sigdbase.sbf", sine);
    EXPECT_EQ(parse(runCli("dbinfo --json", env))["path"], (home / "sigdbase.sbf").string());
    EXPECT_FALSE(fs::exists(home / "config" / "Tosk")) << "the CLI wrote the user's settings";

    // The editor's stored path is read, and the settings file stays as it was.
    writeFile(home / "unit.sbf", sbfHeadm("4"));
    const std::string settings = "[General]\nSigDbasePath=" + (home / "unit.sbf").string() + "\n";
    fs::create_directories(home / "config" / "Tosk");
    writeFile(home / "config" / "Tosk" / "Tosk.conf", settings);
    EXPECT_EQ(parse(runCli("dbinfo --json", env))["path"], (home / "unit.sbf").string());
    EXPECT_EQ(readFile(home / "config" / "Tosk" / "Tosk.conf"), settings);
}

// The commands that draw nothing start without the toolkit: the dynamic
// loader names every library it maps, and none of them is Qt's or ICU's.
TEST(DbInfoCommand, CommandsThatDrawNothingLoadNoToolkitLibrary)
{
    const std::string db = "--db '" + dataPath("sigdbase.sbf") + "'";
    const std::string demo = "'" + dataPath("examples/demo.sig") + "'";
    for (const std::string& args :
         {std::string("--help"), "dbinfo --json " + db, "check " + db + " " + demo, "dump " + db + " " + demo}) {
        SCOPED_TRACE(args);
        CliRun run = runCli(args, "LD_DEBUG=libs");
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.err.find("libstdc++"), std::string::npos) << "the loader told nothing";
        EXPECT_EQ(run.err.find("libQt6"), std::string::npos);
        EXPECT_EQ(run.err.find("libicu"), std::string::npos);
    }
}
