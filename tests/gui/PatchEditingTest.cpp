// SPDX-License-Identifier: GPL-3.0-or-later
// The patch window's own edits go through the edit layer: each is one undo
// step, and the window's title, its text window and its canvas follow undo
// and redo.
#include "canvas/CanvasCommands.h"
#include "gui/CanvasTestSupport.h"

#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <array>
#include <functional>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kPatch = sigLines({"HEADM adc Demo t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0",
                                     "SINE osc 440 0.5 ;=140,40,80,0", "GAIN g osc-out knob-out ;=260,40,80,0",
                                     "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=150,160,80,0", "TAIL Ann"});

} // namespace

// The toolbar's align buttons and the title sheet reach the edit layer:
// each align is one step and the title's "*" follows undo; what the file
// cannot hold is refused with the reason.
TEST(PatchEditing, AlignButtonsAndTheTitleSheetReachTheEditLayer)
{
    CanvasWindow w(kPatch, false);
    auto* sheet = w.window->titleSheet();
    auto* title = sheet->findChild<QLineEdit*>("titleField");
    auto* author = sheet->findChild<QLineEdit*>("authorField");
    auto* ok = sheet->findChild<QPushButton*>("okButton");
    ASSERT_TRUE(title && author && ok);
    // A character past Latin-1 would be stored as "?".
    const std::vector<std::array<const char*, 3>> refused{
        {"Say \"hi\"", "Ann",
         "Critical | ERROR | 'Say \"hi\"' cannot be kept in a patch: the file would not read it back the same. A "
         "value may hold no double quote or line break, and may not stand between apostrophes with a blank inside. "
         "| OK"},
        {"Demo", "Zo\u00eb \u0141uk",
         "Critical | ERROR | '\u0141' cannot be kept in a patch: a patch file holds Latin-1 characters only. | OK"}};
    for (const auto& [titleText, authorText, alert] : refused) {
        ScopedRecordingAlerts alerts;
        w.window->raiseTitleWindow();
        title->setText(QString::fromUtf8(titleText));
        author->setText(QString::fromUtf8(authorText));
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_EQ(alertLines(alerts.recorded), std::vector<std::string>{alert});
    }
    EXPECT_EQ(w.doc->sigData(), kPatch);

    UndoManager& undo = w.doc->undoManager();
    w.select({"osc", "knob"});
    auto* left = w.window->findChild<QToolButton*>("alignLeftBtn");
    auto* top = w.window->findChild<QToolButton*>("alignTopBtn");
    ASSERT_TRUE(left && top);
    QTest::mouseClick(left, Qt::LeftButton);
    EXPECT_EQ(w.module("knob").rect().origin, (Point{140, 160}));
    EXPECT_EQ(w.window->windowTitle(), "demo*");
    QTest::mouseClick(top, Qt::LeftButton);
    EXPECT_EQ(w.module("knob").rect().origin, (Point{140, 40}));
    EXPECT_EQ(undo.undoCount(), 2u);
    undo.undo();
    undo.undo();
    EXPECT_EQ(w.doc->sigData(), kPatch);
    EXPECT_EQ(w.window->windowTitle(), "demo") << "back where it was read";
}

namespace {

// Every module feeds something (so that the processing order can be
// rebuilt), a repeated group, an interface module.
const std::string kUndoPatch =
    sigLines({"HEADM adc Demo t 2 2 1 mix-out g-out adc-nullobj ;=20,40,80,0", "SINE osc 440 lfo-out ;=140,40,80,0",
              "LFO lfo 2 1 0 ;=140,160,80,0", "GAIN g osc-out knob-out ;=260,40,80,0",
              "MIXN mix 2 g-out 1 osc-out 0.5 1 ;=380,40,80,0", "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=140,280,80,0",
              "TAIL Ann"});

// What undo must give back: the saved bytes, the selection, and the
// geometry of the view (every box as laid out, and the canvas size).
struct ViewShot {
    std::string bytes;
    std::vector<std::string> selection;
    std::vector<Rect> boxes; // in the patch's order
    QSizeF frame;
    bool operator==(const ViewShot&) const = default;
};

ViewShot shot(CanvasWindow& w)
{
    ViewShot s{w.doc->sigData(), w.selection(), {}, w.view->frameSize()};
    for (const auto& m : w.patch().listOfModules())
        s.boxes.push_back(w.view->canvasLayout().box(*m));
    return s;
}

} // namespace

TEST(PatchEditing, UndoGivesBackTheBytesTheSelectionAndTheGeometryTheViewHad)
{
    using W = CanvasWindow;
    auto perform = [](W& w, CanvasCommand c) { EXPECT_TRUE(w.view->commands().perform(c)); };
    // The command on the mix's field picked first.
    auto onField = [perform](const char* name, CanvasCommand c) {
        return [=](W& w) {
            w.view->setSelectedField(w.field("mix", name));
            perform(w, c);
        };
    };
    struct Case {
        const char* undoName;
        std::vector<const char*> selected; // before the edit (a press may change it)
        std::function<void(W&)> edit;
        std::function<void(W&)> setUp = {};
    };
    const std::vector<Case> cases{
        {"Move", {"g"}, [](W& w) { w.drag(w.middleOf("g"), w.middleOf("g") + QPoint(40, 20)); }},
        {"Connect Field", {}, [](W& w) { w.drag(w.pin("knob", "out"), w.pin("mix", "gain1")); }},
        {"Add Module", {"lfo"}, [](W& w) { EXPECT_TRUE(w.view->insertModule("SINE", &w.module("lfo"))); }},
        {"Delete Selected Modules", {"g", "lfo"}, [](W& w) { QTest::keyClick(w.view, Qt::Key_Delete); }},
        {"Paste",
         {},
         [&](W& w) {
             QGuiApplication::clipboard()->setText("SINE a 220 0.3 ;=500,400,80,0\nGAIN b a-out 1 ;=620,400,80,0\n");
             perform(w, CanvasCommand::Paste);
         }},
        {"Reorder Module",
         {},
         [](W& w) {
             w.window->onRevealOrder();
             const CanvasLayout& layout = w.view->canvasLayout();
             const Rect from = layout.orderCircle(w.module("knob")), to = layout.orderCircle(w.module("osc"));
             w.drag(w.at(from.midX(), from.midY()), w.at(to.midX(), to.midY()));
         }},
        {"Reorder SigFile", {"mix"}, [&](W& w) { perform(w, CanvasCommand::Reorder); }},
        {"Reposition", {"osc"}, [&](W& w) { perform(w, CanvasCommand::Reposition); }},
        {"Add Repeating Field", {"mix"}, onField("gain1", CanvasCommand::AddRepeatingField)},
        // Two is the fewest: a third to take away.
        {"Delete Repeating Field",
         {},
         [&](W& w) { perform(w, CanvasCommand::DeleteRepeatingField); },
         onField("in2", CanvasCommand::AddRepeatingField)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.undoName);
        W w(kUndoPatch);
        if (c.setUp)
            c.setUp(w);
        w.select(c.selected);
        QApplication::processEvents();
        const ViewShot before = shot(w);
        ScopedRecordingAlerts ok; // the questions before a reorder are answered OK
        c.edit(w);
        // The event that made the edit is over.
        QApplication::processEvents();
        ASSERT_EQ(w.doc->undoManager().undoMenuItemTitle(), std::string("Undo ") + c.undoName);
        const ViewShot after = shot(w);
        ASSERT_NE(after.bytes, before.bytes);

        perform(w, CanvasCommand::Undo);
        EXPECT_EQ(shot(w), before);
        perform(w, CanvasCommand::Redo);
        EXPECT_EQ(shot(w), after);
        perform(w, CanvasCommand::Undo);
        EXPECT_EQ(shot(w), before);
    }
}
