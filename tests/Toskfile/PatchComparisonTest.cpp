// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing two patches, and taking the other's differences in.
#include "EditTestSupport.h"
#include "support/TestSupport.h"

#include "Toskfile/PatchComparison.h"
#include "Toskfile/UndoGroup.h"

#include <gtest/gtest.h>

#include <regex>

using namespace tosk;
using namespace tosk::test;

namespace {

using Comparison = PatchComparison;

// Every difference, one a line, in the comparison's order, then the wires
// added (>) and removed (<).
std::vector<std::string> listed(const Comparison& c)
{
    using Kind = Comparison::ModuleDifference::Kind;
    std::vector<std::string> out;
    for (const auto& [name, text] : {std::pair{"title", &c.title()}, std::pair{"author", &c.author()}})
        if (*text)
            out.push_back("~ (" + std::string(name) + "): " + (*text)->before + " -> " + (*text)->after);
    for (const auto& m : c.modules()) {
        if (m.kind == Kind::Added || m.kind == Kind::Removed) {
            out.push_back((m.kind == Kind::Added ? "+ " : "- ") + m.path + " " + m.operatorName);
            continue;
        }
        if (m.moved)
            out.push_back("~ " + m.path + " (position): " + m.positionBefore.value_or("(none)") + " -> " +
                          m.positionAfter.value_or("(none)"));
        for (const auto& f : m.fields)
            out.push_back("~ " + m.path + " " + f.name +
                          (f.aspect == Comparison::FieldDifference::Aspect::HideCount ? " (hidden)" : "") + ": " +
                          f.before.value_or("(none)") + " -> " + f.after.value_or("(none)"));
    }
    for (const auto& o : c.order())
        out.push_back("~ " + o.path + " (order): " + o.before + " -> " + o.after);
    for (const auto& [sign, wires] : {std::pair{"> ", &c.wiresAdded()}, std::pair{"< ", &c.wiresRemoved()}})
        for (const auto& w : *wires)
            out.push_back(sign + w.from + " -> " + w.to + (w.inField ? " (field)" : ""));
    return out;
}

struct Pair {
    const char* what;
    std::string theirs;
    std::vector<std::string> differences = {};
    std::string mine = editPatch();
    // Whether taking everything makes this patch the other (groups cannot
    // gain members).
    bool takesAll = true;
};

// groups.sig with a module more in its second voice.
std::string withThirdMember(const std::string& g)
{
    return edited(g, {{"2, VOICE, v2", "3, VOICE, v2"},
                      {"LOWPASS lp2 osc2-out 1200 0.7 ;=260,160,80,0",
                       "LOWPASS lp2 osc2-out 1200 0.7 ;=260,160,80,0\r\nSINE osc3 55 0.5 ;=140,200,80,0"}});
}

std::vector<Pair> pairs()
{
    const std::string p = editPatch(), g = readFile(dataPath("examples/groups.sig"));
    const std::string threeInputs =
        edited(p, {{"MIXN mix 2 g-out 1 adc-null 0.5 1", "MIXN mix 3 g-out 1 adc-null 0.5 osc-out 0.25 1"}});
    return {
        {"moved module",
         edited(p, {{"SINE osc 440 0.5 ;=140,40,80,0", "SINE osc 440 0.5 ;=200,60,96,0"}}),
         {"~ osc (position): 140,40 -> 200,60"}},
        {"changed value", edited(p, {{"SINE osc 440", "SINE osc 220"}}), {"~ osc freq: 440 -> 220"}},
        {"changed sign", edited(p, {{"SINE osc 440", "SINE osc -440"}}), {"~ osc freq: 440 -> -440"}},
        {"changed source",
         edited(p, {{"GAIN g osc-out lfo-out", "GAIN g osc-out knob-out"}}),
         {"~ g gain: lfo-out -> knob-out", "> knob-out -> g-gain (field)", "< lfo-out -> g-gain (field)"}},
        {"a wire becomes a value",
         edited(p, {{"GAIN g osc-out lfo-out", "GAIN g osc-out 0.3"}}),
         {"~ g gain: lfo-out -> 0.3", "< lfo-out -> g-gain (field)"}},
        {"added repetition",
         threeInputs,
         {"~ mix count: 2 -> 3", "~ mix in3: (none) -> osc-out", "~ mix gain3: (none) -> 0.25",
          "> osc-out -> mix-in3 (field)"}},
        {"removed repetition",
         p,
         {"~ mix count: 3 -> 2", "~ mix in3: osc-out -> (none)", "~ mix gain3: 0.25 -> (none)",
          "< osc-out -> mix-in3 (field)"},
         threeInputs},
        // As many fields, in other repetitions: they pair by name.
        {"a head input more, an output fewer",
         edited(p, {{"adc Demo t 2 2 1 mix-out m2-out", "adc Demo t 3 1 1 mix-out"}}),
         {"~ adc ninputs: 2 -> 3", "~ adc noutputs: 2 -> 1", "~ adc out2in: m2-out -> (none)",
          "< m2-out -> adc-out2in (field)"}},
        // One input fewer puts a pedal where the second input was.
        {"a source at the place another output had",
         edited(p,
                {{"adc Demo t 2 2 1", "adc Demo t 1 2 1"}, {"MIX2 m2 adc-in1 adc-in2", "MIX2 m2 adc-in1 adc-pedal1"}}),
         {"~ adc ninputs: 2 -> 1", "~ m2 in2: adc-in2 -> adc-pedal1", "> adc-pedal1 -> m2-in2 (field)",
          "< adc-in2 -> m2-in2 (field)"}},
        {"two modules in other places of the order",
         edited(p, {{"KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0\r\n", ""},
                    {"HEADM adc Demo t 2 2 1 mix-out m2-out knob-obj ;=20,40,80,0\r\n",
                     "HEADM adc Demo t 2 2 1 mix-out m2-out knob-obj ;=20,40,80,0\r\n"
                     "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0\r\n"},
                    {"MIXN mix 2 g-out 1 adc-null 0.5 1 ;=380,40,80,0\r\nMIX2 m2 adc-in1 adc-in2 1 1 ;=260,140,80,0",
                     "MIX2 m2 adc-in1 adc-in2 1 1 ;=260,140,80,0\r\nMIXN mix 2 g-out 1 adc-null 0.5 1 ;=380,40,80,0"}}),
         {"~ mix (order): g -> m2", "~ knob (order): m2 -> adc"}},
        {"title and author",
         edited(p, {{"HEADM adc Demo", "HEADM adc \"Live Set\""}, {"TAIL Ann", "TAIL Bob"}}),
         {"~ (title): Demo -> Live Set", "~ (author): Ann -> Bob"}},
        {"added and removed modules",
         edited(p, {{"KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0\r\n", ""},
                    {"m2-out knob-obj", "m2-out adc-nullobj"},
                    {"TAIL Ann", "SINE extra 1 1 ;=500,300,80,0\r\nGAIN g2 extra-out 1 ;=620,300,80,0\r\nTAIL Ann"}}),
         {"~ adc obj1in: knob-obj -> adc-nullobj", "- knob KNOB", "+ extra SINE", "+ g2 GAIN", "> extra-out -> g2-in",
          "< knob-obj -> adc-obj1in (field)"}},
        {"another operator under a name is another module",
         edited(p, {{"LFO lfo 2 1 0", "SINE lfo 2 1"}}),
         {"- lfo LFO", "~ g gain: lfo-out -> lfo-out", "+ lfo SINE", "> lfo-out -> g-gain (field)",
          "< lfo-out -> g-gain (field)"}},
        {"renamed and moved modules pair by operator and place",
         edited(p, {{"SINE osc 440 0.5 ;=140,40,80,0", "SINE tone 440 0.5 ;=140,40,80,0"},
                    {"LFO lfo 2 1 0 ;=140,140,80,0", "LFO wobble 2 1 0 ;=150,150,80,0"},
                    {"GAIN g osc-out lfo-out", "GAIN g tone-out wobble-out"}}),
         {"~ osc opstart_name: osc -> tone", "~ lfo (position): 140,140 -> 150,150",
          "~ lfo opstart_name: lfo -> wobble"}},
        // The one at the same place first; the next in order skips it.
        {"renamed modules of one operator pair by place, then in order",
         edited(p, {{"SINE osc 440 0.5 ;=140,40,80,0", "SINE tone 440 0.5 ;=500,300,80,0"},
                    {"GAIN g osc-out", "GAIN g tone-out"},
                    {"TAIL Ann", "SINE hum 440 0.5 ;=600,300,80,0\r\nTAIL Ann"}}),
         {"~ osc (position): 140,40 -> 600,300", "~ osc opstart_name: osc -> hum", "~ g in: osc-out -> tone-out",
          "~ extra opstart_name: extra -> tone", "~ osc (order): adc -> knob", "~ extra (order): knob -> adc",
          "> tone-out -> g-in (field)", "< osc-out -> g-in (field)"},
         edited(p, {{"TAIL Ann", "SINE extra 440 0.5 ;=500,300,80,0\r\nTAIL Ann"}})},
        {"hidden pin",
         edited(p, {{"SINE osc 440 0.5 ;=140,40,80,0", "SINE osc 440 0.5 ;=140,40,80,0 f= 1,1"}}),
         {"~ osc freq (hidden): 0 -> 1"}},
        {"group member's value",
         edited(g, {{"SINE osc2 165", "SINE osc2 170"}}),
         {"~ both/v2/osc2 freq: 165 -> 170"},
         g},
        {"group member fed from the other group",
         edited(g, {{"LOWPASS lp2 osc2-out", "LOWPASS lp2 osc1-out"}}),
         {"~ both/v2/lp2 in: both/v2/osc2-out -> both/v1/osc1-out", "> both/v1/osc1-out -> both/v2/lp2-in (field)",
          "< both/v2/osc2-out -> both/v2/lp2-in (field)"},
         g},
        {"renamed group: its members still pair",
         edited(g, {{"VOICE, v1", "VOICE, vx"}}),
         {"~ both/v1 opstart_name: v1 -> vx"},
         g},
        {"group member added", withThirdMember(g), {"+ both/v2/osc3 SINE"}, g, false},
        // A patch against an empty file: everything was added, the head too.
        {"from nothing",
         p,
         {"~ (title):  -> Demo", "~ (author): tail -> Ann", "+ adc HEADM", "+ osc SINE", "+ lfo LFO", "+ g GAIN",
          "+ mix MIXN", "+ m2 MIX2", "+ knob KNOB", "> mix-out -> adc-out1in", "> m2-out -> adc-out2in",
          "> knob-obj -> adc-obj1in", "> osc-out -> g-in", "> lfo-out -> g-gain", "> g-out -> mix-in1",
          "> adc-in1 -> m2-in1", "> adc-in2 -> m2-in2"},
         "",
         false},
        // What reads back the same is the same: quoting, number spellings, blanks.
        {"written otherwise",
         edited(p, {{"HEADM adc Demo", "HEADM \"adc\" \"Demo\""},
                    {"GAIN g osc-out lfo-out", "GAIN 'g' \"osc-out\" 'lfo-out'"},
                    {"SINE osc 440 0.5 ;=140,40,80,0", "SINE  osc   +4.4e2   .50  ;=140,40,80,0  "},
                    {"LFO lfo 2 1 0", "LFO lfo 2.0 1.000 00"},
                    {"0 1 0.5 0.5 1", "0.0 1 +0.5 0.50 1"}})},
        {"line feeds", std::regex_replace(p, std::regex("\r\n"), "\n")},
        {"carriage returns", std::regex_replace(p, std::regex("\r\n"), "\r")},
    };
}

} // namespace

// Each pair listed, and where taking everything is allowed, taken as one
// undo step that makes this patch the other.
TEST(PatchComparison, ListsWhatDiffersAndTakingEverythingMakesThePatchTheOther)
{
    for (const Pair& c : pairs()) {
        SCOPED_TRACE(c.what);
        auto mine = openDocument(c.mine);
        auto theirs = openDocument(c.theirs);
        ASSERT_TRUE(theirs->sigFile()->readProblems().empty() && theirs->sigFile()->unresolvedCount() == 0);
        const std::string saved = mine->sigData(), other = theirs->sigData();
        const Comparison comparison = Comparison::compare(*mine->sigFile(), *theirs->sigFile());
        EXPECT_EQ(listed(comparison), c.differences);
        EXPECT_EQ(comparison.same(), c.differences.empty());
        // Each module difference holds the modules it is about.
        for (const auto& m : comparison.modules()) {
            EXPECT_TRUE(!m.mine || comparison.theirsFor(m.mine.get()) == m.theirs.get());
            EXPECT_TRUE(!m.theirs || comparison.mineFor(m.theirs.get()) == m.mine.get());
        }
        if (!c.takesAll || c.differences.empty())
            continue;
        std::string refusal = "?";
        {
            UndoGroup step(*mine);
            ASSERT_TRUE(PatchEditor(*mine).takeFromOther(comparison, comparison.allChoices(), &refusal));
        }
        EXPECT_EQ(refusal, "");
        const std::string taken = mine->sigData();
        EXPECT_EQ(taken, other);
        EXPECT_EQ(miscountedOutput(*mine->sigFile()), "");
        UndoManager& undo = mine->undoManager();
        EXPECT_EQ(undo.undoCount(), 1u);
        EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Take from Other");
        undo.undo();
        EXPECT_EQ(mine->sigData(), saved);
        EXPECT_EQ(miscountedOutput(*mine->sigFile()), "");
        EXPECT_FALSE(mine->isDocumentEdited());
        undo.redo();
        EXPECT_EQ(mine->sigData(), taken);
    }
}

TEST(PatchComparison, TakingOneDifferenceTakesTheModuleItNeedsOrIsRefused)
{
    using Part = Comparison::Choice::Part;
    const std::string p = editPatch(), g = readFile(dataPath("examples/groups.sig"));
    // What a difference needs comes along: the gain's new source, the
    // source of a new module's input.
    auto mine = openDocument(p);
    const std::string needs =
        edited(p, {{"GAIN g osc-out lfo-out", "GAIN g osc-out extra-out"},
                   {"SINE osc 440", "SINE osc 220"},
                   {"TAIL Ann", "LFO extra 3 1 0 ;=500,300,80,0\r\nSINE tone 110 0.5 ;=500,400,80,0\r\n"
                                "GAIN g2 tone-out 1 ;=620,400,80,0\r\nTAIL Ann"}});
    auto theirs = openDocument(needs);
    const Comparison comparison = Comparison::compare(*mine->sigFile(), *theirs->sigFile());
    // Taken: the lines it makes and the differences it leaves; refused: why,
    // with nothing changed.
    struct Take {
        const char* what;
        std::string mine, theirs;
        Comparison::Choice choice;
        std::string refusal;
        std::vector<std::string> lines = {}, left = {};
    };
    const Take takes[] = {
        {"a source the patch has not",
         p,
         needs,
         {Part::Field, 1, 0},
         "",
         {"GAIN g osc-out extra-out ;=260,40,80,0", "LFO extra 3 1 0 ;=500,300,80,0"},
         {"~ osc freq: 440 -> 220", "+ tone SINE", "+ g2 GAIN", "> tone-out -> g2-in"}},
        {"a new module fed by another",
         p,
         needs,
         {Part::Module, 4, 0},
         "",
         {"SINE tone 110 0.5 ;=500,400,80,0", "GAIN g2 tone-out 1 ;=620,400,80,0"},
         {"~ osc freq: 440 -> 220", "~ g gain: lfo-out -> extra-out", "+ extra LFO", "> extra-out -> g-gain (field)",
          "< lfo-out -> g-gain (field)"}},
        {"a group's new member",
         g,
         withThirdMember(g),
         {Part::Module, 0, 0},
         "both/v2/osc3 is a member of a group: a group cannot gain, lose or reorder members."},
        {"fewer repetitions than the operator allows",
         p,
         edited(p, {{"MIXN mix 2 g-out 1 adc-null 0.5 1", "MIXN mix 1 g-out 1 1"}}),
         {Part::Module, 0, 0},
         "mix cannot take the other patch's repetitions."},
        {"a name the patch has, without regard to case",
         p,
         edited(p, {{"SINE osc 440 0.5 ;=140,40,80,0", "SINE LFO 440 0.5 ;=140,40,80,0"},
                    {"GAIN g osc-out", "GAIN g LFO-out"}}),
         {Part::Field, 0, 0},
         "LFO is the name of another module of this patch."},
    };
    for (const Take& t : takes) {
        SCOPED_TRACE(t.what);
        auto doc = openDocument(t.mine);
        auto other = openDocument(t.theirs);
        const std::string saved = doc->sigData();
        const Comparison c = Comparison::compare(*doc->sigFile(), *other->sigFile());
        std::string refusal = "?";
        {
            UndoGroup step(*doc);
            EXPECT_EQ(PatchEditor(*doc).takeFromOther(c, {t.choice}, &refusal), t.refusal.empty());
        }
        EXPECT_EQ(refusal, t.refusal);
        for (const std::string& line : t.lines)
            EXPECT_EQ(lineOf(*doc, line.substr(0, line.find(' ', 5))), line);
        EXPECT_EQ(listed(Comparison::compare(*doc->sigFile(), *other->sigFile())),
                  t.refusal.empty() ? t.left : listed(c));
        EXPECT_EQ(doc->undoManager().undoCount(), t.refusal.empty() ? 1u : 0u);
        doc->undoManager().undo();
        EXPECT_EQ(doc->sigData(), saved);
    }
    // A comparison of another patch, or a choice it does not hold, takes
    // nothing.
    auto other = openDocument(p);
    {
        UndoGroup step(*other);
        EXPECT_FALSE(PatchEditor(*other).takeFromOther(comparison, comparison.allChoices()));
        EXPECT_FALSE(PatchEditor(*mine).takeFromOther(comparison, {{Part::Field, 0, 7}}));
        EXPECT_FALSE(PatchEditor(*mine).takeFromOther(comparison, {{Part::Order, 0, 0}}));
    }
    EXPECT_EQ(other->undoManager().undoCount(), 0u);
}
