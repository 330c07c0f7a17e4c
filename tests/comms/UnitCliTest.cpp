// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli unit against tosk-unit, as a user runs them.
#include "CommsTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using namespace tosk;
using namespace tosk::test;

namespace {

ProcessResult cli(const UnitProcess& unit, std::vector<std::string> args)
{
    args.insert(args.begin(), {"unit", "--port", unit.link(), "--silence-ms", "300"});
    return runTool("tosk-cli", args);
}

// "exit N: ", what the run wrote to stderr, then what it wrote to stdout.
std::string outcome(const ProcessResult& r)
{
    return "exit " + std::to_string(r.exitCode) + ": " + r.err + r.out;
}

json parsed(const ProcessResult& r)
{
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return json::parse(r.out, nullptr, false);
}

} // namespace

TEST(UnitCli, BankUnitCommands)
{
    TempDir dir;
    UnitProcess unit(dir.path(), {"--banks", makeTestBanks(dir.path()).string(), "--device-id", "4"});
    ASSERT_TRUE(unit.started());

    json id = parsed(cli(unit, {"identify"}));
    EXPECT_EQ(id.dump(),
              R"({"channelId":4,"modelName":"SX-8","romRevision":"3.20","romDateTime":"Mar 14 2003 10:21:07"})");
    EXPECT_EQ(parsed(cli(unit, {"banks"})).dump(), R"([{"number":1,"name":"Reverbs"},{"number":7,"name":"Delays"}])");
    EXPECT_EQ(parsed(cli(unit, {"patches", "1"})).dump(),
              R"([{"number":0,"name":"Small Room","bank":1,"file":"Small Room"},)"
              R"({"number":1,"name":"Hall: Large/Dark","bank":1,"file":"Hall- Large|Dark"}])");
    EXPECT_EQ(outcome(cli(unit, {"get-patch", "7", "0"})), "exit 0: " + echoText);
    EXPECT_EQ(parsed(cli(unit, {"select", "1", "0"})).dump(), R"({"bank":1,"patch":0})");
    // Queued commands go to the unit's own id, asked for first; an id given
    // that the unit does not answer to is named.
    EXPECT_EQ(outcome(cli(unit, {"get"})), "exit 0: " + smallRoomText);
    EXPECT_EQ(outcome(cli(unit, {"--device-id", "0", "get"})),
              "exit 1: SerialIOServer.serialIORequest: The unit answered as device 4, not 0.\n");
    auto running = [&] { return outcome(cli(unit, {"--device-id", "4", "get"})); };
    EXPECT_EQ(running(), "exit 0: " + smallRoomText);

    // What goes to the unit is the patch's upload text, as the editor sends it.
    const std::string db = dataPath("sigdbase.sbf");
    const std::string hall = readFile(dataPath("unit/banks/1 Reverbs/1 Large Hall.sig"));
    writeFile(dir / "mine.sig", hall);
    ProcessResult upload = runTool("tosk-cli", {"save", "--upload", "--db", db, (dir / "mine.sig").string()});
    ASSERT_EQ(upload.exitCode, 0) << upload.err;
    EXPECT_NE(upload.out, hall) << "positions are not sent";
    json sent = parsed(cli(unit, {"--device-id", "4", "send", "--db", db, (dir / "mine.sig").string()}));
    EXPECT_EQ(sent["bytes"], upload.out.size());
    EXPECT_EQ(running(), "exit 0: " + upload.out);

    // An operator this unit lacks: refused, and the running patch stays.
    writeFile(dir / "extra.sbf", readFile(db) + "{\n{\nTYPE:OPERATOR\nOPERATOR_NAME:WARPDRIVE\nOPERATOR_CLASS:MATH\n}\n"
                                                "{\nTYPE:ED_STRING\nNAME:opstart_name\n}\n{\nTYPE:OPERATOREND\n}\n}\n");
    std::string bad = hall;
    bad.insert(bad.rfind("TAIL"), "WARPDRIVE warp\r\n");
    writeFile(dir / "bad.sig", bad);
    EXPECT_EQ(outcome(cli(unit, {"send", "--db", (dir / "extra.sbf").string(), (dir / "bad.sig").string()})),
              "exit 1: SYSEXC ERROR: Cannot load patch: line 5 names WARPDRIVE, an operator this unit does not have\n");
    EXPECT_EQ(running(), "exit 0: " + upload.out);
    // A title holding 0xF7 would end the message early: nothing goes out.
    const size_t heard = unit.trace().size();
    writeFile(dir / "f7.sig", hall.substr(0, hall.rfind("TAIL")) + "TAIL \"Tosk\xF7\"\r\n");
    EXPECT_EQ(outcome(cli(unit, {"send", "--db", db, (dir / "f7.sig").string()})),
              "exit 1: UnitCommand.send: The patch cannot be sent: line 5 of its text, module \"Tosk\xC3\xB7\" (TAIL), "
              "holds the byte 0xF7, which would end the message to the unit early.\n");
    EXPECT_EQ(unit.trace().size(), heard) << "nothing went to the unit";
    const std::string missing = (dir / "missing.sig").string();
    EXPECT_EQ(outcome(cli(unit, {"send", missing})).rfind("exit 1: UnitCommand.send: cannot read " + missing, 0), 0u);

    // A file that did not read cleanly would replace the running patch with
    // less than it holds: refused unless forced.
    writeFile(dir / "bad.sig", bad.insert(bad.find("GAIN trimR"), "FOO x\r\n"));
    EXPECT_EQ(outcome(cli(unit, {"send", "--db", db, (dir / "bad.sig").string()})),
              "exit 1: UnitCommand.send: " + (dir / "bad.sig").string() +
                  " did not load cleanly: line 3: unknown operator 'FOO' (and 1 "
                  "more problems); --force sends what could be read\n");
    EXPECT_EQ(running(), "exit 0: " + upload.out) << "the unit keeps its patch";
    writeFile(dir / "broken.sbf", "not an operator database\n");
    EXPECT_EQ(outcome(cli(unit, {"send", "--db", (dir / "broken.sbf").string(), (dir / "mine.sig").string()})),
              "exit 1: UnitCommand.send: the operator database " + (dir / "broken.sbf").string() +
                  " did not load: cannot read " + (dir / "mine.sig").string() + "\n");
    writeFile(dir / "renamed.sig", bad.replace(bad.find("Large Hall"), 10, "Other Hall"));
    ProcessResult other = runTool("tosk-cli", {"save", "--upload", "--db", db, (dir / "renamed.sig").string()});
    json forced =
        parsed(cli(unit, {"--device-id", "4", "send", "--force", "--db", db, (dir / "renamed.sig").string()}));
    EXPECT_EQ(forced["bytes"], other.out.size());
    EXPECT_EQ(running(), "exit 0: " + other.out) << "what could be read, sent on request";

    json backup = parsed(cli(unit, {"backup", (dir / "backup").string()}));
    ASSERT_EQ(backup.size(), 3u);
    EXPECT_EQ(readFile(dir / "backup" / "1 Reverbs" / "Hall- Large|Dark.sig"), hallText);
    EXPECT_EQ(readFile(dir / "backup" / "7 Delays" / "Tape Echo.sig"), echoText);
    EXPECT_EQ(backup[2]["path"], (dir / "backup" / "7 Delays" / "Tape Echo.sig").string());

    // tosk-unit's terminal given as the MIDI interface's node: the MIDI
    // line's own code talks to it.
    auto midi = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"unit", "--midi", unit.link(), "--silence-ms", "300"});
        return outcome(runTool("tosk-cli", args));
    };
    EXPECT_EQ(midi({"get"}), running());
    EXPECT_EQ(midi({"--channel", "17", "get"}),
              "exit 1: UnitCommand: --channel must be a number from 1 to 16, not '17'\n");
    if (fs::exists("/dev/snd"))
        GTEST_SKIP() << "this machine has sound devices";
    EXPECT_EQ(parsed(runTool("tosk-cli", {"unit", "--list-ports"}))["midi"], json::array());
}

TEST(UnitCli, DownloadsAndProgramListCommands)
{
    TempDir dir;
    writeFile(dir / "unit.sbf", "{\r\n}\r\n");
    UnitProcess unit(dir.path(), {"--banks", makeTestBanks(dir.path()).string(), "--model", "R9100", "--rom-revision",
                                  "3.1", "--db", (dir / "unit.sbf").string()});
    ASSERT_TRUE(unit.started());

    EXPECT_EQ(parsed(cli(unit, {"screen", (dir / "screen.bmp").string()}))["width"], 240);
    EXPECT_EQ(readFile(dir / "screen.bmp").substr(0, 2), "BM");
    parsed(cli(unit, {"dbase", (dir / "copy.sbf").string()}));
    EXPECT_EQ(readFile(dir / "copy.sbf"), "{\r\n}\r\n");

    json programs = parsed(cli(unit, {"programs"}));
    ASSERT_EQ(programs.size(), 3u);
    EXPECT_EQ(programs[1].dump(),
              R"({"progNum":"101","progNumber":101,"progLoc":" ","progName":"Hall: Large/Dark","progInputs":"1",)"
              R"("progOutputs":"2","progEffects":"  R     ","programIndex":1,"bankNumber":1,"programNumber":1,)"
              R"("inputs":1,"outputs":2,"monolithic":true,"disabled":false,"sampleRate":2,"location":1,"effects":4})");
    json criteria = parsed(cli(unit, {"criteria"}));
    std::string tags;
    for (const auto& c : criteria)
        tags += c["tag"].get<std::string>() + ";";
    ASSERT_EQ(tags, "Sort by;Search by;Location;Inputs;Outputs;Show;Machines;");
    EXPECT_EQ(criteria[2].dump(), R"({"tag":"Location","key":"122","currentIndex":0,"currentString":"All",)"
                                  R"("strings":["All","Internal","User","Card"]})");

    // Old ROM: the MIDI map answers to its literal tag, and is put back.
    EXPECT_EQ(parsed(cli(unit, {"select", "7", "0"}))["progName"], "Tape Echo");
    EXPECT_EQ(outcome(cli(unit, {"get"})), "exit 0: " + echoText);
    const auto trace = unit.trace();
    ASSERT_GE(trace.size(), 4u); // ..., program change, map put back, identify, get patch
    EXPECT_EQ(std::vector<std::string>(trace.end() - 4, trace.end()),
              (std::vector<std::string>{"C0 00", "F0 1C 70 00 2D 31 34 30 20 31 F7", "F0 1C 70 00 1A F7",
                                        "F0 1C 70 00 0B F7"}));

    EXPECT_EQ(outcome(cli(unit, {"select", "9", "9"})),
              "exit 1: UnitCommand.select: no program 9 in bank 9 in the unit's list\n");
}

// tosk-unit's own absent, garbled and silent modes; a scripted unit's bad
// frames and silences are the KorvatelConnection and dispatcher tests'.
TEST(UnitCli, FailuresNameTheExceptionAndExitOne)
{
    TempDir dir;
    EXPECT_EQ(outcome(runTool("tosk-cli", {"unit", "--port", (dir / "none").string(), "banks"})),
              "exit 1: SerialPort.open: " + (dir / "none").string() + " - No such file or directory\n");
    const std::string banks = makeTestBanks(dir.path()).string();
    UnitProcess garbled(dir.path(), {"--banks", banks, "--garble"}, "garbled");
    ASSERT_TRUE(garbled.started());
    EXPECT_EQ(outcome(cli(garbled, {"identify"})), "exit 1: UnitSession.identify: The data received is invalid.\n");
    garbled.stop();

    // Identified, then silent: browsing keeps the unit's full 4 s time-out
    // (the one test that waits it out) and names the failure the line met.
    UnitProcess silent(dir.path(), {"--banks", banks, "--drop-after", "1"});
    ASSERT_TRUE(silent.started());
    // (What follows "timeout" is whatever errno held: not pinned.)
    EXPECT_EQ(outcome(cli(silent, {"banks"})).rfind("exit 1: SerialConnection.getByte: timeout ", 0), 0u);
    EXPECT_EQ(outcome(cli(silent, {"identify"})), "exit 1: UnitSession.identify: no reply from the unit\n");
    EXPECT_EQ(outcome(cli(silent, {"get"})), "exit 1: UnitSession.queued: no reply from the unit\n");
    EXPECT_EQ(outcome(cli(silent, {"patches", "x"})),
              "exit 1: UnitCommand: BANK must be a number from 0 to 255, not 'x'\n");
}
