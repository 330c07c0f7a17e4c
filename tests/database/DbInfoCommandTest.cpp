// SPDX-License-Identifier: GPL-3.0-or-later
#include "SbfText.h"
#include "support/TestSupport.h"

#include "base/Log.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
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

const std::string sine = sbfSimpleOperator("SINE", "OSCILLATOR", {{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});

} // namespace

TEST(DbInfoCommand, BundledDatabaseAsJson)
{
    const std::string path = dataPath("sigdbase.sbf");
    CliRun run = runCli("dbinfo --json --db '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    Json j = parse(run);
    std::vector<std::string> keys;
    for (const auto& item : j.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"loaded", "path", "name", "maxChannels", "systemType", "headName",
                                              "version", "date", "product", "operators", "log", "alerts"}));
    EXPECT_EQ(j["loaded"], true);
    EXPECT_EQ(j["path"], path);
    EXPECT_EQ(j["name"], "sigdbase.sbf");
    EXPECT_EQ(j["maxChannels"], 8);
    EXPECT_EQ(j["systemType"], 5);
    EXPECT_EQ(j["headName"], "HEADM");
    EXPECT_EQ(j["version"], "1.20");
    EXPECT_EQ(j["date"], "2024-05-17");
    EXPECT_EQ(j["product"], "Korvatel SX-8");
    EXPECT_EQ(j["alerts"], Json::array());

    // Every operator, entry and item as the database holds them, in order.
    SigDbase db;
    db.setFullPathName(path);
    LogCapture quiet;
    ASSERT_TRUE(db.createSigDbase());
    const Json& ops = j["operators"];
    ASSERT_EQ(ops.size(), db.sigDbaseData().size());
    EXPECT_GE(ops.size(), 62u);
    EXPECT_EQ(ops[ops.size() - 2]["name"], "A_TO_A");
    EXPECT_EQ(ops.back()["name"], "C_TO_C");
    EXPECT_EQ(ops[0]["entries"][0], Json::parse(R"({"type": 0, "items": [[1, "OPERATOR"], [0, "opstart "],
                                                    [7, "HEADM"], [8, "SYSTEM"]]})"));
    for (size_t i = 0; i < ops.size(); ++i) {
        const auto& op = *db.sigDbaseData()[i];
        ASSERT_EQ(ops[i]["name"], op.name());
        ASSERT_EQ(ops[i]["class"], op.operatorId());
        ASSERT_EQ(ops[i]["entries"].size(), op.count()) << op.name();
        for (size_t e = 0; e < op.count(); ++e) {
            const auto& entry = *op.entryAtIndex(e);
            const Json& je = ops[i]["entries"][e];
            ASSERT_EQ(je["type"], entry.entryType());
            ASSERT_EQ(je["items"].size(), entry.count());
            for (size_t k = 0; k < entry.count(); ++k)
                ASSERT_EQ(je["items"][k],
                          Json::array({entry.operatorData()[k]->fieldType(), entry.operatorData()[k]->text()}));
        }
    }

    CliRun text = runCli("dbinfo --db '" + path + "'");
    EXPECT_EQ(text.status, 0);
    for (const char* line : {"Product:    Korvatel SX-8\n", "Version:    1.20\n", "Date:       2024-05-17\n",
                             "Channels:   8 (system type 5)\n", "Head:       HEADM\n", "  NODE             2\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << text.out;
}

TEST(DbInfoCommand, BrokenDatabaseReportsItsLogAndAlerts)
{
    TempDir dir;
    std::string bad = sbfSimpleOperator("BAD", "MATH", {{"TYPE:ED_INT", "NAME:n", "COLOUR:red"}});
    writeFile(dir / "bad.sbf", sine + bad);
    CliRun run = runCli("dbinfo --json --db '" + (dir / "bad.sbf").string() + "'");
    EXPECT_EQ(run.status, 1);
    Json j = parse(run);
    EXPECT_EQ(j["loaded"], false);
    EXPECT_EQ(j["operators"].size(), 1u) << "what was read before the error";
    EXPECT_EQ(j["version"], nullptr);
    EXPECT_EQ(j["headName"], "HEAD");
    EXPECT_EQ(j["alerts"], Json::parse(R"([{"title": "ERROR", "message": "COLOUR: Unknown Field Type"}])"));

    writeFile(dir / "empty.sbf", sine + "{\n{}\n}\n");
    Json empty = parse(runCli("dbinfo --json --db '" + (dir / "empty.sbf").string() + "'"));
    EXPECT_EQ(empty["loaded"], false);
    EXPECT_EQ(empty["operators"].size(), 1u);
    EXPECT_EQ(empty["alerts"], Json::array());
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

TEST(DbInfoCommand, MissingFileIsReportedWithoutAskingAnyone)
{
    TempDir dir;
    const std::string path = (dir / "nowhere.sbf").string();
    CliRun run = runCli("dbinfo --json --db '" + path + "'");
    EXPECT_EQ(run.status, 1);
    Json j = parse(run);
    EXPECT_EQ(j["loaded"], false);
    EXPECT_EQ(j["path"], path);
    EXPECT_EQ(run.err, "tosk-cli dbinfo: no database file at " + path + "\n");

    CliRun folder = runCli("dbinfo --db '" + dir.path().string() + "'");
    EXPECT_EQ(folder.err, "tosk-cli dbinfo: no database file at " + dir.path().string() + "\n");
    EXPECT_EQ(runCli("dbinfo --json extra").status, 2);
}

TEST(DbInfoCommand, DefaultChoiceReadsTheUsersSettingsButNeverWritesThem)
{
    TempDir home;
    fs::create_directories(home / "config");
    const std::string env = "HOME='" + home.path().string() + "' XDG_CONFIG_HOME='" + (home / "config").string() + "'";

    // Nothing set, nothing at home: the bundled database.
    Json bundled = parse(runCli("dbinfo --json", env));
    EXPECT_EQ(bundled["loaded"], true);
    EXPECT_EQ(bundled["path"], dataPath("sigdbase.sbf"));
    EXPECT_EQ(bundled["log"][0],
              "SigDbase.initFromFileName: no database chosen, taking the bundled " + dataPath("sigdbase.sbf"));

    // ~/sigdbase.sbf comes first; choosing it stores nothing on disk.
    writeFile(home / "sigdbase.sbf", sine);
    Json atHome = parse(runCli("dbinfo --json", env));
    EXPECT_EQ(atHome["path"], (home / "sigdbase.sbf").string());
    EXPECT_EQ(atHome["operators"].size(), 3u);
    EXPECT_FALSE(fs::exists(home / "config" / "Tosk")) << "the CLI wrote the user's settings";

    // The editor's stored path wins, and the settings file stays as it was.
    writeFile(home / "unit.sbf", sbfHeadm("4"));
    const std::string settings = "[General]\nSigDbasePath=" + (home / "unit.sbf").string() + "\n";
    fs::create_directories(home / "config" / "Tosk");
    writeFile(home / "config" / "Tosk" / "Tosk.conf", settings);
    Json stored = parse(runCli("dbinfo --json", env));
    EXPECT_EQ(stored["path"], (home / "unit.sbf").string());
    EXPECT_EQ(stored["maxChannels"], 4);
    EXPECT_EQ(readFile(home / "config" / "Tosk" / "Tosk.conf"), settings);
}

// The commands that draw nothing start without the toolkit: the dynamic
// loader names every library it maps, and none of them is Qt's or ICU's.
TEST(DbInfoCommand, CommandsThatDrawNothingLoadNoToolkitLibrary)
{
    const std::string db = "--db '" + dataPath("sigdbase.sbf") + "'";
    const std::string demo = "'" + dataPath("examples/demo.sig") + "'";
    const struct {
        std::string args;
        int status;
    } runs[] = {
        {"--help", 0},
        {"dbinfo --json " + db, 0},
        {"check " + db + " " + demo, 0},
        {"dump " + db + " " + demo, 0},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.args);
        CliRun run = runCli(r.args, "LD_DEBUG=libs");
        EXPECT_EQ(run.status, r.status);
        EXPECT_NE(run.err.find("libstdc++"), std::string::npos) << "the loader told nothing";
        EXPECT_EQ(run.err.find("libQt6"), std::string::npos);
        EXPECT_EQ(run.err.find("libicu"), std::string::npos);
    }
}
