// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/PatchChange.h"

#include <string>
#include <vector>

namespace tosk {

class PatchState;
class SigDocument;

// How an edit is recorded and announced: the states before and after it go
// into one undo step under its name, whose undo restores the first and
// registers the redo, which restores the second; each of the three tells
// the document's views with one PatchChange.
class EditRecord {
public:
    // Records the edit whose state before it is `before` (the patch now
    // stands after it) and announces it as done. Without recordUndo, or
    // with undo registration off, nothing is registered and the document
    // keeps a change undo cannot take back.
    static void commit(SigDocument& document, PatchChange::Kind kind, const std::string& actionName,
                       const PatchState& before, unsigned aspects, const void* sender = nullptr,
                       bool recordUndo = true);
    // Announces a change that is still going on (the boxes of a drag).
    static void announceLive(SigDocument& document, PatchChange::Kind kind, const std::vector<Module::Ptr>& modules,
                             unsigned aspects);
};

} // namespace tosk
