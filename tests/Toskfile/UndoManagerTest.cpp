// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/UndoManager.h"

#include "base/Localization.h"
#include "base/TkxException.h"

#include <gtest/gtest.h>

using namespace tosk;

namespace {

// A value whose setter registers its own inverse, the way every undoable edit
// of the model does.
struct Knob {
    UndoManager& undo;
    int value = 0;
    void set(int v)
    {
        int old = value;
        value = v;
        undo.registerUndo(this, [this, old] { set(old); });
    }
};

} // namespace

// Action names are keys of the UndoStrings table; one missing from it shows
// as itself.
TEST(UndoManager, OneStepPerEventNamedFromTheTableAndRedoAlternatesWithoutLimit)
{
    Localization::shared().loadTable("UndoStrings", "\"Reorder SigFile\" = \"Reorder Patch\";");
    UndoManager undo;
    Knob a{undo}, b{undo};
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo");

    undo.beginUndoGrouping();
    a.set(1);
    b.set(2);
    undo.setActionName("Move");
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    a.set(5);
    undo.setActionName("Reorder SigFile");
    undo.endUndoGrouping();
    ASSERT_EQ(undo.undoCount(), 2u);
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Reorder Patch");

    undo.undo();
    EXPECT_EQ(a.value, 1);
    undo.undo();
    EXPECT_EQ(a.value, 0) << "both edits of the first event go back at once";
    EXPECT_EQ(b.value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.redoMenuItemTitle(), "Redo Move");

    for (int round = 0; round < 3; ++round) {
        undo.redo();
        EXPECT_EQ(a.value + b.value, 3);
        EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Move") << "the name travels with the step";
        undo.undo();
        EXPECT_EQ(a.value + b.value, 0);
    }
    undo.redo();
    undo.redo();
    EXPECT_EQ(a.value, 5);
    EXPECT_FALSE(undo.canRedo());

    // A new edit after an undo drops the redo steps.
    undo.undo();
    ASSERT_TRUE(undo.canRedo());
    undo.beginUndoGrouping();
    b.set(9);
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(b.value, 2);
}

TEST(UndoManager, GroupsRegistrationStateAndChangeReports)
{
    UndoManager undo;
    Knob k{undo};
    std::vector<UndoManager::Change> changes;
    undo.setChangeObserver([&](UndoManager::Change c) { changes.push_back(c); });

    // Nested groups make one step; empty groups make none.
    undo.beginUndoGrouping();
    undo.beginUndoGrouping();
    k.set(1);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoCount(), 0u);
    k.set(2);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoCount(), 1u);
    EXPECT_THROW(undo.endUndoGrouping(), TkxException);

    // Outside a group, a registration is a step by itself.
    k.set(3);
    EXPECT_EQ(undo.undoCount(), 2u);

    // Undo asked inside the event that edited takes that edit back first.
    undo.beginUndoGrouping();
    k.set(4);
    undo.undo();
    EXPECT_EQ(k.value, 3);
    EXPECT_EQ(undo.groupingLevel(), 1);
    undo.endUndoGrouping();

    undo.redo();
    EXPECT_EQ(k.value, 4);
    using C = UndoManager::Change;
    EXPECT_EQ(changes, (std::vector<C>{C::Done, C::Done, C::Done, C::Undone, C::Redone}));

    // Loading records nothing.
    undo.disableUndoRegistration();
    k.set(7);
    undo.enableUndoRegistration();
    EXPECT_EQ(undo.undoCount(), 3u);

    int other = 0;
    undo.registerUndo(&other, [&] { other = 1; });
    undo.removeAllActions(&k);
    EXPECT_EQ(undo.undoCount(), 1u) << "steps left empty disappear";
    undo.undo();
    EXPECT_EQ(other, 1);
    EXPECT_EQ(k.value, 7);
}
