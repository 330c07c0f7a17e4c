// SPDX-License-Identifier: GPL-3.0-or-later
// What the edit operations decide: the cases where a change must be refused,
// cut back or put back exactly, and what they tell the views.
#include "EditTestSupport.h"

#include "Toskfile/ModuleDrag.h"
#include "Toskfile/TextRules.h"
#include "Toskfile/UndoGroup.h"
#include "base/NotificationCenter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

TEST(EditRules, ConnectionGesturesFollowShiftOptionAndExternalInputs)
{
    struct Case {
        const char* name;
        const char* from;
        const char* to;
        GestureKeys keys;
        const char* connects = ""; // "input<-source" when the gesture connects
    };
    const GestureKeys none, shift{true, false}, both{true, true};
    const std::vector<Case> cases{
        {"input to output", "osc.amp", "lfo.out", none, "osc.amp<-lfo.out"},
        {"output to input", "lfo.out", "osc.amp", none, "osc.amp<-lfo.out"},
        {"signal to control refused silently", "osc.out", "osc.amp", none},
        {"already connected", "g.in", "osc.out", none},
        {"parameter", "lfo.shape", "lfo.out", none},
        {"shift from an input takes the target input's source", "osc.amp", "g.gain", shift, "osc.amp<-lfo.out"},
        {"shift from an output takes the one input the target output feeds", "knob.out", "lfo.out", shift,
         "g.gain<-knob.out"},
        {"shift onto an output that feeds nothing", "osc.amp", "knob.out", shift},
        {"shift onto an output that feeds two inputs", "m2.out", "osc.out", shift},
        {"shift and option on a repetition", "osc.out", "mix.in1", both},
    };
    // osc's output feeds two inputs.
    std::string text = editPatch();
    text.replace(text.find("MIX2 m2 adc-in1"), 15, "MIX2 m2 osc-out");
    auto doc = openDocument(text);
    auto field = [&](const std::string& path) {
        const size_t dot = path.find('.');
        return fieldOf(*doc, path.substr(0, dot), path.substr(dot + 1));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionPlan plan = ConnectionRules::plan(*doc->sigFile(), field(c.from), field(c.to), c.keys);
        const std::string connects = c.connects;
        const size_t arrow = connects.find("<-");
        EXPECT_EQ(plan.outcome, *c.connects ? ConnectionPlan::Outcome::Connect : ConnectionPlan::Outcome::Nothing);
        // What a drag shows as it passes over the target.
        EXPECT_EQ(ConnectionRules::accepts(*doc->sigFile(), field(c.from), field(c.to), c.keys),
                  *c.connects || std::string(c.name) == "already connected");
        if (*c.connects) {
            EXPECT_EQ(plan.input, field(connects.substr(0, arrow)));
            EXPECT_EQ(plan.source, field(connects.substr(arrow + 2)));
        }
    }

    PatchEditor editor(*doc);
    const std::string before = doc->sigData();
    EXPECT_FALSE(editor.connectGesture(field("m2.out"), field("osc.out"), shift));
    EXPECT_EQ(doc->sigData(), before) << "neither input changes";

    // Refusals say why, as the canvas's alerts.
    field("osc.amp")->setAsWP(true);
    fieldOf(*doc, "mix", "count")->setText("16");
    NoWindowServices noWindow;
    Problems refusals;
    EXPECT_FALSE(editor.connectGesture(field("osc.amp"), field("lfo.out"), {}, &refusals));
    EXPECT_FALSE(editor.connectGesture(field("lfo.out"), field("osc.amp"), {}, &refusals));
    EXPECT_FALSE(editor.connectGesture(field("osc.out"), field("mix.in1"), {false, true}, &refusals));
    EXPECT_EQ(alertLines(refusals.list()), (Names{"Critical | ERROR | Cannot re-connect external input. | OK",
                                                  "Critical | ERROR | Cannot re-connect external input. | OK",
                                                  "Critical | ERROR | Cannot add any more repeating fields. | OK"}));
    EXPECT_FALSE(doc->undoManager().canUndo());
}

TEST(EditRules, BoxesKeepTheirOriginAtOnePointAndSnapWhereTheGridIsDrawn)
{
    auto doc = openDocument(editPatch());
    PatchEditor editor(*doc);
    Module& osc = moduleNamed(*doc, "osc");
    Module& lfo = moduleNamed(*doc, "lfo");

    // Each axis on its own: x stops at the margin, y moves on.
    ASSERT_TRUE(editor.moveModules({&osc, &lfo}, Point{-500, 5}));
    EXPECT_NEAR(osc.rect().origin.x - Module::kMarginX, 1, 1e-9);
    EXPECT_NEAR(osc.rect().origin.y, 45, 1e-9);
    EXPECT_EQ(lfo.rect().origin.y, 145);
    EXPECT_FALSE(editor.moveModules({&osc}, Point{-1, 0})) << "nothing left to move";

    // Gridding: origins go to the nearest grid point but never to "not
    // placed".
    ASSERT_TRUE(editor.gridModules({&osc, &lfo}, 25));
    EXPECT_EQ(osc.rect().origin, (Point{25, 50})) << "13.4 snaps to 0, one grid step in instead";
    EXPECT_EQ(lfo.rect().origin, (Point{25, 150}));

    // A drag: nothing within 2 points, then the box origin on the grid.
    {
        UndoGroup event(*doc);
        ModuleDrag drag(*doc, {&lfo}, Point{32, 157});
        EXPECT_EQ(drag.dragTo(Point{34, 155}, 25), (Point{}));
        EXPECT_FALSE(drag.started());
        EXPECT_EQ(drag.dragTo(Point{90, 160}, 25), (Point{50, 0}));
        EXPECT_EQ(lfo.rect().origin, (Point{75, 150}));
        EXPECT_EQ(drag.dragTo(Point{-300, -300}, 25), (Point{0, -125}))
            << "x may not go left of the margin, y stops on the last grid line inside";
        EXPECT_EQ(lfo.rect().origin, (Point{25, 25}));
        drag.dragTo(Point{52, 190});
        EXPECT_EQ(lfo.rect().origin, (Point{45, 183}));
    }
    EXPECT_EQ(doc->undoManager().undoMenuItemTitle(), "Undo Move");
    const size_t steps = doc->undoManager().undoCount();
    doc->undoManager().undo();
    EXPECT_EQ(lfo.rect().origin, (Point{25, 150})) << "the whole drag is one step";

    // Escape puts the boxes back and records nothing.
    ModuleDrag cancelled(*doc, {&lfo}, Point{30, 160});
    EXPECT_EQ(cancelled.dragTo(Point{33, 160}), (Point{3, 0})) << "3 points is past the threshold";
    cancelled.dragTo(Point{130, 260});
    EXPECT_EQ(lfo.rect().origin, (Point{125, 250}));
    cancelled.cancel();
    EXPECT_EQ(lfo.rect().origin, (Point{25, 150}));
    EXPECT_EQ(doc->undoManager().undoCount(), steps - 1);
}

TEST(EditRules, InsertedNamesDifferInMoreThanCaseAndLoadedNamesStay)
{
    const std::string text =
        crlf({"HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj ;=20,40,80,0", "GAIN Gain adc-in1 1 ;=140,40,80,0",
              "GAIN gain adc-in2 1 ;=140,140,80,0", "SINE OSC1 440 0.5 ;=260,40,80,0", "TAIL x"});
    auto doc = openDocument(text);
    EXPECT_EQ(doc->sigData(), text) << "names in a file are kept as they are";
    PatchEditor editor(*doc);

    Module::Ptr inserted = editor.insertModule("GAIN", nullptr);
    ASSERT_TRUE(inserted);
    EXPECT_EQ(inserted->instanceName(), "gain1");
    EXPECT_EQ(doc->sigFile()->listOfModules().back(), inserted) << "no anchor: after the last module";
    EXPECT_EQ(inserted->rect().origin, (Point{300, 80}));

    ModuleList::List pasted = editor.paste(crlf({"SINE osc1 440 0.5", "SINE Osc1 220 0.5"}), nullptr);
    ASSERT_EQ(pasted.size(), 2u);
    EXPECT_EQ((Names{std::string(pasted[0]->instanceName()), std::string(pasted[1]->instanceName())}),
              (Names{"osc2", "Osc3"}));
    ModuleList::List copies = editor.duplicate({&moduleNamed(*doc, "OSC1")});
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0]->instanceName(), "OSC4");

    std::string error;
    EXPECT_FALSE(editor.setFieldText(fieldOf(*doc, "osc2", "opstart_name"), "GAIN1", &error));
    EXPECT_EQ(error, "GAIN1 is not a unique operator name.\n");
    EXPECT_TRUE(editor.setFieldText(fieldOf(*doc, "osc2", "opstart_name"), "Osc2", &error)) << "its own name";
}

TEST(EditRules, ValuesTheFileCouldNotReadBackAreRefused)
{
    struct Case {
        std::string value;
        bool taken;
    };
    const std::vector<Case> cases{
        {"hall", true},  {"big hall", true},    {"'big'", true},       {"caf\xe9", true},
        {"", true},      {"a,b/c", true},       {"say \"hi\"", false}, {"two\nlines", false},
        {"cr\r", false}, {"'big hall'", false}, {";comment", true},    {"\xe9t\xe9", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        auto doc = openDocument(editPatch());
        PatchEditor editor(*doc);
        std::string error;
        EXPECT_EQ(editor.setTitleAndAuthor(c.value, "Ann", &error), c.taken);
        EXPECT_EQ(editor.setFieldText(fieldOf(*doc, "knob", "menu"), c.value, &error), c.taken);
        if (!c.taken) {
            EXPECT_EQ(error, TextRules::refusal(c.value));
            EXPECT_FALSE(doc->undoManager().canUndo());
            continue;
        }
        // What is taken reads back as stored.
        const std::string saved = doc->sigData();
        auto again = openDocument(saved);
        EXPECT_EQ(again->sigData(), saved);
        EXPECT_EQ(again->sigFile()->programName(), doc->sigFile()->programName());
    }

    // The inspector's own rules come first.
    auto doc = openDocument(editPatch());
    auto refusal = [&](const char* module, const char* field, const char* value) {
        std::string error;
        return PatchEditor(*doc).setFieldText(fieldOf(*doc, module, field), value, &error) ? "taken" : error;
    };
    EXPECT_EQ(refusal("lfo", "shape", "9"), "0 sine, 1 triangle, 2 square, 3 saw, 4 random must be between 0 and 4.\n");
    EXPECT_EQ(refusal("mix", "count", "3"), "Use Add Repeating Field to change this.");
    EXPECT_EQ(refusal("g", "gain", "nosuch-out"), "nosuch-out : source not found");
    EXPECT_EQ(refusal("g", "gain", "osc-out"), "osc-out cannot feed g-gain.");
    EXPECT_EQ(refusal("g", "gain", "adc-null"), "adc-null cannot feed g-gain.") << "a control input keeps its value";
    // Only a control input holds a number: the file has no place for one in
    // any other.
    EXPECT_EQ(refusal("g", "in", "0.5"), "g-in cannot hold a number: only a control input takes a constant.");
    EXPECT_EQ(refusal("adc", "obj1in", "2"), "adc-obj1in cannot hold a number: only a control input takes a constant.");
    EXPECT_EQ(refusal("lfo", "rate", "2.0"), "") << "the same value is no change";
    EXPECT_FALSE(doc->undoManager().canUndo());
}

// The edited mark follows the undo stack and saving; each operation
// announces what it touched.
TEST(EditRules, WhatAnEditTellsTheDocumentAndItsViews)
{
    TempDir dir;
    auto doc = openDocument(editPatch());
    UndoManager& undo = doc->undoManager();
    auto edit = [&](const char* value) {
        UndoGroup event(*doc);
        EXPECT_TRUE(PatchEditor(*doc).setFieldText(fieldOf(*doc, "lfo", "rate"), value));
    };

    // Edit, undo and redo alone are checked with every edit in PatchEditorTest.
    edit("3");
    doc->writeToFile((dir / "p.sig").string());
    EXPECT_FALSE(doc->isDocumentEdited());
    undo.undo();
    EXPECT_TRUE(doc->isDocumentEdited()) << "edit, save, undo";
    edit("4");
    EXPECT_TRUE(doc->isDocumentEdited()) << "edit, save, undo, another edit: the saved state is gone for good";
    undo.undo();
    EXPECT_TRUE(doc->isDocumentEdited());

    // A change made while undo is off stays marked until saved.
    doc->writeToFile((dir / "p.sig").string());
    undo.disableUndoRegistration();
    EXPECT_TRUE(PatchEditor(*doc).moveModules({&moduleNamed(*doc, "osc")}, Point{5, 5}));
    undo.enableUndoRegistration();
    edit("5");
    undo.undo();
    EXPECT_TRUE(doc->isDocumentEdited()) << "the unrecorded move is still there";
    doc->writeToFile((dir / "p.sig").string());
    EXPECT_FALSE(doc->isDocumentEdited());

    std::vector<PatchChange> heard;
    doc->addChangeListener(&heard, [&](const PatchChange& c) { heard.push_back(c); });
    PatchEditor editor(*doc);
    Module::Ptr g = moduleNamed(*doc, "g").shared_from_this();
    ASSERT_TRUE(editor.deleteModules({g.get()}));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(std::tuple(heard[0].kind, heard[0].removed, heard[0].touches(PatchChange::Order)),
              std::tuple(PatchChange::Kind::Delete, std::vector<Module::Ptr>{g}, true));
    doc->undoManager().undo();
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(std::pair(heard[1].added, heard[1].removed),
              std::pair(std::vector<Module::Ptr>{g}, std::vector<Module::Ptr>{}));

    heard.clear();
    ASSERT_TRUE(editor.setFieldText(fieldOf(*doc, "lfo", "rate"), "3", nullptr, &heard));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].modules, std::vector<Module::Ptr>{moduleNamed(*doc, "lfo").shared_from_this()});
    EXPECT_EQ(heard[0].fields, std::vector<Module::FieldPtr>{fieldOf(*doc, "lfo", "rate")});
    EXPECT_EQ(heard[0].sender, &heard);
}
