// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasCommands.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleArrangement.h"
#include "Toskfile/PatchComment.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/WaveObject.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "canvas/CanvasComments.h"
#include "canvas/CanvasTracker.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"

#include <QClipboard>
#include <QGuiApplication>

#include <memory>

namespace tosk {

namespace {

struct Title {
    const char* key;
    const char* text;
};

Title titleOf(CanvasCommand command)
{
    switch (command) {
    case CanvasCommand::Undo:
        return {"MenuUndo", "&Undo"};
    case CanvasCommand::Redo:
        return {"MenuRedo", "&Redo"};
    case CanvasCommand::Cut:
        return {"MenuCut", "Cu&t"};
    case CanvasCommand::Copy:
        return {"MenuCopy", "&Copy"};
    case CanvasCommand::Paste:
        return {"MenuPaste", "&Paste"};
    case CanvasCommand::Duplicate:
        return {"MenuDuplicate", "D&uplicate"};
    case CanvasCommand::Delete:
        return {"MenuDelete", "&Delete"};
    case CanvasCommand::SelectAll:
        return {"MenuSelectAll", "Select &All"};
    case CanvasCommand::DeselectAll:
        return {"MenuDeselectAll", "Deselect A&ll"};
    case CanvasCommand::InspectModule:
        return {"MenuInspectModule", "&Inspect Module"};
    case CanvasCommand::EditSpecific:
        return {"MenuEditSpecific", "&Edit Specific"};
    case CanvasCommand::AddRepeatingField:
        return {"MenuAddRepeatingField", "&Add Repeating Field"};
    case CanvasCommand::DeleteRepeatingField:
        return {"MenuDeleteRepeatingField", "&Delete Repeating Field"};
    case CanvasCommand::AlignLeft:
        return {"MenuAlignLeft", "Align &Left Edges"};
    case CanvasCommand::AlignRight:
        return {"MenuAlignRight", "Align &Right Edges"};
    case CanvasCommand::AlignTop:
        return {"MenuAlignTop", "Align &Top Edges"};
    case CanvasCommand::AlignBottom:
        return {"MenuAlignBottom", "Align &Bottom Edges"};
    case CanvasCommand::GridSelected:
        return {"MenuGridSelected", "&Grid Selected Items"};
    case CanvasCommand::Reposition:
        return {"MenuReposition", "re-&Position"};
    case CanvasCommand::Reorder:
        return {"MenuReorder", "re-&Order"};
    case CanvasCommand::SetTitleAndAuthor:
        return {"MenuSetTitle", "Set &Title and Author..."};
    case CanvasCommand::ShowRuler:
        return {"MenuShowRuler", "Show &Ruler"};
    case CanvasCommand::ShowGrid:
        return {"MenuShowGrid", "Show &Grid"};
    case CanvasCommand::SnapToGrid:
        return {"MenuSnapToGrid", "&Snap to Grid"};
    case CanvasCommand::ZoomIn:
        return {"MenuZoomIn", "Zoom &In"};
    case CanvasCommand::ZoomOut:
        return {"MenuZoomOut", "Zoom &Out"};
    case CanvasCommand::ZoomToFit:
        return {"MenuZoomToFit", "Zoom to &Fit"};
    case CanvasCommand::ZoomToSelection:
        return {"MenuZoomToSelection", "Zoom to &Selection"};
    case CanvasCommand::AddComment:
        return {"MenuAddComment", "Add &Comment"};
    }
    return {"", ""};
}

QString text(const char* key, const char* fallback)
{
    return Latin1::text(key, fallback);
}

ModuleArrangement::Edge edgeOf(CanvasCommand command)
{
    switch (command) {
    case CanvasCommand::AlignRight:
        return ModuleArrangement::Edge::Right;
    case CanvasCommand::AlignTop:
        return ModuleArrangement::Edge::Top;
    case CanvasCommand::AlignBottom:
        return ModuleArrangement::Edge::Bottom;
    default:
        return ModuleArrangement::Edge::Left;
    }
}

} // namespace

CanvasCommands::CanvasCommands(GraphicView& view) : view_(view) {}

QString CanvasCommands::defaultTitle(CanvasCommand command)
{
    const Title t = titleOf(command);
    return text(t.key, t.text);
}

bool CanvasCommands::hasSpecialEditor(const Module& module)
{
    const int type = module.moduleType();
    return type == Module::CURVE || WaveObject::isWaveformKind(type);
}

bool CanvasCommands::hasModules() const
{
    const SigFile* patch = view_.sigFile();
    if (!patch)
        return false;
    for (const auto& m : patch->listOfModules())
        if (m.get() != view_.head() && !m->isTail())
            return true;
    return false;
}

bool CanvasCommands::canDelete(QString* title) const
{
    if (!view_.comments().selected().empty()) {
        *title = text("MenuDeleteComment", "&Delete Comment");
        return true;
    }
    if (!view_.selectedModules().empty()) {
        *title = text("MenuDeleteModules", "&Delete Selected Modules");
        return true;
    }
    if (ModuleField::Ptr wire = view_.selectedWire(); wire && wire->source()) {
        *title = text("MenuDeleteConnection", "&Delete Connection");
        return true;
    }
    ModuleField::Ptr field = view_.selectedField();
    if (field && field->isInput() && field->source()) {
        *title = text("MenuDeleteInput", "&Delete Input Connection");
        return true;
    }
    if (field && field->isOutput() && view_.sigFile() && !view_.sigFile()->fieldsConnectedTo(*field).empty()) {
        *title = text("MenuDeleteOutputs", "&Delete Output Connections");
        return true;
    }
    return false;
}

CommandState CanvasCommands::state(CanvasCommand command) const
{
    CommandState s;
    s.title = defaultTitle(command);
    SigDocument* document = view_.sigDocument();
    if (!document || !view_.sigFile())
        return s;
    const std::vector<Module*> selection = view_.selectedModules();
    const size_t selected = selection.size();
    const GridSettings& grid = view_.gridSettings();
    const GraphicWindowController* window = view_.graphicWindowController();
    ModuleField::Ptr field = view_.selectedField();

    switch (command) {
    case CanvasCommand::Undo:
        s.enabled = document->undoManager().canUndo();
        s.title = Latin1::qstring(document->undoManager().undoMenuItemTitle());
        break;
    case CanvasCommand::Redo:
        s.enabled = document->undoManager().canRedo();
        s.title = Latin1::qstring(document->undoManager().redoMenuItemTitle());
        break;
    case CanvasCommand::Cut:
    case CanvasCommand::Copy:
        s.enabled = selected > 0 || !view_.comments().selected().empty();
        break;
    case CanvasCommand::Duplicate:
    case CanvasCommand::DeselectAll:
        s.enabled = selected > 0;
        break;
    case CanvasCommand::Paste:
        s.enabled = selected < 2 && !QGuiApplication::clipboard()->text().isEmpty();
        break;
    case CanvasCommand::Delete:
        s.enabled = canDelete(&s.title);
        break;
    case CanvasCommand::SelectAll:
        s.enabled = hasModules();
        break;
    case CanvasCommand::InspectModule:
        s.enabled = selected > 0 && window && window->hooks().inspectModule;
        break;
    case CanvasCommand::EditSpecific:
        s.enabled = selected == 1 && hasSpecialEditor(*selection.front()) && window && window->hooks().editSpecific;
        break;
    case CanvasCommand::AddRepeatingField:
        s.enabled = field && PatchEditor::canAddRepetition(*field);
        break;
    case CanvasCommand::DeleteRepeatingField:
        s.enabled = field && PatchEditor::canRemoveRepetition(*field);
        break;
    case CanvasCommand::AlignLeft:
    case CanvasCommand::AlignRight:
    case CanvasCommand::AlignTop:
    case CanvasCommand::AlignBottom:
    // Gridding one box would be a command that does nothing.
    case CanvasCommand::GridSelected:
        s.enabled = selected >= 2;
        break;
    case CanvasCommand::Reposition:
    case CanvasCommand::Reorder:
        s.enabled = hasModules();
        break;
    case CanvasCommand::SetTitleAndAuthor:
        s.enabled = window != nullptr;
        break;
    case CanvasCommand::ShowRuler:
    case CanvasCommand::ShowGrid:
    case CanvasCommand::SnapToGrid:
        s.enabled = s.checkable = true;
        s.checked = command == CanvasCommand::ShowRuler  ? grid.showsRuler
                    : command == CanvasCommand::ShowGrid ? grid.showsGrid
                                                         : grid.snapsToGrid;
        break;
    case CanvasCommand::ZoomIn:
    case CanvasCommand::ZoomOut:
    case CanvasCommand::ZoomToFit:
        s.enabled = true;
        break;
    case CanvasCommand::ZoomToSelection:
        s.enabled = !view_.selectedModules().empty();
        break;
    case CanvasCommand::AddComment:
        s.enabled = true;
        break;
    }
    return s;
}

bool CanvasCommands::perform(CanvasCommand command)
{
    if (view_.tracker().isTracking())
        view_.tracker().cancel();
    if (!state(command).enabled)
        return false;
    SigDocument& document = *view_.sigDocument();
    if (command == CanvasCommand::Undo) {
        document.undoManager().undo();
        return true;
    }
    if (command == CanvasCommand::Redo) {
        document.undoManager().redo();
        return true;
    }
    UndoGroup event(document);
    switch (command) {
    case CanvasCommand::Undo:
    case CanvasCommand::Redo:
        break;
    case CanvasCommand::Cut:
        cut();
        break;
    case CanvasCommand::Copy:
        copy();
        break;
    case CanvasCommand::Paste:
        paste();
        break;
    case CanvasCommand::Duplicate:
        duplicate();
        break;
    case CanvasCommand::Delete:
        deleteSelection();
        break;
    case CanvasCommand::SelectAll:
        // Delete would take the modules, not the pin's wires: the pin lets go.
        view_.setSelectedField(nullptr);
        view_.setSelection(view_.selectableModules());
        break;
    case CanvasCommand::DeselectAll:
        view_.clearSelection();
        break;
    case CanvasCommand::InspectModule:
        inspect();
        break;
    case CanvasCommand::EditSpecific:
        editSpecific();
        break;
    case CanvasCommand::AddRepeatingField:
        addRepeatingField();
        break;
    case CanvasCommand::DeleteRepeatingField:
        deleteRepeatingField();
        break;
    case CanvasCommand::AlignLeft:
    case CanvasCommand::AlignRight:
    case CanvasCommand::AlignTop:
    case CanvasCommand::AlignBottom:
        PatchEditor(document).alignModules(view_.selectedModules(), edgeOf(command), view_.showMode());
        break;
    case CanvasCommand::GridSelected:
        PatchEditor(document).gridModules(view_.selectedModules(), view_.gridSettings().spacing);
        break;
    case CanvasCommand::Reposition:
        reposition();
        break;
    case CanvasCommand::Reorder:
        reorder();
        break;
    case CanvasCommand::SetTitleAndAuthor:
        view_.graphicWindowController()->raiseTitleWindow();
        break;
    case CanvasCommand::ShowRuler:
    case CanvasCommand::ShowGrid:
    case CanvasCommand::SnapToGrid: {
        GridSettings grid = view_.gridSettings();
        bool& flag = command == CanvasCommand::ShowRuler  ? grid.showsRuler
                     : command == CanvasCommand::ShowGrid ? grid.showsGrid
                                                          : grid.snapsToGrid;
        flag = !flag;
        view_.setGridSettings(grid);
        break;
    }
    case CanvasCommand::ZoomIn:
        view_.zoomIn();
        break;
    case CanvasCommand::ZoomOut:
        view_.zoomOut();
        break;
    case CanvasCommand::ZoomToFit:
        view_.zoomToFit();
        break;
    case CanvasCommand::ZoomToSelection:
        view_.zoomToSelection();
        break;
    case CanvasCommand::AddComment:
        view_.comments().add();
        break;
    }
    return true;
}

// ---------------------------------------------------------------- clipboard

void CanvasCommands::copy()
{
    const std::vector<Module*> selection = view_.selectedModules();
    const std::vector<PatchComment::Ptr> comments = view_.comments().selected();
    if (selection.empty() && comments.empty())
        return;
    std::vector<const Module*> sorted(selection.begin(), selection.end());
    std::sort(sorted.begin(), sorted.end());
    // In the patch's order, not the order of selection.
    std::string bytes;
    for (const auto& m : view_.sigFile()->listOfModules())
        if (std::binary_search(sorted.begin(), sorted.end(), m.get()))
            m->save(bytes, "adc", 0);
    // Comments travel as the lines the file keeps them in.
    for (const auto& c : comments)
        bytes += CommentLine::write(*c) + "\r\n";
    clipboardText_ = Latin1::qstring(bytes);
    QGuiApplication::clipboard()->setText(clipboardText_);
    pasteCascadeNumber_ = 1;
    pasteCascadeDelta_ = Point{kCascadeStep, kCascadeStep};
}

void CanvasCommands::cut()
{
    copy();
    PatchEditor editor(*view_.sigDocument());
    editor.deleteModules(view_.selectedModules(), "Cut");
    editor.deleteComments(view_.comments().selected(), "Cut");
    view_.clearSelection();
    view_.comments().clearSelection();
}

void CanvasCommands::paste()
{
    const std::vector<Module*> selection = view_.selectedModules();
    if (selection.size() > 1)
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    if (text != clipboardText_) {
        // Copied elsewhere: its pastes start where it aligns.
        clipboardText_ = text;
        pasteCascadeNumber_ = 0;
        pasteCascadeDelta_ = Point{kCascadeStep, kCascadeStep};
    }
    Module* anchor = selection.size() == 1 ? selection.front() : view_.head();
    const Point cascade{pasteCascadeDelta_.x * pasteCascadeNumber_, pasteCascadeDelta_.y * pasteCascadeNumber_};
    PatchEditor editor(*view_.sigDocument());
    const std::string bytes = Latin1::bytes(text);
    const ModuleList::List pasted = editor.paste(bytes, anchor, cascade);
    // Comments keep their places, moved by the cascade.
    const PatchEditor::Comments notes = editor.pasteComments(CommentLine::readAll(bytes), cascade);
    if (pasted.empty() && notes.empty())
        return;
    ++pasteCascadeNumber_;
    if (pasted.empty()) {
        view_.comments().setSelected(notes);
        return;
    }
    // Selected last to first: the last module pasted is the one Align lines
    // the others up on.
    std::vector<Module*> made;
    Rect bounds;
    const CanvasLayout& layout = view_.canvasLayout();
    for (auto it = pasted.rbegin(); it != pasted.rend(); ++it) {
        made.push_back(it->get());
        bounds = bounds.united(layout.graphicRect(**it));
    }
    view_.setSelection(made);
    view_.scrollRectToVisible(bounds);
}

void CanvasCommands::duplicate()
{
    const ModuleList::List made = PatchEditor(*view_.sigDocument()).duplicate(view_.selectedModules());
    if (made.empty())
        return;
    std::vector<Module*> copies;
    for (const auto& m : made)
        copies.push_back(m.get());
    view_.setSelection(copies);
}

void CanvasCommands::noteDragStep(Point offset)
{
    pasteCascadeDelta_.x += offset.x;
    pasteCascadeDelta_.y += offset.y;
}

// ---------------------------------------------------------------- deleting

void CanvasCommands::deleteSelection()
{
    PatchEditor editor(*view_.sigDocument());
    if (const auto comments = view_.comments().selected(); !comments.empty()) {
        editor.deleteComments(comments);
        view_.comments().clearSelection();
        return;
    }
    const std::vector<Module*> selection = view_.selectedModules();
    if (!selection.empty()) {
        // Emptying the whole patch at one key asks first.
        const size_t all = view_.selectableModules().size();
        if (all >= 2 && selection.size() == all) {
            const int answer = Alerts::show(
                AlertStyle::Informational, localized("ALERT", "ALERT"),
                fillIn(localized("DeleteAllModules", "Delete all %s modules?"), {std::to_string(all)}),
                {localized("OK", "OK"), localized("CANCEL", "Cancel")}, static_cast<const QWidget*>(view_.window()));
            if (answer != 0)
                return;
        }
        if (editor.deletingNeedsConfirmation()) {
            const int answer = Alerts::show(
                AlertStyle::Informational, localized("ALERT", "ALERT"),
                localized("DeleteModules",
                          "You are about to delete a module with connections outside the supermodule.") +
                    "\n",
                {localized("OK", "OK"), localized("CANCEL", "Cancel")}, static_cast<const QWidget*>(view_.window()));
            if (answer != 0)
                return;
        }
        editor.deleteModules(selection);
        view_.clearSelection();
        return;
    }
    if (ModuleField::Ptr wire = view_.selectedWire()) {
        view_.setSelectedWire(nullptr);
        editor.disconnectInput(wire);
        return;
    }
    ModuleField::Ptr field = view_.selectedField();
    if (!field)
        return;
    if (field->isOutput())
        editor.disconnectOutput(field);
    else
        editor.disconnectInput(field);
}

// ---------------------------------------------------------------- panels

void CanvasCommands::inspect()
{
    GraphicWindowController* window = view_.graphicWindowController();
    if (!window || !window->hooks().inspectModule)
        return;
    for (Module* m : view_.selectedModules())
        if (m != view_.head())
            window->hooks().inspectModule(*window, *m);
}

void CanvasCommands::editSpecific()
{
    GraphicWindowController* window = view_.graphicWindowController();
    const std::vector<Module*> selection = view_.selectedModules();
    if (!window || !window->hooks().editSpecific || selection.size() != 1 || !hasSpecialEditor(*selection.front()))
        return;
    window->hooks().editSpecific(*window, *selection.front());
}

// ---------------------------------------------------------------- fields

void CanvasCommands::addRepeatingField()
{
    ModuleField::Ptr made = PatchEditor(*view_.sigDocument()).addRepetition(view_.selectedField());
    if (made)
        view_.setSelectedField(made);
}

void CanvasCommands::deleteRepeatingField()
{
    ModuleField::Ptr field = view_.selectedField();
    Module* top = field ? field->trueParent() : nullptr;
    if (!top)
        return;
    const std::string name = field->name();
    std::shared_ptr<Module> keep = top->shared_from_this();
    if (!PatchEditor(*view_.sigDocument()).removeRepetition(field))
        return;
    // The pin now in the removed one's place, if there is one.
    view_.setSelectedField(keep->field(name));
}

// ---------------------------------------------------------------- whole patch

bool CanvasCommands::confirm(const char* titleKey, const char* title, const char* messageKey, const char* message) const
{
    const std::string name = view_.sigDocument()->displayName();
    const int answer = Alerts::show(
        AlertStyle::Informational, localized(titleKey, title), fillIn(localized(messageKey, message), {name}),
        {localized("OK", "OK"), localized("CANCEL", "Cancel")}, static_cast<const QWidget*>(view_.window()));
    return answer == 0;
}

void CanvasCommands::reposition()
{
    if (!confirm("Reposition", "Reposition Modules", "RepositionACK",
                 "Are you sure you want to reposition the modules for %s?"))
        return;
    if (PatchEditor(*view_.sigDocument()).reposition())
        view_.zoomToFit();
}

void CanvasCommands::reorder()
{
    if (!confirm("Reorder", "Reorder SigFile", "ReorderACK", "Are you sure you want to reorder the modules for %s?"))
        return;
    PatchEditor(*view_.sigDocument()).reorderAll();
    Alerts::show(view_.sigFile()->takeProblems());
}

} // namespace tosk
