// SPDX-License-Identifier: GPL-3.0-or-later
// Edit > Find: the find bar at the bottom of a patch window, driven by its
// keys, walks the matches in the patch, selects them on the canvas and in an
// open inspector, and follows edits and undo while it is open.
#include "canvas/FindBar.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "editors/EditModuleController.h"
#include "editors/ModuleFieldTableModel.h"
#include "editors/ModuleFieldTableView.h"
#include "gui/AccessibilityCheck.h"
#include "gui/AppTestSupport.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>

using namespace tosk;
using namespace tosk::test;

namespace {

struct FindWindow {
    App app;
    GraphicWindowController* window = nullptr;
    FindBar* bar = nullptr;

    FindWindow()
    {
        window = app.documents->openDocument(app.file("groups.sig", readFile(dataPath("examples/groups.sig"))));
        if (!window)
            return;
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        bar = window->findBar();
    }
    // The selected modules' names, the label and whether the field shows
    // the no-match colour.
    std::string selected() const
    {
        std::string names;
        for (Module* m : window->graphicView()->selectedModules())
            names += (names.empty() ? "" : " ") + std::string(m->instanceName());
        return names;
    }
    std::string count() const { return bar->countLabel()->text().toStdString(); }
    bool red() const { return bar->field()->palette().color(QPalette::Base) == FindBar::noMatchColor(bar->palette()); }
    Module& module(const char* name) { return *window->sigFile()->findModuleByName(name); }
};

} // namespace

TEST(FindBar, CtrlFTypingEnterAndShiftEnterWalkTheMatchesAndSelectThem)
{
    FindWindow w;
    ASSERT_TRUE(w.window);
    ASSERT_TRUE(w.bar);
    EXPECT_TRUE(w.bar->isHidden());
    QTest::keyClick(w.window, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(w.bar->isVisible());
    EXPECT_TRUE(w.bar->field()->hasFocus());
    EXPECT_EQ(unnamedControls(w.bar), QStringList{}) << "the field's clear button too";

    // "LP" in any case: the names lp1 and lp2 inside the groups (each shown
    // by selecting its top-level group), then mix's two inputs fed by them.
    QTest::keyClicks(w.bar->field(), "LP");
    EXPECT_EQ(w.count(), "1 of 4");
    EXPECT_EQ(w.selected(), "both");
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* count;
        const char* selected;
    };
    const Step steps[] = {
        {Qt::Key_Return, Qt::NoModifier, "2 of 4", "both"},
        {Qt::Key_Return, Qt::NoModifier, "3 of 4", "mix"},
        {Qt::Key_Enter, Qt::NoModifier, "4 of 4", "mix"},
        {Qt::Key_Return, Qt::NoModifier, "1 of 4", "both"},   // round the end
        {Qt::Key_Return, Qt::ShiftModifier, "4 of 4", "mix"}, // and back
        {Qt::Key_Return, Qt::ShiftModifier, "3 of 4", "mix"},
        {Qt::Key_F3, Qt::ShiftModifier, "2 of 4", "both"},
        {Qt::Key_F3, Qt::NoModifier, "3 of 4", "mix"},
        {Qt::Key_G, Qt::ControlModifier, "4 of 4", "mix"},
        {Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier, "3 of 4", "mix"},
    };
    for (const Step& s : steps) {
        w.window->graphicView()->clearSelection();
        QTest::keyClick(w.bar->field(), s.key, s.modifiers);
        EXPECT_EQ(w.count(), s.count) << s.count;
        EXPECT_EQ(w.selected(), s.selected) << s.count;
    }

    // Escape closes the bar and keeps what it selected.
    QTest::keyClick(w.bar->field(), Qt::Key_Escape);
    EXPECT_TRUE(w.bar->isHidden());
    EXPECT_EQ(w.selected(), "mix");
    // F3 from the canvas opens it again and goes on.
    QTest::keyClick(w.window->graphicView(), Qt::Key_F3);
    EXPECT_TRUE(w.bar->isVisible());
    EXPECT_EQ(w.count(), "4 of 4");
}

TEST(FindBar, MatchesSelectInspectorRowsFollowEditsAndUndoAndNoMatchTurnsTheFieldRed)
{
    FindWindow w;
    ASSERT_TRUE(w.window);
    // A match in a module with an open inspector selects its row there.
    Module& mix = w.module("mix");
    EditModuleController* inspector = EditModuleController::open(*w.window, mix);
    ASSERT_TRUE(inspector);
    w.window->activateWindow();
    QTest::keyClick(w.window, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(w.bar->field(), "lp2-");
    EXPECT_EQ(w.count(), "1 of 1");
    EXPECT_EQ(w.selected(), "mix");
    const QModelIndexList rows = inspector->tableView()->selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 1);
    const ModuleField::Ptr field = inspector->model()->fieldAtIndex(rows.front().row());
    ASSERT_TRUE(field);
    ASSERT_TRUE(field->source());
    EXPECT_EQ(field->source()->parent()->instanceName(), "lp2");

    w.bar->field()->clear();
    QTest::keyClicks(w.bar->field(), "lp3");
    EXPECT_EQ(w.count(), "No match");
    EXPECT_TRUE(w.red());

    Module& lp2 = w.module("lp2");
    {
        UndoGroup event(*w.window->sigDocument());
        ASSERT_TRUE(PatchEditor(*w.window->sigDocument()).setFieldText(lp2.opstartNameField(), "lp3"));
    }
    // The renamed module and the input it feeds.
    EXPECT_EQ(w.count(), "1 of 2");
    EXPECT_FALSE(w.red());
    w.window->sigDocument()->undoManager().undo();
    EXPECT_EQ(w.count(), "No match");
    EXPECT_TRUE(w.red());
    w.window->sigDocument()->undoManager().redo();
    EXPECT_EQ(w.count(), "1 of 2");
    // Emptied, the field is neither red nor counting.
    w.bar->field()->clear();
    EXPECT_EQ(w.count(), "");
    EXPECT_FALSE(w.red());
}
