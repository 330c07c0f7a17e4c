// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing a patch with a unit's copy of it, and taking chosen values in.
#include "EditTestSupport.h"
#include "support/TestSupport.h"

#include "Toskfile/ParameterComparison.h"
#include "Toskfile/UndoGroup.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

std::vector<std::string> listed(const ParameterComparison& c)
{
    std::vector<std::string> out;
    for (const ParameterDifference& d : c.differences())
        out.push_back(d.operatorName + " " + d.moduleName + " " + d.fieldName + ": " + d.here + " | " + d.unit);
    return out;
}

const std::string turned = edited(editPatch(), {{"HEADM adc Demo", "HEADM adc Live"},
                                                {"SINE osc 440 0.5", "SINE osc 220 0.5"},
                                                {"GAIN g osc-out lfo-out", "GAIN g osc-out 0.3"},
                                                {"\"Knob:%5.2f\" 0 1 0.5 0.5", "\"Level:%5.2f\" 0 1 0.5 0.75"}});

} // namespace

TEST(ParameterComparison, ListsExactlyTheFieldsAnUpdateWouldChange)
{
    struct Case {
        const char* what;
        std::string unit;
        bool matches;
        std::vector<std::string> differences;
        // Which preset the unit runs, for the message when they do not match.
        std::string program = "Demo";
    };
    const std::vector<std::string> none,
        turnedFields{"HEADM adc obj_desription: Demo | Live", "SINE osc freq: 440 | 220",
                     "KNOB knob menu: Knob:%5.2f | Level:%5.2f", "KNOB knob value: 0.5 | 0.75"};
    const Case cases[] = {
        {"the same values, written otherwise", edited(editPatch(), {{"SINE osc 440 0.5", "SINE osc 440.0 0.50000"}}),
         true, none},
        {"turned on the unit; a wire here is no value", turned, true, turnedFields, "Live"},
        {"a module more",
         edited(editPatch(), {{"HEADM adc Demo", "HEADM adc Other"}, {"TAIL Ann", "SINE extra 1 1\r\nTAIL Ann"}}),
         false, none, "Other"},
        {"another operator in a module's place", edited(editPatch(), {{"LFO lfo 2 1 0", "SINE lfo 2 1"}}), false, none},
        {"no patch at all", "garbage", false, none, ""},
    };
    NoWindowServices noWindow;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = openDocument(editPatch());
        const ParameterComparison comparison = ParameterComparison::compare(*doc->sigFile(), c.unit);
        EXPECT_EQ(comparison.matches(), c.matches);
        EXPECT_EQ(listed(comparison), c.differences);
        EXPECT_EQ(comparison.unitProgramName(), c.program);
        if (!c.matches)
            continue;
        // Taking every difference gives what the update gives.
        std::vector<std::pair<Module::FieldPtr, std::string>> all;
        for (const ParameterDifference& d : comparison.differences())
            all.emplace_back(d.field, d.unit);
        {
            UndoGroup step(*doc);
            EXPECT_EQ(PatchEditor(*doc).takeParameters(all), int(c.differences.size()));
        }
        auto updated = openDocument(editPatch());
        {
            UndoGroup step(*updated);
            PatchEditor(*updated).updateParams(c.unit);
        }
        EXPECT_EQ(doc->sigData(), updated->sigData());
        EXPECT_TRUE(ParameterComparison::compare(*doc->sigFile(), c.unit).differences().empty());
    }
}

// Undo, redo and values already there are checked with every other edit's.
TEST(ParameterComparison, ChosenValuesAreTakenAndWhatTheEditRefusesChangesNothing)
{
    auto doc = openDocument(editPatch());
    NoWindowServices noWindow;
    const ParameterComparison comparison = ParameterComparison::compare(*doc->sigFile(), turned);
    ASSERT_EQ(comparison.differences().size(), 4u);
    // The user keeps the oscillator's frequency and the knob's value.
    {
        UndoGroup step(*doc);
        ASSERT_EQ(
            PatchEditor(*doc).takeParameters({{comparison.differences()[1].field, comparison.differences()[1].unit},
                                              {comparison.differences()[3].field, comparison.differences()[3].unit}}),
            2);
    }
    EXPECT_EQ(lineOf(*doc, "SINE osc"), "SINE osc 220 0.5 ;=140,40,80,0");
    EXPECT_EQ(lineOf(*doc, "KNOB knob"), "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.75 1 ;=20,220,80,0");
    EXPECT_EQ(lineOf(*doc, "HEADM"), "HEADM adc Demo t 2 2 1 mix-out m2-out knob-obj ;=20,40,80,0");
    const std::string saved = doc->sigData();

    // What the edit refuses changes nothing at all, not even the good values.
    auto other = openDocument(editPatch());
    const Module::FieldPtr good = fieldOf(*doc, "osc", "freq");
    struct Refused {
        const char* what;
        Module::FieldPtr field;
        std::string value;
    };
    const Refused refused[] = {
        {"a field of another patch", fieldOf(*other, "osc", "freq"), "1"},
        {"a wired input", fieldOf(*doc, "g", "gain"), "0.3"},
        {"an output", fieldOf(*doc, "osc", "out"), "1"},
        {"a text the file cannot read back", fieldOf(*doc, "knob", "menu"), "a \"b c"},
        {"no field", nullptr, "1"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.what);
        UndoGroup step(*doc);
        EXPECT_EQ(PatchEditor(*doc).takeParameters({{good, "330"}, {r.field, r.value}}), 0);
        EXPECT_EQ(doc->sigData(), saved);
    }
    // A field named twice takes its last value.
    {
        UndoGroup step(*doc);
        EXPECT_EQ(PatchEditor(*doc).takeParameters({{good, "330"}, {good, "110"}}), 1);
    }
    EXPECT_EQ(lineOf(*doc, "SINE osc"), "SINE osc 110 0.5 ;=140,40,80,0");
}
