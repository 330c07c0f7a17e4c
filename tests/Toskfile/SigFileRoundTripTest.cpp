// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a patch, reading what was saved and saving again: the same bytes
// and the same patch, for the records that used to lose data on the way.
#include "SigFileTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";

struct RoundTrip {
    std::string first;  // the file text of the patch as read from the input
    std::string second; // the file text of the patch read from `first`
    LoadedText original;
    LoadedText reloaded;
};

RoundTrip roundTrip(const std::string& text, const std::shared_ptr<SigDbase>& db = bundledDbase())
{
    RoundTrip trip;
    trip.original = loadText(text, db);
    {
        LogCapture quiet;
        trip.first = trip.original.patch->dataRepresentation();
    }
    trip.reloaded = loadText(trip.first, db);
    LogCapture quiet;
    trip.second = trip.reloaded.patch->dataRepresentation();
    return trip;
}

} // namespace

TEST(SigFileRoundTrip, RecordsThatUsedToLoseDataComeBackAsTheyWere)
{
    struct Case {
        const char* what;
        std::string input;
        std::string saved;
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
         crlf({kHead, ";Ss=GROUP 3, VOICE, v", "SINE osc 220 0.5 ;= f= 2,1", "GAIN g osc-out 1", "GAIN h g-out 1"}),
         crlf({kHead, ";Ss=GROUP 3, VOICE, v", "SINE osc 220 0.5 ;= f= 2,1", "GAIN g osc-out 1", "GAIN h g-out 1",
               "TAIL tail"})},
        {"a group's name is no module to connect to: osc-out is the member osc",
         crlf({kHead, ";Ss=GROUP 2, OSC, osc", "SINE osc2 330 0.5", "SINE osc 220 0.5",
               "MIX2 mix osc-out osc2-out 0.5 0.5"}),
         crlf({kHead, ";Ss=GROUP 2, OSC, osc", "SINE osc2 330 0.5", "SINE osc 220 0.5",
               "MIX2 mix osc-out osc2-out 0.5 0.5", "TAIL tail"})},
        {"a group named lfo does not hide the module lfo after it",
         crlf({kHead, ";Ss=GROUP 1, LFO", "SINE s 330 0.5", "LFO lfo 1 1 0", "SINE t lfo-out 0.5"}),
         crlf({kHead, ";Ss=GROUP 1, LFO, lfo", "SINE s 330 0.5", "LFO lfo 1 1 0", "SINE t lfo-out 0.5", "TAIL tail"})},
        {"values starting with a byte of 0x80 or above, or holding a semicolon, are quoted",
         crlf({kHead,
               "TEXTBLOCK notes \"\xc9"
               "cho\" 24 5 \"a;b\" \";x\" \"''q''\" \"\xa0y\" \" 12\"",
               "SINE \"\xe9t\xe9\" 330 0.5", "GAIN g \"\xe9t\xe9-out\" 1", "TAIL \"\xc9mile; 2024\""}),
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
        {"an unresolved reference between apostrophes keeps them",
         crlf({kHead, "GAIN h \"\" \"''''\"", "SINE s \"''x''\" 0.5"}),
         crlf({kHead, "GAIN h \"\" \"''''\"", "SINE s \"''x''\" 0.5", "TAIL tail"})},
        {"unresolved references, the empty one included, stay in the file as written",
         crlf({kHead, "SINE s nosuch-out 0.5", "GAIN g \"\" 1", "WAVEOSC w gone-obj 440 0.5"}),
         crlf({kHead, "SINE s nosuch-out 0.5", "GAIN g \"\" 1", "WAVEOSC w gone-obj 440 0.5", "TAIL tail"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RoundTrip trip = roundTrip(c.input);
        EXPECT_EQ(trip.first, c.saved);
        EXPECT_EQ(trip.second, trip.first);
        EXPECT_EQ(patchShape(*trip.reloaded.patch), patchShape(*trip.original.patch));
        EXPECT_EQ(alertLines(trip.reloaded.alerts), alertLines(trip.original.alerts));
    }
}

TEST(SigFileRoundTrip, ReferencesResolveToRealModulesNeverToGroups)
{
    RoundTrip trip = roundTrip(
        crlf({kHead, ";Ss=GROUP 1, LFO", "SINE s 330 0.5", "LFO lfo 1 1 0", "SINE t lfo-out 0.5",
              ";Ss=GROUP 2, OSC, osc", "SINE osc2 330 0.5", "SINE osc 220 0.5", "MIX2 mix osc-out osc2-out 0.5 0.5"}));
    const SigFile& patch = *trip.original.patch;
    EXPECT_EQ(trip.original.alerts.size(), 0u);
    Module* t = patch.findModuleByName("t").get();
    Module* mix = patch.findModuleByName("mix").get();
    ASSERT_TRUE(t);
    ASSERT_TRUE(mix);
    ASSERT_EQ(patch.moduleAtIndex(2)->name(), "LFO");
    EXPECT_EQ(t->field("freq")->source(), patch.moduleAtIndex(2)->field("out"));
    auto osc = std::dynamic_pointer_cast<SModule>(patch.moduleAtIndex(4));
    ASSERT_TRUE(osc);
    EXPECT_EQ(mix->field("in1")->source(), osc->moduleList().moduleAtIndex(1)->field("out"));
    EXPECT_EQ(mix->field("in2")->source(), osc->moduleList().moduleAtIndex(0)->field("out"));
    // Asked without the reading index, the answer is the same.
    EXPECT_EQ(patch.getField("osc-out", nullptr, OperatorField::CONNECT_TAG), mix->field("in1")->source());
    EXPECT_EQ(patch.getField("lfo-out", osc.get(), OperatorField::CONNECT_TAG), t->field("freq")->source());
}

TEST(SigFileRoundTrip, UnresolvedReferencesAreReportedAndGoToAUnitUnconnected)
{
    RoundTrip trip = roundTrip(
        crlf({kHead, "SINE s nosuch-out 0.5", "GAIN g \"\" 1", "WAVEOSC w gone-obj 440 0.5", "GAIN h s-out 1"}));
    for (const LoadedText* loaded : {&trip.original, &trip.reloaded}) {
        ASSERT_EQ(loaded->alerts.size(), 1u);
        EXPECT_EQ(loaded->alerts[0].message, "Line 2: Cannot find signal 'nosuch-out' for SINE s\n\n"
                                             "Line 3: Cannot find signal '' for GAIN g\n\n"
                                             "Line 4: Cannot find signal 'gone-obj' for WAVEOSC w\n\n\n");
        EXPECT_EQ(loaded->patch->unresolvedCount(), 3);
    }
    const SigFile& patch = *trip.reloaded.patch;
    EXPECT_TRUE(patch.findModuleByName("g")->field("in")->isBad());
    EXPECT_EQ(patch.uploadRepresentation(), crlf({kHead, "SINE s 440 0.5", "GAIN g adc-null 1",
                                                  "WAVEOSC w adc-nullobj 440 0.5", "GAIN h s-out 1", "TAIL tail"}));

    // Connecting the input (or disconnecting it) replaces what the file named.
    Module& g = *patch.findModuleByName("g");
    ModuleField& in = *g.field("in");
    trip.reloaded.patch->connect(in, patch.findModuleByName("s")->field("out"), false, true);
    trip.reloaded.patch->connect(in, nullptr, false, true);
    EXPECT_FALSE(in.isBad());
    std::string line;
    g.save(line, "adc", 0);
    EXPECT_EQ(line, "GAIN g adc-null 1\r\n");
}

TEST(SigFileRoundTrip, GroupHeadersCountWhatIsWrittenForAUnitToo)
{
    auto db = dbaseFromText(testDbaseText() + modelOperator("ODD", "WEIRD",
                                                            {SbfEntry{"TYPE:ED_INT", "NAME:n", "DEFAULT:1"},
                                                             SbfEntry{"TYPE:CONTROL", "NAME:out", "CONNECT_TAG:out"}}));
    const std::string text = crlf({"HEADM adc 2 adc-null", ";Ss=GROUP 3, G, g ;=10,20", "ODD odd 5 ;=10,20",
                                   "FILTER f adc-left 0 3 ;= f= 2,2", "FILTER f2 f-out 0 3"});
    RoundTrip trip = roundTrip(text, db);
    EXPECT_EQ(trip.first, crlf({"HEADM adc 2 adc-null", ";Ss=GROUP 3, G, g ;=10,20,80,0", "ODD odd 5 ;=10,20,80,0",
                                "FILTER f adc-left 0 3 ;= f= 2,2", "FILTER f2 f-out 0 3"}));
    EXPECT_EQ(trip.second, trip.first);
    std::string upload;
    {
        LogCapture quiet;
        upload = trip.reloaded.patch->uploadRepresentation();
    }
    EXPECT_EQ(upload,
              crlf({"HEADM adc 2 adc-null", ";Ss=GROUP 1, G, g", "FILTER f adc-left 0 3", "FILTER f2 f-out 0 3"}));
    LoadedText unit = loadText(upload, db);
    auto group = std::dynamic_pointer_cast<SModule>(unit.patch->moduleAtIndex(1));
    ASSERT_TRUE(group);
    EXPECT_EQ(moduleNames(group->moduleList()), Names{"FILTER f"});
    EXPECT_EQ(moduleNames(*unit.patch), (Names{"HEADM adc", " g", "FILTER f2"}));
}
