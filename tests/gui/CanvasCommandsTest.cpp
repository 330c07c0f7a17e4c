// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's commands through the window's real menus and keys: the
// clipboard (the system's, offscreen), deleting, repeating fields, the
// sheets, and undo with its titles and the window's "*".
#include "canvas/CanvasCommands.h"
#include "gui/AppTestSupport.h"
#include "gui/CanvasTestSupport.h"

#include <QClipboard>
#include <QMenu>

using namespace tosk;
using namespace tosk::test;

namespace {

constexpr double kMarginX = 87.0 / 7; // a box's pin margin
constexpr double kMarginY = 1;

struct CommandWindow : AppMenuWindow {
    // The item as the open menu shows it: "Title" or "Title (off)".
    std::string shown(const char* name)
    {
        QAction* a = action(name);
        auto* menu = qobject_cast<QMenu*>(a->parent());
        emit menu->aboutToShow();
        std::string text = a->text().toStdString() + (a->isEnabled() ? "" : " (off)");
        emit menu->aboutToHide();
        return text;
    }
    Point origin(const char* name) { return module(name).rect().origin; }
};

} // namespace

TEST(CanvasCommands, CopyAndPasteCascadeThroughTheSystemClipboard)
{
    CommandWindow w;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    w.select({"knob"});
    const Point o = w.origin("knob");
    w.action("actionCopy")->trigger();
    EXPECT_EQ(clipboard->text().toStdString(), "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=140,280,80,0\r\n");

    // Pasted with the copied module selected: the copy's graphic rect is
    // aligned to the anchor's box, then moved by one cascade step.
    w.action("actionPaste")->trigger();
    ASSERT_EQ(w.selection(), std::vector<std::string>{"knob1"});
    EXPECT_DOUBLE_EQ(w.origin("knob1").x, o.x + kMarginX + 10);
    EXPECT_DOUBLE_EQ(w.origin("knob1").y, o.y + kMarginY + 10);
    EXPECT_EQ(w.doc->undoManager().undoMenuItemTitle(), "Undo Paste");

    // Again with the original selected: one more step.
    // (Where the first copy does not lie over it.)
    const QPoint original = w.at(o.x + 5, o.y + 5);
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, original);
    ASSERT_EQ(w.selection(), std::vector<std::string>{"knob"});
    QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(w.selection(), std::vector<std::string>{"knob2"});
    EXPECT_DOUBLE_EQ(w.origin("knob2").x, o.x + kMarginX + 20);
    EXPECT_DOUBLE_EQ(w.origin("knob2").y, o.y + kMarginY + 20);

    // A drag put back with Escape, and one that ends where it started,
    // take no paste along; dragging the pasted module 50 right widens the
    // step for the next one.
    const QPoint grab = w.middleOf("knob2");
    w.press(grab);
    w.moveTo(grab + QPoint(90, 40));
    QTest::keyClick(w.view, Qt::Key_Escape);
    w.release(grab + QPoint(90, 40));
    w.press(grab);
    w.moveTo(grab + QPoint(70, 0));
    w.moveTo(grab);
    w.release(grab);
    w.drag(grab, grab + QPoint(50, 0));
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, original);
    w.action("actionPaste")->trigger();
    EXPECT_DOUBLE_EQ(w.origin("knob3").x, o.x + kMarginX + 60 * 3);
    EXPECT_DOUBLE_EQ(w.origin("knob3").y, o.y + kMarginY + 10 * 3);

    // Undo and redo from the Edit menu, with their titles and the "*".
    EXPECT_EQ(w.shown("actionUndo"), "Undo Paste");
    EXPECT_EQ(w.shown("actionRedo"), "Redo (off)");
    w.action("actionUndo")->trigger();
    EXPECT_FALSE(w.patch().findModuleByName("knob3"));
    EXPECT_EQ(w.shown("actionUndo"), "Undo Move");
    EXPECT_EQ(w.shown("actionRedo"), "Redo Paste");
    for (int i = 0; i < 3; ++i)
        w.action("actionUndo")->trigger();
    EXPECT_EQ(w.shown("actionUndo"), "Undo (off)");
    EXPECT_EQ(w.window->windowTitle(), "demo");
    w.action("actionRedo")->trigger();
    EXPECT_EQ(w.window->windowTitle(), "demo*");
    EXPECT_TRUE(w.patch().findModuleByName("knob1"));
}

TEST(CanvasCommands, PastesSigTextFromElsewhereAndNothingFromProse)
{
    CommandWindow w;
    ScopedRecordingAlerts alerts;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const size_t count = w.patch().moduleCount();

    clipboard->setText("SINE osc 440\r\nFOO x 1\r\n");
    w.action("actionPaste")->trigger();
    EXPECT_EQ(w.patch().moduleCount(), count);
    EXPECT_TRUE(alerts.recorded.empty());
    EXPECT_FALSE(w.doc->undoManager().canUndo());

    // Text copied from a sig file in an editor (here with a name the patch
    // has in another case, and an input fed from outside the copy).
    clipboard->setText("SINE OSC 220 0.3 ;=500,400,80,0\nGAIN amp OSC-out missing-out ;=620,400,80,0\n");
    w.select({});
    w.action("actionPaste")->trigger();
    ASSERT_EQ(w.patch().moduleCount(), count + 2);
    // Selected last to first: the last pasted is the one the others line up on.
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"amp", "OSC1"}));
    EXPECT_EQ(w.field("amp", "in")->source(), w.field("OSC1", "out")) << "wired among themselves";
    EXPECT_TRUE(alerts.recorded.empty());
    EXPECT_EQ(w.doc->undoManager().undoCount(), 1u);
    const double ampX = w.origin("amp").x;
    w.action("actionAlignLeft")->trigger();
    EXPECT_EQ(w.origin("amp").x, ampX);
    EXPECT_EQ(w.origin("OSC1").x, ampX);
}

TEST(CanvasCommands, CutDuplicateDeleteAndTheirTitles)
{
    CommandWindow w;
    UndoManager& undo = w.doc->undoManager();
    EXPECT_EQ(w.shown("actionDelete"), "&Delete (off)");
    EXPECT_EQ(w.shown("actionCut"), "Cu&t (off)");

    // A selected output with wires, a selected input with a source.
    w.click(w.pin("osc", "out"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Output Connections");
    w.action("actionDelete")->trigger();
    EXPECT_EQ(w.field("g", "in")->source(), nullptr);
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Delete Connection");
    undo.undo();
    w.click(w.pin("g", "gain"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Input Connection");
    QTest::keyClick(w.view, Qt::Key_Backspace);
    EXPECT_EQ(w.field("g", "gain")->source(), nullptr);
    EXPECT_EQ(w.field("g", "gain")->text(), "1") << "its default";
    undo.undo();
    // An unwired input: nothing to delete.
    w.click(w.pin("osc", "freq"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete (off)");
    w.action("actionDelete")->trigger();
    EXPECT_EQ(undo.undoCount(), 0u);

    // Cut takes the modules with their wires; undo gives both back.
    w.select({"g", "osc"});
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Selected Modules");
    w.action("actionCut")->trigger();
    EXPECT_FALSE(w.patch().findModuleByName("g"));
    EXPECT_EQ(QGuiApplication::clipboard()->text().left(9), "SINE osc ") << "in the patch's order";
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Cut");
    EXPECT_TRUE(w.selection().empty());
    undo.undo();
    EXPECT_EQ(w.field("mix", "in1")->source(), w.field("g", "out"));

    w.select({"osc", "g"});
    QTest::keyClick(w.window, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"osc1", "g1"}));
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Duplicate");

    // With external fields in the patch, deleting asks first.
    ScopedRecordingAlerts alerts;
    alerts.answers = {1};
    w.field("osc", "amp")->setAsWP(true);
    w.select({"lfo"});
    w.action("actionDelete")->trigger();
    EXPECT_TRUE(w.patch().findModuleByName("lfo")) << "cancelled";
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | You are about to delete a module with connections "
                                       "outside the supermodule.\n | OK Cancel"});
    w.action("actionDelete")->trigger();
    EXPECT_FALSE(w.patch().findModuleByName("lfo"));
}

TEST(CanvasCommands, MenusFollowTheSelectionKeysCheckAgainAndDeletingEveryModuleAsks)
{
    CommandWindow w;
    struct Case {
        std::vector<const char*> selection;
        std::vector<std::string> items;
    };
    const std::vector<const char*> names{"actionCopy",        "actionPaste",         "actionSelectAll",
                                         "actionDeselectAll", "actionInspectModule", "actionEditSpecific",
                                         "actionAlignLeft",   "actionGridSelected"};
    QGuiApplication::clipboard()->setText("SINE s 1 1\r\n");
    const std::vector<Case> cases{
        {{},
         {"&Copy (off)", "&Paste", "Select &All", "Deselect A&ll (off)", "&Inspect Module (off)",
          "&Edit Specific (off)", "Align &Left Edges (off)", "&Grid Selected Items (off)"}},
        {{"shape"},
         {"&Copy", "&Paste", "Select &All", "Deselect A&ll", "&Inspect Module", "&Edit Specific",
          "Align &Left Edges (off)", "&Grid Selected Items (off)"}},
        {{"knob"},
         {"&Copy", "&Paste", "Select &All", "Deselect A&ll", "&Inspect Module", "&Edit Specific (off)",
          "Align &Left Edges (off)", "&Grid Selected Items (off)"}},
        {{"osc", "g"},
         {"&Copy", "&Paste (off)", "Select &All", "Deselect A&ll", "&Inspect Module", "&Edit Specific (off)",
          "Align &Left Edges", "&Grid Selected Items"}},
    };
    for (const Case& c : cases) {
        w.select(c.selection);
        std::vector<std::string> shown;
        for (const char* n : names)
            shown.push_back(w.shown(n));
        EXPECT_EQ(shown, c.items) << c.selection.size();
    }

    // Keys reach the commands without the menu's validation: each checks.
    w.select({"osc", "g"});
    const size_t count = w.patch().moduleCount();
    QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.patch().moduleCount(), count) << "no paste over two selected modules";
    QTest::keyClick(w.window, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(w.selection().empty());

    // Inspect and Edit Specific reach the window's panels.
    w.select({"shape", "adc", "knob"});
    QTest::keyClick(w.window, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(w.inspected, (std::vector<std::string>{"shape", "knob"}));
    QTest::keyClick(w.window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(w.specific.empty()) << "two selected";
    w.select({"shape"});
    QTest::keyClick(w.window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(w.specific, std::vector<std::string>{"shape"});

    // Select All lets a selected pin go: Delete takes the modules.
    const std::string original = w.doc->sigData();
    w.click(w.pin("osc", "out"));
    ASSERT_TRUE(w.view->selectedField());
    QTest::keyClick(w.window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.view->selectedField(), nullptr);
    EXPECT_EQ(w.selection().size(), 7u);
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Selected Modules");

    // Every module at once: asked first, Cancel keeps them.
    ScopedRecordingAlerts alerts;
    alerts.answers = {1};
    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Delete all 7 modules? | OK Cancel"});
    EXPECT_EQ(w.doc->sigData(), original);
    EXPECT_FALSE(w.doc->undoManager().canUndo());
    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_EQ(w.patch().moduleCount(), 1u) << "the head alone";
    w.doc->undoManager().undo();
    EXPECT_EQ(w.doc->sigData(), original);

    // Some of them: no question.
    alerts.recorded.clear();
    w.select({"osc", "g"});
    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_TRUE(alerts.recorded.empty());
    EXPECT_FALSE(w.patch().findModuleByName("g"));

    // Without the panels the two commands are off.
    CanvasWindow bare(canvasPatch(), false);
    bare.select({"shape"});
    EXPECT_FALSE(bare.view->commands().state(CanvasCommand::InspectModule).enabled);
    EXPECT_FALSE(bare.view->commands().perform(CanvasCommand::EditSpecific));
}

TEST(CanvasCommands, RepeatingFieldsGridAlignAndTheSheets)
{
    CommandWindow w;
    UndoManager& undo = w.doc->undoManager();
    w.click(w.pin("mix", "in2"));
    EXPECT_EQ(w.shown("actionAddRepeatingField"), "&Add Repeating Field");
    EXPECT_EQ(w.shown("actionDeleteRepeatingField"), "&Delete Repeating Field (off)") << "two is the least";
    w.action("actionAddRepeatingField")->trigger();
    EXPECT_EQ(w.field("mix", "count")->text(), "3");
    EXPECT_EQ(w.view->selectedField(), w.field("mix", "in3")) << "the new one";
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Add Repeating Field");
    EXPECT_EQ(w.shown("actionDeleteRepeatingField"), "&Delete Repeating Field");
    w.action("actionDeleteRepeatingField")->trigger();
    w.action("actionDeleteRepeatingField")->trigger();
    EXPECT_EQ(w.field("mix", "count")->text(), "2") << "the second is refused";
    undo.undo();
    EXPECT_EQ(w.field("mix", "count")->text(), "3");

    // Gridding to the canvas's spacing; aligning on the first selected.
    GridSettings grid = w.view->gridSettings();
    grid.spacing = 50;
    ASSERT_TRUE(w.view->setGridSettings(grid));
    w.module("osc").moveToPosition(Point{133, 41});
    w.select({"osc", "lfo"});
    w.action("actionGridSelected")->trigger();
    EXPECT_EQ(w.origin("osc"), (Point{150, 50}));
    EXPECT_EQ(w.origin("lfo"), (Point{150, 150}));
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Grid Selected Graphics");
    w.select({"g", "osc"});
    w.action("actionAlignTop")->trigger();
    EXPECT_EQ(w.origin("osc"), (Point{150, 40}));

    // The sheets: Cancel changes nothing, OK is one step.
    ScopedRecordingAlerts alerts;
    alerts.answers = {1, 0};
    const size_t steps = undo.undoCount();
    w.action("actionReposition")->trigger();
    EXPECT_EQ(undo.undoCount(), steps);
    w.action("actionReposition")->trigger();
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Reposition");
    EXPECT_EQ(alertLines(alerts.recorded)[0],
              "Informational | Reposition Modules | Are you sure you want to reposition the modules for demo? | OK "
              "Cancel");
    alerts.recorded.clear();
    w.action("actionReorder")->trigger();
    // knob and shape feed nothing, which the order refuses: the refusal is shown.
    ASSERT_EQ(alerts.recorded.size(), 2u);
    EXPECT_EQ(alertLines(alerts.recorded)[0],
              "Informational | Reorder SigFile | Are you sure you want to reorder the modules for demo? | OK Cancel");
    EXPECT_EQ(alerts.recorded[1].title, "Reorder Error");
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Reposition");

    // The View toggles set the canvas's grid.
    w.action("actionShowGrid")->trigger();
    w.action("actionSnapToGrid")->trigger();
    EXPECT_TRUE(w.view->gridSettings().showsGrid);
    EXPECT_TRUE(w.view->gridSettings().snapsToGrid);
    EXPECT_FALSE(w.view->gridSettings().showsRuler);
    EXPECT_EQ(w.shown("actionShowGrid"), "Show &Grid");
    EXPECT_TRUE(w.action("actionShowGrid")->isChecked());
    EXPECT_EQ(w.shown("actionGridPanel"), "Grid &Panel (off)") << "no grid panel yet";
}
