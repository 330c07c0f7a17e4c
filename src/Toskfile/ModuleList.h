// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "base/Geometry.h"
#include "base/PointerTable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tosk {

// A number per module: serves the places of a list and the entries of a
// canvas layout.
using ModuleTable = PointerTable<Module>;

// Each module's place in a list, found without a walk. Valid while the list
// is unchanged; a module listed twice has its first place.
class ModulePlaces {
public:
    static constexpr size_t npos = ModuleTable::npos;
    explicit ModulePlaces(const std::vector<Module::Ptr>& list);
    // npos when the module is not in the list.
    size_t of(const Module* module) const { return places_.find(module); }

private:
    ModuleTable places_;
};

// An ordered list of shared modules: a patch (SigFile), the members of a
// super module, a clipboard or undo snapshot. The order is the processing
// order. Connections are not stored here: they are the sources of input
// fields.
class ModuleList {
public:
    using List = std::vector<Module::Ptr>;
    using FieldList = Module::FieldList;
    static constexpr size_t npos = static_cast<size_t>(-1);

    ModuleList() = default;
    virtual ~ModuleList() = default;
    ModuleList(const ModuleList&) = delete;
    ModuleList& operator=(const ModuleList&) = delete;

    // Holds the same modules as `other`, in the same order, then takes over
    // its connections (copyConnections).
    void initWithList(const ModuleList& other);
    std::unique_ptr<ModuleList> copy() const;

    // --- keeping
    const List& listOfModules() const { return listOfModules_; }
    const List& moduleArray() const { return listOfModules_; }
    virtual void setListOfModules(List modules);
    size_t moduleCount() const { return listOfModules_.size(); }
    size_t indexOfModule(const Module* module) const;
    Module::Ptr moduleAtIndex(size_t index) const;
    void addModule(Module::Ptr module);
    void addListOfModules(const ModuleList& other);
    // Inserted at the index; appended when the index is not below the count.
    void addModuleBefore(Module::Ptr module, size_t index);
    // Inserted at index + 1; appended when that is not below the count.
    void addModuleAfter(Module::Ptr module, size_t index);
    // Inserted after `other`; false when `other` is not in the list.
    virtual bool addModuleAfter(Module::Ptr module, const Module& other, bool reposition);
    // Takes the module out and puts it after `other`; nothing unless both
    // are in the list.
    void moveModule(const Module& module, const Module& other);
    void removeModule(const Module* module);
    void removeModuleAtIndex(size_t index);
    void removeAll();
    void replaceModuleAtIndex(size_t index, Module::Ptr module);

    // --- queries
    // The first module whose instance name equals name (case ignored); a
    // group answers for its members too.
    Module::Ptr findModuleByName(const std::string& name) const;
    // The module at n; with ignoreComments, the n-th module that has an
    // operator.
    Module::Ptr indexMod(size_t n, bool ignoreComments) const;
    size_t modIndex(const Module* module, bool ignoreComments) const;
    // Every field whose source is `output`, in list and field order.
    FieldList fieldsConnectedTo(const ModuleField& output) const;
    size_t numberOfFieldsConnectedTo(const ModuleField& output) const;
    // Adds (once, in list order) the modules fed by `field` and the module of
    // its source.
    void getModules(List& collection, const ModuleField& field) const;
    // Adds (once) the modules that have a field fed by `field`.
    void appendModulesConnectedTo(const ModuleField& field, List& collection) const;
    // Every other field of the list that `field` can be wired to.
    FieldList validConnectionsFor(const ModuleField& field) const;
    Module::FieldPtr hasInputFrom(const Module* module, int keyType) const;
    Module::FieldPtr hasOutputTo(const Module* module, int keyType) const;
    int hasWPFields() const;
    // The union of the graphic rects of the modules drawn in the show mode,
    // measured for it (nothing is laid out).
    Rect visibleArea(int showMode) const;
    FieldList nameFieldList(bool superOk) const;
    // False when any name field has exactly this text.
    bool isModuleNameUnique(const std::string& name) const;

    // --- writing
    static constexpr int kFileFlags = 0;
    static constexpr int kUploadFlags = Module::SAVE_NO_INFO | Module::SAVE_ENTRIES_ONLY;
    // The file text: one CR LF ended line per module, in list order.
    std::string dataRepresentation() const { return representation(kFileFlags); }
    // The text sent to a unit: no info tokens, no fields without an entry.
    std::string uploadRepresentation() const { return representation(kUploadFlags); }
    virtual std::string representation(int saveFlags) const;

    // --- repair and naming
    // Gives this list's modules the connections of `other`, a list of the
    // same shape: wires inside `other` map to the modules at the same places
    // here, wires to modules outside it stay.
    void copyConnections(const ModuleList& other);
    // After a paste: unconnected pins get their defaults back (control inputs
    // only when their value is not valid).
    void resetConnections();
    void makeNameUnique(Module& module, char delim) const;
    // Names each new module uniquely against this list and the new modules
    // before it.
    void makeNamesUnique(const List& newModules, char delim) const;
    // The same for modules the editor adds (and the members of groups among
    // them), without regard to case: references are found without regard
    // to case, so "OSC1" beside "osc1" would wire the wrong module on
    // reading.
    void makeNamesUniqueIgnoringCase(const List& newModules) const;

protected:
    // Appends every module's line.
    void saveModules(std::string& buffer, const std::string& headName, int saveFlags) const;

    List listOfModules_;
};

} // namespace tosk
