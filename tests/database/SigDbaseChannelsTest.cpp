// SPDX-License-Identifier: GPL-3.0-or-later
#include "SbfText.h"

#include "base/Log.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string sampler = sbfSimpleOperator("SAMPLER", "MISCELLANEOUS");

// An old head with a signal group counted by "nchannels", a user-object group
// counted by "nobjs" and a group counted by an expression.
const std::string oldHead = sbfSimpleOperator("Head", "SYSTEM",
                                              {{"TYPE:ED_INT", "NAME:NChannels", "MAXIMUM:2"},
                                               {"TYPE:ED_INT", "NAME:nobjs", "MAXIMUM:5"},
                                               {"TYPE:ED_INT", "NAME:nlevels", "MAXIMUM:3"},
                                               {"TYPE:ED_INT", "NAME:nspare"},
                                               {"TYPE:MULTIPLE", "ACTION_SPECIFIER:@nchannels"},
                                               {"TYPE:ED_SIGNAL", "NAME:out~nin"},
                                               {"TYPE:ED_SIGNAL", "NAME:aux~nin"},
                                               {"TYPE:MULTIPLEEND"},
                                               {"TYPE:MULTIPLE", "ACTION_SPECIFIER:@nobjs"},
                                               {"TYPE:ED_USEROBJ", "NAME:obj~nin"},
                                               {"TYPE:MULTIPLEEND"},
                                               {"TYPE:SIGNAL", "NAME:stray", "CONNECT_TAG:stray"},
                                               {"TYPE:MULTIPLE", "ACTION_SPECIFIER:nlevels"},
                                               {"TYPE:SIGNAL", "NAME:lvl~n", "CONNECT_TAG:lvl~n"},
                                               {"TYPE:MULTIPLEEND"},
                                               {"TYPE:MULTIPLE", "ACTION_SPECIFIER:@nspare"},
                                               {"TYPE:SIGNAL", "NAME:spare~n", "CONNECT_TAG:spare~n"},
                                               {"TYPE:MULTIPLEEND"}});

// The MAXIMUM text of an operator's entry, or what is missing.
std::string maximumOf(const SigDbase& db, const char* op, const char* entry)
{
    auto desc = db.operatorForName(op);
    if (!desc)
        return std::string("no operator ") + op;
    auto found = desc->findEntryName(entry);
    return found ? found->nameForType(OperatorField::MAXIMUM) : std::string("no entry ") + entry;
}

} // namespace

TEST(SigDbaseChannels, ChannelCountAndUnitClassFollowTheHeadsInputLimit)
{
    struct Case {
        std::string text;
        uint32_t channels;
        int32_t systemType;
    } cases[] = {
        {sbfHeadm("4"), 4, 4},
        {sbfHeadm("8"), 8, 5},
        {sbfHeadm(" 8 "), 8, 5},
        {sbfHeadm("2"), 2, 2},
        {sbfHeadm("2") + sampler, 2, 3},
        {sampler + sbfHeadm("4"), 4, 4},
        {sbfHeadm("6"), 0, 0},
        {sbfHeadm("=#channels"), 0, 0},
        {sbfHeadm("8").replace(sbfHeadm("8").find("MAXIMUM:8"), 9, "DEFAULT:8"), 0, 0},
        {sbfSimpleOperator("HEADM", "SYSTEM", {{"TYPE:ED_INT", "NAME:NInputs", "MAXIMUM:4"}}), 4, 4},
        {sbfSimpleOperator("HEAD", "SYSTEM", {{"TYPE:ED_INT", "NAME:ninputs", "MAXIMUM:4"}}), 0, 0},
    };
    for (const auto& c : cases) {
        SigDbase db;
        ASSERT_TRUE(db.createSigDbaseFromData(c.text)) << c.text;
        EXPECT_EQ(db.maxChannels(), c.channels) << c.text;
        EXPECT_EQ(db.systemType(), c.systemType) << c.text;
    }
    SigDbase none;
    EXPECT_EQ(none.maxChannels(), 0u);
    EXPECT_EQ(none.headName(), "HEAD");

    // An unknown count is worked out again on the next request; HEADM wins
    // over HEAD as the head's name.
    SigDbase later;
    ASSERT_TRUE(later.loadFromData(sampler + oldHead));
    EXPECT_EQ(later.systemType(), 0);
    EXPECT_EQ(later.headName(), "HEAD");
    ASSERT_TRUE(later.loadFromData(sbfHeadm("2")));
    EXPECT_EQ(later.systemType(), 3);
    EXPECT_EQ(later.maxChannels(), 2u);
    EXPECT_EQ(later.headName(), "HEADM");
}

TEST(SigDbaseChannels, LoadingGivesTheOldHeadsSignalGroupsTheChannelCount)
{
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(sbfHeadm("8") + oldHead));
    EXPECT_EQ(maximumOf(db, "HEAD", "nchannels"), "8");
    EXPECT_EQ(maximumOf(db, "HEAD", "nobjs"), "5") << "a group without signals keeps its limit";
    EXPECT_EQ(maximumOf(db, "HEAD", "nlevels"), "3") << "a count without @ is an expression, not a field";
    EXPECT_EQ(maximumOf(db, "HEAD", "nspare"), "") << "a count field without MAXIMUM gets none";
    EXPECT_EQ(maximumOf(db, "HEADM", "ninputs"), "8");

    // Only one signal entry per remembered count field takes the limit: the
    // stray output after the object group must not reach "nobjs".
    SigDbase four;
    ASSERT_TRUE(four.loadFromData(oldHead));
    four.setMaxChannels(4);
    EXPECT_EQ(maximumOf(four, "HEAD", "nchannels"), "4");
    EXPECT_EQ(maximumOf(four, "HEAD", "nobjs"), "5");
    four.setMaxChannels(16);
    EXPECT_EQ(maximumOf(four, "HEAD", "nchannels"), "16");
    four.setMaxChannels(0);
    EXPECT_EQ(maximumOf(four, "HEAD", "nchannels"), "16") << "no limit below 1";

    SigDbase unknown;
    ASSERT_TRUE(unknown.createSigDbaseFromData(sbfHeadm("6") + oldHead));
    EXPECT_EQ(maximumOf(unknown, "HEAD", "nchannels"), "2") << "nothing to set while the count is unknown";
}

TEST(SigDbaseChannels, VersionTextsComeFromTheVersionOperator)
{
    std::string version = sbfSimpleOperator("Version", "SYSTEM",
                                            {{"TYPE:ED_STRING", "NAME:Verse", "DEFAULT:2.05b"},
                                             {"TYPE:ED_STRING", "NAME:date", "DEFAULT:"},
                                             {"TYPE:ED_STRING", "NAME:name", "DESCRIPTION:product"}});
    SigDbase db;
    LogCapture quiet;
    ASSERT_TRUE(db.createSigDbaseFromData(version));
    EXPECT_EQ(db.versionAsString(), "2.05b");
    EXPECT_DOUBLE_EQ(db.versionAsDouble(), 2.05);
    EXPECT_EQ(db.dateAsString(), "") << "an empty DEFAULT is a text";
    EXPECT_EQ(db.productAsString(), std::nullopt) << "an entry without DEFAULT has none";
    EXPECT_EQ(db.versionField("build"), std::nullopt);

    // The stored texts are those of the load; the live ones follow the records.
    auto versionOperator = db.operatorForName("VERSION");
    ASSERT_TRUE(versionOperator);
    auto verse = versionOperator->findEntryName("verse");
    ASSERT_TRUE(verse);
    auto text = verse->operatorFieldForType(OperatorField::DEFAULT);
    ASSERT_TRUE(text);
    text->setText("3");
    EXPECT_EQ(db.versionAsString(), "3");
    EXPECT_EQ(db.versionString(), "2.05b");

    SigDbase bare;
    ASSERT_TRUE(bare.createSigDbaseFromData(sbfHeadm("8")));
    EXPECT_EQ(bare.versionString(), std::nullopt);
    EXPECT_DOUBLE_EQ(bare.versionAsDouble(), 0);
}
