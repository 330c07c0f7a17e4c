// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/UndoGroup.h"

#include "Toskfile/SigDocument.h"
#include "Toskfile/UndoManager.h"

namespace tosk {

UndoGroup::UndoGroup(UndoManager& undo) : undo_(undo)
{
    undo_.beginUndoGrouping();
}

UndoGroup::UndoGroup(SigDocument& document) : UndoGroup(document.undoManager()) {}

UndoGroup::~UndoGroup()
{
    // A group someone closed by hand is not closed twice: that would throw
    // out of a destructor.
    if (undo_.groupingLevel() > 0)
        undo_.endUndoGrouping();
}

} // namespace tosk
