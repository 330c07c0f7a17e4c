// SPDX-License-Identifier: GPL-3.0-or-later
// Writing sig files: the exact bytes of the file text and of the upload text.
#include "SigFileTestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";

} // namespace

TEST(SigFileSave, ValuesAreQuotedOnlyWhenTheReaderNeedsIt)
{
    LoadedText loaded = loadText(crlf({
        kHead,
        "TEXTBLOCK notes \"A, B\" 24 4 \"\" plain \"it's\" 'x%y'",
        "SINE \"osc 1\" 440 0.25",
        "GAIN g1 \"osc 1-out\" 0.500",
    }));
    ASSERT_TRUE(loaded.patch->findModuleByName("notes"));
    Module& notes = *loaded.patch->findModuleByName("notes");
    notes.field("line4")->setText("say \"hi\" x");
    EXPECT_EQ(loaded.patch->dataRepresentation(),
              crlf({kHead, "TEXTBLOCK notes \"A, B\" 24 4 \"\" plain \"it's\" 'say \"hi\" x'",
                    "SINE \"osc 1\" 440 0.25", "GAIN g1 \"osc 1-out\" 0.5", "TAIL tail"}));
    // With another head name the unconnected inputs name that head.
    loaded.patch->head()->setInstanceName("in put");
    EXPECT_EQ(loaded.patch->moduleAtIndex(0)->fieldArray().back()->getName(Module::kSaveNameFlags, "in put"),
              "\"in put-nullobj\"");
    std::string line;
    loaded.patch->moduleAtIndex(0)->save(line, "", Module::SAVE_NO_INFO);
    EXPECT_EQ(line, "HEADM \"in put\" P t 2 2 1 head-null head-null head-nullobj\r\n");
}

TEST(SigFileSave, InfoTokensCarryPositionsAndHideCounts)
{
    LoadedText loaded = loadText(crlf(
        {kHead, "GAIN a adc-in1 1 ;=120.9,80.2,96,0", "GAIN b a-out 1 ;= f= 2,3", "GAIN c b-out 1 ;=7,8 f= 0,1,2,2"}));
    const SigFile& patch = *loaded.patch;
    // The width is the box's (80), whatever the file said; numbers are cut
    // to whole points.
    EXPECT_EQ(patch.moduleAtIndex(1)->moduleInfo(), " ;=120,80,80,0");
    EXPECT_EQ(patch.moduleAtIndex(2)->moduleInfo(), " ;= f= 2,3");
    EXPECT_EQ(patch.moduleAtIndex(3)->moduleInfo(), " ;=7,8,80,0 f= 0,1,2,2");
    EXPECT_EQ(patch.moduleAtIndex(0)->moduleInfo(), "");
    EXPECT_EQ(patch.uploadRepresentation(),
              crlf({kHead, "GAIN a adc-in1 1", "GAIN b a-out 1", "GAIN c b-out 1", "TAIL tail"}));
}

TEST(SigFileSave, NodesAreWrittenAsTheSourcesTheyPassOn)
{
    LoadedText loaded =
        loadText(crlf({kHead, "SINE osc 220 0.5", "A_TO_A n1 osc-out", "A_TO_A n2 n1-out", "A_TO_A n3 adc-null",
                       "C_TO_C c1 0.25", "DELAY d n2-out 100 c1-out 0.3 0.5", "GAIN g n3-out c1-out"}));
    LogCapture quiet;
    EXPECT_EQ(loaded.patch->dataRepresentation(), crlf({kHead, "SINE osc 220 0.5", "DELAY d osc-out 100 0.25 0.3 0.5",
                                                        "GAIN g null-source 0.25", "TAIL tail"}));
}

TEST(SigFileSave, OperatorsOfAnUnknownClassStayInTheFileButAreNotUploaded)
{
    auto db = dbaseFromText(testDbaseText() + modelOperator("ODD", "WEIRD",
                                                            {SbfEntry{"TYPE:ED_INT", "NAME:n", "DEFAULT:1"},
                                                             SbfEntry{"TYPE:CONTROL", "NAME:out", "CONNECT_TAG:out"}}));
    LoadedText loaded =
        loadText(crlf({"HEADM adc 2 adc-null", "ODD odd 5 ;=10,20", "FILTER f adc-left odd-out 3"}), db);
    LogCapture quiet;
    EXPECT_EQ(loaded.patch->dataRepresentation(),
              crlf({"HEADM adc 2 adc-null", "ODD odd 5 ;=10,20,80,0", "FILTER f adc-left odd-out 3"}))
        << "no tail operator in this database: no tail line";
    EXPECT_EQ(loaded.patch->uploadRepresentation(), crlf({"HEADM adc 2 adc-null", "FILTER f adc-left odd-out 3"}));
}
