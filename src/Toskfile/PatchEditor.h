// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ConnectionRules.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleArrangement.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchChange.h"
#include "Toskfile/PatchComment.h"
#include "Toskfile/PatchComparison.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/WaveWriteBack.h"
#include "base/Geometry.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class PatchState;
class SigDocument;
class SigFile;

// The edit layer: one operation for each change a user can make to the
// patch of a document. Whatever asks (a mouse gesture, a menu command, the
// inspector, a unit's parameters), the change goes through here.
//
// Every operation checks its arguments and changes nothing when they do not
// hold (a module or field that is not in this patch, a value the file could
// not hold, ...), answering false or nothing. Otherwise it changes the
// model, registers the exact inverse with the document's UndoManager under
// its name from "UndoStrings" (restoring the state as it was: the same
// module objects, order, wires, sources and texts; redo restores the state
// after, it never replays the gesture), and announces one PatchChange
// through SigDocument::patchDidChange. An operation that changes nothing
// registers and announces nothing.
//
// A PatchEditor holds no state of its own: make one where needed. Wrap each
// user event in an UndoGroup so that all it changes is one undo step. An
// operation run while undo registration is off marks the document with a
// change undo cannot take back.
class PatchEditor {
public:
    using Modules = std::vector<Module*>;

    // Throws TkxException for a document without a patch.
    explicit PatchEditor(SigDocument& document);

    SigDocument& document() const { return *document_; }
    SigFile& patch() const;

    // --- boxes
    // Moves the boxes by the offset, cut back per axis so that their bounds
    // (with pin margins) keep an origin of at least 1 point ("Move").
    bool moveModules(const Modules& modules, Point offset);
    // Lines up at least two boxes on the first one's edge ("Align Left
    // Edges", "Align Right Edges", "Align Top Edges", "Align Bottom Edges"),
    // the boxes as tall as that show mode draws them.
    bool alignModules(const Modules& modules, ModuleArrangement::Edge edge, int showMode = SigFile::kDefaultShowMode);
    // Puts at least two boxes' origins on the grid of that spacing, which
    // must be 1 or more ("Grid Selected Graphics").
    bool gridModules(const Modules& modules, double spacing);
    // Lays the whole patch out from its head ("Reposition"), the boxes as
    // tall as the show mode of the window that asks draws them. With
    // recordUndo off (a patch laid out as it is opened) nothing is
    // registered and the document keeps an unrecoverable change.
    bool reposition(int showMode = SigFile::kDefaultShowMode, bool recordUndo = true);

    // --- processing order
    // Puts `module` directly after `after` ("Reorder Module"). The head
    // cannot be moved.
    bool reorderModule(Module& module, Module& after);
    // Groups the modules by what they feed ("Reorder SigFile"); false after
    // the "Reorder Error" alert when some module feeds nothing.
    bool reorderAll();

    // --- wires
    // The connection gesture from pin `from` to pin `to` with the keys held
    // at release: resolves it (ConnectionRules::plan), adds a refusal's
    // alert to `refusals` when given, and connects ("Connect Field").
    bool connectGesture(const Module::FieldPtr& from, const Module::FieldPtr& to, GestureKeys keys,
                        Problems* refusals = nullptr);
    // Carries out a plan (from ConnectionRules::plan). With a repetition,
    // the repetition and the wire to its counterpart of the pin dropped on
    // are one step; when the group cannot grow after all, `refusal` (if
    // given) gets the plan's alert key and nothing changes; when that
    // field's type does not fit, nothing changes.
    bool connect(const ConnectionPlan& plan, std::string* refusal = nullptr);
    // Feeds an input from an output directly ("Connect Field").
    bool connectFields(const Module::FieldPtr& output, const Module::FieldPtr& input);
    // Unwires an input; a control input gets its default ("Delete
    // Connection").
    bool disconnectInput(const Module::FieldPtr& input);
    // Unwires every input an output feeds ("Delete Connection").
    bool disconnectOutput(const Module::FieldPtr& output);

    // --- modules
    // A new module of the operator, named after it in lower case (made
    // unique without regard to case), inserted after `anchor` (after the
    // last module without one) and placed beside it ("Add Module"). None for an unknown operator, a head
    // or tail operator, or an anchor not in the patch.
    Module::Ptr insertModule(const std::string& operatorName, Module* anchor);
    // The same with the new box's origin at the point (an operator dropped
    // there), kept so that its graphic rect starts at kMinOrigin or more.
    Module::Ptr insertModuleAt(const std::string& operatorName, Module* anchor, Point origin);
    // The same with the new box in free room of the area
    // (ModuleArrangement::freeOrigin, in steps of `step`), clear of every
    // module drawn in that show mode and of the rects in `alsoTaken`; the new
    // box is as tall as a new window draws it.
    Module::Ptr insertModuleInRoom(const std::string& operatorName, Module* anchor, const Rect& area, double step,
                                   const std::vector<Rect>& alsoTaken = {}, int showMode = SigFile::kDefaultShowMode);
    // A new module of the operator put into the wire that feeds `input`,
    // its box at `origin` as insertModuleAt places it ("Insert Module"):
    // the wire's source feeds the new module's first input it can feed, and
    // the new module's first output that can feed `input` does so; the new
    // module runs right after the source's module. None, and no change,
    // for an input without a source, or when the module has no such input
    // or output.
    Module::Ptr insertModuleOnWire(const std::string& operatorName, const Module::FieldPtr& input, Point origin);
    // Takes modules out of the patch with every wire in and out ("Delete
    // Selected Modules", or the name given, "Cut"). The head stays: the
    // rest of the modules given go without it.
    // Undo puts the same modules back at their places with their wires.
    bool deleteModules(const Modules& modules, const std::string& actionName = "Delete Selected Modules");
    // Whether deleting asks first: the patch has external (WP) fields.
    bool deletingNeedsConfirmation() const;
    // Pastes sig-file text after `anchor` (the head without one): the
    // modules' graphic bounds are aligned to the anchor's box, those never
    // placed are put beside it, then all move by `cascade` ("Paste"). A
    // patch holding nothing but its head takes a pasted head, with its
    // author, in its place. Answers the modules pasted; none (and no change)
    // when the text does not load cleanly (PasteReader).
    ModuleList::List paste(const std::string& text, Module* anchor, Point cascade = Point{});
    // Copies of the modules (of those in the patch, in list order) after the
    // last of them, moved by `offset`, with unique names; wires among them
    // are copied, inputs fed from outside stay fed ("Duplicate").
    ModuleList::List duplicate(const Modules& modules, Point offset = Point{10, 10});

    // --- fields
    // Whether the field's group can gain or lose a repetition.
    static bool canAddRepetition(const ModuleField& field);
    static bool canRemoveRepetition(const ModuleField& field);
    // Adds a repetition after the field's; its inputs get their defaults.
    // Answers its first field ("Add Repeating Field").
    Module::FieldPtr addRepetition(const Module::FieldPtr& field);
    // Removes the field's repetition with every wire in and out ("Delete
    // Repeating Field").
    bool removeRepetition(const Module::FieldPtr& field);
    // Stores a value as the inspector does ("Change Value"): a number in a
    // control input is a constant (the input is unwired); other text in an
    // input names a source ("osc1-out", or a group member by its path,
    // "v1/osc-out"), the head's "null" and "nullobj" unwiring a signal or
    // user-object input; any other field takes the text. Refused, with the
    // reason in `error`: outputs and hidden counts, external inputs, repeat
    // counts, a number in a signal or user-object input, a source that
    // cannot feed the input (the head's "null" and "nullobj" a control
    // input), a value its field does not accept, a name another module has
    // (case ignored), and a text the file could not read back (TextRules).
    // `sender` comes back in the change.
    bool setFieldText(const Module::FieldPtr& field, const std::string& value, std::string* error = nullptr,
                      const void* sender = nullptr);
    // Writes a point table back into its module as one "Change Value": adds
    // plan.repetitionChange repetitions after plan.lastPointName or removes
    // those of plan.removedPointNames in order, then sets every value as
    // setFieldText would. All or nothing: when a repetition cannot be added
    // or removed, or a value is refused, the module is left as it was and
    // the reason (for values) goes to `error`.
    bool applyWaveWriteBack(Module& module, const WaveWriteBack& plan, std::string* error = nullptr,
                            const void* sender = nullptr);
    // The program name (the head's title) and the author ("Set Title and
    // Author"); refused like setFieldText for texts the file could not read
    // back.
    bool setTitleAndAuthor(const std::string& title, const std::string& author, std::string* error = nullptr);
    // Takes a unit's copy of the patch into every unconnected field
    // ("Update Parameters"), with the alerts of SigFile::updateParams.
    // Answers the number of fields changed, -1 when the two patches differ
    // in shape, in which case the patch is left as it was.
    int updateParams(std::string_view bytes);
    // Takes the values given into their fields as one "Update Parameters"
    // (the values of a unit's copy the user chose to keep). Every field must
    // be an unconnected field of this patch that is not an output, and every
    // value one the file can read back; otherwise nothing changes. A field
    // given twice takes its last value. Answers the number of fields changed.
    int takeParameters(const std::vector<std::pair<Module::FieldPtr, std::string>>& values);

    // --- comments
    using Comments = std::vector<PatchComment::Ptr>;
    // The place every comment keeps at least, per axis.
    static constexpr double kCommentMinOrigin = 1;
    // A new comment with its top left corner at the point (kept at
    // kCommentMinOrigin or more), after the others ("Add Comment"). None for
    // a point that is not finite.
    PatchComment::Ptr addComment(Point origin, const std::string& text);
    // A comment's new text ("Edit Comment"); false when the comment is not
    // in the patch or already has that text.
    bool setCommentText(const PatchComment::Ptr& comment, const std::string& text);
    // Moves the comments by the offset, cut back per axis so that every one
    // keeps kCommentMinOrigin ("Move"). All must be in the patch.
    bool moveComments(const Comments& comments, Point offset);
    // Takes the comments out ("Delete Comment", or the name given: "Cut").
    // All must be in the patch.
    bool deleteComments(const Comments& comments, const std::string& actionName = "Delete Comment");
    // New comments with the places and texts given, moved by the offset
    // (and kept at kCommentMinOrigin), after the others ("Paste"). Answers
    // them; none for no comments or an offset that is not finite.
    Comments pasteComments(const std::vector<PatchComment>& comments, Point offset);

    // --- comparing
    // Makes this patch what the other patch of `comparison` (made with this
    // patch first) is in the differences chosen ("Take from Other"): an
    // added module comes in after the module it follows there, with its
    // wires; a removed one goes with every wire in and out; a field takes
    // the other's value or source (repetitions added or removed to match),
    // or its hide count; a box its place; a module its place in the
    // processing order; the title and the author their texts. Taking a
    // difference that needs a module this patch lacks (a source) takes that
    // module along. Refused, with nothing changed and the reason in
    // `refusal`: adding, removing or reordering a member of a group, a
    // repetition the field cannot have, another head, and a name another
    // module has (case ignored). Answers whether the patch changed.
    bool takeFromOther(const PatchComparison& comparison, const std::vector<PatchComparison::Choice>& chosen,
                       std::string* refusal = nullptr);

private:
    // insertModule, with the box placed by `place` once laid out.
    Module::Ptr insertPlaced(const std::string& operatorName, Module* anchor,
                             const std::function<void(Module&)>& place);
    // A new module of the operator, named for this patch, not yet in it;
    // none for an operator that cannot be added.
    Module::Ptr makeModule(const std::string& operatorName) const;
    // Puts the new module after `after` (last without one) and lays it out.
    void addMade(const Module::Ptr& module, const Module::Ptr& after);
    bool commit(PatchChange::Kind kind, const std::string& actionName, const PatchState& before, unsigned aspects,
                const void* sender = nullptr, bool recordUndo = true);
    // The module's owner in this patch (the module itself at top level);
    // none when it is not part of the patch.
    Module::Ptr inPatch(const Module* module) const;
    Module::Ptr topOf(const ModuleField& field) const;
    // The modules given that are in the patch, once each, in the order given.
    std::vector<Module::Ptr> members(const Modules& modules) const;
    Comments addComments(const std::vector<PatchComment>& comments, Point offset, PatchChange::Kind kind,
                         const std::string& actionName);
    // The comments given, once each, when all are in the patch; else none.
    Comments commentsInPatch(const Comments& comments) const;
    bool setBoxes(PatchChange::Kind kind, const std::string& actionName, const std::vector<Module::Ptr>& modules,
                  const std::vector<Rect>& boxes);

    SigDocument* document_;
};

} // namespace tosk
