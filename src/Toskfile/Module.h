// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleField.h"
#include "base/Geometry.h"
#include "base/Problems.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class ModuleNameIndex;
class OperatorDesc;
class SigDbase;
class SigDocument;
class SigFile;
class SModule;
class SigfileTokenizer;
class UndoManager;

// One instance of an operator of the database: the fields its entries make,
// its place on the canvas and its counts. Modules are always shared
// (std::shared_ptr): patches, copies, the clipboard and undo steps hold them.
class Module : public std::enable_shared_from_this<Module> {
public:
    using Ptr = std::shared_ptr<Module>;
    // Fields as the model holds them (see FieldRef); ModuleField::Ptr where
    // one is kept beyond an edit.
    using FieldPtr = FieldRef;
    using FieldList = std::vector<FieldRef>;
    static constexpr size_t npos = static_cast<size_t>(-1);

    // Special kinds, by operator name; everything else is ORDINARY.
    enum ModuleType {
        TEXTBLOCK = 0,
        WAVEFORM = 1,
        CURVE = 2,
        C_CURVE = 3,
        M_CURVE = 4,
        M_UCURVE = 5,
        MULTITAP = 6,
        MULTIKNOB = 7,
        MULTITAP2 = 8,
        REMOTER = 9,
        N_EXTCONTROL = 10,
        ORDINARY = 11,
    };

    // The most repetitions a group is built with, whatever its count says.
    static constexpr int kMaxRepetitions = 32767;

    // Canvas geometry in points.
    static constexpr double kWidth = 80;
    static constexpr double kRowHeight = 16;
    static constexpr int kMinRows = 4;
    static constexpr double kPinSide = 80.0 / 7;
    static constexpr double kTitleHeight = 120.0 / 7;
    static constexpr double kInfoHeight = 80.0 / 7;
    static constexpr double kMarginX = 87.0 / 7;
    static constexpr double kMarginY = 1;
    static constexpr double kOrderCircleSize = 40;

    // Show-mode bits (the patch's display flags).
    enum ShowMode : int {
        SHOW_CONTROL = 1,
        SHOW_SIGNAL = 2,
        SHOW_USEROBJ = 4,
        SHOW_UNCONNECTED = 8,
        SHOW_DEFAULTS = 32,
        SHOW_INFO = 64,
        SHOW_ORDER = 128,
    };

    // Bits of the save flags passed from a list to every module and field.
    enum SaveFlag : int {
        SAVE_NO_INFO = 1,      // leave out the info token
        SAVE_ENTRIES_ONLY = 2, // leave out fields that have no database entry
    };
    // The name flags every field value is written with: quoted, looking
    // through nodes.
    static constexpr int kSaveNameFlags = ModuleField::NF_QUOTE | ModuleField::NF_SUBST | ModuleField::NF_NODE;

    // Notification names.

    // An empty module: no operator, no fields, its own parent.
    Module();
    virtual ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // --- construction
    // A module read from a record: its values are the tokenizer's next tokens.
    static Ptr moduleNamed(const std::string& name, SigfileTokenizer& tokenizer,
                           const std::shared_ptr<SigDbase>& dbase);
    // A new module with the database defaults and, when given, that instance
    // name.
    static Ptr moduleNamed(const std::string& name, const std::optional<std::string>& instanceName,
                           const std::shared_ptr<SigDbase>& dbase);
    void initWithName(const std::string& name, SigfileTokenizer* tokenizer,
                      const std::optional<std::string>& instanceName, const std::shared_ptr<SigDbase>& dbase);
    // Resets this module's own members, taking operator and position from
    // the template when one is given.
    void initModule(const Module* templ);
    // Makes the fields from the operator's entries (Throws TkxException on an
    // inconsistent operator; the fields made so far stay).
    void buildModule(const std::shared_ptr<SigDbase>& dbase, SigfileTokenizer* tokenizer, const std::string& name);
    // What reading this module's record left out ("line 4: unknown operator
    // 'X'", "line 9: X record cut short"), one line each; empty when it was
    // read whole. A group gathers its members' losses.
    const std::vector<std::string>& readLosses() const;
    void noteReadLoss(std::string loss) { readNotes().losses.push_back(std::move(loss)); }
    // The alerts building this module raised (an operator the database does
    // not know), for whoever reads it to show; a group gathers its members'.
    const Problems& buildProblems() const;
    void addBuildProblems(const Problems& problems);
    // A copy with copied fields, the same operator and entries, no document.
    virtual Ptr copy() const;
    void initWithModule(const Module& other);
    // Adds a repetition after the one `field` belongs to; answers its first
    // field (none when the count is at its maximum). New fields are also
    // appended to newFields.
    virtual FieldPtr addIteratedField(const ModuleField& field, FieldList* newFields);
    // Removes the repetition `field` belongs to (the caller checks the lower
    // limit first).
    void deleteIteratedField(const ModuleField& field);
    // Gives this module an instance name no other field of `names` has.
    void makeNameUnique(const FieldList& names, char delim);
    void makeNameUnique(ModuleNameIndex& names, char delim);
    // The info token of the file (position and hide counts), starting with
    // its blank; "" when there is nothing to write. The position is written
    // moved by `offset` (members of a group are kept relative to it).
    std::string moduleInfo() const { return moduleInfo(Point{}); }
    std::string moduleInfo(const Point& offset) const;
    // Appends the module's line (CR LF ended) to the buffer; `headName`
    // names the head in the texts of unconnected inputs. Node modules write
    // nothing (their connections are written as the real sources). Answers
    // the number of records the reader will count in what was written: 0
    // for nothing, 2 for a line whose info token holds hide counts but no
    // position (the reader takes that token for a comment record).
    int save(std::string& buffer, const std::string& headName, int saveFlags) const
    {
        return save(buffer, headName, saveFlags, Point{});
    }
    virtual int save(std::string& buffer, const std::string& headName, int saveFlags, const Point& offset) const;
    // Reads an info token (";=x,y,w,0 f= i,h,..."); false when it is not one
    // or holds fewer than two numbers. Throws on a field index that does not
    // exist.
    bool addInfo(std::string_view text);

    // --- document and patch
    virtual void setDocument(SigDocument* document, SigFile* sigFile);
    SigDocument* sigDocument() const { return sigDocument_; }
    SigFile* sigFile() const { return sigFile_; }
    // The document's undo manager; none without a document.
    UndoManager* undoManager() const;
    const std::shared_ptr<SigDbase>& sigDbase() const { return sigDbase_; }
    Module* parent() const { return m_Parent; }
    void setParent(Module* parent) { m_Parent = parent ? parent : this; }
    Module* trueParent();
    const Module* trueParent() const;
    bool isTopLevel() const { return m_Parent == this; }
    const std::shared_ptr<OperatorDesc>& opDescriptor() const { return opDescriptor_; }
    void setOpDescriptor(std::shared_ptr<OperatorDesc> op) { opDescriptor_ = std::move(op); }
    // The operator's name; "" for a comment.
    const std::string& name() const;
    std::string description() const;
    int32_t iterate() const { return m_Iterate; }
    void setIterate(int32_t v) { m_Iterate = v; }

    // --- field list
    // Where this module's fields are made and kept (ModuleField's
    // fieldWithParent and fieldWithField make them here).
    FieldStore& fieldStore() { return listOfFields.store(); }
    // Takes the other module's fields into this one's store, wires and all;
    // the other is left with none in its list (a head replaced by one of
    // another type).
    void takeFieldsOf(Module& other) { listOfFields.takeFieldsOf(this, other.listOfFields); }
    void addField(FieldPtr field);
    bool containsField(const ModuleField* field) const { return indexOfField(field) != npos; }
    const FieldOrder& fieldArray() const { return listOfFields; }
    // The order as an undo step keeps it, and putting it back.
    FieldOrder::Snapshot fieldOrder() const { return listOfFields.snapshot(); }
    void restoreFieldOrder(const FieldOrder::Snapshot& order) { listOfFields.restore(order); }
    FieldPtr fieldAtIndex(size_t index) const;
    size_t fieldCount() const { return listOfFields.size(); }
    size_t numFields() const { return listOfFields.size(); }
    FieldPtr lastField() const;
    size_t indexOfField(const ModuleField* field) const;
    // At the index; appended when the index is at or past the end.
    void insertField(FieldPtr field, size_t index);
    // After `after`; nothing when it is not a field of this module.
    void insertField(FieldPtr field, const ModuleField& after);
    void replaceFieldAtIndex(size_t index, FieldPtr field);
    void removeField(const ModuleField* field);
    void removeFieldAtIndex(size_t index);
    void removeAllFields();
    // Counting only fields that are neither always hidden nor invisible.
    FieldPtr visibleFieldAtIndex(size_t index) const;
    size_t visibleFieldCount() const;
    // Index of a field of this module; throws "pTarget not found".
    size_t fieldIndex(const ModuleField& field) const;
    // Field at an index; none for npos; throws "invalid index: %d".
    FieldPtr indexField(size_t index) const;

    // --- lookup
    // The first field whose entry item of that code equals name (case
    // ignored; repetition numbers in place).
    FieldPtr field(const std::string& name, int code = OperatorField::NAME) const;
    FieldPtr opstartNameField() const;
    // The same field without sharing it, for lookups made for every module.
    const ModuleField* nameField() const;
    std::string fieldText(const std::string& name, int code = OperatorField::NAME) const;
    bool setFieldText(const std::string& name, const std::string& text, int code = OperatorField::NAME);
    // The first field whose NAME equals name exactly.
    FieldPtr findCorrespondingFieldByName(const std::string& name) const;
    // The first input with a source of that target type (any for -1) that is,
    // when a module is given, connected to it.
    FieldPtr hasInputFrom(const Module* module, int keyType) const;

    // --- names
    // The name field's text ("" without one); it changes when the module is
    // renamed.
    std::string_view instanceName() const;
    bool setInstanceName(const std::string& name);
    // This module when its instance name equals name (case ignored).
    Module* checkName(const std::string& name);
    virtual Module* findModuleByName(const std::string& name) { return checkName(name); }
    std::string pathName() const;
    // The path without the top-level module's name ("" at top level the
    // instance name).
    std::string partialPath() const;
    virtual void addToNameFieldList(FieldList& list, bool superOk) const;

    // --- kind
    int moduleType() const;
    bool isSpecialModuleType() const { return moduleType() <= N_EXTCONTROL; }
    // No operator: a comment or an unknown operator's text (groups have no
    // operator either, but are not comments).
    virtual bool isComment() const { return !opDescriptor_; }
    virtual bool isSuper() const { return false; }
    // The module as a group (empty or not); none for any other module.
    // Reading asks this for every module and every reference, where a
    // dynamic_cast costs more than the rest of the test.
    virtual SModule* asGroup() { return nullptr; }
    virtual const SModule* asGroup() const { return nullptr; }
    bool isHead() const;
    bool isTail() const;
    bool isMarker() const;
    bool operatorNameIs(const std::string& name) const;
    bool operatorClassIs(const std::string& className) const;
    int hasWPFields() const;

    // --- counts
    int32_t numRefs() const { return m_NumRefs; }
    void changeReferenceCount(int n);

    // --- expressions
    // Evaluates a postfix expression among this module's fields and answers
    // the result formatted for the file (throws TkxException on a stack
    // underflow, an empty token or an empty expression).
    std::string processStackExpression(const std::string& expression) const;

    // --- undo
    // Puts the box back where it was kept, placed or not.
    void restoreBox(const Point& origin, double width, bool placed);

    // Takes the values of the same module read back from elsewhere (the unit)
    // for every unconnected field; answers how many changed.
    int updateParams(const Module& other);
    // The indexes of the fields updateParams would change: unconnected
    // fields that are not outputs, whose texts differ from the other
    // module's field at the same index (numbers compared as the file writes
    // them, so 1.50000 and 1.5 are the same).
    std::vector<size_t> differingParameters(const Module& other) const;

    // --- geometry
    // Where the module stands and the width of its box, as the file holds
    // them; the box's height is the show mode's (a view's CanvasLayout), so
    // this rect has none.
    const Rect& rect() const { return rect_; }
    // Stores the place and width (any height is dropped). A box of some
    // width is a position of the module's own.
    void setRect(const Rect& rect);
    // Whether the module has a position of its own (read from its file or
    // given to it), which the file keeps.
    bool isPlaced() const { return placed_; }
    // Places the module there with a box of the usual width.
    void moveToPosition(const Point& point);
    void moveBy(const Point& offset);
    // Colour ids of the colour table.
    int fillColor() const { return 14; }
    int strokeColor() const { return 13; }

protected:
    // The fields, kept in their store, in their order.
    FieldOrder listOfFields;

private:
    friend class ModuleBuilder;
    // Where the field of the operator's instance-name entry is; npos
    // without one.
    size_t nameFieldIndex() const;

    SigDocument* sigDocument_ = nullptr;
    SigFile* sigFile_ = nullptr;
    Module* m_Parent = this;
    std::shared_ptr<OperatorDesc> opDescriptor_;
    std::shared_ptr<SigDbase> sigDbase_;
    int32_t m_Iterate = 0;
    Rect rect_;
    bool placed_ = false;
    int32_t m_NumRefs = 0;
    // Only a record read with losses or problems has notes: a patch of
    // thousands of whole records carries none.
    struct ReadNotes {
        std::vector<std::string> losses;
        Problems problems;
    };
    ReadNotes& readNotes();
    std::unique_ptr<ReadNotes> readNotes_;
};

} // namespace tosk
