// SPDX-License-Identifier: GPL-3.0-or-later
// The patch window's own edits go through the edit layer: each is one undo
// step, and the window's title, its text window and its canvas follow undo
// and redo.
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CanvasCommands.h"
#include "editors/EditModuleController.h"
#include "editors/ModuleFieldTableModel.h"
#include "gui/CanvasTestSupport.h"

#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <functional>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kPatch = sigLines({"HEADM adc Demo t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0",
                                     "SINE osc 440 0.5 ;=140,40,80,0", "GAIN g osc-out knob-out ;=260,40,80,0",
                                     "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=150,160,80,0", "TAIL Ann"});

} // namespace

TEST(PatchEditing, AlignButtonsAreOneUndoStepEachAndTheTitleFollowsUndo)
{
    CanvasWindow w(kPatch, false);
    UndoManager& undo = w.doc->undoManager();
    w.select({"osc", "knob"});
    auto* left = w.window->findChild<QToolButton*>("alignLeftBtn");
    auto* top = w.window->findChild<QToolButton*>("alignTopBtn");
    ASSERT_TRUE(left && top);
    ASSERT_TRUE(left->isEnabled());

    QTest::mouseClick(left, Qt::LeftButton);
    EXPECT_EQ(w.module("knob").rect().origin, (Point{140, 160}));
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Align Left Edges");
    EXPECT_EQ(w.window->windowTitle(), "demo*");
    QTest::mouseClick(top, Qt::LeftButton);
    EXPECT_EQ(w.module("knob").rect().origin, (Point{140, 40}));
    EXPECT_EQ(undo.undoCount(), 2u);
    undo.undo();
    undo.undo();
    EXPECT_EQ(w.module("knob").rect().origin, (Point{150, 160}));
    EXPECT_EQ(w.window->windowTitle(), "demo") << "back where it was read";
}

TEST(PatchEditing, TitleSheetRefusesWhatTheFileCannotHold)
{
    CanvasWindow w(kPatch, false);
    auto* sheet = w.window->titleSheet();
    auto* title = sheet->findChild<QLineEdit*>("titleField");
    auto* author = sheet->findChild<QLineEdit*>("authorField");
    auto* ok = sheet->findChild<QPushButton*>("okButton");
    ASSERT_TRUE(title && author && ok);

    ScopedRecordingAlerts alerts;
    w.window->raiseTitleWindow();
    title->setText("Say \"hi\"");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Critical | ERROR | 'Say \"hi\"' cannot be kept in a patch: the file would "
                                       "not read it back the same. A value may hold no double quote or line "
                                       "break, and may not stand between apostrophes with a blank inside. | OK"});
    EXPECT_EQ(w.patch().programName(), "Demo");

    // A character past Latin-1 would be stored as "?".
    alerts.recorded.clear();
    w.window->raiseTitleWindow();
    author->setText(QString::fromUtf8("Zo\u00eb \u0141uk"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{
                  "Critical | ERROR | '\u0141' cannot be kept in a patch: a patch file holds Latin-1 characters "
                  "only. | OK"});
    EXPECT_EQ(w.patch().author(), "Ann");
    EXPECT_FALSE(w.doc->isDocumentEdited());
}

TEST(PatchEditing, ALayoutOnOpeningIsAChangeNoUndoTakesBack)
{
    // Saved without positions: laid out when the window opens.
    CanvasWindow w(sigLines({"HEADM adc Demo t 2 2 1 g-out adc-null adc-nullobj", "SINE osc 440 0.5",
                             "GAIN g osc-out 1", "TAIL Ann"}),
                   false);
    EXPECT_TRUE(w.doc->isDocumentEdited());
    EXPECT_FALSE(w.doc->undoManager().canUndo());
    EXPECT_GT(w.module("g").rect().x(), 0) << "placed";
    w.select({"osc", "g"});
    QTest::mouseClick(w.window->findChild<QToolButton*>("alignTopBtn"), Qt::LeftButton);
    w.doc->undoManager().undo();
    EXPECT_EQ(w.window->windowTitle(), "demo*") << "the layout is still unsaved";
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
    std::vector<std::string> boxes;
    QSizeF frame;
    bool operator==(const ViewShot&) const = default;
};

void PrintTo(const ViewShot& s, std::ostream* os)
{
    *os << "selection";
    for (const auto& n : s.selection)
        *os << " " << n;
    *os << "; frame " << s.frame.width() << "x" << s.frame.height() << ";";
    for (const auto& b : s.boxes)
        *os << " " << b;
    *os << "\n" << s.bytes;
}

ViewShot shot(CanvasWindow& w)
{
    const CanvasLayout& layout = w.view->canvasLayout();
    ViewShot s{w.doc->sigData(), w.selection(), {}, w.view->frameSize()};
    for (const auto& m : w.patch().listOfModules()) {
        const Rect r = layout.box(*m);
        s.boxes.push_back(m->instanceName() + "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
                          std::to_string(r.width()) + "," + std::to_string(r.height()) + ")");
    }
    return s;
}

// Types a value into the inspector's row of that field.
void typeInInspector(CanvasWindow& w, const char* module, const char* field, const char* value)
{
    EditModuleController* panel = EditModuleController::open(*w.window, w.module(module));
    ASSERT_TRUE(panel);
    ModuleFieldTableModel* model = panel->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, ModuleFieldTableModel::TypeColumn).data().toString() == QLatin1String(field)) {
            EXPECT_TRUE(
                model->setData(model->index(row, ModuleFieldTableModel::ValueColumn), QString(value), Qt::EditRole));
            panel->close();
            return;
        }
    ADD_FAILURE() << "no row " << field;
}

} // namespace

TEST(PatchEditing, UndoGivesBackTheBytesTheSelectionAndTheGeometryTheViewHad)
{
    using W = CanvasWindow;
    auto perform = [](W& w, CanvasCommand c) { EXPECT_TRUE(w.view->commands().perform(c)); };
    struct Case {
        const char* undoName;
        std::vector<const char*> selected; // before the edit (a press may change it)
        std::function<void(W&)> edit;
        std::function<void(W&)> setUp = {};
    };
    const std::vector<Case> cases{
        {"Move", {"g"}, [](W& w) { w.drag(w.middleOf("g"), w.middleOf("g") + QPoint(40, 20)); }},
        {"Connect Field", {}, [](W& w) { w.drag(w.pin("knob", "out"), w.pin("mix", "gain1")); }},
        {"Delete Connection",
         {},
         [](W& w) {
             w.view->setSelectedField(w.field("g", "in"));
             QTest::keyClick(w.view, Qt::Key_Delete);
         }},
        {"Add Module", {"lfo"}, [](W& w) { EXPECT_TRUE(w.view->insertModule("SINE", &w.module("lfo"))); }},
        {"Delete Selected Modules", {"g", "lfo"}, [](W& w) { QTest::keyClick(w.view, Qt::Key_Delete); }},
        {"Cut", {"osc"}, [&](W& w) { perform(w, CanvasCommand::Cut); }},
        {"Paste",
         {"knob"},
         [&](W& w) {
             perform(w, CanvasCommand::Copy);
             perform(w, CanvasCommand::Paste);
         }},
        {"Paste",
         {},
         [&](W& w) {
             QGuiApplication::clipboard()->setText("SINE a 220 0.3 ;=500,400,80,0\nGAIN b a-out 1 ;=620,400,80,0\n");
             perform(w, CanvasCommand::Paste);
         }},
        {"Duplicate", {"osc", "g"}, [&](W& w) { perform(w, CanvasCommand::Duplicate); }},
        {"Reorder Module",
         {},
         [](W& w) {
             w.window->onRevealOrder();
             const CanvasLayout& layout = w.view->canvasLayout();
             const Rect from = layout.orderCircle(w.module("knob")), to = layout.orderCircle(w.module("osc"));
             w.drag(w.at(from.midX(), from.midY()), w.at(to.midX(), to.midY()));
         }},
        {"Reorder SigFile",
         {"mix"},
         [&](W& w) {
             ScopedRecordingAlerts ok;
             perform(w, CanvasCommand::Reorder);
         }},
        {"Reposition",
         {"osc"},
         [&](W& w) {
             ScopedRecordingAlerts ok;
             perform(w, CanvasCommand::Reposition);
         }},
        {"Align Left Edges", {"g", "knob"}, [&](W& w) { perform(w, CanvasCommand::AlignLeft); }},
        {"Align Bottom Edges", {"knob", "g"}, [&](W& w) { perform(w, CanvasCommand::AlignBottom); }},
        {"Grid Selected Graphics", {"osc", "knob"}, [&](W& w) { perform(w, CanvasCommand::GridSelected); }},
        {"Add Repeating Field",
         {"mix"},
         [&](W& w) {
             w.view->setSelectedField(w.field("mix", "gain1"));
             perform(w, CanvasCommand::AddRepeatingField);
         }},
        {"Delete Repeating Field",
         {},
         [&](W& w) { perform(w, CanvasCommand::DeleteRepeatingField); },
         [&](W& w) {
             // Two is the fewest: a third to take away.
             w.view->setSelectedField(w.field("mix", "in2"));
             perform(w, CanvasCommand::AddRepeatingField);
         }},
        {"Change Value", {"lfo"}, [](W& w) { typeInInspector(w, "lfo", "rate", "2.5"); }},
        {"Set Title and Author",
         {"osc"},
         [](W& w) {
             w.window->raiseTitleWindow();
             w.window->titleSheet()->findChild<QLineEdit*>("titleField")->setText("Night Hall");
             QTest::mouseClick(w.window->titleSheet()->findChild<QPushButton*>("okButton"), Qt::LeftButton);
         }},
        {"Update Parameters",
         {"g"},
         [](W& w) {
             UndoGroup event(*w.doc);
             EXPECT_EQ(PatchEditor(*w.doc).takeParameters({{w.field("lfo", "rate"), "3"}}), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.undoName);
        W w(kUndoPatch, true, {});
        w.window->hooks().inspectModule = [](GraphicWindowController& window, Module& m) {
            EditModuleController::open(window, m);
        };
        if (c.setUp)
            c.setUp(w);
        w.select(c.selected);
        QApplication::processEvents();
        const ViewShot before = shot(w);
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
