// SPDX-License-Identifier: GPL-3.0-or-later
// The processing order: renumbering by what each module feeds, its undo,
// and taking parameter values from a unit's copy of the patch.
#include "SigFileTestSupport.h"

#include "Toskfile/OrderCheck.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 b-out b-out adc-nullobj";

std::vector<std::string> orderAfterReorder(const std::string& text, bool expected = true)
{
    LoadedText loaded = loadText(text);
    NoWindowServices noWindow;
    EXPECT_EQ(loaded.patch->reorder(), expected);
    EXPECT_EQ(loaded.patch->takeProblems().list().size(), expected ? 0u : 1u);
    return moduleNames(*loaded.patch);
}

} // namespace

TEST(ProcessingOrder, ModulesAreGroupedByWhatTheyFeedKeepingTheirOrderWithinAKind)
{
    EXPECT_EQ(orderAfterReorder(crlf({"HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj"})), Names{"HEADM adc"});
    // Within a kind the order stays, even against the flow of the signal.
    EXPECT_EQ(orderAfterReorder(crlf({kHead, "GAIN b a-out 1", "GAIN a adc-in1 1"})),
              (Names{"HEADM adc", "GAIN b", "GAIN a"}));
    // User objects go first, then controls, then signals; a module feeding
    // several kinds goes with the first of them.
    EXPECT_EQ(orderAfterReorder(
                  crlf({"HEADM adc P t 2 2 1 b-out b-out page-page", "GAIN b a-out lfo-out",
                        "WAVEOSC a tb-block knob-out 1", "LFO lfo knob-out 1 0", "KNOB knob \"K:%f\" 0 1 0.5 0.5 1",
                        "TEXTBLOCK tb T 24 1 hello", "MENUPAGE page Pg MENU 1 knob-obj"})),
              (Names{"HEADM adc", "KNOB knob", "TEXTBLOCK tb", "MENUPAGE page", "LFO lfo", "GAIN b", "WAVEOSC a"}));
}

TEST(ProcessingOrder, MarkersStayBeforeTheirModuleAndUnconnectedModulesAreAnError)
{
    EXPECT_EQ(orderAfterReorder(crlf({"HEADM adc P t 2 2 1 b-out a-out adc-nullobj", "GAIN b adc-in1 c-out",
                                      "MARKER mark", "LFO c lfo2-out 1 0", "LFO lfo2 1 1 0", "GAIN a adc-in1 c-out"})),
              (Names{"HEADM adc", "MARKER mark", "LFO c", "LFO lfo2", "GAIN b", "GAIN a"}));

    // Refused as a whole: nothing changes, nothing is recorded.
    SigDocument doc;
    doc.initWithData(crlf({kHead, "SINE x 1 1", "GAIN b adc-in1 1", "GAIN \"lone one\" adc-in1 1"}), std::nullopt,
                     std::nullopt, bundledDbase());
    const std::string before = doc.sigData();
    NoWindowServices noWindow;
    EXPECT_FALSE(PatchEditor(doc).reorderAll());
    EXPECT_EQ(doc.sigData(), before);
    EXPECT_FALSE(doc.undoManager().canUndo());
    EXPECT_FALSE(doc.isDocumentEdited());
    EXPECT_EQ(alertLines(doc.sigFile()->takeProblems().list()),
              Names{"Critical | Reorder Error | The following modules are not properly connected: SINE-x, GAIN-lone "
                    "one.\n\nPlease correct the problem and try again. | OK"});
}

// One patch takes the unit's copies in turn: values only, never wires; a
// copy of another shape is refused, one with another operator is taken up to
// that module.
TEST(ProcessingOrder, ParametersComeFromTheUnitsCopyOfThePatch)
{
    const std::string head = "t 2 2 1 g-out adc-null adc-nullobj";
    LoadedText loaded = loadText(
        crlf({"HEADM adc Mine " + head, "SINE osc 440 0.5", "GAIN g osc-out 1.5", "TEXTBLOCK tb T 24 1 hello"}));
    SigFile& patch = *loaded.patch;
    const std::string unit = crlf({"HEADM adc Unit " + head, "SINE osc 220 0.5", "GAIN g osc-out 0.7",
                                   "TEXTBLOCK tb T 24 1 \"hello there\"", "TAIL tail"});
    const struct {
        std::string copy;
        int taken;
        std::string saved;
        const char* alert;
    } cases[] = {
        {crlf({"HEADM adc Mine " + head, "SINE osc 440.0 0.5", "GAIN g osc-out 1.50000", "TEXTBLOCK tb T 24 1 hello"}),
         0, patch.dataRepresentation(), "Informational | Update Parameters | No changes were made. | OK"},
        {crlf({"HEADM adc Unit " + head, "SINE osc 220 0.5", "GAIN g adc-in1 0.7",
               "TEXTBLOCK tb T 24 1 \"hello there\""}),
         4, unit, "Informational | Update Parameters | 4 changes were made. | OK"},
        {crlf({"HEADM adc Other " + head, "SINE osc 1 0.5", "GAIN g osc-out 1.5", "TEXTBLOCK tb T 24 1 hello",
               "SINE extra 1 1"}),
         -1, unit, "Critical | Update Parameters | The remote 'Other' preset is not the same as Unit | OK"},
        {crlf({"HEADM adc Third " + head, "SINE osc 1 0.5", "LFO g 1.5 1 0", "TEXTBLOCK tb T 24 1 hello"}), -1,
         crlf({"HEADM adc Third " + head, "SINE osc 1 0.5", "GAIN g osc-out 0.7", "TEXTBLOCK tb T 24 1 \"hello there\"",
               "TAIL tail"}),
         "Critical | Update Parameters | The remote 'Third' preset is not the same as Third | OK"},
    };
    NoWindowServices noWindow;
    LogCapture quiet;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copy);
        EXPECT_EQ(patch.updateParams(c.copy), c.taken);
        EXPECT_EQ(patch.dataRepresentation(), c.saved);
        EXPECT_EQ(alertLines(patch.takeProblems().list()), Names{c.alert});
    }
}

// A wire runs against the order when its source's module runs after the
// module it feeds; the head, a module's own output and a source that runs
// first do not count.
TEST(ProcessingOrder, AWireAgainstTheOrderNamesTheModuleThatFeedsLater)
{
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        const char* feederOfB; // "" when none runs later
    } cases[] = {
        {"fed by a module after it", {kHead, "GAIN b a-out 1", "GAIN a adc-in1 1"}, "a"},
        {"fed by a module before it", {kHead, "GAIN a adc-in1 1", "GAIN b a-out 1"}, ""},
        {"fed by the head", {kHead, "GAIN b adc-in1 1", "GAIN a adc-in1 1"}, ""},
        {"fed by itself", {kHead, "GAIN b b-out 1", "GAIN a adc-in1 1"}, ""},
        {"a control from a later LFO", {kHead, "GAIN b adc-in1 lfo-out", "LFO lfo 1 1 0"}, "lfo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text;
        for (const std::string& line : c.lines)
            text += line + "\r\n";
        LoadedText loaded = loadText(text);
        const SigFile& patch = *loaded.patch;
        const Module::Ptr b = patch.findModuleByName("b");
        ASSERT_TRUE(b);
        const Module* later = nullptr;
        for (const auto& field : b->fieldArray())
            if (const Module* feeder = OrderCheck::laterFeeder(patch, *field))
                later = feeder;
        EXPECT_EQ(later ? later->instanceName() : std::string(), c.feederOfB);
        if (later) {
            EXPECT_TRUE(OrderCheck::runsBeforeFeeder(patch, *b, *later));
            EXPECT_FALSE(OrderCheck::runsBeforeFeeder(patch, *later, *b)) << "the other way round is in order";
        }
    }
}
