// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleList.h"
#include "Toskfile/ModuleLookup.h"
#include "Toskfile/PatchComment.h"
#include "base/Geometry.h"
#include "base/Problems.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class SigDbase;
class SigDocument;

// A patch: the module list of one sig file with its head and tail modules,
// the database its modules were built from and the document that owns it.
//
// Reading runs in two passes: load() builds one module per record (groups
// become super modules), secondPass() turns reference texts into
// connections and converts a head written for another unit class. The tail
// module is kept out of the list and written last.
class SigFile : public ModuleList {
public:
    // The show mode a new window opens with: every display flag except
    // "reveal order" (0x80). Show mode is the window's, not the patch's.
    static constexpr int kDefaultShowMode = -129;

    // An empty patch: no head, no tail, nothing read.
    SigFile() = default;
    SigFile(std::shared_ptr<SigDbase> dbase, SigDocument* document);
    ~SigFile() override;

    // --- creation
    // With bytes: both passes over them (messages on). Without: a new patch
    // called "Empty". The file name is the one given, else (with bytes) the
    // program name made fit for a file name.
    static std::unique_ptr<SigFile> fileWithData(std::optional<std::string_view> bytes,
                                                 const std::optional<std::string>& fileName,
                                                 std::shared_ptr<SigDbase> dbase, SigDocument* document);
    void initWithData(std::optional<std::string_view> bytes, const std::optional<std::string>& fileName,
                      std::shared_ptr<SigDbase> dbase, SigDocument* document);
    // Reads the whole file (no bytes when it cannot be read) and goes on as
    // fileWithData with the path as file name.
    static std::unique_ptr<SigFile> fileWithFileName(const std::string& path, std::shared_ptr<SigDbase> dbase,
                                                     SigDocument* document);

    // --- reading
    // First pass: empties the patch, then builds one module per record. A
    // failure while reading a record is logged and ends the pass; the
    // modules read before it stay (loadError() tells what happened).
    void load(std::string_view bytes);
    // Second pass: resolves every module's references, converts the head;
    // with messages, reports what it could not resolve. Answers the number
    // of unresolved references.
    int secondPass(bool messages);
    // A new patch: a head called "adc" with that program name and tag.
    void loadNew(const std::string& programName);
    // The reason the last load stopped early, or left out a head or tail
    // the database cannot build ("name - reason"), if it did.
    const std::optional<std::string>& loadError() const { return loadError_; }
    // Unresolved references found by the last second pass.
    int unresolvedCount() const { return unresolved_; }
    // What the last load could not read, one line each: unknown operators,
    // records cut short, a head or tail the database cannot build, no head
    // in a file that holds records, reading stopped early. Empty when the
    // bytes were read faithfully (an empty or comment-only file is).
    const std::vector<std::string>& readProblems() const { return readProblems_; }
    // The alerts reading, reordering and updating raised (an unknown
    // operator, references that resolve to nothing, a reorder that cannot
    // be done, an update's outcome), in order, until the caller takes them
    // to show.
    const Problems& problems() const { return problems_; }
    Problems takeProblems() { return problems_.take(); }

    // The output a reference ("instance-tag") names, of the given module when
    // its instance name matches, else of the first module so named; a group
    // is never the module named (its members are).
    Module::FieldPtr getField(const std::string& reference, Module* module, int type) const;
    // Connects an input to a source (or to nothing: a control input then
    // keeps its value, or gets its default when forced or empty).
    void connect(ModuleField& input, Module::FieldPtr source, bool setDefaults, bool force);
    // Disconnects the inputs fed by `module` (all of them, or only those
    // whose source is no longer one of its fields) and gives empty inputs
    // their defaults. Answers 0.
    int update(Module* module, bool all);
    // "null", "zero" or "nullobj", case ignored.
    static bool isZero(const std::string& name);

    // --- head and tail
    void setHead();
    // Exchanges a head of another unit class for the database's head,
    // keeping the head's connections, program name, tag and position.
    void setHeadType();
    Module::Ptr findHead() const;
    Module::Ptr findTail() const;
    // The first module of that operator, case ignored.
    Module::Ptr findModule(const std::string& operatorName) const;
    Module::Ptr markerModule() const;
    const Module::Ptr& head() const { return m_Head; }
    const Module::Ptr& tail() const { return m_Tail; }
    const ModuleField::Ptr& adcNull() const { return adcNull_; }
    const ModuleField::Ptr& adcNullObject() const { return adcNullObject_; }
    // Takes the tail out, removes every module and lets go of the head.
    void deleteContents();
    // Replaces the list and finds the head again.
    void setListOfModules(List modules) override;

    // --- patch-wide values
    const std::shared_ptr<SigDbase>& sigDbase() const { return sigDbase_; }
    SigDocument* sigDocument() const { return sigDocument_; }
    void setSigDocument(SigDocument* document) { sigDocument_ = document; }
    const std::string& sigFileName() const { return sigFileName_; }
    void setSigFileName(const std::string& name) { sigFileName_ = name; }
    std::string programName() const;
    void setProgramName(const std::string& name);
    std::string author() const;
    void setAuthor(const std::string& name);
    float zoom() const { return m_Zoom; }
    void setZoom(float zoom) { m_Zoom = zoom; }
    int viewMode() const { return m_ViewMode; }
    void setViewMode(int mode) { m_ViewMode = mode; }
    // The comments on the canvas, in file order (PatchEditor changes them).
    const PatchComment::List& comments() const { return comments_; }
    void setComments(PatchComment::List comments) { comments_ = std::move(comments); }

    // --- writing (dataRepresentation, uploadRepresentation of the list)
    // The list's lines, then the tail's, then (in file text only) one
    // comment line per comment.
    std::string representation(int saveFlags) const override;

    // --- processing order
    // Groups the modules by what they feed (user objects, then controls,
    // then signals), keeping their relative order within each kind. False,
    // with a "Reorder Error" problem and nothing changed, when some module
    // feeds nothing.
    bool reorder();
    // Takes the values of a unit's copy of this patch (sig-file bytes) into
    // every unconnected field; answers the number changed, -1 when the two
    // patches differ in shape. The outcome is a problem to show.
    int updateParams(std::string_view bytes);

    // --- automatic layout
    // Lays every module out in columns by walking the connections out from
    // the head, stacking the boxes at their heights for the show mode.
    // Records nothing: an edit of an open patch goes through
    // PatchEditor::reposition, which registers its undo and announces it.
    void reposition(int showMode = kDefaultShowMode);
    // Puts a module below the lowest module of the column given by `rect`.
    void reposition(Module& module, const Rect& rect);
    void repositionModulesWithSignalsFrom(Module& module);
    void repositionModulesWithSignalsTo(Module& module);
    void repositionModulesWithControlsFrom(Module& module);
    void repositionModulesWithControlsTo(Module& module);
    void repositionUserObjectsFor(Module& module);
    // The modules joined to the module's fields of that type: those fed by
    // its outputs, or those feeding its inputs.
    List modulesConnectedTo(const Module& module, int fieldType) const;
    // The module with the lowest bottom edge among those whose horizontal
    // extent meets the rect's (bottoms above 0 only; the first wins a tie).
    Module::Ptr findLowestModule(const Rect& rect) const;
    // The lowest module of the rightmost column; none for an empty patch.
    Module::Ptr findRightMostModule() const;
    // Moves every placed module that is not a head.
    void offsetAllModules(double dx, double dy);
    void offsetSelectedModules(const List& modules, double dx, double dy);
    // Inserts after `other`; with reposition, a module without a place is
    // put beside it (beside the head's first input box after the head). False when `other` is not in the list.
    bool addModuleAfter(Module::Ptr module, const Module& other, bool reposition) override;
    using ModuleList::addModuleAfter;
    // Inserts each module after the one before it; false at the first
    // failure (true for an empty list).
    bool addModules(const List& modules, const Module& after, bool reposition);

private:
    friend class PatchLayout;
    // A module of the operator with its database defaults; none (logged, and
    // kept as the load error) when the database cannot build it.
    Module::Ptr moduleWithDefaults(const std::string& operatorName, const std::string& instanceName);
    struct Unresolved {
        Module::FieldPtr field;
        Module* module; // as read: a converted head's inputs have moved on
        int line;       // counting records from 1
        std::string reference;
    };
    // Resolves the module's references to modules already read (only
    // lists them for the second pass unless `resolve`).
    void resolveWhileReading(Module& module, int line, bool resolve);
    // After the tail records left the list: their references are dropped
    // and the modules read after the first of them that stay are indexed.
    void forgetRemovedRecords(size_t beforeTail);
    // Resolves the references of one module, marking and listing those that
    // name nothing.
    void secondPass(Module& module, int line, std::vector<Unresolved>& unresolved);
    // Resolves one input, marking and listing it when it names nothing.
    void resolveOrList(const Module::FieldPtr& field, Module& module, int line, std::vector<Unresolved>& unresolved);
    // Connects an input to what its text names; false when it names nothing.
    bool resolveField(ModuleField& field, Module& module);

    std::shared_ptr<SigDbase> sigDbase_;
    SigDocument* sigDocument_ = nullptr;
    std::string sigFileName_;
    Module::Ptr m_Head;
    Module::Ptr m_Tail;
    ModuleField::Ptr adcNull_;
    ModuleField::Ptr adcNullObject_;
    float m_Zoom = -1;
    int m_ViewMode = 0;
    std::optional<std::string> loadError_;
    std::vector<std::string> readProblems_;
    PatchComment::List comments_;
    Problems problems_;
    int unresolved_ = 0;
    // Instance names -> first module so named, while the second pass runs.
    const ModuleLookup* lookup_ = nullptr;
    // Left by reading for the second pass: the index of every module read,
    // and the inputs that named a module not read yet (or came before the
    // head), in the order of the records.
    struct Pending {
        Module::FieldPtr field;
        Module* module;
        int line;
    };
    std::unique_ptr<ModuleLookup> readLookup_;
    std::vector<Pending> pending_;
};

} // namespace tosk
