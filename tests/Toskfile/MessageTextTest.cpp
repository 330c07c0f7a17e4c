// SPDX-License-Identifier: GPL-3.0-or-later
// Messages (alerts, log lines, what tosk-cli prints) are UTF-8, while sig
// files and the database are Latin-1: their bytes are converted on the way in.
#include "SigFileTestSupport.h"
#include "support/TestSupport.h"

#include "Toskfile/ModuleField.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tosk;
using namespace tosk::test;
using Json = nlohmann::ordered_json;
using Lines = std::vector<std::string>;

namespace {

// "STÉRÉO x", "GAIN gé café-out 1": an operator the database lacks and a
// reference that finds nothing, each with a byte past ASCII.
const std::string kPatch =
    crlf({"HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj", "ST\xC9R\xC9O x", "GAIN g\xE9 caf\xE9-out 1", "TAIL t"});

} // namespace

TEST(MessageText, BytesOfAPatchReachAlertsAndTheLogAsUtf8)
{
    const LoadedText loaded = loadText(kPatch);
    const std::string unresolved = "Line 2: Cannot find signal 'caf\xC3\xA9-out' for GAIN g\xC3\xA9\n\n";
    EXPECT_EQ(loaded.log, (Lines{"Module.buildModule: no operator found for [ST\xC3\x89R\xC3\x89O]",
                                 "SigFile.load: module Module[] has null opDescriptor", "Loading: " + unresolved}));
    EXPECT_EQ(
        alertLines(loaded.alerts),
        (Lines{
            "Informational | Module Build | 'ST\xC3\x89R\xC3\x89O' is not a valid operator for this SigDatabase. | OK",
            "Critical | ERROR | " + unresolved + "\n | OK"}));

    // tosk-cli passes the messages on as they are, and converts the patch's
    // own bytes.
    TempDir dir;
    writeFile(dir / "echo.sig", kPatch);
    CliRun run = runCli("dump --db " + quoted(dataPath("sigdbase.sbf")) + " " + quoted((dir / "echo.sig").string()));
    ASSERT_EQ(run.status, 0) << run.err;
    const Json j = Json::parse(run.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << run.out;
    EXPECT_EQ(j["alerts"][0]["message"], "'ST\xC3\x89R\xC3\x89O' is not a valid operator for this SigDatabase.");
    EXPECT_EQ(j["alerts"][1]["message"], unresolved + "\n");
    EXPECT_EQ(j["log"].back(), "Loading: " + unresolved);
    ASSERT_GE(j["modules"].size(), 2u);
    EXPECT_EQ(j["modules"][1]["instance"], "g\xC3\xA9");
}

TEST(MessageText, TextsOfTheDatabaseReachMessagesAsUtf8)
{
    auto db = dbaseFromText(modelOperator("OSC", "OSCILLATOR",
                                          {SbfEntry{"TYPE:ED_FLOAT", "NAME:level", "DESCRIPTION:niveau \xE9lev\xE9",
                                                    "MINIMUM:0", "MAXIMUM:1", "DEFAULT:0.5"}}));
    auto osc = Module::moduleNamed("OSC", std::string("osc"), db);
    ASSERT_TRUE(osc);
    auto level = osc->field("level");
    ASSERT_TRUE(level);
    std::string message;
    EXPECT_FALSE(level->isValueValid("fort", message));
    EXPECT_FALSE(level->isValueValid("2", message));
    EXPECT_EQ(message, "niveau \xC3\xA9lev\xC3\xA9 must be a decimal value.\n"
                       "niveau \xC3\xA9lev\xC3\xA9 must be between 0 and 1.\n");
}
