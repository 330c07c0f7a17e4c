// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: a database that describes its head or tail badly.
#include "SigFileTestSupport.h"

#include "Toskfile/SigDocument.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

// A head whose repeated group is never closed: every attempt to build it
// with its defaults fails.
std::string brokenHead(const std::string& name)
{
    return modelOperator(name, "SYSTEM",
                         {SbfEntry{"TYPE:ED_INT", "NAME:ninputs", "MINIMUM:1", "MAXIMUM:8", "DEFAULT:2"},
                          SbfEntry{"TYPE:MULTIPLE", "NAME:mult", "ACTION_SPECIFIER:@ninputs"},
                          SbfEntry{"TYPE:SIGNAL", "NAME:in~n", "CONNECT_TAG:in~n"}});
}

std::string gainOperator()
{
    return modelOperator("GAIN", "MATH",
                         {SbfEntry{"TYPE:ED_SIGNAL", "NAME:in", "DESCRIPTION:in"},
                          SbfEntry{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});
}

} // namespace

TEST(SigFileRegression, AHeadOrTailTheDatabaseCannotBuildCostsThatModuleNotTheProgram)
{
    // A new patch: no head can be made, so the patch has none, and says why.
    auto db = dbaseFromText(brokenHead("HEADM") + gainOperator());
    SigDocument untitled;
    {
        LogCapture quiet;
        NoWindowServices noWindow;
        ASSERT_NO_THROW(untitled.initWithData(std::nullopt, std::nullopt, std::nullopt, db));
    }
    ASSERT_NE(untitled.sigFile(), nullptr);
    EXPECT_EQ(untitled.sigFile()->head(), nullptr);
    EXPECT_EQ(untitled.sigFile()->moduleCount(), 0u);
    EXPECT_EQ(untitled.sigFile()->loadError(),
              "Module.buildModule - Module.buildModule: Unbalanced OPERATOREND Iteration for operator: HEADM");

    // A patch with an older head that would be converted: the head stays as
    // it was read, with its wire, and the file saves back unchanged.
    auto converting = dbaseFromText(brokenHead("HEADM") +
                                    modelOperator("HEAD", "SYSTEM",
                                                  {SbfEntry{"TYPE:SIGNAL", "NAME:left", "CONNECT_TAG:left"},
                                                   SbfEntry{"TYPE:ED_SIGNAL", "NAME:outleft", "DESCRIPTION:out"}}) +
                                    gainOperator());
    const std::string text = crlf({"HEAD adc g-out", "GAIN g adc-left"});
    LoadedText loaded;
    ASSERT_NO_THROW(loaded = loadText(text, converting));
    ASSERT_NE(loaded.patch->head(), nullptr);
    EXPECT_EQ(loaded.patch->head()->name(), "HEAD");
    EXPECT_EQ(loaded.patch->moduleAtIndex(1)->field("in")->source(), loaded.patch->head()->field("left"));
    EXPECT_EQ(loaded.patch->dataRepresentation(), text);

    // A tail the database cannot build: the patch gets an empty one.
    auto badTail = dbaseFromText(modelOperator("HEADM", "SYSTEM", {}) + brokenHead("TAIL"));
    ASSERT_NO_THROW(loaded = loadText(crlf({"HEADM adc"}), badTail));
    ASSERT_NE(loaded.patch->tail(), nullptr);
    EXPECT_TRUE(loaded.patch->tail()->isComment());
    EXPECT_EQ(loaded.patch->dataRepresentation(), crlf({"HEADM adc"}));
}
