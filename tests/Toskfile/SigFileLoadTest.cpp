// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing sig files: records, info tokens, references, heads and
// tails, every way a file or a database can be broken, the exact bytes of the
// file and upload texts; saving, reading what was saved and saving again
// gives the same bytes and the same patch.
#include "SigFileTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";

using Lines = std::vector<std::string>;

struct RoundTrip {
    std::string first; // the file text of the patch as read from the input
    LoadedText original;
    LoadedText reloaded; // read from `first`
};

// Reads the text, saves it and reads that: the second save gives the same
// bytes, the same patch and the same alerts.
RoundTrip roundTrip(const std::string& text, const std::shared_ptr<SigDbase>& db = bundledDbase())
{
    RoundTrip trip;
    LogCapture quiet;
    trip.original = loadText(text, db);
    trip.first = trip.original.patch->dataRepresentation();
    trip.reloaded = loadText(trip.first, db);
    EXPECT_EQ(trip.reloaded.patch->dataRepresentation(), trip.first);
    EXPECT_EQ(patchShape(*trip.reloaded.patch), patchShape(*trip.original.patch));
    EXPECT_EQ(alertLines(trip.reloaded.alerts), alertLines(trip.original.alerts));
    return trip;
}

// The test database with an operator of a class no unit runs.
std::shared_ptr<SigDbase> oddDbase()
{
    return dbaseFromText(testDbaseText() + modelOperator("ODD", "WEIRD",
                                                         {SbfEntry{"TYPE:ED_INT", "NAME:n", "DEFAULT:1"},
                                                          SbfEntry{"TYPE:CONTROL", "NAME:out", "CONNECT_TAG:out"}}));
}

// A head whose repeated group is never closed: every attempt to build it
// with its defaults fails.
std::string brokenHead(const std::string& name)
{
    return modelOperator(name, "SYSTEM",
                         {SbfEntry{"TYPE:ED_INT", "NAME:ninputs", "MINIMUM:1", "MAXIMUM:8", "DEFAULT:2"},
                          SbfEntry{"TYPE:MULTIPLE", "NAME:mult", "ACTION_SPECIFIER:@ninputs"},
                          SbfEntry{"TYPE:SIGNAL", "NAME:in~n", "CONNECT_TAG:in~n"}});
}

} // namespace

TEST(SigFileLoad, RecordsPositionsHideCountsAndConnections)
{
    LoadedText loaded = loadText(
        crlf({"HEADM adc \"Stereo: Chorus/1\" demo 2 2 1 g1-out adc-null adc-nullobj ;=20,40,80,0 f= 11,1,12,2",
              "SINE \"osc 1\" 440 0.500 ;=140,40,80,0 f= 3,1", "GAIN g1 \"osc 1-out\" adc-pedal1 ;=260,40,80,0",
              "TAIL me"}));
    const SigFile& patch = *loaded.patch;
    EXPECT_EQ(alertLines(loaded.alerts), Lines{});
    EXPECT_EQ(patch.head(), patch.moduleAtIndex(0));
    EXPECT_EQ(patch.sigFileName(), "Stereo- Chorus|1") << "the program name made fit for a file";

    // Wires, with the counts on both ends; "adc-null" and "adc-nullobj"
    // stand for no wire at all. Positions, hide counts (an input takes that
    // of the output feeding it) and values show in the text written back.
    const Module& head = *patch.head();
    EXPECT_EQ(patch.moduleAtIndex(2)->field("in")->text(), "");
    EXPECT_EQ(patch.moduleAtIndex(1)->field("out")->numConnects(), 1);
    EXPECT_EQ(patch.moduleAtIndex(1)->numRefs(), 1);
    EXPECT_EQ(head.numRefs(), 1);
    for (const char* none : {"out2in", "obj1in"})
        EXPECT_TRUE(!head.field(none)->source() && head.field(none)->text().empty() && !head.field(none)->isBad());
    EXPECT_EQ(patch.dataRepresentation(),
              crlf({"HEADM adc \"Stereo: Chorus/1\" demo 2 2 1 g1-out adc-null adc-nullobj ;=20,40,80,0 f= 11,1,12,2",
                    "SINE \"osc 1\" 440 0.5 ;=140,40,80,0 f= 3,1",
                    "GAIN g1 \"osc 1-out\" adc-pedal1 ;=260,40,80,0 f= 1,1,2,1", "TAIL me"}));
}

// loadText reads with no window service installed: the problems are the
// patch's, in file order, a group member's among them, until taken.
TEST(SigFileLoad, CommentsEmptyFilesUnknownOperatorsShortInfoTokensAndProblemsInFileOrder)
{
    LoadedText loaded =
        loadText(crlf({"; a comment line, with \"quotes\"", kHead, "FROB x 1 2", "GAIN g1 adc-in1 0.5 ;=12 f= 2,3",
                       "GAIN g2 g1-out 0.25 ;=30,50", ";Ss=GROUP 2, V, v", "WARP w 2", "GAIN g adc-in1 1",
                       "GAIN h nosuch-out 1", "TAIL a"}));
    EXPECT_EQ(alertLines(loaded.alerts),
              (Lines{"Informational | Module Build | 'FROB' is not a valid operator for this SigDatabase. | OK",
                     "Informational | Module Build | 'WARP' is not a valid operator for this SigDatabase. | OK",
                     "Critical | ERROR | Line 5: Cannot find signal 'nosuch-out' for GAIN h\n\n\n | OK"}));
    // ";=12" is no position: the token is read again as a comment, but the
    // hide count it carried stays.
    EXPECT_EQ(loaded.patch->dataRepresentation(),
              crlf({kHead, "GAIN g1 adc-in1 0.5 ;= f= 2,3", "GAIN g2 g1-out 0.25 ;=30,50,80,0", ";Ss=GROUP 1, V, v",
                    "GAIN g adc-in1 1", "GAIN h nosuch-out 1", "TAIL a"}));
    EXPECT_EQ(loaded.patch->takeProblems().list().size(), 3u);
    EXPECT_TRUE(loaded.patch->problems().empty()) << "each is shown once";

    // Empty files and files of comments are empty patches.
    for (const std::string text : {"", "; one\r\n;two\n   ;three"}) {
        LoadedText empty = loadText(text);
        EXPECT_EQ(alertLines(empty.alerts), Lines{}) << text;
        EXPECT_EQ(empty.patch->dataRepresentation(), "TAIL tail\r\n") << text;
    }
}

TEST(SigFileLoad, AFailureStopsReadingAndKeepsWhatWasRead)
{
    // A hide count for a field the module does not have.
    LoadedText badIndex =
        loadText(crlf({kHead, "GAIN g0 adc-in1 1", "GAIN g1 g0-out 0.5 ;=10,20 f= 99,1", "GAIN g2 g1-out 1"}));
    EXPECT_EQ(moduleNames(*badIndex.patch), (Lines{"HEADM adc", "GAIN g0"}));
    EXPECT_EQ(badIndex.patch->loadError(), "Module.indexField - invalid index: 99");
    EXPECT_EQ(badIndex.patch->moduleAtIndex(1)->field("in")->source(), badIndex.patch->head()->field("in1"))
        << "the second pass still runs";
    EXPECT_EQ(alertLines(badIndex.alerts), Lines{});

    // A group that says it has no members, or gives no count.
    for (const std::string group : {";Ss=GROUP 0, VOICE, v", ";Ss=GROUP VOICE, v"}) {
        LoadedText bad = loadText(crlf({kHead, "GAIN g1 adc-in1 0.5", group, "GAIN g2 g1-out 1"}));
        EXPECT_EQ(moduleNames(*bad.patch), (Lines{"HEADM adc", "GAIN g1"})) << group;
        EXPECT_EQ(bad.patch->loadError(), "SModule - Invalid SModule") << group;
    }

    // A quoted reference cut off by the end of the file still wires.
    LoadedText cut = loadText(kHead + "\r\nGAIN g1 \"adc-in1");
    EXPECT_EQ(cut.patch->moduleAtIndex(1)->field("in")->source(), cut.patch->head()->field("in1"));
    EXPECT_EQ(cut.patch->dataRepresentation(), crlf({kHead, "GAIN g1 adc-in1", "TAIL tail"}));
}

TEST(SigFileLoad, TailRecordsAnywhereGiveTheAuthorAndAreWrittenLast)
{
    // A tail record is no module a reference can name, wherever it stands:
    // "x-out" stays unresolved, "g-out" means the gain read after tail "g".
    LoadedText named =
        loadText(crlf({kHead, "GAIN h x-out g-out", "TAIL x", "TAIL g", "GAIN g adc-in1 1", "TAIL \"Jo Smith\""}));
    EXPECT_EQ(named.patch->unresolvedCount(), 1);
    EXPECT_EQ(named.patch->dataRepresentation(), crlf({kHead, "GAIN h x-out g-out", "GAIN g adc-in1 1", "TAIL g"}));

    // One pair of apostrophes is taken off once; what is left survives a save.
    for (const auto& [record, author] : std::vector<std::pair<std::string, std::string>>{
             {"TAIL \"''''\"", "''"}, {"TAIL \"'x y'\"", "x y"}, {"TAIL \"''a b''\"", "'a b'"}}) {
        LoadedText quoted = loadText(crlf({kHead, record}));
        EXPECT_EQ(quoted.patch->author(), author) << record;
        EXPECT_EQ(loadText(quoted.patch->dataRepresentation()).patch->author(), author) << record;
    }
}

TEST(SigFileLoad, AnOlderHeadIsConvertedKeepingItsConnections)
{
    LoadedText loaded =
        loadText(crlf({"HEAD adc \"Old Flanger\" old 4 1 fll-out flr-out fll-out flr-out adc-nullobj ;=20,40,80,0",
                       "FLANGER fll adc-left adc-pedal 0.5 0.4 0.5", "FLANGER flr adc-right 0.3 0.5 0.4 0.5"}));
    const SigFile& patch = *loaded.patch;
    EXPECT_EQ(alertLines(loaded.alerts), Lines{});
    ASSERT_EQ(moduleNames(patch), (Lines{"HEADM adc", "FLANGER fll", "FLANGER flr"}));
    const Module& head = *patch.head();
    EXPECT_EQ(names(head), (Names{"opstart_name", "obj_desription", "obj_tag", "ninputs", "noutputs", "nobjects",
                                  "null", "zero", "nullobj", "in1", "in2", "pedal1", "pedal2", "tempo", "out1in",
                                  "out2in", "out3in", "out4in", "obj1in"}));
    for (const auto& f : head.fieldArray())
        EXPECT_EQ(f->parent(), &head) << f->name();
    EXPECT_EQ(std::tuple(head.numRefs(), patch.adcNull(), head.field("in1")->numConnects()),
              std::tuple(3, head.field("null"), 1));
    // "left" becomes in1, "right" in2, "pedal" pedal1.
    EXPECT_EQ(patch.dataRepresentation(),
              crlf({"HEADM adc \"Old Flanger\" old 2 4 1 fll-out flr-out fll-out flr-out adc-nullobj ;=20,40,80,0",
                    "FLANGER fll adc-in1 adc-pedal1 0.5 0.4 0.5", "FLANGER flr adc-in2 0.3 0.5 0.4 0.5", "TAIL tail"}));

    // An old head's input wired, by a damaged file, to a value of that head
    // keeps no wire into what the conversion leaves behind: the patch copies
    // (which looks every source up in its module) and saves as before.
    LoadedText damaged = loadText(std::string("HEAD d L c\n3\0A\0d-", 17));
    for (const auto& f : damaged.patch->head()->fieldArray())
        if (f->source()) {
            ASSERT_TRUE(f->source()->parent());
            EXPECT_TRUE(f->source()->parent()->containsField(f->source().get())) << f->name();
        }
    EXPECT_NO_THROW(damaged.patch->copy());
    EXPECT_EQ(damaged.patch->dataRepresentation(), crlf({"HEADM d L c 2 1 1 d-null d-nullobj", "TAIL tail"}));
}

TEST(SigFileLoad, NewPatchesAndUpdatingConnections)
{
    LogCapture quiet;
    auto patch = SigFile::fileWithData(std::nullopt, std::nullopt, bundledDbase(), nullptr);
    EXPECT_EQ(patch->dataRepresentation(),
              crlf({"HEADM adc Empty Empty 2 2 1 adc-null adc-null adc-nullobj", "TAIL tail"}));
    EXPECT_EQ(patch->uploadRepresentation(), patch->dataRepresentation());

    // update:all: cuts the wires from a module and gives control inputs
    // their defaults back.
    auto loaded = loadText(crlf({kHead, "SINE osc 440 0.5", "GAIN g osc-out osc-out", "LOWPASS lp adc-null 800 0.7"}));
    SigFile& p = *loaded.patch;
    ASSERT_EQ(moduleNames(p), (Lines{"HEADM adc", "SINE osc", "GAIN g", "LOWPASS lp"}));
    Module &osc = *p.moduleAtIndex(1), &g = *p.moduleAtIndex(2), &lp = *p.moduleAtIndex(3);
    // (An empty reference in the file is one that did not resolve, and is
    // kept: the value is emptied here as an editor would.)
    lp.field("freq")->setText("");
    EXPECT_EQ(p.update(&osc, false), 0);
    EXPECT_EQ(g.field("in")->source(), osc.field("out")) << "its source is still one of osc's fields";
    EXPECT_EQ(lp.field("freq")->text(), "1000") << "an empty control input gets its default";
    p.update(&osc, true);
    EXPECT_EQ(std::tuple(g.field("in")->source(), g.field("gain")->text(), osc.field("out")->numConnects()),
              std::tuple(nullptr, "1", 0));
    EXPECT_EQ(std::pair(SigFile::isZero("NullObj"), SigFile::isZero("nul")), std::pair(true, false));
}

// Which output a reference wires to when names repeat: a module's own name
// means itself, any other the first module of that name in the file, before
// or after the reference, whatever the case of the name and of the output.
TEST(SigFileLoad, RepeatedNamesWireToTheModuleItselfElseTheFirstOfThatName)
{
    LoadedText loaded = loadText(crlf({kHead, "GAIN g0 a-out 1", "SINE a 440 0.5", "GAIN a A-OUT 1", "GAIN g4 a-Out 1",
                                       "MIX2 m g0-out a-out 1 1", "SINE a 220 0.5", "GAIN g7 G4-OUT 1"}));
    const SigFile& patch = *loaded.patch;
    EXPECT_EQ(alertLines(loaded.alerts), Lines{});
    const std::tuple<size_t, const char*, size_t> wires[] = {{1, "in", 2},  {3, "in", 3},  {4, "in", 2},
                                                             {5, "in1", 1}, {5, "in2", 2}, {7, "in", 4}};
    for (const auto& [module, input, source] : wires) {
        const Module::FieldPtr field = patch.moduleAtIndex(module)->field(input);
        ASSERT_TRUE(field) << module << input;
        EXPECT_EQ(field->source(), patch.moduleAtIndex(source)->field("out")) << module << input;
    }
    EXPECT_EQ(patch.moduleAtIndex(2)->field("out")->numConnects(), 3);
    EXPECT_EQ(patch.moduleAtIndex(6)->field("out")->numConnects(), 0);

    // The head's name as written reaches the head past a module named like it
    // but for case.
    LoadedText head = loadText(crlf({"SINE ADC 220 0.5", kHead, "GAIN g adc-in1 1"}));
    EXPECT_EQ(alertLines(head.alerts), Lines{});
    EXPECT_EQ(head.patch->moduleAtIndex(2)->field("in")->source(), head.patch->head()->field("in1"));
}

TEST(SigFileLoad, ModulesBeforeTheHeadWireToItAndProblemsKeepTheRecordOrder)
{
    LoadedText loaded =
        loadText(crlf({"GAIN g0 adc-in1 1", "GAIN gx nosuch-out adc-null", kHead, "GAIN g3 adc-null g0-out",
                       "GAIN g4 later-out nosuch2-out", "SINE later 440 0.5"}));
    const SigFile& patch = *loaded.patch;
    EXPECT_EQ(alertLines(loaded.alerts),
              Lines{"Critical | ERROR | Line 2: Cannot find signal 'nosuch-out' for GAIN gx\n\n"
                    "Line 5: Cannot find signal 'nosuch2-out' for GAIN g4\n\n\n | OK"});
    const Module& head = *patch.head();
    EXPECT_EQ(head.field("in1")->numConnects(), 1);
    EXPECT_EQ(head.field("null")->numConnects(), 0) << "adc-null is no wire";
    // Unconnected inputs are written as the head's, not the first module's;
    // a control on "adc-null" is unconnected, and stays so.
    const std::string written = patch.dataRepresentation();
    EXPECT_EQ(written, crlf({"GAIN g0 adc-in1 1", "GAIN gx nosuch-out adc-null", kHead, "GAIN g3 adc-null g0-out",
                             "GAIN g4 later-out nosuch2-out", "SINE later 440 0.5", "TAIL tail"}));
    EXPECT_EQ(loadText(written).patch->unresolvedCount(), 2);
}

TEST(SigFileRoundTrip, RecordsThatUsedToLoseDataComeBackAsTheyWere)
{
    struct Case {
        const char* what;
        std::string input;
        std::string saved = {};
    };
    const Case cases[] = {
        {"a node in a group writes no line, and the group header does not count it",
         crlf({kHead, ";Ss=GROUP 2, VOICE, v ;=100,50", "SINE osc 220 0.5 ;=100,50,80,0",
               "A_TO_A n1 osc-out ;=200,50,80,0", "GAIN g n1-out 1", "TAIL \"The Author\""}),
         crlf({kHead, ";Ss=GROUP 1, VOICE, v ;=100,50,80,0", "SINE osc 220 0.5 ;=100,50,80,0", "GAIN g osc-out 1",
               "TAIL \"The Author\""})},
        {"a group ending in a node does not swallow the tail",
         crlf({kHead, ";Ss=GROUP 2, VOICE, v", "SINE osc 220 0.5", "A_TO_A n1 osc-out", "TAIL \"The Author\""}),
         crlf({kHead, ";Ss=GROUP 1, VOICE, v", "SINE osc 220 0.5", "TAIL \"The Author\""})},
        {"a group of nodes only keeps no member, and reads as such",
         crlf({kHead, ";Ss=GROUP 1, VOICE, v", "A_TO_A n1 adc-in1", "GAIN g n1-out 1"}),
         crlf({kHead, ";Ss=GROUP -1, VOICE, v", "GAIN g adc-in1 1", "TAIL tail"})},
        {"hide counts without a position read as a record of their own, and are counted",
         crlf({kHead, ";Ss=GROUP 3, VOICE, v", "SINE osc 220 0.5 ;= f= 2,1", "GAIN g osc-out 1", "GAIN h g-out 1"})},
        {"values starting with a byte of 0x80 or above, or holding a semicolon, are quoted",
         crlf({kHead,
               "TEXTBLOCK notes \"\xc9"
               "cho\" 24 5 \"a;b\" \";x\" \"''q''\" \"\xa0y\" \" 12\"",
               "SINE \"\xe9t\xe9\" 330 0.5", "GAIN g \"\xe9t\xe9-out\" 1", "TAIL \"\xc9mile; 2024\""})},
        {"group names are quoted so that the header reads back",
         crlf({kHead, ";Ss=GROUP 1, \"MY;TYPE\" \"a, b\" ;=10,20", "SINE s 330 0.5 ;=10,20,80,0"}),
         crlf({kHead, ";Ss=GROUP 1, \"MY;TYPE\" \"a, b\" ;=10,20,80,0", "SINE s 330 0.5 ;=10,20,80,0", "TAIL tail"})},
        {"an older head with fewer outputs than the new head is converted to one that reads back",
         crlf({"HEAD adc \"Old\" old 1 1 fl-out adc-nullobj ;=20,40,80,0",
               "FLANGER fl adc-left adc-pedal 0.5 0.4 0.5 ;=140,40,80,0", "TAIL \"A\""}),
         crlf({"HEADM adc Old old 2 1 1 fl-out adc-nullobj ;=20,40,80,0",
               "FLANGER fl adc-in1 adc-pedal1 0.5 0.4 0.5 ;=140,40,80,0", "TAIL A"})},
        {"an empty reference stays through a head conversion",
         crlf({"HEAD adc \"Old\" old 1 1 g-out adc-nullobj", "GAIN g \"\" 1"}),
         crlf({"HEADM adc Old old 2 1 1 g-out adc-nullobj", "GAIN g \"\" 1", "TAIL tail"})},
        {"an old head's module naming an output only the converted head has is connected at once",
         crlf({"HEAD adc \"Old\" old 1 1 fl-out adc-nullobj ;=20,40,80,0 f= 6,1",
               "FLANGER fl adc-in1 adc-pedal 0.5 0.4 0.5 ;=140,40,80,0", "TAIL \"A\""}),
         crlf({"HEADM adc Old old 2 1 1 fl-out adc-nullobj ;=20,40,80,0 f= 9,1",
               "FLANGER fl adc-in1 adc-pedal1 0.5 0.4 0.5 ;=140,40,80,0 f= 1,1", "TAIL A"})},
        {"an input fed through a node is saved with the hidden mark of the real source it names",
         crlf({kHead, "SINE osc 220 0.5 ;= f= 3,1", "A_TO_A n1 osc-out", "GAIN g n1-out 1"}),
         crlf({kHead, "SINE osc 220 0.5 ;= f= 3,1", "GAIN g osc-out 1 ;= f= 1,1", "TAIL tail"})},
        {"an unconnected input of a module named like the head but for case stays unconnected",
         crlf({"HEADM Adc P t 2 2 1 1 1 1", "HEADM adc Q t 2 2 1 1 adc-null Adc-nullobj"}),
         crlf({"HEADM Adc P t 2 2 1 Adc-null Adc-null Adc-nullobj", "HEADM adc Q t 2 2 1 Adc-null adc-null Adc-nullobj",
               "TAIL tail"})},
        {"an unresolved reference between apostrophes keeps them",
         crlf({kHead, "GAIN h \"\" \"''''\"", "SINE s \"''x''\" 0.5"})},
        {"each tail record in turn names the author of the tail kept, the last, so the first read stays",
         crlf({kHead, "TAIL \"first author\"", "GAIN g1 adc-in1 1", "TAIL \"Jo Smith\"", "GAIN g2 g1-out 1"}),
         crlf({kHead, "GAIN g1 adc-in1 1", "GAIN g2 g1-out 1", "TAIL \"first author\""})},
        {"a node passes on its source; what a node fed from nothing feeds is written as unconnected",
         crlf({kHead, "SINE osc 220 0.5", "A_TO_A n1 osc-out", "A_TO_A n2 n1-out", "A_TO_A n3 adc-null",
               "C_TO_C c1 0.25", "DELAY d n2-out 100 c1-out 0.3 0.5", "GAIN g n3-out c1-out"}),
         crlf({kHead, "SINE osc 220 0.5", "DELAY d osc-out 100 0.25 0.3 0.5", "GAIN g adc-null 0.25", "TAIL tail"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RoundTrip trip = roundTrip(c.input);
        // Saved as read when no other text is given, with a tail when it had none.
        const bool tail = c.input.find("TAIL ") != std::string::npos;
        EXPECT_EQ(trip.first, c.saved.empty() ? c.input + (tail ? "" : "TAIL tail\r\n") : c.saved);
    }
}

TEST(SigFileRoundTrip, ReferencesResolveToRealModulesNeverToGroups)
{
    RoundTrip trip = roundTrip(
        crlf({kHead, ";Ss=GROUP 1, LFO", "SINE s 330 0.5", "LFO lfo 1 1 0", "SINE t lfo-out 0.5",
              ";Ss=GROUP 2, OSC, osc", "SINE osc2 330 0.5", "SINE osc 220 0.5", "MIX2 mix osc-out osc2-out 0.5 0.5"}));
    EXPECT_EQ(trip.first, crlf({kHead, ";Ss=GROUP 1, LFO, lfo", "SINE s 330 0.5", "LFO lfo 1 1 0", "SINE t lfo-out 0.5",
                                ";Ss=GROUP 2, OSC, osc", "SINE osc2 330 0.5", "SINE osc 220 0.5",
                                "MIX2 mix osc-out osc2-out 0.5 0.5", "TAIL tail"}));
    const SigFile& patch = *trip.original.patch;
    EXPECT_EQ(trip.original.alerts.size(), 0u);
    const Module::Ptr t = patch.findModuleByName("t"), mix = patch.findModuleByName("mix");
    ASSERT_TRUE(t && mix);
    EXPECT_EQ(t->field("freq")->source(), patch.moduleAtIndex(2)->field("out"));
    auto osc = std::dynamic_pointer_cast<SModule>(patch.moduleAtIndex(4));
    ASSERT_TRUE(osc);
    EXPECT_EQ(mix->field("in1")->source(), osc->moduleList().moduleAtIndex(1)->field("out"));
    EXPECT_EQ(mix->field("in2")->source(), osc->moduleList().moduleAtIndex(0)->field("out"));
    // Asked without the reading index, the answer is the same.
    EXPECT_EQ(patch.getField("osc-out", nullptr, OperatorField::CONNECT_TAG), mix->field("in1")->source());
    EXPECT_EQ(patch.getField("lfo-out", osc.get(), OperatorField::CONNECT_TAG), t->field("freq")->source());
}

TEST(SigFileRoundTrip, UnresolvedReferencesAreReportedMarkedKeptAndGoToAUnitUnconnected)
{
    RoundTrip trip =
        roundTrip(crlf({kHead, "SINE src 440 0.5", "GAIN my-mod src-out 0.5", "GAIN g2 nosuch-out my-mod-out",
                        "GAIN g3 0.5 1", "MIX2 m xyz adc-in1 1 1", "GAIN \"bad one\" SRC-OUT nosuch2-out",
                        "SINE s nosuch-out 0.5", "GAIN g \"\" 1", "WAVEOSC w gone-obj 440 0.5"}));
    const std::string message = "Line 4: Cannot find signal 'nosuch-out' for GAIN g2\n\n"
                                "Line 6: Cannot find signal 'xyz' for MIX2 m\n\n"
                                "Line 7: Cannot find signal 'nosuch2-out' for GAIN \"bad one\"\n\n"
                                "Line 8: Cannot find signal 'nosuch-out' for SINE s\n\n"
                                "Line 9: Cannot find signal '' for GAIN g\n\n"
                                "Line 10: Cannot find signal 'gone-obj' for WAVEOSC w\n\n\n";
    EXPECT_EQ(alertLines(trip.original.alerts), Lines{"Critical | ERROR | " + message + " | OK"});
    EXPECT_EQ(std::pair(trip.original.patch->unresolvedCount(), trip.reloaded.patch->unresolvedCount()),
              std::pair(6, 6));
    // The bad references are written back as they were read; "my-mod-out" is
    // split at the last "-"; numbers are constants, never references (in a
    // signal input one is written as no signal); names ignore case.
    EXPECT_EQ(trip.first, crlf({kHead, "SINE src 440 0.5", "GAIN my-mod src-out 0.5", "GAIN g2 nosuch-out my-mod-out",
                                "GAIN g3 adc-null 1", "MIX2 m xyz adc-in1 1 1", "GAIN \"bad one\" src-out nosuch2-out",
                                "SINE s nosuch-out 0.5", "GAIN g \"\" 1", "WAVEOSC w gone-obj 440 0.5", "TAIL tail"}));
    SigFile& patch = *trip.reloaded.patch;
    const Module::Ptr g3 = trip.original.patch->findModuleByName("g3"), g2 = patch.findModuleByName("g2"),
                      g = patch.findModuleByName("g");
    ASSERT_TRUE(g3 && g2 && g);
    EXPECT_EQ(std::tuple(g3->field("in")->text(), g2->field("in")->isBad(), g2->field("gain")->isBad()),
              std::tuple("0.5", true, false));
    EXPECT_EQ(patch.uploadRepresentation(),
              crlf({kHead, "SINE src 440 0.5", "GAIN my-mod src-out 0.5", "GAIN g2 adc-null my-mod-out",
                    "GAIN g3 adc-null 1", "MIX2 m adc-null adc-in1 1 1", "GAIN \"bad one\" src-out 1", "SINE s 440 0.5",
                    "GAIN g adc-null 1", "WAVEOSC w adc-nullobj 440 0.5", "TAIL tail"}));

    // Connecting the input (or disconnecting it) replaces what the file named.
    ModuleField& in = *g->field("in");
    EXPECT_TRUE(in.isBad());
    patch.connect(in, patch.findModuleByName("src")->field("out"), false, true);
    patch.connect(in, nullptr, false, true);
    EXPECT_FALSE(in.isBad());
    std::string line;
    g->save(line, "adc", 0);
    EXPECT_EQ(line, "GAIN g adc-null 1\r\n");
}

TEST(SigFileRoundTrip, OperatorsOfAnUnknownClassStayInTheFileAndGroupsCountThemOnlyThere)
{
    auto db = oddDbase();
    RoundTrip trip =
        roundTrip(crlf({"HEADM adc 2 adc-null", "ODD top 5 ;=10,20", ";Ss=GROUP 3, G, g ;=10,20", "ODD odd 5 ;=10,20",
                        "FILTER f adc-left 0 3 ;= f= 2,2", "FILTER f2 f-out top-out 3"}),
                  db);
    // No tail operator in this database: no tail line.
    EXPECT_EQ(trip.first,
              crlf({"HEADM adc 2 adc-null", "ODD top 5 ;=10,20,80,0", ";Ss=GROUP 3, G, g ;=10,20,80,0",
                    "ODD odd 5 ;=10,20,80,0", "FILTER f adc-left 0 3 ;= f= 2,2", "FILTER f2 f-out top-out 3"}));
    LogCapture quiet;
    const std::string upload = trip.reloaded.patch->uploadRepresentation();
    EXPECT_EQ(upload, crlf({"HEADM adc 2 adc-null", ";Ss=GROUP 1, G, g", "FILTER f adc-left 0 3",
                            "FILTER f2 f-out top-out 3"}));
    LoadedText unit = loadText(upload, db);
    auto group = std::dynamic_pointer_cast<SModule>(unit.patch->moduleAtIndex(1));
    ASSERT_TRUE(group);
    EXPECT_EQ(moduleNames(group->moduleList()), Names{"FILTER f"});
    EXPECT_EQ(moduleNames(*unit.patch), (Names{"HEADM adc", " g", "FILTER f2"}));
}

TEST(SigFileSave, ValuesAreQuotedOnlyWhenTheReaderNeedsIt)
{
    LoadedText loaded = loadText(crlf({kHead, "TEXTBLOCK notes \"A, B\" 24 4 \"\" plain \"it's\" 'x%y'",
                                       "SINE \"osc 1\" 440 0.25", "GAIN g1 \"osc 1-out\" 0.500"}));
    ASSERT_TRUE(loaded.patch->findModuleByName("notes"));
    loaded.patch->findModuleByName("notes")->field("line4")->setText("say \"hi\" x");
    EXPECT_EQ(loaded.patch->dataRepresentation(),
              crlf({kHead, "TEXTBLOCK notes \"A, B\" 24 4 \"\" plain \"it's\" 'say \"hi\" x'",
                    "SINE \"osc 1\" 440 0.25", "GAIN g1 \"osc 1-out\" 0.5", "TAIL tail"}));
    // With another head name the unconnected inputs name that head.
    loaded.patch->head()->setInstanceName("in put");
    std::string line;
    loaded.patch->moduleAtIndex(0)->save(line, "", Module::SAVE_NO_INFO);
    EXPECT_EQ(line, "HEADM \"in put\" P t 2 2 1 head-null head-null head-nullobj\r\n");
}

// A database that describes its head or tail badly costs that module, not
// the program.
TEST(SigFileRegression, AHeadOrTailTheDatabaseCannotBuildCostsThatModuleNotTheProgram)
{
    const std::string gain = modelOperator("GAIN", "MATH",
                                           {SbfEntry{"TYPE:ED_SIGNAL", "NAME:in", "DESCRIPTION:in"},
                                            SbfEntry{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});
    // A new patch: no head can be made, so the patch has none, and says why.
    {
        LogCapture quiet;
        NoWindowServices noWindow;
        auto untitled =
            SigFile::fileWithData(std::nullopt, std::nullopt, dbaseFromText(brokenHead("HEADM") + gain), nullptr);
        EXPECT_EQ(std::tuple(untitled->dataRepresentation(), untitled->head()), std::tuple("", nullptr));
        EXPECT_EQ(untitled->loadError(),
                  "Module.buildModule - Module.buildModule: Unbalanced OPERATOREND Iteration for operator: HEADM");
    }

    // A patch with an older head that would be converted: the head stays as
    // it was read, with its wire, and the file saves back unchanged.
    auto converting = dbaseFromText(brokenHead("HEADM") +
                                    modelOperator("HEAD", "SYSTEM",
                                                  {SbfEntry{"TYPE:SIGNAL", "NAME:left", "CONNECT_TAG:left"},
                                                   SbfEntry{"TYPE:ED_SIGNAL", "NAME:outleft", "DESCRIPTION:out"}}) +
                                    gain);
    const std::string text = crlf({"HEAD adc g-out", "GAIN g adc-left"});
    LoadedText loaded = loadText(text, converting);
    ASSERT_NE(loaded.patch->head(), nullptr);
    EXPECT_EQ(loaded.patch->moduleAtIndex(1)->field("in")->source(), loaded.patch->head()->field("left"));
    EXPECT_EQ(loaded.patch->dataRepresentation(), text);

    // A tail the database cannot build: the patch gets an empty one.
    loaded = loadText(crlf({"HEADM adc"}), dbaseFromText(modelOperator("HEADM", "SYSTEM", {}) + brokenHead("TAIL")));
    ASSERT_NE(loaded.patch->tail(), nullptr);
    EXPECT_TRUE(loaded.patch->tail()->isComment());
    EXPECT_EQ(loaded.patch->dataRepresentation(), crlf({"HEADM adc"}));
}
