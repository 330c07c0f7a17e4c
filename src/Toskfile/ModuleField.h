// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CompactText.h"
#include "base/Geometry.h"
#include "database/OperatorEntry.h"

#include <algorithm>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tosk {

class Module;
class ModuleField;

// A field as the model's lists and wires hold it: the address of a field that
// its module keeps for as long as the module lives (see FieldStore), without
// a count. What keeps a field beyond the edit at hand (undo steps, a view's
// marks, search results) holds a ModuleField::Ptr instead, which keeps the
// field's module alive.
class FieldRef {
public:
    FieldRef() = default;
    FieldRef(std::nullptr_t) {}
    FieldRef(ModuleField* field) : field_(field) {}
    FieldRef(const std::shared_ptr<ModuleField>& field) : field_(field.get()) {}

    ModuleField* get() const { return field_; }
    ModuleField* operator->() const { return field_; }
    ModuleField& operator*() const { return *field_; }
    explicit operator bool() const { return field_ != nullptr; }
    // Shares the ownership of the field's module.
    operator std::shared_ptr<ModuleField>() const;
    void reset() { field_ = nullptr; }

    friend bool operator==(FieldRef a, FieldRef b) { return a.field_ == b.field_; }

private:
    ModuleField* field_ = nullptr;
};

// One field of a module: an output, an input, a parameter, another value, the
// text of a comment or the hidden count of a repeated group.
//
// Ownership: the module keeps its fields, at fixed addresses, for its whole
// life (a field taken out of its list stays, for undo to put back). A field
// points back at its module without owning it. An input points at its source
// without owning it: a module outside the patch feeds nothing, so a source's
// module lives as long as the inputs it feeds are wired to it.
class ModuleField {
public:
    // Shares the ownership of the field's module (an aliasing pointer), so a
    // held field never outlives the module that keeps it.
    using Ptr = std::shared_ptr<ModuleField>;
    using Weak = std::weak_ptr<ModuleField>;

    // Bits of the visible-flag word.
    enum VisibleFlag : uint16_t {
        VF_OUT = 1,
        VF_ALWAYS_HIDDEN = 4,
        VF_WP = 16,
        VF_BAD = 64,
        VF_INVISIBLE = 128,
    };

    // Bits of getName(flags, headName), the form the file writer uses (14).
    enum NameFlag : int {
        NF_PATH = 1,
        NF_QUOTE = 2,
        NF_SUBST = 4,
        NF_NODE = 8,
        NF_EXTERNAL = 16,
        NF_QUOTE_STRING = 32,
        // An input whose reference did not resolve is written as an
        // unconnected one (what a unit is sent), not as the reference.
        NF_UNRESOLVED_AS_UNCONNECTED = 64,
    };

    // A field without module, entry or text.
    ModuleField();
    // Sets entry and text, then the output flag for output entries. A field
    // made so belongs to no module; a module's fields are made in its store.
    ModuleField(const std::string& text, const OperatorEntry* entry = nullptr);
    // A copy of another field for another module: no source, no count field
    // (the module rebinds it), no connections; everything else kept.
    enum class CopyOf { Field };
    ModuleField(CopyOf, const ModuleField& field);
    ModuleField(const ModuleField&) = delete;
    ModuleField& operator=(const ModuleField&) = delete;

    // A new field kept by the parent (which must be given).
    static ModuleField* fieldWithParent(Module* parent, const std::string& text, const OperatorEntry* entry = nullptr);
    static ModuleField* fieldWithField(const ModuleField& field, Module* parent);
    // This field, holding its module alive; a field of a module no shared
    // pointer owns (or of none) is answered without an owner.
    Ptr shared() const;

    // --- members
    // The module whose store keeps the field; none for a field made alone.
    Module* parent() const;
    // The top-level module holding this field (null without a module).
    Module* trueParent() const;
    // The count field lives in the same module: it is kept as its key there.
    ModuleField* iterator() const;
    // Throws for a count field kept by another module.
    void setIterator(ModuleField* iterator);
    // Plain setter: connection counts are not touched (see source(...)).
    FieldRef source() const { return m_Source; }
    void setSource(FieldRef source) { m_Source = source; }
    // The entry belongs to the operator of the module (the database keeps
    // it for as long as any module of it lives): a field only points at it.
    const OperatorEntry* entry() const { return m_pEntry; }
    void setEntry(const OperatorEntry* entry) { m_pEntry = entry; }
    std::string_view text() const { return m_Text.view(); }
    // Strips one pair of enclosing quotes and tidies numbers of fixed, float
    // and numeric control fields ("1.500" -> "1.5", ".25" -> "0.25").
    void setText(std::string_view text);
    // Puts back a text exactly as it was stored (undo), without setText's
    // tidying, which a stored text need not survive twice.
    void restoreText(std::string_view text) { m_Text.assign(text); }
    int16_t numConnects() const { return m_NumConnects; }
    void setNumConnects(int16_t n) { m_NumConnects = n; }
    uint16_t visibleFlags() const { return m_Visible; }
    void setVisibleFlags(uint16_t bits, bool how);
    uint8_t hideCount() const { return m_HideCount; }
    void setHideCount(uint8_t count) { m_HideCount = count; }
    int32_t numIterations() const { return m_NumIterations; }
    // Held in a byte that stops at 255: what readers ask is only whether the
    // field counts something.
    void setNumIterations(int32_t n)
    {
        m_NumIterations = static_cast<uint8_t>(std::clamp<int32_t>(n, 0, std::numeric_limits<uint8_t>::max()));
    }

    // --- flags
    bool isOutput() const { return (m_Visible & VF_OUT) != 0; }
    bool isAlwaysHidden() const { return (m_Visible & VF_ALWAYS_HIDDEN) != 0; }
    bool isHidden() const { return isAlwaysHidden() || m_HideCount > 0; }
    bool isWP() const { return (m_Visible & VF_WP) != 0; }
    bool isBad() const { return (m_Visible & VF_BAD) != 0; }
    bool isInvisible() const { return (m_Visible & VF_INVISIBLE) != 0; }
    void setAsOutput(bool on) { setVisibleFlags(VF_OUT, on); }
    void setAsAlwaysHidden(bool on) { setVisibleFlags(VF_ALWAYS_HIDDEN, on); }
    void setAsWP(bool on) { setVisibleFlags(VF_WP, on); }
    void setAsBad(bool on) { setVisibleFlags(VF_BAD, on); }
    void setAsInvisible(bool on) { setVisibleFlags(VF_INVISIBLE, on); }
    // The output bit follows the entry: set for CONTROL, SIGNAL, USEROBJ.
    void setTypeFlags();

    // --- type
    // The entry's type code, -1 without an entry.
    int type() const { return m_pEntry ? m_pEntry->entryType() : -1; }
    // The entry type's name; none without an entry.
    std::optional<std::string> typeName() const;
    // The type an output connects to and the reverse (11<->22, 12<->23,
    // 13<->24); -1 for every other type.
    static int targetType(int type);
    int targetType() const { return targetType(type()); }
    static bool isOutputType(int type) { return type >= OperatorEntry::CONTROL && type <= OperatorEntry::USEROBJ; }
    static bool isInputType(int type) { return type >= OperatorEntry::ED_CONTROL && type <= OperatorEntry::ED_USEROBJ; }
    bool isInput() const { return isInputType(type()); }
    // Whether the other field can be wired to this one. User objects never
    // join two fields of one module; control and signal may.
    bool typeIsCompatableWith(const ModuleField& other) const;

    // --- names
    std::string name() const { return entryName(OperatorField::NAME); }
    // The entry's item of that code, with the repetition number put in place
    // of "~n" for a repeated field; "" without an entry.
    std::string entryName(int code) const;
    // The same with the repetition number already known (from an
    // InstanceCounter walking the module's fields), which getInstance() would
    // count again.
    std::string entryName(int code, int instance) const;
    // 1-based number of this field's repetition; 0 for a field not repeated.
    int getInstance() const;
    // s with its last "~x" replaced by n, or s followed by n.
    static std::string setIteration(int n, const std::string& s);
    std::string getName() const { return getName(true, true, false, false, false); }
    // The field as shown: an output's connect tag, an input's source, an
    // external input's "<external>" (showext) or the text; quoted on request.
    std::string getName(bool path, bool quote, bool subst, bool node, bool showext) const;
    // The field as saved (NameFlag bits; the writer passes 14).
    std::string getName(int flags, const std::string& headName) const;
    // The same appended to `out`, as the file writer wants it.
    void appendName(std::string& out, int flags, const std::string& headName) const;
    // "module-tag" of the source; "" when unconnected. node looks through
    // NODE modules to the real source.
    std::string sourceName(bool path, bool node) const;
    // The source through NODE modules to the real one. None when the chain
    // ends at a node fed by nothing (`unfedNodeInput` is then that node's
    // input) or loops.
    const ModuleField* sourceThroughNodes(const ModuleField** unfedNodeInput = nullptr) const;
    // The source's NAME; none when unconnected.
    std::optional<std::string> outName() const;
    std::string moduleFieldName() const { return moduleFieldNameTranslate(false); }
    std::string moduleFieldNameTranslate(bool translate) const;
    std::string partialPath() const;
    // A head output that stands for nothing: "zero", "null" or "nullobj".
    bool isNullOutput() const;

    // --- values
    // The item read as a specifier: "=expr" evaluated, "@field" looked up,
    // anything else as it is.
    std::string getSpecifier(int code) const;
    // Checks a proposed text against the field's rules; a failure appends
    // one line to errorMsg.
    bool isValueValid(const std::string& value, std::string& errorMsg) const;
    // Whether a repeat count can change by delta (test only).
    bool checkFieldNum(int delta) { return changeFieldNum(delta, true); }
    bool changeFieldNum(int delta, bool test);
    // The hide count the file keeps (0 when shown or always hidden).
    int savedHideCount() const;

    // --- connections
    // Connects this input to src (or disconnects it), keeping the connection
    // counts of both sources right, then sets the text (none gives ""); the
    // input no longer holds an unresolved reference (isBad). With
    // setDefaults, the first connection of an interface module's control
    // output gives that module this input's limits and default, and a value
    // of that module the new limits leave out takes the new default.
    void source(FieldRef src, const std::optional<std::string>& text, bool setDefaults);
    // The one rule every count of the model follows: 0 resets, 1 adds one,
    // -1 takes one away, anything else changes nothing.
    template <typename T> static void changeCount(T& count, int n)
    {
        if (n == 0)
            count = 0;
        else if (n == 1 || n == -1)
            count = static_cast<T>(count + n);
    }
    void changeConnectCount(int n) { changeCount(m_NumConnects, n); }
    // Moves the counts of the source and of its module by n.
    void changeSourceReferenceCount(int n);
    // Whether the source belongs to the module or to a module inside it.
    bool connectedTo(const Module& module) const;

    // --- drawing
    // Colour ids of the colour table, by field kind.
    int strokeColor() const;
    int fillColor() const;

    // Appends " value" to the file text (nothing for outputs and computed
    // counts; "; value" for a field without an entry unless the flags leave
    // those out). Text for a unit (SAVE_ENTRIES_ONLY) carries no unresolved
    // reference.
    void save(std::string& buffer, const std::string& headName, int saveFlags) const;

    // "Field[%0x]%s[%s:%s] %s"
    std::string description() const;

private:
    void applyInterfaceDefaults(const ModuleField& control);
    // Stroke and fill colour ids of the field's kind.
    std::pair<int, int> colors() const;

    friend class FieldStore;
    static constexpr uint16_t kNoKey = 0xFFFF;
    FieldRef m_Source;
    const OperatorEntry* m_pEntry = nullptr;
    CompactText m_Text;
    // The count field of this field's group, by its key in the module's
    // store (kNoKey for none): two bytes instead of a pointer.
    uint16_t m_Iterator = kNoKey;
    int16_t m_NumConnects = 0;
    uint8_t m_NumIterations = 0;
    uint8_t m_Visible = 0;
    uint8_t m_HideCount = 0;
    // Where in its store's block the field stands, which finds the block and
    // so the module: a byte instead of a pointer back in every field.
    static constexpr uint8_t kAlone = 0xFF;
    uint8_t m_Slot = kAlone;
};

inline FieldRef::operator std::shared_ptr<ModuleField>() const
{
    return field_ ? field_->shared() : nullptr;
}

// Where a module keeps its fields: blocks that never move, freed only with
// the module, so that wires, field lists and undo steps can point at a field
// for as long as its module lives, and a patch's fields sit together in
// memory instead of in an allocation each. Each field made has a key, its
// number in the store, never reused: the module's order and a field's count
// field name fields by key in two bytes instead of a pointer's eight.
class FieldStore {
public:
    using Key = uint16_t;
    // Keys are 16 bits: a module holds at most this many fields.
    static constexpr size_t kMostFields = ModuleField::kNoKey;

    FieldStore() = default;
    FieldStore(const FieldStore&) = delete;
    FieldStore& operator=(const FieldStore&) = delete;
    ~FieldStore();

    // About n more fields are coming: the next block is made to hold them,
    // so that a module built from its operator takes one block of its size
    // (and one more for a group repeated beyond what its operator shows).
    void expectMore(size_t n) { expected_ += static_cast<uint32_t>(std::min(n, kMostFields)); }
    void expectNoMore() { expected_ = 0; }
    // Keys given so far (or set aside in a block): what is left is room.
    size_t keysGiven() const { return last_ ? last_->first + last_->capacity : 0; }
    // Takes every block of the other store, with its fields, which belong to
    // the owner from now on (a head replaced by one of another type hands its
    // fields, with their wires, to the new head). The taken fields get new
    // keys: the other store's order is emptied. Throws when the two do not
    // fit in one store.
    void takeBlocksOf(Module* owner, FieldStore& other);
    // Whether this store keeps the field.
    bool holds(const ModuleField& field) const;
    static Module* ownerOf(const ModuleField& field) { return blockOf(field)->owner; }
    static Key keyOf(const ModuleField& field) { return static_cast<Key>(blockOf(field)->first + field.m_Slot); }
    // The field of a key this store gave.
    ModuleField* at(Key key) const
    {
        const Block* block = last_;
        while (block->first > key)
            block = block->previous;
        return block->field(key - block->first);
    }
    // Throws when the store holds kMostFields already.
    template <typename... Args> ModuleField* make(Module* owner, Args&&... args)
    {
        if (!last_ || last_->used == last_->capacity)
            grow(owner, expected_ > 0 ? expected_ : last_ ? std::max<size_t>(4, last_->capacity) : 4);
        auto* field = ::new (last_->field(last_->used)) ModuleField(std::forward<Args>(args)...);
        field->m_Slot = static_cast<uint8_t>(last_->used);
        // Counted once made: a constructor that throws leaves nothing to
        // destroy.
        ++last_->used;
        if (expected_ > 0)
            --expected_;
        return field;
    }

private:
    // At most kAlone fields a block, so that a slot fits a field's byte.
    static constexpr size_t kMostPerBlock = ModuleField::kAlone;
    struct Block {
        Block* previous;
        Module* owner;
        uint16_t used;
        uint16_t capacity;
        // The key of the block's first slot.
        uint32_t first;
        ModuleField* field(size_t i) const
        {
            return reinterpret_cast<ModuleField*>(const_cast<std::byte*>(reinterpret_cast<const std::byte*>(this + 1)) +
                                                  i * sizeof(ModuleField));
        }
    };
    static_assert(sizeof(Block) % alignof(ModuleField) == 0);
    static const Block* blockOf(const ModuleField& field)
    {
        const auto* first = reinterpret_cast<const std::byte*>(&field) - field.m_Slot * sizeof(ModuleField);
        return reinterpret_cast<const Block*>(first - sizeof(Block));
    }
    void grow(Module* owner, size_t capacity);

    Block* last_ = nullptr;
    uint32_t expected_ = 0;
};

// A module's fields in their order, as keys over the store that keeps them.
// A group lists its members' fields, which other stores keep: an order that
// is given one holds plain references from then on. It reads like a vector
// of FieldRef.
class FieldOrder {
public:
    using Keys = std::vector<FieldStore::Key>;
    // What an undo step keeps of an order.
    struct Snapshot {
        Keys keys;
        std::vector<FieldRef> wide;
        bool isWide = false;
        bool operator==(const Snapshot&) const = default;
    };

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = FieldRef;
        using difference_type = std::ptrdiff_t;
        using reference = FieldRef;
        using pointer = void;
        const_iterator() = default;
        const_iterator(const FieldOrder* order, size_t at) : order_(order), at_(at) {}
        FieldRef operator*() const { return (*order_)[at_]; }
        FieldRef operator[](difference_type n) const { return (*order_)[at_ + static_cast<size_t>(n)]; }
        const_iterator& operator++() { return ++at_, *this; }
        const_iterator operator++(int) { return {order_, at_++}; }
        const_iterator& operator--() { return --at_, *this; }
        const_iterator operator--(int) { return {order_, at_--}; }
        const_iterator& operator+=(difference_type n) { return at_ += static_cast<size_t>(n), *this; }
        const_iterator& operator-=(difference_type n) { return at_ -= static_cast<size_t>(n), *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const_iterator a, const_iterator b)
        {
            return static_cast<difference_type>(a.at_) - static_cast<difference_type>(b.at_);
        }
        friend bool operator==(const_iterator a, const_iterator b) { return a.at_ == b.at_; }
        friend auto operator<=>(const_iterator a, const_iterator b) { return a.at_ <=> b.at_; }

    private:
        const FieldOrder* order_ = nullptr;
        size_t at_ = 0;
    };
    using iterator = const_iterator;
    using value_type = FieldRef;
    using size_type = size_t;

    FieldOrder() = default;
    FieldOrder(const FieldOrder&) = delete;
    FieldOrder& operator=(const FieldOrder&) = delete;

    FieldStore& store() { return store_; }
    const FieldStore& store() const { return store_; }

    size_t size() const { return wide_ ? wide_->size() : keys_.size(); }
    bool empty() const { return size() == 0; }
    FieldRef operator[](size_t i) const { return wide_ ? (*wide_)[i] : FieldRef(store_.at(keys_[i])); }
    FieldRef front() const { return (*this)[0]; }
    FieldRef back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    // Where the field stands in the order; npos when it is not in it.
    size_t indexOf(const ModuleField* field) const;
    // A copy as plain references, for a list that outlives changes.
    explicit operator std::vector<FieldRef>() const { return {begin(), end()}; }

    void push_back(FieldRef field);
    void insert(size_t index, FieldRef field);
    void set(size_t index, FieldRef field);
    void erase(size_t index);
    void clear();
    void reserve(size_t n) { wide_ ? wide_->reserve(n) : keys_.reserve(n); }
    size_t capacity() const { return wide_ ? wide_->capacity() : keys_.capacity(); }
    void shrink_to_fit() { wide_ ? wide_->shrink_to_fit() : keys_.shrink_to_fit(); }

    Snapshot snapshot() const;
    void restore(const Snapshot& snapshot);
    bool matches(const Snapshot& snapshot) const;
    // The fields a snapshot of this order names.
    std::vector<FieldRef> fieldsOf(const Snapshot& snapshot) const;
    // The other order's store and fields come here (see takeBlocksOf); the
    // other is left empty.
    void takeFieldsOf(Module* owner, FieldOrder& other);

private:
    // Whether a key can name the field; when not, the order widens.
    bool keyed(const ModuleField& field);

    // First, so that it goes last: the order names fields in it.
    FieldStore store_;
    Keys keys_;
    std::unique_ptr<std::vector<FieldRef>> wide_;
};

inline Module* ModuleField::parent() const
{
    return m_Slot == kAlone ? nullptr : FieldStore::ownerOf(*this);
}

} // namespace tosk
