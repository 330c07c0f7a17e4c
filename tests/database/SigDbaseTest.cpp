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

// The operator's name and class id on a line, then each entry on a line:
// its type code, then each item as " key code=text;".
std::string entriesOf(const OperatorDesc& op)
{
    std::string out = op.name() + " " + std::to_string(op.operatorId()) + "\n";
    for (const auto& entry : op.operatorData()) {
        out += std::to_string(entry->entryType()) + ":";
        for (const auto& f : entry->operatorData())
            out += " " + std::to_string(f->fieldType()) + "=" + f->text() + ";";
        out += "\n";
    }
    return out;
}

std::string namesOf(const SigDbase& db)
{
    std::string names;
    for (const auto& op : db.sigDbaseData())
        names += (names.empty() ? "" : " ") + op->name();
    return names;
}

const std::string osc = sbfSimpleOperator("SINE", "OSCILLATOR", {{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});
const std::string gain = sbfSimpleOperator("GAIN", "MATH", {{"TYPE:ED_SIGNAL", "NAME:in"}});
const std::string smallDb = sbfHeadm("4") + sbfSimpleOperator("GAIN", "MATH");
const std::string sampler = sbfSimpleOperator("SAMPLER", "MISCELLANEOUS");

// An old head with a signal group counted by "nchannels", a user-object group
// counted by "nobjs" and a group counted by an expression.
const std::string oldHead = sbfSimpleOperator(
    "Head", "SYSTEM",
    sbfEntries("TYPE:ED_INT|NAME:NChannels|MAXIMUM:2;TYPE:ED_INT|NAME:nobjs|MAXIMUM:5;"
               "TYPE:ED_INT|NAME:nlevels|MAXIMUM:3;TYPE:ED_INT|NAME:nspare;"
               "TYPE:MULTIPLE|ACTION_SPECIFIER:@nchannels;TYPE:ED_SIGNAL|NAME:out~nin;"
               "TYPE:ED_SIGNAL|NAME:aux~nin;TYPE:MULTIPLEEND;TYPE:MULTIPLE|ACTION_SPECIFIER:@nobjs;"
               "TYPE:ED_USEROBJ|NAME:obj~nin;TYPE:MULTIPLEEND;TYPE:SIGNAL|NAME:stray|CONNECT_TAG:stray;"
               "TYPE:MULTIPLE|ACTION_SPECIFIER:nlevels;TYPE:SIGNAL|NAME:lvl~n|CONNECT_TAG:lvl~n;"
               "TYPE:MULTIPLEEND;TYPE:MULTIPLE|ACTION_SPECIFIER:@nspare;"
               "TYPE:SIGNAL|NAME:spare~n|CONNECT_TAG:spare~n;TYPE:MULTIPLEEND"));

// A database made from the text, the node operators added.
std::unique_ptr<SigDbase> created(const std::string& text)
{
    auto db = std::make_unique<SigDbase>();
    EXPECT_TRUE(db->createSigDbaseFromData(text)) << text;
    return db;
}

// The MAXIMUM texts of the old head's count fields, "/" after each ("?" when
// there is no such field).
std::string headMaxima(const SigDbase& db)
{
    std::string out;
    for (const char* name : {"nchannels", "nobjs", "nlevels", "nspare"}) {
        auto head = db.operatorForName("HEAD");
        auto entry = head ? head->findEntryName(name) : nullptr;
        out += (entry ? entry->nameForType(OperatorField::MAXIMUM) : "?") + "/";
    }
    return out;
}

// Loading asks no one (no alert) and logs nowhere a test sees.
class SigDbaseReader : public ::testing::Test {
protected:
    NoWindowServices noWindow;
    LogCapture quiet;
};

// A home folder, a settings store and a bundled-data folder of the test's
// own, so that no test sees the user's or another test's; the database asks
// no one (no alert, no file panel) whatever it finds.
class SigDbaseFile : public SigDbaseReader {
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

    // Writes a file and answers its path.
    static std::string fileIn(const TempDir& folder, const std::string& name, const std::string& bytes)
    {
        writeFile(folder / name, bytes);
        return (folder / name).string();
    }
    std::string homePath() const { return home_.path().string(); }

    // The file read (path and name), how many operators and channels, whether
    // the load succeeded, and the path the settings hold.
    std::string state(const SigDbase& db) const
    {
        return db.fullPathName() + " (" + db.dbaseName() + ") " + std::to_string(db.sigDbaseData().size()) + " ops " +
               std::to_string(db.maxChannels()) + " channels" + (db.sigDbaseCreated() ? " created" : "") +
               (db.problems().empty() ? "" : " with alerts") +
               ", stored: " + settings.value("SigDbasePath").value_or("none");
    }
    // What a new database answers and holds after initFromFileName(path).
    std::string init(const std::string& path)
    {
        SigDbase db;
        const bool ok = db.initFromFileName(path, settings);
        return (ok ? "" : "failed: ") + state(db);
    }

    TempDir home_, bundle_;
    ScopedEnv homeEnv_{"HOME", home_.path().string()};
    MemorySettingsStore settings;
};

} // namespace

TEST_F(SigDbaseReader, ReadsItemsAndHeadersExactlyWhateverTheLineEnds)
{
    // One operator in the layout of the node operators, written with CR, LF
    // and CR LF line ends, high bytes between lines, blanks and 8-bit text
    // kept in values; an entry of only white space has no items.
    std::string text = "{\r{\n   TYPE:OPERATOR\r\n   NAME:opstart \n   OPERATOR_NAME:a_to_x\n"
                       "   OPERATOR_CLASS:node\n}\r\n\xA0{\r   TYPE:ED_STRING\r   "
                       "NAME:opstart_name\r"
                       "\xFF   DESCRIPTION:\r}\n{\n   TYPE:SIGNAL\n   NAME:out \xE9t\xE9\n   "
                       "CONNECT_TAG:out\n"
                       "   DESCRIPTION:a  b  \n}\n{ \n }\n{\nTYPE:OPERATOREND\nNAME:opend\n}\n}";
    // The last header read names the operator; a header without a class keeps
    // the earlier one; an entry without TYPE is of type 0 but names nothing.
    text += sbfOperator({{"TYPE:OPERATOR", "OPERATOR_NAME:gizmo", "OPERATOR_CLASS:filter"},
                         {"TYPE:OPERATOR", "OPERATOR_NAME:widget"},
                         {"NAME:d"},
                         {"TYPE:OPERATOREND"}}) +
            sbfOperator({{"NAME:x"}});
    SigDbase db;
    ASSERT_TRUE(db.loadFromData(text));
    EXPECT_TRUE(db.problems().empty());
    ASSERT_EQ(db.sigDbaseData().size(), 3u);
    EXPECT_EQ(entriesOf(*db.sigDbaseData()[0]) + entriesOf(*db.sigDbaseData()[1]) + entriesOf(*db.sigDbaseData()[2]),
              "A_TO_X 16\n"
              "0: 1=OPERATOR; 0=opstart ; 7=a_to_x; 8=node;\n"
              "20: 1=ED_STRING; 0=opstart_name; 2=;\n"
              "12: 1=SIGNAL; 0=out \xE9t\xE9; 11=out; 2=a  b  ;\n"
              "0:\n"
              "1: 1=OPERATOREND; 0=opend;\n"
              "WIDGET 7\n0: 1=OPERATOR; 7=gizmo; 8=filter;\n0: 1=OPERATOR; 7=widget;\n0: 0=d;\n1: 1=OPERATOREND;\n"
              " 17\n0: 0=x;\n");
}

// Data may have anything around and between its blocks; a format error fails
// the load and keeps the operators read before it.
TEST_F(SigDbaseReader, SkipsWhatLiesAroundBlocksAndKeepsWhatWasReadBeforeAnError)
{
    const std::tuple<const char*, std::string, bool, const char*> cases[] = {
        {"nothing", "", true, ""},
        {"no braces", "no braces at all", true, ""},
        {"text around blocks", "  \n" + osc + "junk between blocks\n" + gain + "\ntrailing text { with a brace", true,
         "SINE GAIN"},
        {"empty entry block", osc + "{\n{}\n{\n   TYPE:OPERATOREND\n}\n}\n", false, "SINE"},
        {"empty operator block", osc + "{}\n" + gain, false, "SINE"},
        {"operator block of white space", osc + "{ \n\t }\n" + gain, false, "SINE"},
        {"entry without its closing brace", osc + "{\n{\n   TYPE:OPERATOR\n   NAME:x}", false, "SINE"},
        {"operator without its closing brace", osc + "{\n{\n   TYPE:OPERATOR\n}\n", false, "SINE"},
        {"first operator cut short", "{\n{\n   NAME:a\n}", false, ""},
    };
    for (const auto& [what, text, ok, names] : cases) {
        SigDbase db;
        EXPECT_EQ(db.loadFromData(text), ok) << what;
        EXPECT_EQ(namesOf(db), names) << what;
        EXPECT_TRUE(db.problems().empty()) << what;
    }
}

TEST_F(SigDbaseReader, UnknownKeyIsLoggedAndAlertedOnce)
{
    SigDbase db;
    EXPECT_FALSE(db.createSigDbaseFromData(
        osc + sbfSimpleOperator("BAD", "MATH", {{"TYPE:ED_INT", "NAME:n", "COLOUR:red"}}) + gain));
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(namesOf(db), "SINE") << "no nodes are added to a failed load";
    EXPECT_EQ(alertLines(db.problems().list()),
              std::vector<std::string>{"Critical | ERROR | COLOUR: Unknown Field Type | OK"});

    // A line without ":" is no item (which keys exist is OperatorField's).
    SigDbase other;
    EXPECT_FALSE(other.loadFromData(sbfOperator({{"TYPE:OPERATOR", "NAME"}})));
    EXPECT_EQ(alertLines(other.problems().list()),
              std::vector<std::string>{"Critical | ERROR | NAME: Unknown Field Type | OK"});
}

// A file must start with a brace and fails silently otherwise.
TEST_F(SigDbaseReader, AFileStartsWithABrace)
{
    for (std::string text : {std::string(""), std::string("{"), std::string(" ") + osc, std::string("{\0", 2) + osc,
                             "\xEF\xBB\xBF" + osc}) {
        SigDbase file;
        std::istringstream in(text);
        EXPECT_FALSE(file.loadFromFile(in));
        EXPECT_FALSE(file.createSigDbaseFromData(text));
        EXPECT_TRUE(file.sigDbaseData().empty());
        EXPECT_TRUE(file.problems().empty());
    }
    SigDbase file;
    std::istringstream in(osc + gain + "  \r\n  ");
    EXPECT_TRUE(file.loadFromFile(in));
    EXPECT_EQ(namesOf(file), "SINE GAIN");
}

TEST_F(SigDbaseReader, NodeOperatorsAreAddedOnlyWhenMissing)
{
    auto db = created(osc + sbfSimpleOperator("C_TO_C", "NODE", {{"TYPE:CONTROL", "NAME:thru", "CONNECT_TAG:thru"}}));
    ASSERT_EQ(namesOf(*db), "SINE C_TO_C A_TO_A");
    EXPECT_NE(entriesOf(*db->sigDbaseData()[1]).find("\n11: 1=CONTROL; 0=thru;"), std::string::npos);
    EXPECT_EQ(entriesOf(*db->sigDbaseData()[2]), "A_TO_A 16\n"
                                                 "0: 1=OPERATOR; 0=opstart ; 7=A_TO_A; 8=NODE;\n"
                                                 "20: 1=ED_STRING; 0=opstart_name; 2=operator name;\n"
                                                 "12: 1=SIGNAL; 0=out; 11=out; 2=out; 12=MONO;\n"
                                                 "23: 1=ED_SIGNAL; 0=in; 2=in;\n"
                                                 "1: 1=OPERATOREND; 0=opend;\n");

    auto fresh = created(osc);
    ASSERT_EQ(namesOf(*fresh), "SINE A_TO_A C_TO_C");
    EXPECT_NE(
        entriesOf(*fresh->sigDbaseData()[2]).find("\n11: 1=CONTROL; 0=out; 11=out; 2=out;\n22: 1=ED_CONTROL; 0=in;"),
        std::string::npos);
    auto bare = fresh->addNode("U_TO_U", 13);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->count(), 3u) << "no ports for other entry types";
    EXPECT_EQ(fresh->sigDbaseData().back(), bare);
}

TEST_F(SigDbaseReader, OperatorLookups)
{
    auto db = created(osc + gain + sbfSimpleOperator("Sine", "MATH"));
    const auto& ops = db->sigDbaseData();
    ASSERT_EQ(namesOf(*db), "SINE GAIN SINE A_TO_A C_TO_C");
    // Names ignore case, and the first of two equal names is found.
    EXPECT_EQ((std::vector{db->operatorForName("a_to_a"), db->operatorForName("sine"), db->operatorForName(""),
                           db->operatorForName("SIN"), db->operatorForIndex(5)}),
              (std::vector<std::shared_ptr<OperatorDesc>>{ops[3], ops[0], nullptr, nullptr, nullptr}));
    OperatorDesc stranger;
    EXPECT_EQ(std::pair(db->indexForOperator(ops[3].get()), db->indexForOperator(&stranger)), std::pair(3L, -1L));
    EXPECT_EQ(SigDbase().indexForOperator(&stranger), -1) << "an empty database reads past nothing";
    std::string unique;
    for (const char* name : {" gain\r\n", "c_to_c", "gain2", " \n"})
        unique += db->isNameUnique(name) ? "y" : "n";
    EXPECT_EQ(unique, "nnyy");

    db->setEmpty();
    EXPECT_EQ(db->operatorForName("GAIN"), nullptr);
}

TEST_F(SigDbaseFile, GivenPathThenStoredPathThenHomeFileThenBundledDatabase)
{
    std::string given = fileIn(home_, "unit.sbf", smallDb);
    EXPECT_EQ(init(given), given + " (unit.sbf) 4 ops 4 channels created, stored: " + given);
    std::string bundled = fileIn(bundle_, "sigdbase.sbf", sbfHeadm("8"));

    // Nothing stored (or an empty path), no home file: the bundled database,
    // without storing it.
    settings.setValue("SigDbasePath", "");
    EXPECT_EQ(init(""), bundled + " (sigdbase.sbf) 3 ops 8 channels created, stored: ");

    // ~/sigdbase.sbf comes before the bundled one, and is stored.
    std::string home = fileIn(home_, "sigdbase.sbf", smallDb);
    EXPECT_EQ(init(""), home + " (sigdbase.sbf) 4 ops 4 channels created, stored: " + home);

    // The stored path comes first.
    std::string other = fileIn(home_, "other.sbf", sbfHeadm("2"));
    settings.setValue("SigDbasePath", other);
    EXPECT_EQ(init(""), other + " (other.sbf) 3 ops 2 channels created, stored: " + other);
}

TEST_F(SigDbaseFile, MissingFileLeavesTheQuestionToTheCallerWithThePanelToShow)
{
    std::string chosen = fileIn(home_, "chosen.sbf", smallDb);
    fileIn(bundle_, "sigdbase.sbf", sbfHeadm("8"));
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
    EXPECT_EQ(state(db), " () 0 ops 0 channels, stored: none");
    EXPECT_EQ(init(homePath() + "/missing.sbf"), "failed:  () 0 ops 0 channels, stored: none");
    EXPECT_FALSE(db.initFromPath(std::string())) << "an empty answer is a cancel";

    // The operators before the error stay.
    const std::string bytes = smallDb + "{\n{}\n}\n";
    const std::string path = fileIn(home_, "broken.sbf", bytes);
    EXPECT_FALSE(db.initFromFileName(path, settings));
    EXPECT_EQ(state(db), path + " (broken.sbf) 2 ops 4 channels, stored: " + path);
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(SigDbaseFile, ReloadEmptiesFirstAndKeepsHeldRecordsAlive)
{
    std::string path = fileIn(home_, "unit.sbf", smallDb);
    SigDbase db;
    int loads = 0;
    NotificationCenter::defaultCenter().addObserver(this, SigDbase::didLoadNotification, &db,
                                                    [&](const Notification&) { ++loads; });
    ASSERT_TRUE(db.initFromFileName(path, settings));
    auto gain = db.operatorForName("GAIN");
    ASSERT_TRUE(gain);
    auto entry = gain->entryAtIndex(1);
    ASSERT_TRUE(entry);

    // The count of the old file is forgotten; a module's entry outlives the
    // reload.
    writeFile(path, sbfSimpleOperator("MIX", "MIXER"));
    EXPECT_TRUE(db.createSigDbase());
    EXPECT_EQ(namesOf(db) + " " + std::to_string(db.maxChannels()), "MIX A_TO_A C_TO_C 0");
    EXPECT_EQ(entry->name(), "opstart_name");

    fs::remove(path);
    EXPECT_FALSE(db.createSigDbase());
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(loads, 2);
}

TEST(SigDbaseChannels, ChannelCountAndUnitClassFollowTheHeadsInputLimit)
{
    // The database, the channel count and the unit class.
    const std::tuple<std::string, uint32_t, int32_t> cases[] = {
        {sbfHeadm("4"), 4, 4},
        {sbfHeadm("8"), 8, 5},
        {sbfHeadm(" 8 "), 8, 5},
        {sbfHeadm("2"), 2, 2},
        {sbfHeadm("2") + sampler, 2, 3},
        {sampler + sbfHeadm("4"), 4, 4},
        {sbfHeadm("6"), 0, 0},
        {sbfHeadm("=#channels"), 0, 0},
        {edited(sbfHeadm("8"), {{"MAXIMUM:8", "DEFAULT:8"}}), 0, 0},
        {sbfSimpleOperator("HEADM", "SYSTEM", {{"TYPE:ED_INT", "NAME:NInputs", "MAXIMUM:4"}}), 4, 4},
        {sbfSimpleOperator("HEAD", "SYSTEM", {{"TYPE:ED_INT", "NAME:ninputs", "MAXIMUM:4"}}), 0, 0},
    };
    for (const auto& [text, channels, systemType] : cases) {
        auto db = created(text);
        EXPECT_EQ(std::pair(db->maxChannels(), db->systemType()), std::pair(channels, systemType)) << text;
    }
    EXPECT_EQ(std::to_string(SigDbase().maxChannels()) + " " + SigDbase().headName(), "0 HEAD");

    // An unknown count is worked out again on the next request; HEADM wins
    // over HEAD as the head's name.
    SigDbase later;
    ASSERT_TRUE(later.loadFromData(sampler + oldHead));
    EXPECT_EQ(std::to_string(later.systemType()) + " " + later.headName(), "0 HEAD");
    ASSERT_TRUE(later.loadFromData(sbfHeadm("2")));
    EXPECT_EQ(later.systemType(), 3) << "asked before the channel count";
    EXPECT_EQ(std::to_string(later.maxChannels()) + " " + later.headName(), "2 HEADM");
}

TEST(SigDbaseChannels, LoadingGivesTheOldHeadsSignalGroupsTheChannelCount)
{
    // A group without signals keeps its limit, a count without @ is an
    // expression, not a field, and a count field without MAXIMUM gets none.
    EXPECT_EQ(headMaxima(*created(sbfHeadm("8") + oldHead)), "8/5/3//");

    // Only one signal entry per remembered count field takes the limit: the
    // stray output after the object group must not reach "nobjs". There is no
    // limit below 1.
    SigDbase four;
    ASSERT_TRUE(four.loadFromData(oldHead));
    std::string seen;
    for (int32_t n : {4, 16, 0}) {
        four.setMaxChannels(n);
        seen += headMaxima(four) + " ";
    }
    EXPECT_EQ(seen, "4/5/3// 16/5/3// 16/5/3// ");

    EXPECT_EQ(headMaxima(*created(sbfHeadm("6") + oldHead)), "2/5/3//") << "nothing to set while the count is unknown";
}

TEST(SigDbaseChannels, VersionTextsComeFromTheVersionOperator)
{
    std::string version =
        sbfSimpleOperator("Version", "SYSTEM",
                          sbfEntries("TYPE:ED_STRING|NAME:Verse|DEFAULT:2.05b;TYPE:ED_STRING|NAME:date|DEFAULT:;"
                                     "TYPE:ED_STRING|NAME:name|DESCRIPTION:product"));
    LogCapture quiet;
    auto db = created(version);
    // An empty DEFAULT is a text; an entry without DEFAULT has none.
    using Text = std::optional<std::string>;
    EXPECT_EQ((std::vector<Text>{db->versionAsString(), db->dateAsString(), db->productAsString(),
                                 db->versionField("build")}),
              (std::vector<Text>{"2.05b", "", std::nullopt, std::nullopt}));
    EXPECT_DOUBLE_EQ(db->versionAsDouble(), 2.05);

    // The stored texts are those of the load; the live ones follow the records.
    auto op = db->operatorForName("VERSION");
    auto verse = op ? op->findEntryName("verse") : nullptr;
    auto text = verse ? verse->operatorFieldForType(OperatorField::DEFAULT) : nullptr;
    ASSERT_TRUE(text);
    text->setText("3");
    EXPECT_EQ(std::pair(db->versionAsString(), db->versionString()), std::pair(Text("3"), Text("2.05b")));

    auto bare = created(sbfHeadm("8"));
    EXPECT_EQ(bare->versionString(), std::nullopt);
    EXPECT_DOUBLE_EQ(bare->versionAsDouble(), 0);
}
