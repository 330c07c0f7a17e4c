// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tosk {

class SigDocument;
class UndoManager;

// Makes everything registered during its life one undo step: the window
// opens one for each user event (a click, a key, a whole drag, a sheet's
// answer) and every edit made while handling it is undone together. Groups
// nest; only the outermost one closes the step.
class UndoGroup {
public:
    explicit UndoGroup(UndoManager& undo);
    explicit UndoGroup(SigDocument& document);
    ~UndoGroup();
    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;

private:
    UndoManager& undo_;
};

} // namespace tosk
