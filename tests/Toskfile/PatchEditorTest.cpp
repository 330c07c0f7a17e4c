// SPDX-License-Identifier: GPL-3.0-or-later
// Every operation of the edit layer: done, undone, redone, undone again,
// with the saved text compared byte for byte; and every refusal.
#include "EditTestSupport.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleDrag.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/PatchComment.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/UndoGroup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tosk;
using namespace tosk::test;

namespace {

const GestureKeys withOption{false, true};
const double kNan = std::nan("");

// Every module of the patch, each followed by the source objects of its fields.
std::vector<const void*> wiring(const SigFile& patch)
{
    std::vector<const void*> out;
    for (const auto& module : patch.listOfModules()) {
        out.push_back(module.get());
        for (const auto& f : module->fieldArray())
            out.push_back(f->source().get());
    }
    return out;
}

// The comment lines that end a saved text.
std::string commentsOf(const std::string& text)
{
    const size_t at = text.find("\r\n;Comment=");
    return at == std::string::npos ? "" : text.substr(at + 2);
}

// Every case's patch ends with these.
const std::string kComments = ";Comment=40,300 Voice one\r\n;Comment=200,320 Mixer\\nand gain\r\n";

// Seated for drawing but never placed by the user: no position in the file.
const std::string kUnplaced =
    crlf({"HEADM adc Demo t 2 2 1 osc-out osc-out adc-nullobj", "SINE osc 440 0.5", "TAIL Ann"});

// A module before the head.
const std::string kHeadless =
    crlf({"GAIN a adc-in1 1", "HEADM adc P t 2 2 1 a-out adc-null adc-nullobj", "SINE s 440 0.5", "TAIL x"});

// A member of a group that wires out of it.
const std::string kGrouped =
    crlf({"HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0", ";Ss=GROUP 2, VOICE, v ;=140,40,80,0",
          "SINE osc 440 0.5 ;=140,40,80,0", "LOWPASS lp osc-out 800 0.7 ;=260,40,80,0",
          "GAIN g adc-in1 1 ;=380,40,80,0", "TAIL x"});

// The knob's value lies outside the frequency's limits; only a wire the
// user makes gives it the input's default.
const std::string kKnobOnFreq =
    crlf({"HEADM adc P t 2 2 1 osc-out adc-null adc-nullobj ;=20,40,80,0",
          "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0", "SINE osc knob-out 0.5 ;=140,40,80,0", "TAIL x"});

PatchComment::Ptr elsewhere()
{
    return std::make_shared<PatchComment>(PatchComment{{1, 1}, "elsewhere"});
}

// The editor of a case's document, with its modules, fields and comments
// by name or place.
struct Editor : PatchEditor {
    using PatchEditor::PatchEditor;
    Module* module(const char* name) { return &moduleNamed(document(), name); }
    template <typename... Names> Modules modules(Names... names) { return {module(names)...}; }
    Module::FieldPtr field(const char* module, const char* name) { return fieldOf(document(), module, name); }
    PatchComment::Ptr note(size_t index) { return patch().comments().at(index); }
    // The comments at those places, or all.
    template <typename... Index> Comments notes(Index... at)
    {
        return sizeof...(at) ? Comments{note(at)...} : patch().comments();
    }
    // That comment and one of another patch, after it or before it.
    Comments andElsewhere(size_t at) { return {note(at), elsewhere()}; }
    Comments elsewhereAnd(size_t at) { return {elsewhere(), note(at)}; }
    // How many modules pasting those lines anywhere adds.
    template <typename... Lines> size_t pasted(Lines... lines) { return paste(crlf({lines...}), nullptr).size(); }
};

struct EditCase {
    const char* name;
    std::function<bool(Editor&)> edit;
    const char* undoTitle = nullptr; // none: the edit is refused
    // Whole lines the saved text has after the edit (exactly), or "" to
    // check only that the text changed; lines the edit removes are checked
    // by `gone`.
    const char* lines = "";
    const char* gone = "";
    std::string comments = kComments; // the comment lines after the edit
    std::string patch = editPatch();  // and kComments
};

const std::vector<EditCase>& editCases()
{
    static const std::vector<EditCase> cases{
        {"move two boxes", [](Editor& e) { return e.moveModules(e.modules("osc", "lfo"), Point(30, 10)); }, "Undo Move",
         "LFO lfo 2 1 0 ;=170,150,80,0"},
        {"move a box drawn but never placed: from the origin it was drawn at, and undo writes no position",
         [](Editor& e) {
             CanvasLayout().layOut(e.patch(), e.patch().head().get());
             return e.moveModules(e.modules("osc"), Point(30, 10));
         },
         "Undo Move", "SINE osc 440 0.5 ;=30,10,80,0", "", kComments, kUnplaced},
        {"connect a free input",
         [](Editor& e) { return e.connectGesture(e.field("lfo", "out"), e.field("osc", "amp"), {}); },
         "Undo Connect Field", "SINE osc 440 lfo-out ;=140,40,80,0"},
        {"connect over another source, with an interface's defaults",
         [](Editor& e) { return e.connectGesture(e.field("g", "gain"), e.field("knob", "out"), {}); },
         "Undo Connect Field", "KNOB knob \"gain:%5.2f\" -10 10 1 0.5 1 ;=20,220,80,0"},
        {"connect with Option adds a repetition",
         [](Editor& e) { return e.connectGesture(e.field("osc", "out"), e.field("mix", "in1"), withOption); },
         "Undo Connect Field", "MIXN mix 3 g-out 1 osc-out 1 adc-null 0.5 1 ;=380,40,80,0"},
        {"connect a control with Option on a group's control: the new repetition's control is wired",
         [](Editor& e) { return e.connectGesture(e.field("lfo", "out"), e.field("mix", "gain1"), withOption); },
         "Undo Connect Field", "MIXN mix 3 g-out 1 adc-null lfo-out adc-null 0.5 1 ;=380,40,80,0"},
        {"connect an interface module whose value the input's limits leave out",
         [](Editor& e) { return e.connectGesture(e.field("knob", "out"), e.field("osc", "freq"), {}); },
         "Undo Connect Field", "KNOB knob \"freq:%5.2f\" 20 20000 440 440 1 ;=20,220,80,0"},
        {"disconnect an input", [](Editor& e) { return e.disconnectInput(e.field("g", "gain")); },
         "Undo Delete Connection", "GAIN g osc-out 1 ;=260,40,80,0"},
        {"disconnect an output", [](Editor& e) { return e.disconnectOutput(e.field("adc", "in1")); },
         "Undo Delete Connection", "MIX2 m2 adc-null adc-in2 1 1 ;=260,140,80,0"},
        {"insert a module", [](Editor& e) { return e.insertModule("GAIN", e.module("osc")) != nullptr; },
         "Undo Add Module", "GAIN gain adc-null 1 ;=180,80,80,0"},
        {"insert a module where it was dropped",
         [](Editor& e) { return e.insertModuleAt("GAIN", e.module("osc"), Point(300, 320)) != nullptr; },
         "Undo Add Module", "GAIN gain adc-null 1 ;=300,320,80,0"},
        {"insert a module on a wire: it runs after the source and feeds the input",
         [](Editor& e) { return e.insertModuleOnWire("GAIN", e.field("g", "in"), Point(200, 100)) != nullptr; },
         "Undo Insert Module",
         "SINE osc 440 0.5 ;=140,40,80,0\r\nGAIN gain osc-out 1 ;=200,100,80,0\r\nLFO lfo 2 1 0 ;=140,140,80,0\r\n"
         "GAIN g gain-out lfo-out ;=260,40,80,0"},
        {"insert a module in free room",
         [](Editor& e) {
             return e.insertModuleInRoom("GAIN", e.module("osc"), Rect(100, 20, 400, 400), 10) != nullptr;
         },
         "Undo Add Module", "GAIN gain adc-null 1 ;=372,151,80,0"},
        {"delete a module with wires in and out", [](Editor& e) { return e.deleteModules({e.module("g")}); },
         "Undo Delete Selected Modules", "MIXN mix 2 adc-null 1 adc-null 0.5 1 ;=380,40,80,0", "GAIN g"},
        {"cut the head with another module: the head stays",
         [](Editor& e) { return e.deleteModules(e.modules("adc", "g"), "Cut"); }, "Undo Cut",
         "HEADM adc Demo t 2 2 1 mix-out m2-out knob-obj ;=20,40,80,0", "GAIN g"},
        {"paste a module",
         [](Editor& e) {
             return !e.paste(crlf({"GAIN g osc-out 2 ;=260,40,80,0", ";Comment=5,5 not pasted"}), e.module("lfo"),
                             Point(10, 10))
                         .empty();
         },
         "Undo Paste", "GAIN g1 adc-null 2 ;=162,151,80,0"},
        {"paste modules whose inputs come from outside the copy: they get their defaults",
         [](Editor& e) { return e.pasted("GAIN osc nowhere-out nowhere-mod", "SINE Mix 440 0.5") == 2; }, "Undo Paste",
         "GAIN osc1 adc-null 1 ;=60,80,80,0\r\nSINE Mix1 440 0.5 ;=100,120,80,0"},
        {"paste a copy with its head: wires to the head go to this patch's head",
         [](Editor& e) {
             return e.pasted("HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj", "GAIN z adc-in2 2") == 1;
         },
         "Undo Paste", "GAIN z adc-in2 2 ;=60,80,80,0"},
        {"paste an interface module: its values stay",
         [](Editor& e) { return e.pasted("KNOB k \"Knob:%5.2f\" 0 1 0.5 0.5 1", "SINE s k-out 0.5") == 2; },
         "Undo Paste", "KNOB k \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=60,80,80,0\r\nSINE s k-out 0.5 ;=100,120,80,0", "",
         kComments, kKnobOnFreq},
        {"paste a head and a module into a patch of nothing but its head: its name, author and wires come along",
         [](Editor& e) {
             return e.pasted("HEADM adc Hall t 2 2 1 g-out adc-null adc-nullobj ;=30,30,80,0", "GAIN g adc-in1 2",
                             "TAIL Bob") == 1;
         },
         "Undo Paste", "HEADM adc Hall t 2 2 1 g-out adc-null adc-nullobj\r\nGAIN g adc-in1 2 ;=77,85,80,0\r\nTAIL Bob",
         "", kComments, crlf({"HEADM adc Empty Empty 2 2 1 adc-null adc-null adc-nullobj", "TAIL tail"})},
        {"paste a group: its members take names no module has, case ignored",
         [](Editor& e) { return e.pasted(";Ss=GROUP 2, VOICE, w", "SINE OSC 1 1", "GAIN G OSC-out 1") == 1; },
         "Undo Paste", ";Ss=GROUP 2, VOICE, w ;=60,80,80,0\r\nSINE OSC1 1 1\r\nGAIN G1 OSC1-out 1", "", kComments,
         kGrouped},
        {"duplicate two modules", [](Editor& e) { return e.duplicate(e.modules("g", "osc")).size() == 2; },
         "Undo Duplicate", "GAIN g1 osc1-out lfo-out ;=270,50,80,0"},
        {"reorder one module", [](Editor& e) { return e.reorderModule(*e.module("knob"), *e.module("adc")); },
         "Undo Reorder Module", ""},
        {"reorder the first module: undo puts it back at the front",
         [](Editor& e) { return e.reorderModule(*e.module("a"), *e.module("s")); }, "Undo Reorder Module",
         "HEADM adc P t 2 2 1 a-out adc-null adc-nullobj\r\nSINE s 440 0.5\r\nGAIN a adc-in1 1", "", kComments,
         kHeadless},
        {"reorder all", [](Editor& e) { return e.reorderAll(); }, "Undo Reorder SigFile", ""},
        {"reposition", [](Editor& e) { return e.reposition(); }, "Undo Reposition", ""},
        {"align left edges",
         [](Editor& e) { return e.alignModules(e.modules("g", "knob"), ModuleArrangement::Edge::Left); },
         "Undo Align Left Edges", "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=260,220,80,0"},
        {"align bottom edges",
         [](Editor& e) { return e.alignModules(e.modules("lfo", "osc"), ModuleArrangement::Edge::Bottom); },
         "Undo Align Bottom Edges", ""},
        {"grid selected", [](Editor& e) { return e.gridModules(e.modules("osc", "knob"), 25); },
         "Undo Grid Selected Graphics", "SINE osc 440 0.5 ;=150,50,80,0"},
        {"add a repetition", [](Editor& e) { return e.addRepetition(e.field("mix", "gain1")) != nullptr; },
         "Undo Add Repeating Field", "MIXN mix 3 g-out 1 adc-null 1 adc-null 0.5 1 ;=380,40,80,0"},
        {"remove a repetition that feeds a module", [](Editor& e) { return e.removeRepetition(e.field("adc", "in1")); },
         "Undo Delete Repeating Field", "MIX2 m2 adc-null adc-in1 1 1 ;=260,140,80,0"},
        {"set a value", [](Editor& e) { return e.setFieldText(e.field("lfo", "rate"), "2.50"); }, "Undo Change Value",
         "LFO lfo 2.5 1 0 ;=140,140,80,0"},
        {"set a constant into a connected input",
         [](Editor& e) { return e.setFieldText(e.field("g", "gain"), "0.25"); }, "Undo Change Value",
         "GAIN g osc-out 0.25 ;=260,40,80,0"},
        {"name a source in an input", [](Editor& e) { return e.setFieldText(e.field("g", "gain"), "KNOB-out"); },
         "Undo Change Value", "GAIN g osc-out knob-out ;=260,40,80,0"},
        {"pick the head's zero output for a control input",
         [](Editor& e) { return e.setFieldText(e.field("g", "gain"), "adc-zero"); }, "Undo Change Value",
         "GAIN g osc-out adc-zero ;=260,40,80,0"},
        {"name a group member by its path", [](Editor& e) { return e.setFieldText(e.field("g", "in"), "V/lp-out"); },
         "Undo Change Value", "GAIN g lp-out 1 ;=380,40,80,0", "", kComments, kGrouped},
        {"rename a module", [](Editor& e) { return e.setFieldText(e.field("osc", "opstart_name"), "tone"); },
         "Undo Change Value", "GAIN g tone-out lfo-out ;=260,40,80,0"},
        {"set title and author", [](Editor& e) { return e.setTitleAndAuthor("Night Hall", "Bob Jones"); },
         "Undo Set Title and Author", "TAIL \"Bob Jones\""},
        {"update parameters",
         [](Editor& e) {
             std::string theirs = editPatch();
             theirs.replace(theirs.find("SINE osc 440 0.5"), 16, "SINE osc 220 0.5");
             return e.updateParams(theirs) == 1 &&
                    alertLines(e.patch().takeProblems().list()) ==
                        Names{"Informational | Update Parameters | 1 changes were made. | OK"};
         },
         "Undo Update Parameters", "SINE osc 220 0.5 ;=140,40,80,0"},
        {"take chosen parameters",
         [](Editor& e) {
             return e.takeParameters({{e.field("knob", "value"), "0.75"}, {e.field("lfo", "rate"), "3"}}) == 2;
         },
         "Undo Update Parameters", "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.75 1 ;=20,220,80,0"},
        {"add a comment", [](Editor& e) { return e.addComment(Point(70, 80.5), "New\nnote") != nullptr; },
         "Undo Add Comment", "", "", kComments + ";Comment=70,80.5 New\\nnote\r\n"},
        {"add a comment at the edge: it stays on the canvas",
         [](Editor& e) { return e.addComment(Point(-5, 0), "x") != nullptr; }, "Undo Add Comment", "", "",
         kComments + ";Comment=1,1 x\r\n"},
        {"edit a comment", [](Editor& e) { return e.setCommentText(e.note(1), "Mixer"); }, "Undo Edit Comment", "", "",
         ";Comment=40,300 Voice one\r\n;Comment=200,320 Mixer\r\n"},
        {"move two comments", [](Editor& e) { return e.moveComments(e.notes(), Point(15, -20)); }, "Undo Move", "", "",
         ";Comment=55,280 Voice one\r\n;Comment=215,300 Mixer\\nand gain\r\n"},
        {"a move up and left stops where the first comment meets the edge",
         [](Editor& e) { return e.moveComments(e.notes(), Point(-100, -500)); }, "Undo Move", "", "",
         ";Comment=1,1 Voice one\r\n;Comment=161,21 Mixer\\nand gain\r\n"},
        {"delete a comment", [](Editor& e) { return e.deleteComments(e.notes(0)); }, "Undo Delete Comment", "", "",
         ";Comment=200,320 Mixer\\nand gain\r\n"},
        {"cut both comments", [](Editor& e) { return e.deleteComments(e.notes(1, 0), "Cut"); }, "Undo Cut", "", "", ""},
        {"paste two comments moved",
         [](Editor& e) {
             auto read = CommentLine::readAll(crlf({"SINE osc 1 1", ";Comment=5,5 a", ";Comment=9,9 b"}));
             return e.pasteComments(read, Point(10, 10)).size() == 2;
         },
         "Undo Paste", "", "", kComments + ";Comment=15,15 a\r\n;Comment=19,19 b\r\n"},

        // Refused: the bytes stay, nothing is recorded or announced.
        {"a KNOB has no input a signal can feed",
         [](Editor& e) { return e.insertModuleOnWire("KNOB", e.field("g", "gain"), Point()) != nullptr; }},
        {"an input without a source has no wire",
         [](Editor& e) { return e.insertModuleOnWire("GAIN", e.field("osc", "amp"), Point()) != nullptr; }},
        {"no such operator on a wire",
         [](Editor& e) { return e.insertModuleOnWire("NOSUCHOP", e.field("g", "gain"), Point()) != nullptr; }},
        {"no such operator", [](Editor& e) { return e.insertModule("NOSUCHOP", nullptr) != nullptr; }},
        {"one head per patch", [](Editor& e) { return e.insertModule("HEADM", nullptr) != nullptr; }},
        {"the head keeps its place", [](Editor& e) { return e.reorderModule(*e.module("adc"), *e.module("a")); },
         nullptr, "", "", kComments, kHeadless},
        {"a path to no group", [](Editor& e) { return e.setFieldText(e.field("g", "in"), "w/lp-out"); }, nullptr, "",
         "", kComments, kGrouped},
        {"deleting the head alone", [](Editor& e) { return e.deleteModules({e.module("adc")}); }},
        {"a grid below a point", [](Editor& e) { return e.gridModules(e.modules("osc", "lfo"), 0.5); }},
        {"a grid of no size", [](Editor& e) { return e.gridModules(e.modules("osc", "lfo"), kNan); }},
        {"a grid for one module", [](Editor& e) { return e.gridModules(e.modules("osc"), 25); }},
        {"taking values the fields have",
         [](Editor& e) {
             return e.takeParameters({{e.field("knob", "value"), "0.5"}}) != 0;
         }},
        {"a unit's copy of another patch",
         [](Editor& e) {
             std::string other = editPatch();
             other.replace(other.find("SINE osc 440"), 12, "SINE osc 220");
             other.replace(other.find("MIX2 m2 adc-in1 adc-in2 1 1"), 27, "GAIN m2 adc-in1 1");
             return e.updateParams(other) != -1 ||
                    alertLines(e.patch().takeProblems().list()) !=
                        Names{"Critical | Update Parameters | The remote 'Demo' preset is not the same as Demo | OK"};
         }},
        {"pasting prose", [](Editor& e) { return e.pasted("Dear Ann, the hall sounds great.") != 0; }},
        {"pasting an unknown operator among known ones",
         [](Editor& e) { return e.pasted("GAIN x osc-out 1", "FROBNICATE y 1 2") != 0; }},
        {"pasting comments only", [](Editor& e) { return e.pasted("; nothing here") != 0; }},
        {"pasting a group the reader rejects",
         [](Editor& e) { return e.pasted(";Ss=GROUP 0, VOICE, v", "GAIN x osc-out 1") != 0; }},
        {"pasting a head alone into a patch that has modules",
         [](Editor& e) { return e.pasted("HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj") != 0; }},
        {"a comment's own text", [](Editor& e) { return e.setCommentText(e.note(0), "Voice one"); }},
        {"the text of a comment elsewhere", [](Editor& e) { return e.setCommentText(elsewhere(), "x"); }},
        {"the text of no comment", [](Editor& e) { return e.setCommentText(nullptr, "x"); }},
        {"a comment moved by nothing", [](Editor& e) { return e.moveComments(e.notes(0), Point(0, 0)); }},
        {"a comment moved by no number", [](Editor& e) { return e.moveComments(e.notes(0), Point(kNan, 1)); }},
        {"moving a comment elsewhere", [](Editor& e) { return e.moveComments(e.andElsewhere(0), Point(5, 5)); }},
        {"deleting a comment elsewhere", [](Editor& e) { return e.deleteComments(e.elsewhereAnd(0)); }},
        {"deleting no comments", [](Editor& e) { return e.deleteComments({}); }},
        {"a comment at no number", [](Editor& e) { return e.addComment(Point(1, kNan), "x") != nullptr; }},
        {"pasting no comments", [](Editor& e) { return !e.pasteComments({}, Point()).empty(); }},
    };
    return cases;
}

} // namespace

// A module edit keeps the comments, a comment edit the modules. Every
// output's connection count stays the number of inputs it feeds.
TEST(PatchEditor, EveryOperationUndoesToTheSameBytesAndRedoesToTheSameBytes)
{
    using Dir = PatchChange::Direction;
    NoWindowServices noWindow;
    LogCapture quiet;
    for (const EditCase& c : editCases()) {
        SCOPED_TRACE(c.name);
        const std::string patch = c.patch + kComments;
        auto doc = openDocument(patch);
        UndoManager& undo = doc->undoManager();
        auto state = [&] {
            return doc->sigData() + (doc->isDocumentEdited() ? "edited" : "") + miscountedOutput(*doc->sigFile());
        };
        const auto wired = wiring(*doc->sigFile());
        ASSERT_EQ(state(), patch);

        // Each announcement's direction, and whether it is about the comments alone.
        std::vector<std::pair<Dir, std::string>> heard;
        doc->addChangeListener(&heard, [&](const PatchChange& ch) {
            const bool modules = !ch.added.empty() || !ch.removed.empty() || !ch.modules.empty();
            heard.emplace_back(ch.direction, !ch.touches(PatchChange::Comments) ? "modules"
                                             : modules                          ? "comments and modules"
                                                                                : "comments");
        });
        bool done;
        {
            UndoGroup event(*doc);
            Editor editor(*doc);
            done = c.edit(editor);
        }
        // Edits and refusals say nothing, but where a case takes what is said.
        EXPECT_EQ(alertLines(doc->sigFile()->problems().list()), Names{});
        if (!c.undoTitle) {
            EXPECT_EQ(std::tuple(done, state(), undo.canUndo(), heard.size()), std::tuple(false, patch, false, 0u));
            continue;
        }
        ASSERT_TRUE(done);
        const std::string text = doc->sigData(), edited = state();
        EXPECT_EQ(edited, text + "edited");
        EXPECT_NE(text, patch);
        EXPECT_NE(("\r\n" + text).find("\r\n" + std::string(c.lines) + (*c.lines ? "\r\n" : "")), std::string::npos)
            << text;
        EXPECT_EQ(openDocument(text)->sigData(), text) << "reads back as saved";
        EXPECT_EQ(*c.gone ? lineOf(*doc, c.gone) : "", "");
        EXPECT_EQ(commentsOf(text), c.comments);
        const bool onComments = c.comments != kComments;
        EXPECT_EQ(onComments ? text.substr(0, text.find(";Comment=")) : c.patch, c.patch);
        EXPECT_EQ(undo.undoCount(), 1u);
        EXPECT_EQ(undo.undoMenuItemTitle(), c.undoTitle);

        undo.undo();
        EXPECT_EQ(state(), patch);
        EXPECT_EQ(wiring(*doc->sigFile()), wired) << "the very same modules and sources";
        undo.redo();
        EXPECT_EQ(state(), edited);
        undo.undo();
        EXPECT_EQ(state(), patch);
        const std::string about = onComments ? "comments" : "modules";
        EXPECT_EQ(heard, (std::vector<std::pair<Dir, std::string>>{
                             {Dir::Done, about}, {Dir::Undone, about}, {Dir::Redone, about}, {Dir::Undone, about}}))
            << "one announcement per operation";
    }
}

// A state put back leaves no input wired to a module outside the patch, even
// one wired behind the edit layer's back: nothing would keep that module.
TEST(PatchEditor, AStatePutBackCutsWiresFromModulesThatLeaveThePatch)
{
    NoWindowServices noWindow;
    LogCapture quiet;
    auto doc = openDocument(editPatch());
    SigFile& patch = *doc->sigFile();
    PatchState before(patch);
    before.addOrder();
    std::weak_ptr<Module> gone;
    {
        Module::Ptr extra = Module::moduleNamed("SINE", std::string("extra"), bundledDbase());
        patch.addModule(extra);
        gone = extra;
        fieldOf(*doc, "g", "in")->source(extra->field("out"), std::nullopt, false);
        ASSERT_EQ(extra->field("out")->numConnects(), 1);
    }
    before.restore();
    EXPECT_TRUE(gone.expired());
    EXPECT_FALSE(fieldOf(*doc, "g", "in")->source());
    EXPECT_EQ(fieldOf(*doc, "mix", "in1")->source(), fieldOf(*doc, "g", "out")) << "wires inside stay";
}

TEST(PatchEditor, NewBoxesGoWhereTheyAreToldOrInFreeRoomWithTheirPinMarginsOnTheCanvas)
{
    auto doc = openDocument(editPatch());
    PatchEditor editor(*doc);
    Module::Ptr first = editor.insertModuleAt("GAIN", nullptr, Point(-50, 30));
    ASSERT_TRUE(first);
    EXPECT_NEAR(ModuleGeometry::graphicRect(first->rect()).x(), ModuleArrangement::kMinOrigin, 1e-9);
    EXPECT_EQ(first->rect().y(), 30);

    // Added in a row into the same room, no two boxes meet.
    std::vector<Module::Ptr> made;
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(made.emplace_back(editor.insertModuleInRoom("GAIN", nullptr, Rect(0, 0, 600, 500), 10)));
    CanvasLayout layout;
    layout.layOut(*doc->sigFile(), doc->sigFile()->head().get());
    for (const auto& a : doc->sigFile()->listOfModules())
        for (const auto& b : made)
            EXPECT_FALSE(a != b && layout.isDrawn(*a) && layout.graphicRect(*a).intersects(layout.graphicRect(*b)))
                << a->instanceName() << " " << b->instanceName();

    // Free room is found row by row clear of every box; the origins found are
    // those of the box without its pin margins.
    const struct {
        const char* name;
        std::vector<Rect> taken;
        double x, y;
        Rect area = Rect(0, 0, 500, 500);
    } cases[] = {
        {"nothing taken: the area's top left", {}, 1, 1},
        {"right of a box, half a step clear", {Rect(0, 0, 200, 100)}, 211, 1},
        {"an area away from the origin", {Rect(290, 190, 120, 60)}, 420, 200, Rect(300, 200, 400, 300)},
        {"the next row when a row is full", {Rect(0, 0, 400, 30)}, 1, 41},
        {"no room: below every box", {Rect(0, 0, 500, 500)}, 1, 505},
        {"an area smaller than the box", {}, 1, 1, Rect(0, 0, 50, 50)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModuleArrangement::freeOrigin(c.taken, c.area, Size{80, 40}, 10),
                  Point(c.x + Module::kMarginX, c.y + Module::kMarginY))
            << c.name;
}

// A drag put back by Escape, or ending where it started, leaves a module
// without a position and the document unchanged.
TEST(PatchEditor, AnUnplacedModuleDraggedBackStaysUnplaced)
{
    auto doc = openDocument(kUnplaced);
    CanvasLayout().layOut(*doc->sigFile(), doc->sigFile()->head().get());
    Module& osc = moduleNamed(*doc, "osc");
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "escape" : "back where it started");
        {
            UndoGroup event(*doc);
            ModuleDrag drag(*doc, {&osc}, Point{40, 30});
            drag.dragTo(Point{90, 70});
            ASSERT_EQ(osc.rect().origin, (Point{50, 40}));
            if (escape) {
                drag.cancel();
            } else {
                drag.dragTo(Point{40, 30});
                EXPECT_FALSE(drag.finish());
            }
        }
        EXPECT_EQ(std::tuple(osc.isPlaced(), doc->sigData(), doc->isDocumentEdited(), doc->undoManager().canUndo()),
                  std::tuple(false, kUnplaced, false, false));
    }
}

TEST(PatchEditor, UndoPutsBoxesBackAtTheHeightOfTheShowModeOfNow)
{
    auto doc = openDocument(editPatch());
    SigFile& patch = *doc->sigFile();
    CanvasLayout view;
    view.layOut(patch, patch.head().get());
    Module& mix = moduleNamed(*doc, "mix");
    ASSERT_EQ(view.box(mix), Rect(380, 40, 80, 96)) << "two signal and three control inputs";
    {
        UndoGroup event(*doc);
        ASSERT_TRUE(PatchEditor(*doc).moveModules({&mix}, Point(30, 10)));
    }
    // Signal pins hidden after the move: four rows.
    view.setShowMode(SigFile::kDefaultShowMode & ~Module::SHOW_SIGNAL);
    view.layOut(patch, patch.head().get());
    ASSERT_EQ(view.box(mix), Rect(410, 50, 80, 64));
    doc->undoManager().undo();
    EXPECT_EQ(view.box(mix), Rect(380, 40, 80, 64));
    EXPECT_EQ(view.pinRect(*mix.field("gain1")).midY(), 40 + 16) << "the pins follow the box";
    doc->undoManager().redo();
    EXPECT_EQ(view.box(mix), Rect(410, 50, 80, 64));
}
