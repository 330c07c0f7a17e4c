// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's commands through the window's real menus and keys: the
// clipboard (the system's, offscreen), deleting, repeating fields, the
// sheets, and undo with its titles and the window's "*"; and comments,
// added from the Patch menu and the menu of empty canvas, edited in place,
// dragged, copied, pasted, deleted and undone, with the sig text they leave.
#include "canvas/CanvasCommands.h"
#include "Toskfile/MyExtensions.h"
#include "canvas/CanvasComments.h"
#include "canvas/CommentPainter.h"
#include "gui/CanvasTestSupport.h"

#include <QClipboard>
#include <QMenu>

using namespace tosk;
using namespace tosk::test;

namespace {

std::string commentedPatch()
{
    return canvasPatch() + sigLines({";Comment=300,380 Old"});
}

struct CommandWindow : AppMenuWindow {
    using AppMenuWindow::AppMenuWindow;
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
    CanvasComments& comments() { return view->comments(); }
    // The comment lines of the saved text, without their line ends.
    std::vector<std::string> lines() const
    {
        const std::string text = doc->sigData();
        std::vector<std::string> found;
        for (size_t at = text.find(";Comment="); at != std::string::npos; at = text.find(";Comment=", at + 1))
            found.push_back(text.substr(at, text.find("\r\n", at) - at));
        return found;
    }
    size_t steps() const { return doc->undoManager().undoCount(); }
};

using Lines = std::vector<std::string>;

} // namespace

TEST(CanvasCommands, CopyAndPasteCascadeThroughTheSystemClipboard)
{
    CommandWindow w;
    QClipboard* clipboard = QGuiApplication::clipboard();
    w.select({"knob"});
    const Point o = w.origin("knob");
    w.action("actionCopy")->trigger();
    EXPECT_EQ(clipboard->text().toStdString(), "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=140,280,80,0\r\n");
    // A copy's graphic rect is aligned to the anchor's box, then moved by
    // the cascade: how far past that spot each lies, to the nearest point.
    auto cascade = [&](const char* name) {
        return Point{std::round(w.origin(name).x - o.x - Module::kMarginX),
                     std::round(w.origin(name).y - o.y - Module::kMarginY)};
    };

    // Pasted with the copied module selected: one cascade step.
    w.action("actionPaste")->trigger();
    ASSERT_EQ(w.selection(), Lines{"knob1"});
    EXPECT_EQ(cascade("knob1"), (Point{10, 10}));

    // Again with the original selected (where the first copy does not lie
    // over it): one more step.
    const QPoint original = w.at(o.x + 5, o.y + 5);
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, original);
    QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(w.selection(), Lines{"knob2"});
    EXPECT_EQ(cascade("knob2"), (Point{20, 20}));

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
    EXPECT_EQ(cascade("knob3"), (Point{60 * 3, 10 * 3}));

    // Undo and redo from the Edit menu, with their titles.
    EXPECT_EQ((Lines{w.shown("actionUndo"), w.shown("actionRedo")}), (Lines{"Undo Paste", "Redo (off)"}));
    w.action("actionUndo")->trigger();
    EXPECT_FALSE(w.patch().findModuleByName("knob3"));
    EXPECT_EQ((Lines{w.shown("actionUndo"), w.shown("actionRedo")}), (Lines{"Undo Move", "Redo Paste"}));

    // Sig text copied elsewhere (an editor) is selected last to first: the
    // last pasted is the one the others line up on.
    clipboard->setText("SINE OSC 220 0.3 ;=500,400,80,0\nGAIN amp OSC-out missing-out ;=620,400,80,0\n");
    w.select({});
    w.action("actionPaste")->trigger();
    EXPECT_EQ(w.selection(), (Lines{"amp", "OSC1"}));
}

TEST(CanvasCommands, CutDuplicateDeleteAndTheirTitles)
{
    CommandWindow w;
    UndoManager& undo = w.doc->undoManager();
    EXPECT_EQ((Lines{w.shown("actionDelete"), w.shown("actionCut"), w.shown("actionUndo")}),
              (Lines{"&Delete (off)", "Cu&t (off)", "Undo (off)"}));

    // A selected output with wires, a selected input with a source.
    w.click(w.pin("osc", "out"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Output Connections");
    w.action("actionDelete")->trigger();
    EXPECT_EQ(w.field("g", "in")->source(), nullptr);
    undo.undo();
    w.click(w.pin("g", "gain"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Input Connection");
    QTest::keyClick(w.view, Qt::Key_Backspace);
    EXPECT_EQ(w.field("g", "gain")->source(), nullptr);
    undo.undo();
    // An unwired input: nothing to delete.
    w.click(w.pin("osc", "freq"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete (off)");
    w.action("actionDelete")->trigger();
    EXPECT_EQ(undo.undoCount(), 0u);
    w.view->setSelectedWire(w.field("g", "in"));
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Connection");

    // Cut takes the modules with their wires; undo gives both back.
    w.select({"g", "osc"});
    EXPECT_EQ(w.shown("actionDelete"), "&Delete Selected Modules");
    w.action("actionCut")->trigger();
    EXPECT_FALSE(w.patch().findModuleByName("g"));
    EXPECT_EQ(QGuiApplication::clipboard()->text().left(9), "SINE osc ") << "in the patch's order";
    undo.undo();

    w.select({"osc", "g"});
    QTest::keyClick(w.window, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(w.selection(), (Lines{"osc1", "g1"}));

    // With external fields in the patch, deleting asks first.
    ScopedRecordingAlerts alerts;
    alerts.answers = {1};
    w.field("osc", "amp")->setAsWP(true);
    w.select({"lfo"});
    w.action("actionDelete")->trigger();
    EXPECT_TRUE(w.patch().findModuleByName("lfo")) << "cancelled";
    EXPECT_EQ(alertLines(alerts.recorded),
              Lines{"Informational | ALERT | You are about to delete a module with connections "
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
    EXPECT_EQ(w.inspected, (Lines{"shape", "knob"}));
    QTest::keyClick(w.window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(w.specific.empty()) << "two selected";
    w.select({"shape"});
    QTest::keyClick(w.window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(w.specific, Lines{"shape"});

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
    EXPECT_EQ(alertLines(alerts.recorded), Lines{"Informational | ALERT | Delete all 7 modules? | OK Cancel"});
    EXPECT_EQ(w.doc->sigData(), original);
    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_EQ(w.patch().moduleCount(), 1u) << "the head alone";
    w.doc->undoManager().undo();

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
    EXPECT_EQ(w.shown("actionDeleteRepeatingField"), "&Delete Repeating Field");
    w.action("actionDeleteRepeatingField")->trigger();
    EXPECT_EQ(w.field("mix", "count")->text(), "2");

    // Gridding to the canvas's spacing.
    GridSettings grid = w.view->gridSettings();
    grid.spacing = 50;
    ASSERT_TRUE(w.view->setGridSettings(grid));
    w.module("osc").moveToPosition(Point{133, 41});
    w.select({"osc", "lfo"});
    w.action("actionGridSelected")->trigger();
    EXPECT_EQ((std::vector{w.origin("osc"), w.origin("lfo")}), (std::vector{Point{150, 50}, Point{150, 150}}));

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
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Reposition");

    // The View toggles set the canvas's grid.
    w.action("actionShowGrid")->trigger();
    w.action("actionSnapToGrid")->trigger();
    EXPECT_TRUE(w.view->gridSettings().showsGrid && w.view->gridSettings().snapsToGrid);
    EXPECT_EQ(w.shown("actionShowGrid"), "Show &Grid");
    EXPECT_TRUE(w.action("actionShowGrid")->isChecked()) << "as the open menu shows it";
    EXPECT_EQ(w.shown("actionGridPanel"), "Grid &Panel (off)") << "no grid panel yet";
}

TEST(CanvasComments, AddCommentFromThePatchMenuOpensItForTyping)
{
    CommandWindow w;
    const Rect seen = w.view->visibleArea();
    w.action("actionAddComment")->trigger();
    CommentEditor* editor = w.comments().editor();
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->isVisible() && editor->hasFocus());
    ASSERT_EQ(w.doc->sigFile()->comments().size(), 1u);
    const Rect placed = CommentPainter::rect(*w.doc->sigFile()->comments()[0]);
    // The new text replaces the "Comment" it starts with; Return is a line break.
    QTest::keyClicks(editor, "Two");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "lines");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(w.comments().editor());
    const PatchComment first = *w.doc->sigFile()->comments()[0];
    const std::string place = numberString(first.origin.x) + "," + numberString(first.origin.y);
    EXPECT_EQ(w.lines(), Lines{";Comment=" + place + " Two\\nlines"});
    EXPECT_EQ(w.steps(), 2u);

    w.action("actionAddComment")->trigger();
    ASSERT_TRUE(w.comments().editor());
    QTest::keyClick(w.comments().editor(), Qt::Key_Escape);
    ASSERT_EQ(w.doc->sigFile()->comments().size(), 2u);
    const PatchComment second = *w.doc->sigFile()->comments()[1];
    // Each where it was placed: in what is seen, the second clear of the first.
    EXPECT_TRUE(seen.contains(placed) && seen.contains(CommentPainter::rect(second)));
    EXPECT_FALSE(CommentPainter::rect(first).intersects(CommentPainter::rect(second)));
    const std::string next = numberString(second.origin.x) + "," + numberString(second.origin.y);
    EXPECT_EQ(w.lines(), (Lines{";Comment=" + place + " Two\\nlines", ";Comment=" + next + " Comment"}));
    EXPECT_EQ(w.steps(), 3u) << "Escape keeps the text and records nothing";
}

TEST(CanvasComments, DraggingMovesTheCommentAsOneUndoStep)
{
    struct Case {
        const char* what;
        QPoint by;
        const char* line;
        size_t steps;
    };
    const Case cases[] = {
        {"by the mouse's way", {40, -20}, ";Comment=340,360 Old", 1},
        {"a 2-point wiggle moves nothing", {2, -2}, ";Comment=300,380 Old", 0},
        {"past the right edge: the canvas grows to reach it", {2000, 0}, ";Comment=2300,380 Old", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommandWindow w(commentedPatch());
        w.drag(w.at(305, 385), w.at(305, 385) + c.by);
        EXPECT_EQ(w.lines(), Lines{c.line});
        EXPECT_GE(w.view->width(), w.at(CommentPainter::rect(*w.patch().comments()[0]).maxX(), 0).x());
        EXPECT_EQ(w.comments().selected().size(), 1u);
        EXPECT_EQ(w.steps(), c.steps);
        // The gesture is over: the next drag moves a module, not the comment.
        const double knob = w.origin("knob").x;
        w.drag(w.middleOf("knob"), w.middleOf("knob") + QPoint(20, 0));
        EXPECT_EQ(w.origin("knob").x, knob + 20);
    }
}

// The menu of empty canvas adds a comment where it was opened; a comment
// has its own menu, and is edited in place, copied, pasted, deleted and
// undone as a module is.
TEST(CanvasComments, AddedFromTheMenuEditedInPlaceAndCopiedPastedDeletedAndUndoneAsAModule)
{
    CommandWindow w(commentedPatch());
    std::unique_ptr<QMenu> menu(w.view->menuForPoint(Point{200, 420}, w.view));
    QAction* add = menu->findChild<QAction*>("contextAddComment");
    ASSERT_TRUE(add);
    add->trigger();
    ASSERT_TRUE(w.comments().editor());
    QTest::keyClicks(w.comments().editor(), "Here");
    QTest::keyClick(w.comments().editor(), Qt::Key_Enter, Qt::ControlModifier);
    EXPECT_EQ(w.lines(), (Lines{";Comment=300,380 Old", ";Comment=200,420 Here"}));

    // On a comment: its own menu, and the comment selected for it.
    std::unique_ptr<QMenu> own(w.view->menuForPoint(Point{305, 385}, w.view));
    QStringList items;
    for (QAction* a : own->actions())
        items << a->objectName();
    EXPECT_EQ(items.join(' '), "contextCut contextCopy contextDelete contextEditComment");
    ASSERT_EQ(w.comments().selected().size(), 1u);
    EXPECT_EQ(w.comments().selected().front()->text, "Old");
    for (int i = 0; i < 2; ++i)
        w.action("actionUndo")->trigger();
    ASSERT_EQ(w.doc->sigData(), commentedPatch()) << "added, then typed";

    QTest::mouseDClick(w.view, Qt::LeftButton, Qt::NoModifier, w.at(305, 385));
    CommentEditor* editor = w.comments().editor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->toPlainText().toStdString(), "Old");
    EXPECT_EQ(editor->geometry().topLeft(), w.at(300, 380));
    QTest::keyClicks(editor, " text");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(w.lines(), Lines{";Comment=300,380 Old"});
    EXPECT_EQ(w.steps(), 0u);

    QTest::mouseDClick(w.view, Qt::LeftButton, Qt::NoModifier, w.at(305, 385));
    ASSERT_TRUE(w.comments().editor());
    QTest::keyClicks(w.comments().editor(), " text");
    // A click on empty canvas takes the focus: the text is kept.
    w.click(w.at(600, 420));
    EXPECT_FALSE(w.comments().editor());
    EXPECT_EQ(w.lines(), Lines{";Comment=300,380 Old text"});
    EXPECT_EQ(w.steps(), 1u);
    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.doc->sigData(), commentedPatch());

    // Copy, paste, delete and undo treat a comment as a module.
    QClipboard* clipboard = QGuiApplication::clipboard();
    w.click(w.at(305, 385));
    w.action("actionCopy")->trigger();
    EXPECT_EQ(clipboard->text().toStdString(), ";Comment=300,380 Old\r\n") << "the comment alone was selected";
    w.action("actionPaste")->trigger();
    EXPECT_EQ(w.lines(), (Lines{";Comment=300,380 Old", ";Comment=310,390 Old"}));

    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_EQ(w.lines(), Lines{";Comment=300,380 Old"}) << "the pasted one was selected";
    EXPECT_TRUE(w.comments().selected().empty());

    // Selecting a module lets the comment go; Shift-click adds comments.
    w.click(w.at(305, 385));
    w.click(w.middleOf("osc"));
    EXPECT_TRUE(w.comments().selected().empty());
    EXPECT_EQ(w.selection(), Lines{"osc"});

    w.action("actionUndo")->trigger();
    ASSERT_EQ(w.lines(), (Lines{";Comment=300,380 Old", ";Comment=310,390 Old"}));
    w.click(w.at(305, 385));
    // The pasted one, clicked where the first does not lie under it.
    const Rect pasted = CommentPainter::rect(*w.patch().comments()[1]);
    const QPoint corner = w.at(pasted.maxX() - 2, pasted.maxY() - 2);
    w.click(corner, Qt::ShiftModifier);
    w.action("actionCut")->trigger();
    EXPECT_EQ(w.lines(), Lines{});
    EXPECT_EQ(w.doc->undoManager().undoMenuItemTitle(), "Undo Cut");
    EXPECT_EQ(clipboard->text().toStdString(), ";Comment=300,380 Old\r\n;Comment=310,390 Old\r\n");
    w.action("actionUndo")->trigger();
    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.doc->sigData(), commentedPatch());
}
