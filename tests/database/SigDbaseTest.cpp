// SPDX-License-Identifier: GPL-3.0-or-later
// The operator database: reading its bytes, finding its file, and what it
// says about the unit.
#include "SbfText.h"
#include "support/TestSupport.h"

#include "base/DataFiles.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/SettingsStore.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

using Items = std::vector<std::pair<int32_t, std::string>>;

Items itemsOf(const OperatorEntry& entry)
{
    Items items;
    for (const auto& f : entry.operatorData())
        items.emplace_back(f->fieldType(), f->text());
    return items;
}

std::vector<std::string> namesOf(const SigDbase& db)
{
    std::vector<std::string> names;
    for (const auto& op : db.sigDbaseData())
        names.push_back(op->name());
    return names;
}

const std::string osc = sbfSimpleOperator("SINE", "OSCILLATOR", {{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});
const std::string gain = sbfSimpleOperator("GAIN", "MATH", {{"TYPE:ED_SIGNAL", "NAME:in"}});
const std::string smallDb = sbfHeadm("4") + sbfSimpleOperator("GAIN", "MATH");
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

// A home folder, a settings store and a bundled-data folder of the test's
// own, so that no test sees the user's or another test's; the database asks
// no one (no alert, no file panel) whatever it finds.
class SigDbaseFile : public ::testing::Test {
protected:
    SigDbaseFile()
    {
        Localization::shared(); // reads its tables before the data folder moves
        DataFiles::setDirectory(bundle_.path().string());
    }
    ~SigDbaseFile() override
    {
        // A test that stops at a failed assertion still lets go.
        NotificationCenter::defaultCenter().removeObserver(this);
        DataFiles::setDirectory("");
    }

    std::string homeFile(const std::string& name, const std::string& bytes)
    {
        writeFile(home_ / name, bytes);
        return (home_ / name).string();
    }
    std::string bundledFile(const std::string& bytes)
    {
        writeFile(bundle_ / "sigdbase.sbf", bytes);
        return (bundle_ / "sigdbase.sbf").string();
    }
    std::string homePath() const { return home_.path().string(); }

    TempDir home_, bundle_;
    ScopedEnv homeEnv_{"HOME", home_.path().string()};
    MemorySettingsStore settings;
    NoWindowServices noWindow;
    LogCapture quiet;
};

} // namespace

TEST(SigDbaseReader, ReadsItemsExactlyWhateverTheLineEnds)
{
    // One operator in the layout of the node operators, written with CR, LF
    // and CR LF line ends, high bytes between lines, blanks and 8-bit text
    // kept in values.
    std::string text = "{\r{\n   TYPE:OPERATOR\r\n   NAME:opstart \n   OPERATOR_NAME:a_to_x\n"
                       "   OPERATOR_CLASS:node\n}\r\n\xA0{\r   TYPE:ED_STRING\r   "
                       "NAME:opstart_name\r"
                       "\xFF   DESCRIPTION:\r}\n{\n   TYPE:SIGNAL\n   NAME:out \xE9t\xE9\n   "
                       "CONNECT_TAG:out\n"
                       "   DESCRIPTION:a  b  \n}\n{ \n }\n{\nTYPE:OPERATOREND\nNAME:opend\n}\n}";
    SigDbase db;
    NoWindowServices noWindow;
    ASSERT_TRUE(db.loadFromData(text));
    EXPECT_TRUE(db.problems().empty());
    ASSERT_EQ(db.sigDbaseData().size(), 1u);
    const auto& op = *db.sigDbaseData()[0];
    EXPECT_EQ(op.name(), "A_TO_X");
    EXPECT_EQ(op.operatorId(), 16);
    ASSERT_EQ(op.count(), 5u);
    EXPECT_EQ(itemsOf(*op.entryAtIndex(0)), (Items{{1, "OPERATOR"}, {0, "opstart "}, {7, "a_to_x"}, {8, "node"}}));
    EXPECT_EQ(itemsOf(*op.entryAtIndex(1)), (Items{{1, "ED_STRING"}, {0, "opstart_name"}, {2, ""}}));
    EXPECT_EQ(itemsOf(*op.entryAtIndex(2)), (Items{{1, "SIGNAL"}, {0, "out \xE9t\xE9"}, {11, "out"}, {2, "a  b  "}}));
    EXPECT_EQ(op.entryAtIndex(3)->count(), 0u) << "an entry of only white space has no items";
    EXPECT_EQ(op.entryAtIndex(3)->entryType(), 0);
    EXPECT_EQ(op.entryAtIndex(4)->entryType(), 1);
}

TEST(SigDbaseReader, FormatErrorsFailTheLoadAndKeepWhatWasRead)
{
    struct Case {
        const char* what;
        std::string text;
        size_t operatorsKept;
    } cases[] = {
        {"empty entry block", osc + "{\n{}\n{\n   TYPE:OPERATOREND\n}\n}\n", 1},
        {"empty operator block", osc + "{}\n" + gain, 1},
        {"operator block of white space", osc + "{ \n\t }\n" + gain, 1},
        {"entry without its closing brace", osc + "{\n{\n   TYPE:OPERATOR\n   NAME:x}", 1},
        {"operator without its closing brace", osc + "{\n{\n   TYPE:OPERATOR\n}\n", 1},
        {"first operator cut short", "{\n{\n   NAME:a\n}", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SigDbase db;
        LogCapture quiet;
        NoWindowServices noWindow;
        EXPECT_FALSE(db.loadFromData(c.text));
        EXPECT_EQ(db.sigDbaseData().size(), c.operatorsKept);
        EXPECT_TRUE(db.problems().empty());
    }
}

TEST(SigDbaseReader, UnknownKeyIsLoggedAndAlertedOnce)
{
    SigDbase db;
    LogCapture quiet;
    NoWindowServices noWindow;
    std::string bad = sbfSimpleOperator("BAD", "MATH", {{"TYPE:ED_INT", "NAME:n", "COLOUR:red"}});
    EXPECT_FALSE(db.createSigDbaseFromData(osc + bad + gain));
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(namesOf(db), std::vector<std::string>{"SINE"}) << "no nodes are added to a failed load";
    EXPECT_EQ(alertLines(db.problems().list()),
              std::vector<std::string>{"Critical | ERROR | COLOUR: Unknown Field Type | OK"});

    // Keys are case-sensitive, and a line without ":" is no item.
    for (std::string key : {"name", "NAME", "TYPE "}) {
        SigDbase other;
        EXPECT_FALSE(other.loadFromData(sbfOperator({{"TYPE:OPERATOR", key == "NAME" ? key : "  " + key + ":x"}})));
        ASSERT_EQ(other.problems().list().size(), 1u);
        EXPECT_EQ(other.problems().list()[0].message, key + ": Unknown Field Type");
    }
}

// Data may have anything around and between its blocks; a file must start
// with a brace and fails silently otherwise.
TEST(SigDbaseReader, SkipsWhatLiesAroundBlocksButAFileStartsWithABrace)
{
    for (const char* nothing : {"", "no braces at all"}) {
        SigDbase empty;
        EXPECT_TRUE(empty.loadFromData(nothing));
        EXPECT_TRUE(empty.sigDbaseData().empty());
    }
    SigDbase db;
    ASSERT_TRUE(db.loadFromData("  \n" + osc + "junk between blocks\n" + gain + "\ntrailing text { with a brace"));
    EXPECT_EQ(namesOf(db), (std::vector<std::string>{"SINE", "GAIN"}));
    // Only white space around one operator: that operator and the two nodes.
    SigDbase whole;
    EXPECT_TRUE(whole.createSigDbaseFromData(osc + "  \r\n  "));
    EXPECT_EQ(namesOf(whole), (std::vector<std::string>{"SINE", "A_TO_A", "C_TO_C"}));

    for (std::string text : {std::string(""), std::string("{"), std::string(" ") + osc, std::string("{\0", 2) + osc,
                             "\xEF\xBB\xBF" + osc}) {
        SigDbase file;
        NoWindowServices noWindow;
        std::istringstream in(text);
        EXPECT_FALSE(file.loadFromFile(in));
        EXPECT_FALSE(file.createSigDbaseFromData(text));
        EXPECT_TRUE(file.sigDbaseData().empty());
        EXPECT_TRUE(file.problems().empty());
    }
    SigDbase file;
    std::istringstream in(osc + gain);
    EXPECT_TRUE(file.loadFromFile(in));
    EXPECT_EQ(namesOf(file), (std::vector<std::string>{"SINE", "GAIN"}));
}

TEST(SigDbaseReader, HeadersAsRead)
{
    std::string text = sbfOperator({{"TYPE:OPERATOR", "OPERATOR_NAME:gizmo", "OPERATOR_CLASS:filter"},
                                    {"TYPE:OPERATOR", "OPERATOR_NAME:widget"},
                                    {"NAME:d"},
                                    {"TYPE:OPERATOREND"}}) +
                       sbfOperator({{"NAME:x"}});
    SigDbase db;
    ASSERT_TRUE(db.loadFromData(text));
    ASSERT_EQ(db.sigDbaseData().size(), 2u);
    const auto& gizmo = *db.sigDbaseData()[0];
    EXPECT_EQ(gizmo.name(), "WIDGET") << "the last header read names the operator";
    EXPECT_EQ(gizmo.operatorId(), 7) << "a header without a class keeps the earlier one";
    EXPECT_EQ(gizmo.entryAtIndex(2)->entryType(), 0);
    EXPECT_EQ(db.sigDbaseData()[1]->name(), "") << "an entry without TYPE is of type 0 but names nothing";
    EXPECT_EQ(db.sigDbaseData()[1]->operatorId(), 17);
}

TEST(SigDbaseReader, NodeOperatorsAreAddedOnlyWhenMissing)
{
    std::string ownNode = sbfSimpleOperator("C_TO_C", "NODE", {{"TYPE:CONTROL", "NAME:thru", "CONNECT_TAG:thru"}});
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(osc + ownNode));
    EXPECT_EQ(namesOf(db), (std::vector<std::string>{"SINE", "C_TO_C", "A_TO_A"}));
    auto ownControl = db.operatorForName("C_TO_C");
    ASSERT_TRUE(ownControl);
    ASSERT_TRUE(ownControl->entryAtIndex(2));
    EXPECT_EQ(ownControl->entryAtIndex(2)->name(), "thru");

    ASSERT_TRUE(db.operatorForName("a_to_a"));
    const auto& signal = *db.operatorForName("a_to_a");
    EXPECT_EQ(signal.operatorId(), 16);
    ASSERT_EQ(signal.count(), 5u);
    EXPECT_EQ(itemsOf(*signal.entryAtIndex(2)),
              (Items{{1, "SIGNAL"}, {0, "out"}, {11, "out"}, {2, "out"}, {12, "MONO"}}));
    EXPECT_EQ(itemsOf(*signal.entryAtIndex(3)), (Items{{1, "ED_SIGNAL"}, {0, "in"}, {2, "in"}}));

    SigDbase fresh;
    ASSERT_TRUE(fresh.createSigDbaseFromData(osc));
    ASSERT_TRUE(fresh.operatorForName("C_TO_C"));
    const auto& control = *fresh.operatorForName("C_TO_C");
    EXPECT_EQ(itemsOf(*control.entryAtIndex(2)), (Items{{1, "CONTROL"}, {0, "out"}, {11, "out"}, {2, "out"}}));
    auto bare = fresh.addNode("U_TO_U", 13);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->count(), 3u) << "no ports for other entry types";
    EXPECT_EQ(fresh.sigDbaseData().back(), bare);
}

TEST(SigDbaseReader, OperatorLookups)
{
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(osc + gain + sbfSimpleOperator("Sine", "MATH")));
    auto a = db.operatorForName("a_to_a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->name(), "A_TO_A");
    EXPECT_EQ(db.operatorForName("sine"), db.sigDbaseData()[0]) << "the first of two equal names";
    EXPECT_EQ(db.operatorForName(""), nullptr);
    EXPECT_EQ(db.operatorForName("SIN"), nullptr);
    EXPECT_EQ(db.operatorForIndex(5), nullptr);
    EXPECT_EQ(db.indexForOperator(a.get()), 3);
    OperatorDesc stranger;
    EXPECT_EQ(db.indexForOperator(&stranger), -1);
    EXPECT_FALSE(db.isNameUnique(" gain\r\n"));
    EXPECT_FALSE(db.isNameUnique("c_to_c"));
    EXPECT_TRUE(db.isNameUnique("gain2"));
    EXPECT_TRUE(db.isNameUnique(" \n"));

    std::ostringstream dump;
    db.dumpOperatorList(dump);
    EXPECT_EQ(dump.str(), "SINE\t\tOSCILLATOR\nGAIN\t\tMATH\nSINE\t\tMATH\nA_TO_"
                          "A\t\tNODE\nC_TO_C\t\tNODE\n");

    db.setEmpty();
    EXPECT_EQ(db.operatorForName("GAIN"), nullptr);
}

TEST_F(SigDbaseFile, GivenPathThenStoredPathThenHomeFileThenBundledDatabase)
{
    std::string given = homeFile("unit.sbf", smallDb);
    SigDbase db;
    EXPECT_TRUE(db.initFromFileName(given, settings));
    EXPECT_TRUE(db.sigDbaseCreated());
    EXPECT_EQ(db.dbaseName(), "unit.sbf");
    EXPECT_EQ(db.sigDbaseData().size(), 4u);
    EXPECT_EQ(settings.value("SigDbasePath"), given);
    std::string bundled = bundledFile(sbfHeadm("8"));

    // Nothing stored (or an empty path), no home file: the bundled database,
    // without storing it.
    settings.setValue("SigDbasePath", "");
    SigDbase first;
    EXPECT_TRUE(first.initFromFileName("", settings));
    EXPECT_EQ(first.fullPathName(), bundled);
    EXPECT_EQ(first.maxChannels(), 8u);
    EXPECT_EQ(settings.value("SigDbasePath"), "");

    // ~/sigdbase.sbf comes before the bundled one, and is stored.
    std::string home = homeFile("sigdbase.sbf", smallDb);
    SigDbase second;
    EXPECT_TRUE(second.initFromFileName("", settings));
    EXPECT_EQ(second.fullPathName(), home);
    EXPECT_EQ(settings.value("SigDbasePath"), home);

    // The stored path comes first.
    std::string other = homeFile("other.sbf", sbfHeadm("2"));
    settings.setValue("SigDbasePath", other);
    SigDbase third;
    EXPECT_TRUE(third.initFromFileName("", settings));
    EXPECT_EQ(third.fullPathName(), other);
    EXPECT_TRUE(third.problems().empty());
}

TEST_F(SigDbaseFile, MissingFileLeavesTheQuestionToTheCallerWithThePanelToShow)
{
    std::string chosen = homeFile("chosen.sbf", smallDb);
    bundledFile(sbfHeadm("8"));
    settings.setValue("SigDbasePath", homePath() + "/gone/sigdbase.sbf");

    EXPECT_EQ(SigDbase::locate("", settings), std::nullopt)
        << "a stored path that is gone is not replaced by the bundled file";
    const FileRequest r = SigDbase::browseRequest(settings);
    EXPECT_EQ(std::make_tuple(r.save, r.chooseFolders, r.directory, r.fileTypes),
              std::make_tuple(false, false, homePath() + "/gone", std::vector<std::string>{"sbf"}));
    EXPECT_EQ(r.title + " | " + r.message, "Open the operator database file | Choose the operator database "
                                           "(sigdbase.sbf) before going on.");
    SigDbase db;
    EXPECT_TRUE(db.initFromPath(chosen)) << "the file the user chose";
    EXPECT_EQ(db.fullPathName(), chosen);

    // A folder is no database either; without a stored path the panel opens at
    // home.
    settings.remove("SigDbasePath");
    EXPECT_EQ(SigDbase::locate(homePath(), settings), std::nullopt);
    EXPECT_EQ(SigDbase::browseRequest(settings).directory, homePath());
}

TEST_F(SigDbaseFile, NothingReadableEmptiesTheDatabaseAndABrokenFileStaysAsItWas)
{
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(smallDb));
    EXPECT_FALSE(db.initFromFileName("", settings));
    EXPECT_TRUE(db.sigDbaseData().empty());
    EXPECT_EQ(db.maxChannels(), 0u);
    EXPECT_EQ(db.fullPathName(), "");
    EXPECT_FALSE(db.initFromFileName(homePath() + "/missing.sbf", settings));
    EXPECT_FALSE(db.initFromPath(std::string())) << "an empty answer is a cancel";
    EXPECT_FALSE(settings.contains("SigDbasePath"));

    const std::string bytes = smallDb + "{\n{}\n}\n";
    const std::string path = homeFile("broken.sbf", bytes);
    EXPECT_FALSE(db.initFromFileName(path, settings));
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(db.sigDbaseData().size(), 2u) << "the operators before the error stay";
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(SigDbaseFile, ReloadEmptiesFirstAndKeepsHeldRecordsAlive)
{
    std::string path = homeFile("unit.sbf", smallDb);
    SigDbase db;
    int loads = 0;
    NotificationCenter::defaultCenter().addObserver(this, SigDbase::didLoadNotification, &db,
                                                    [&](const Notification&) { ++loads; });
    ASSERT_TRUE(db.initFromFileName(path, settings));
    auto gain = db.operatorForName("GAIN");
    ASSERT_TRUE(gain);
    auto entry = gain->entryAtIndex(1);
    ASSERT_TRUE(entry);

    writeFile(path, sbfSimpleOperator("MIX", "MIXER"));
    EXPECT_TRUE(db.createSigDbase());
    EXPECT_EQ(db.sigDbaseData().size(), 3u);
    EXPECT_EQ(db.operatorForName("GAIN"), nullptr);
    EXPECT_EQ(db.maxChannels(), 0u) << "the count of the old file is forgotten";
    EXPECT_EQ(entry->name(), "opstart_name") << "a module's entry outlives the reload";

    fs::remove(path);
    EXPECT_FALSE(db.createSigDbase());
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(loads, 2);
}

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
