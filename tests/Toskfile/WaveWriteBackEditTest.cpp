// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a point table back through the edit layer: one "Change Value"
// step whatever it adds, removes and sets, undone to the same bytes.
#include "EditTestSupport.h"

#include "Toskfile/UndoGroup.h"
#include "Toskfile/WaveObject.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace tosk;
using namespace tosk::test;

namespace {

std::string wavePatch()
{
    return crlf({"HEADM adc Waves t 2 2 1 mt-out adc-null adc-nullobj ;=20,40,80,0",
                 "C_CURVE cc adc-in1 4 0 0.3 0.7 1 ;=140,40,80,0", "MULTIKNOB mk cc-out 3 0.2 0.5 0.8 ;=140,140,80,0",
                 "MULTITAP mt adc-in1 3 120 mk-out 250 0.4 480 cc-out 0.5 ;=260,40,80,0",
                 "WAVEFORM wf 32 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ;=260,140,80,0",
                 "M_CURVE m 0 6 0.1 0.2 0.3 0.4 0.5 0.6 ;=380,140,80,0", "TAIL Ann"});
}

using Plan = std::function<WaveWriteBack(WaveObject&)>;

// The table's own plan after `added` points (below 0: removed) and `edit`.
Plan edited(int added, std::function<void(WaveObject&)> edit)
{
    return [=](WaveObject& w) {
        for (int k = 0; k < std::abs(added); ++k)
            EXPECT_TRUE(added > 0 ? w.increasePoints() : w.decreasePoints());
        edit(w);
        return w.writeBack();
    };
}

Plan given(WaveWriteBack plan)
{
    return [=](WaveObject&) { return plan; };
}

struct Case {
    const char* module;
    Plan plan;
    const char* line;       // the module's saved line after the write; null when refused
    const char* error = ""; // the start of the refusal ("" when refused without a message)
};

} // namespace

// Written, one "Change Value" step that undoes to the same bytes; refused,
// the module as it was and nothing to undo.
TEST(WaveWriteBack, OneChangeValueStepOrNoneAtAll)
{
    const std::vector<Case> cases{
        // Two points added and every value set.
        {"cc", edited(2, [](WaveObject& w) { w.setPointsToSawToothWave(); }),
         "C_CURVE cc adc-in1 6 0 0.2 0.4 0.6 0.8 1 ;=140,40,80,0"},
        // Points added and one of them set: the other starts at 0.
        {"m", edited(2, [](WaveObject& w) { w.setValue(0.8, 7); }),
         "M_CURVE m 0 8 0.1 0.2 0.3 0.4 0.5 0.6 0 0.8 ;=380,140,80,0"},
        // Points removed and the rest inverted.
        {"m", edited(-2, [](WaveObject& w) { w.invertPoints(); }), "M_CURVE m 0 4 -0.1 -0.2 -0.3 -0.4 ;=380,140,80,0"},
        // A tap added and set; a tap whose level is wired removed.
        {"mt", edited(1, [](WaveObject& w) { w.setValue(600, 3); }),
         "MULTITAP mt adc-in1 4 120 mk-out 250 0.4 480 cc-out 600 0.5 0.5 ;=260,40,80,0"},
        {"mt", edited(-1, [](WaveObject& w) { w.setValue(300, 1); }),
         "MULTITAP mt adc-in1 2 120 mk-out 300 0.4 0.5 ;=260,40,80,0"},
        // A knob removed, down to the minimum.
        {"mk", edited(-1, [](WaveObject& w) { EXPECT_FALSE(w.decreasePoints()); }),
         "MULTIKNOB mk cc-out 2 0.2 0.5 ;=140,140,80,0"},
        // Values only, one beyond the limits.
        {"wf", edited(0, [](WaveObject& w) { w.setValue(0.5, 0), w.setValue(3, 31); }),
         "WAVEFORM wf 32 0.5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 ;=260,140,80,0"},
        // Refused: added repetitions, then a value the field refuses; a value
        // for an output; past the count's maximum; below its minimum; a
        // removal list that does not match the change; no such point; values
        // as the module has them.
        {"cc", given({2, "point4", {}, {{"point5", "0.5"}, {"point6", "abc"}}, {}, {}}), nullptr,
         "point 6 must be a decimal"},
        {"cc", given({0, "", {}, {{"out", "1"}}, {}, {}}), nullptr, "out cannot take a point of the table."},
        {"mk", given({14, "val3", {}, {}, {}, {}}), nullptr},
        {"cc", given({-3, "point4", {"point4", "point3", "point2"}, {}, {}, {}}), nullptr},
        {"cc", given({-1, "point4", {}, {}, {}, {}}), nullptr},
        {"cc", given({0, "", {}, {{"point9", "0.5"}}, {}, {}}), nullptr, "point9 cannot take a point of the table."},
        {"cc", given({0, "", {}, {{"point2", "0.3"}}, {}, {}}), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases.data());
        auto doc = openDocument(wavePatch());
        UndoManager& undo = doc->undoManager();
        const std::string before = doc->sigData();
        Module& module = moduleNamed(*doc, c.module);
        auto table = WaveObject::tableForModule(module.shared_from_this());
        ASSERT_TRUE(table);
        const WaveWriteBack plan = c.plan(*table);
        EXPECT_TRUE(plan.conflicts.empty());

        std::vector<PatchChange> heard;
        doc->addChangeListener(&heard, [&](const PatchChange& change) { heard.push_back(change); });
        int sender = 0;
        std::string error;
        bool done;
        {
            UndoGroup event(*doc);
            done = PatchEditor(*doc).applyWaveWriteBack(module, plan, &error, &sender);
        }
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error);
        EXPECT_EQ(error.empty(), *c.error == 0);
        if (!c.line) {
            EXPECT_FALSE(done);
            EXPECT_EQ(doc->sigData(), before);
            EXPECT_TRUE(heard.empty());
            EXPECT_EQ(undo.undoCount(), 0u);
            EXPECT_FALSE(doc->isDocumentEdited());
            doc->removeChangeListeners(&heard);
            continue;
        }
        ASSERT_TRUE(done);
        const std::string line = c.line;
        EXPECT_EQ(lineOf(*doc, line.substr(0, line.find(' ', line.find(' ') + 1))), line);
        ASSERT_EQ(heard.size(), 1u) << "one announcement";
        EXPECT_EQ(heard[0].kind, PatchChange::Kind::FieldText);
        EXPECT_EQ(heard[0].sender, &sender);
        EXPECT_EQ(undo.undoCount(), 1u);
        EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Change Value");
        EXPECT_EQ(miscountedOutput(*doc->sigFile()), "");

        // The table read again matches the module, so nothing is left to write.
        table->resetPoints();
        EXPECT_TRUE(table->writeBack().empty());

        // Undone to the same bytes (which also means the same counts), redone
        // to the written ones; the undo carries the sender too.
        const std::string edited = doc->sigData();
        undo.undo();
        EXPECT_EQ(doc->sigData(), before);
        EXPECT_FALSE(doc->isDocumentEdited());
        undo.redo();
        EXPECT_EQ(doc->sigData(), edited);
        ASSERT_EQ(heard.size(), 3u);
        EXPECT_EQ(heard[1].sender, &sender);
        EXPECT_EQ(heard[1].direction, PatchChange::Direction::Undone);
        doc->removeChangeListeners(&heard);
    }
}

TEST(WaveWriteBack, AModuleThatLeftThePatchIsWrittenNowhere)
{
    auto doc = openDocument(wavePatch());
    Module::Ptr cc = moduleNamed(*doc, "cc").shared_from_this();
    {
        UndoGroup event(*doc);
        ASSERT_TRUE(PatchEditor(*doc).deleteModules({cc.get()}));
    }
    const std::string before = doc->sigData();
    EXPECT_FALSE(PatchEditor(*doc).applyWaveWriteBack(*cc, {0, "", {}, {{"point1", "0.5"}}, {}, {}}));
    EXPECT_EQ(doc->sigData(), before);
    EXPECT_EQ(doc->undoManager().undoCount(), 1u);
}
