// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <QString>

namespace tosk {

class GraphicView;
class Module;

// The commands of a patch window's canvas, as the menus, the context menu,
// the buttons and the keys reach them.
enum class CanvasCommand {
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Duplicate,
    Delete,
    SelectAll,
    DeselectAll,
    InspectModule,
    EditSpecific,
    AddRepeatingField,
    DeleteRepeatingField,
    AlignLeft,
    AlignRight,
    AlignTop,
    AlignBottom,
    GridSelected,
    Reposition,
    Reorder,
    SetTitleAndAuthor,
    ShowRuler,
    ShowGrid,
    SnapToGrid,
    ZoomIn,
    ZoomOut,
    ZoomToFit,
    ZoomToSelection,
    AddComment,
};

// What a menu item of a command shows now.
struct CommandState {
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
    QString title;
};

// Carries out the canvas's commands on its selection and patch, each through
// the edit layer as one undo step, and says which can be carried out now
// and under what title (the menus' validation).
//
// Copied modules travel as sig-file text on the system clipboard, so text
// copied from a sig file in any editor pastes as well. Successive pastes of
// one copy cascade: the first lies (10, 10) from where the copy is aligned
// to the anchor, the next (20, 20), and a drag of the pasted modules in
// between adds its displacement to the step.
class CanvasCommands {
public:
    static constexpr double kCascadeStep = 10;

    explicit CanvasCommands(GraphicView& view);

    // Enabled state, check mark and title of the command's item.
    CommandState state(CanvasCommand command) const;
    // The item's title before anything was selected.
    static QString defaultTitle(CanvasCommand command);
    // Carries the command out when state() allows it (keys reach here
    // without the menu's validation); a gesture in progress is cancelled
    // first. Answers whether it ran.
    bool perform(CanvasCommand command);

    // Whether the module has a special editor (Edit Specific): the waveform
    // kinds and CURVE.
    static bool hasSpecialEditor(const Module& module);

    // A module drag moved the boxes by the offset.
    void noteDragStep(Point offset);
    Point pasteCascadeDelta() const { return pasteCascadeDelta_; }
    int pasteCascadeNumber() const { return pasteCascadeNumber_; }

private:
    bool canDelete(QString* title) const;
    bool hasModules() const;
    void copy();
    void cut();
    void paste();
    void duplicate();
    void deleteSelection();
    void inspect();
    void editSpecific();
    void addRepeatingField();
    void deleteRepeatingField();
    void reposition();
    void reorder();
    // "OK" or "Cancel" on a sheet of the window; true for OK.
    bool confirm(const char* titleKey, const char* title, const char* messageKey, const char* message) const;

    GraphicView& view_;
    // The text last put on the clipboard or noticed there: another text
    // there means another copy, whose pastes start a new cascade.
    QString clipboardText_;
    int pasteCascadeNumber_ = 0;
    Point pasteCascadeDelta_{kCascadeStep, kCascadeStep};
};

} // namespace tosk
