// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleField.h"

#include "Toskfile/FieldExpression.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleBuilder.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigFile.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/OperatorEntry.h"

#include <cinttypes>
#include <unordered_set>

namespace tosk {

namespace {

// Quotes the name that `text` holds from `from` on, for display or the
// file: "" for an empty one. A number holds no byte that needs quotes, so it
// stays as it is; blanks around one would be dropped by the reader, and
// quoteIfNeeded quotes those.
void quoteNameFrom(std::string& text, size_t from)
{
    const std::string_view name = std::string_view(text).substr(from);
    if (name.empty()) {
        text += "\"\"";
        return;
    }
    // setText takes one enclosing pair of apostrophes off every text it is
    // given, the reader's included: a text that begins and ends with one
    // gets a further pair inside the quotes.
    if (name.front() == '\'' && name.back() == '\'' && name.find('"') == std::string_view::npos) {
        text.insert(from, "\"'");
        text += "'\"";
        return;
    }
    quoteIfNeededFrom(text, from);
}

// What unconnected inputs name: the head, "head" in a patch without one.
std::string_view headOrDefault(const std::string& headName)
{
    return headName.empty() ? std::string_view("head") : std::string_view(headName);
}

std::string quotedName(const std::string& name)
{
    std::string text = name;
    quoteNameFrom(text, 0);
    return text;
}

} // namespace

ModuleField::ModuleField() = default;

ModuleField::ModuleField(const std::string& text, const OperatorEntry* entry) : m_pEntry(entry)
{
    setText(text);
    setTypeFlags();
}

ModuleField::ModuleField(CopyOf, const ModuleField& field)
    : m_pEntry(field.m_pEntry), m_Text(field.m_Text), m_NumIterations(field.m_NumIterations),
      m_Visible(field.m_Visible), m_HideCount(field.m_HideCount)
{
}

ModuleField* ModuleField::fieldWithParent(Module* parent, const std::string& text, const OperatorEntry* entry)
{
    return parent->fieldStore().make(parent, text, entry);
}

ModuleField* ModuleField::fieldWithField(const ModuleField& field, Module* parent)
{
    return parent->fieldStore().make(parent, CopyOf::Field, field);
}

ModuleField::Ptr ModuleField::shared() const
{
    auto* self = const_cast<ModuleField*>(this);
    Module* owner = parent();
    return Ptr(owner ? std::shared_ptr<Module>(owner->weak_from_this().lock()) : nullptr, self);
}

FieldStore::~FieldStore()
{
    while (Block* block = last_) {
        for (size_t i = 0; i < block->used; ++i)
            block->field(i)->~ModuleField();
        last_ = block->previous;
        ::operator delete(block);
    }
}

void FieldStore::takeBlocksOf(Module* owner, FieldStore& other)
{
    if (!other.last_ || &other == this)
        return;
    const size_t offset = keysGiven();
    if (offset + other.keysGiven() > kMostFields)
        throw TkxException("FieldStore.takeBlocksOf", "too many fields for one module");
    // The taken keys move up by what this store has given, and so do the
    // count fields the taken fields name (always of their own store).
    Block* oldest = other.last_;
    for (;; oldest = oldest->previous) {
        oldest->owner = owner;
        oldest->first += static_cast<uint32_t>(offset);
        for (size_t i = 0; i < oldest->used; ++i) {
            ModuleField* f = oldest->field(i);
            if (f->m_Iterator != ModuleField::kNoKey)
                f->m_Iterator = static_cast<Key>(f->m_Iterator + offset);
        }
        if (!oldest->previous)
            break;
    }
    oldest->previous = last_;
    last_ = std::exchange(other.last_, nullptr);
}

void FieldStore::grow(Module* owner, size_t capacity)
{
    const size_t first = keysGiven();
    capacity = std::min({capacity, kMostPerBlock, kMostFields - first});
    if (capacity == 0)
        throw TkxException("FieldStore.grow", "too many fields for one module");
    auto* block = static_cast<Block*>(::operator new(sizeof(Block) + capacity * sizeof(ModuleField)));
    block->previous = last_;
    block->owner = owner;
    block->used = 0;
    block->capacity = static_cast<uint16_t>(capacity);
    block->first = static_cast<uint32_t>(first);
    last_ = block;
}

bool FieldStore::holds(const ModuleField& field) const
{
    if (field.m_Slot == ModuleField::kAlone)
        return false;
    const Block* block = blockOf(field);
    for (const Block* b = last_; b; b = b->previous)
        if (b == block)
            return true;
    return false;
}

size_t FieldOrder::indexOf(const ModuleField* field) const
{
    if (!field)
        return std::string::npos;
    if (wide_) {
        auto at = std::find(wide_->begin(), wide_->end(), FieldRef(const_cast<ModuleField*>(field)));
        return at == wide_->end() ? std::string::npos : static_cast<size_t>(at - wide_->begin());
    }
    if (!store_.holds(*field))
        return std::string::npos;
    auto at = std::find(keys_.begin(), keys_.end(), FieldStore::keyOf(*field));
    return at == keys_.end() ? std::string::npos : static_cast<size_t>(at - keys_.begin());
}

bool FieldOrder::keyed(const ModuleField& field)
{
    if (wide_)
        return false;
    if (store_.holds(field))
        return true;
    wide_ = std::make_unique<std::vector<FieldRef>>(begin(), end());
    keys_ = Keys();
    return false;
}

void FieldOrder::push_back(FieldRef field)
{
    if (keyed(*field))
        keys_.push_back(FieldStore::keyOf(*field));
    else
        wide_->push_back(field);
}

void FieldOrder::insert(size_t index, FieldRef field)
{
    if (keyed(*field))
        keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(index), FieldStore::keyOf(*field));
    else
        wide_->insert(wide_->begin() + static_cast<std::ptrdiff_t>(index), field);
}

void FieldOrder::set(size_t index, FieldRef field)
{
    if (keyed(*field))
        keys_[index] = FieldStore::keyOf(*field);
    else
        (*wide_)[index] = field;
}

void FieldOrder::erase(size_t index)
{
    if (wide_)
        wide_->erase(wide_->begin() + static_cast<std::ptrdiff_t>(index));
    else
        keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(index));
}

void FieldOrder::clear()
{
    keys_.clear();
    if (wide_)
        wide_->clear();
}

FieldOrder::Snapshot FieldOrder::snapshot() const
{
    return wide_ ? Snapshot{{}, *wide_, true} : Snapshot{keys_, {}, false};
}

bool FieldOrder::matches(const Snapshot& snapshot) const
{
    return wide_ ? snapshot.isWide && snapshot.wide == *wide_ : !snapshot.isWide && snapshot.keys == keys_;
}

void FieldOrder::restore(const Snapshot& snapshot)
{
    if (snapshot.isWide) {
        wide_ = std::make_unique<std::vector<FieldRef>>(snapshot.wide);
        keys_ = Keys();
    } else {
        wide_.reset();
        keys_ = snapshot.keys;
    }
}

std::vector<FieldRef> FieldOrder::fieldsOf(const Snapshot& snapshot) const
{
    if (snapshot.isWide)
        return snapshot.wide;
    std::vector<FieldRef> fields;
    fields.reserve(snapshot.keys.size());
    for (FieldStore::Key key : snapshot.keys)
        fields.emplace_back(store_.at(key));
    return fields;
}

void FieldOrder::takeFieldsOf(Module* owner, FieldOrder& other)
{
    store_.takeBlocksOf(owner, other.store_);
    other.keys_.clear();
    other.wide_.reset();
}

ModuleField* ModuleField::iterator() const
{
    return m_Iterator == kNoKey ? nullptr : parent()->fieldStore().at(m_Iterator);
}

void ModuleField::setIterator(ModuleField* iterator)
{
    if (!iterator) {
        m_Iterator = kNoKey;
        return;
    }
    if (!parent() || iterator->parent() != parent())
        throw TkxException("ModuleField.setIterator", "count field of another module");
    m_Iterator = FieldStore::keyOf(*iterator);
}

Module* ModuleField::trueParent() const
{
    return parent() ? parent()->trueParent() : nullptr;
}

void ModuleField::setText(std::string_view text)
{
    // Tidied as a view: every field of a patch being read passes here, and
    // only ".5" needs a new text (its leading zero).
    if (!text.empty()) {
        char first = text.front(), last = text.back();
        if ((first == '"' && last == '"') || (first == '\'' && last == '\''))
            text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view();
    }
    std::string withZero;
    std::string_view s = text;
    int t = type();
    if (t == OperatorEntry::ED_FIXED || t == OperatorEntry::ED_FLOAT ||
        // A control input changes only when it is a number with a point.
        (t == OperatorEntry::ED_CONTROL && s.find('.') != std::string_view::npos && isNumeric(s))) {
        // Signs first, so that "+.5" gains its leading zero now rather than
        // on the next save.
        if (t == OperatorEntry::ED_FLOAT) {
            size_t signs = 0;
            while (signs < s.size() && s[signs] == '+')
                ++signs;
            s.remove_prefix(signs);
        }
        size_t dot = s.find('.');
        if (dot != std::string_view::npos) {
            if (dot == 0) {
                withZero.reserve(s.size() + 1);
                withZero.append("0").append(s);
                s = withZero;
                dot = 1;
            }
            // Until nothing more goes, so that the tidied text tidies to
            // itself: ".800." must not save as "0.800" and then as "0.8".
            // Only the end is cut, so a point is left while the text
            // reaches past the first one.
            while (s.size() > dot) {
                const size_t before = s.size();
                while (!s.empty() && s.back() == '0')
                    s.remove_suffix(1);
                if (!s.empty() && s.back() == '.')
                    s.remove_suffix(1);
                if (s.size() == before)
                    break;
            }
        }
    }
    // assign copes with the text being this field's own.
    m_Text.assign(s);
}

void ModuleField::setVisibleFlags(uint16_t bits, bool how)
{
    if (how)
        m_Visible |= bits;
    else
        m_Visible &= static_cast<uint16_t>(~bits);
}

void ModuleField::setTypeFlags()
{
    setAsOutput(isOutputType(type()));
}

std::optional<std::string> ModuleField::typeName() const
{
    const char* name = OperatorEntry::typeName(type());
    if (!name)
        return std::nullopt;
    return std::string(name);
}

int ModuleField::targetType(int type)
{
    switch (type) {
    case OperatorEntry::CONTROL:
        return OperatorEntry::ED_CONTROL;
    case OperatorEntry::SIGNAL:
        return OperatorEntry::ED_SIGNAL;
    case OperatorEntry::USEROBJ:
        return OperatorEntry::ED_USEROBJ;
    case OperatorEntry::ED_CONTROL:
        return OperatorEntry::CONTROL;
    case OperatorEntry::ED_SIGNAL:
        return OperatorEntry::SIGNAL;
    case OperatorEntry::ED_USEROBJ:
        return OperatorEntry::USEROBJ;
    default:
        return -1;
    }
}

bool ModuleField::typeIsCompatableWith(const ModuleField& other) const
{
    int mine = type();
    int theirs = other.type();
    if (mine < 0 || theirs != targetType(mine))
        return false;
    if (mine == OperatorEntry::USEROBJ || mine == OperatorEntry::ED_USEROBJ)
        return parent() != other.parent();
    return true;
}

std::string ModuleField::setIteration(int n, const std::string& s)
{
    size_t tilde = s.rfind('~');
    if (tilde == std::string::npos)
        return s + std::to_string(n);
    std::string result = s.substr(0, tilde) + std::to_string(n);
    if (tilde + 2 < s.size())
        result += s.substr(tilde + 2);
    return result;
}

int ModuleField::getInstance() const
{
    if (m_Iterator == kNoKey || !m_pEntry)
        return 0;
    int instance = 1;
    if (!parent())
        return instance;
    const std::string& myName = m_pEntry->name();
    for (const auto& f : parent()->fieldArray()) {
        if (f.get() == this)
            break;
        if (f->m_Iterator != m_Iterator || !f->m_pEntry)
            continue;
        if (f->m_pEntry == m_pEntry || f->m_pEntry->name() == myName)
            ++instance;
    }
    return instance;
}

std::string ModuleField::entryName(int code) const
{
    // Only a repeated name needs its repetition counted.
    const bool repeated =
        m_pEntry && m_Iterator != kNoKey && m_pEntry->nameForType(code).find('~') != std::string::npos;
    return entryName(code, repeated ? getInstance() : 0);
}

std::string ModuleField::entryName(int code, int instance) const
{
    if (!m_pEntry)
        return std::string();
    const std::string& text = m_pEntry->nameForType(code);
    if (m_Iterator != kNoKey && text.find('~') != std::string::npos)
        return setIteration(instance, text);
    return text;
}

const ModuleField* ModuleField::sourceThroughNodes(const ModuleField** unfedNodeInput) const
{
    // A loop of nodes would never end; a node met twice feeds nothing.
    std::unordered_set<const Module*> seen;
    const ModuleField* src = m_Source.get();
    while (src && src->parent() && src->parent()->operatorClassIs("NODE")) {
        Module* nodeModule = src->parent();
        FieldRef in = nodeModule->field("in");
        if (in && !in->m_Source && unfedNodeInput)
            *unfedNodeInput = in.get();
        if (!in || !in->m_Source || !seen.insert(nodeModule).second)
            return nullptr;
        src = in->m_Source.get();
    }
    return src;
}

namespace {

// How an input with the type inputType names its source src; with no src,
// what a node fed from nothing passes on.
void appendReferenceName(std::string& out, int inputType, const ModuleField* src, const ModuleField* unfedNodeInput,
                         bool path)
{
    if (!src) {
        if (unfedNodeInput && inputType == OperatorEntry::ED_CONTROL)
            out += unfedNodeInput->text();
        else
            out += "null-source";
        return;
    }
    if (const Module* owner = src->parent()) {
        if (path)
            out += owner->pathName();
        else
            out += owner->instanceName();
    }
    out += '-';
    out += src->entryName(OperatorField::CONNECT_TAG);
}

} // namespace

std::string ModuleField::sourceName(bool path, bool node) const
{
    if (!m_Source)
        return std::string();
    const ModuleField* unfed = nullptr;
    const ModuleField* src = node ? sourceThroughNodes(&unfed) : m_Source.get();
    std::string name;
    appendReferenceName(name, type(), src, unfed, path);
    return name;
}

std::string ModuleField::getName(bool path, bool quote, bool /*subst*/, bool node, bool showext) const
{
    int t = type();
    if (isOutputType(t))
        return entryName(OperatorField::CONNECT_TAG);
    std::string name;
    if (isInputType(t) && m_Source)
        name = sourceName(path, node);
    else if (isInputType(t) && isWP() && showext)
        name = "<external>";
    else
        name = m_Text;
    return quote ? quotedName(name) : name;
}

std::string ModuleField::getName(int flags, const std::string& headName) const
{
    std::string name;
    appendName(name, flags, headName);
    return name;
}

void ModuleField::appendName(std::string& out, int flags, const std::string& headName) const
{
    int t = type();
    if (isOutputType(t)) {
        out += entryName(OperatorField::CONNECT_TAG);
        return;
    }
    const size_t from = out.size();
    auto nullOutput = [&] {
        out += headOrDefault(headName);
        out += t == OperatorEntry::ED_USEROBJ ? "-nullobj" : "-null";
    };
    if (isInputType(t) && m_Source) {
        const ModuleField* unfed = nullptr;
        const ModuleField* src = (flags & NF_NODE) ? sourceThroughNodes(&unfed) : m_Source.get();
        // Nodes fed from nothing pass nothing on: written as an unconnected
        // input is, since "null-source" would read back as a missing module.
        if (!src && t != OperatorEntry::ED_CONTROL)
            nullOutput();
        else
            appendReferenceName(out, t, src, unfed, (flags & NF_PATH) != 0);
    } else if (isInputType(t) && isWP() && (flags & NF_EXTERNAL)) {
        out += "<external>";
    } else if (isInputType(t) && isBad() && !(flags & NF_UNRESOLVED_AS_UNCONNECTED)) {
        // A reference that was not found when the patch was read is kept as
        // it was (even ""): writing "head-null" would lose it without a word.
        out += m_Text.view();
    } else if (isInputType(t)) {
        if (t == OperatorEntry::ED_SIGNAL || t == OperatorEntry::ED_USEROBJ)
            nullOutput();
        else if (isBad() && m_pEntry)
            out += GetSafeMinimum(*m_pEntry); // what a new module's input holds
        else
            out += m_Text.view();
    } else {
        out += m_Text.view();
    }
    if (flags & NF_QUOTE)
        quoteNameFrom(out, from);
    if ((flags & NF_QUOTE_STRING) && t == OperatorEntry::ED_STRING)
        quoteIfNeededFrom(out, from);
}

std::optional<std::string> ModuleField::outName() const
{
    if (!m_Source)
        return std::nullopt;
    return m_Source->name();
}

std::string ModuleField::partialPath() const
{
    return parent() ? parent()->partialPath() : std::string();
}

std::string ModuleField::moduleFieldNameTranslate(bool /*translate*/) const
{
    std::string prefix = partialPath();
    if (prefix.empty() && parent())
        prefix = parent()->instanceName();
    return prefix + "-" + name();
}

bool ModuleField::isNullOutput() const
{
    if (!isOutputType(type()) || !parent() || !parent()->isHead())
        return false;
    const std::string& n = m_pEntry->name();
    return n == "zero" || n == "null" || n == "nullobj";
}

int ModuleField::savedHideCount() const
{
    uint8_t count = m_HideCount;
    // An input fed through nodes is saved as fed by the real source, whose
    // count it takes when the file is read back.
    if (m_Source && isInput())
        if (const ModuleField* real = sourceThroughNodes(); real && real != m_Source.get() && !real->isNullOutput())
            count = real->m_HideCount;
    return isAlwaysHidden() ? 0 : count;
}

void ModuleField::source(FieldRef src, const std::optional<std::string>& text, bool setDefaults)
{
    changeSourceReferenceCount(-1);
    m_Source = std::move(src);
    changeSourceReferenceCount(1);
    setText(text.value_or(std::string()));
    // The wire was set anew: what the file named and no module had is gone.
    setAsBad(false);

    if (!m_Source || !setDefaults || m_Source->m_NumConnects != 1)
        return;
    Module* owner = m_Source->parent();
    if (!owner || !owner->operatorClassIs("INTERFACE"))
        return;
    if (owner->field("CONTROL", OperatorField::TYPE).get() != m_Source.get())
        return;
    applyInterfaceDefaults(*m_Source);
}

// An interface control takes the range and default of the first input it is
// wired to, so that the knob matches what it drives.
void ModuleField::applyInterfaceDefaults(const ModuleField& control)
{
    std::string minimum = getSpecifier(OperatorField::MINIMUM);
    std::string maximum = getSpecifier(OperatorField::MAXIMUM);
    std::string byDefault = m_pEntry ? m_pEntry->nameForType(OperatorField::DEFAULT) : std::string();
    std::string myName = name();

    const FieldOrder& fields = control.parent()->fieldArray();
    // The limits of the other values (a knob's "value" lies between its
    // "min" and "max"), before and after, and which fields were set here.
    auto limits = [](const ModuleField& f) -> std::optional<std::pair<std::string, std::string>> {
        try {
            return std::pair{f.getSpecifier(OperatorField::MINIMUM), f.getSpecifier(OperatorField::MAXIMUM)};
        } catch (const TkxException&) {
            return std::nullopt;
        }
    };
    std::vector<std::optional<std::pair<std::string, std::string>>> limitsBefore;
    limitsBefore.reserve(fields.size());
    for (const auto& f : fields)
        limitsBefore.push_back(limits(*f));
    std::unordered_set<const ModuleField*> given;

    for (const auto& f : fields) {
        if (!f->m_pEntry)
            continue;
        if (f->m_pEntry->nameForType(OperatorField::DESCRIPTION) == "menu statement") {
            const std::string& statement = f->m_pEntry->nameForType(OperatorField::DEFAULT);
            size_t p = statement.find(':');
            if (p == std::string::npos)
                p = statement.find('%');
            if (p != std::string::npos)
                f->setText(myName + statement.substr(p));
            continue;
        }
        std::string n = f->name();
        if (n == "min" || n == "min in")
            f->setText(minimum);
        else if (n == "max" || n == "max in")
            f->setText(maximum);
        else if (n == "default" || n == "ctrl in")
            f->setText(byDefault);
        else
            continue;
        given.insert(f.get());
    }

    // A value the new limits leave out would be sent so to the unit: it
    // starts from the new default instead.
    if (!isNumeric(byDefault))
        return;
    for (size_t i = 0; i < fields.size(); ++i) {
        ModuleField& f = *fields[i];
        if (!f.m_pEntry || given.count(&f) || !isNumeric(f.m_Text))
            continue;
        const auto now = limits(f);
        std::string ignored;
        if (now && now != limitsBefore[i] && !f.isValueValid(f.m_Text.str(), ignored))
            f.setText(byDefault);
    }
}

void ModuleField::changeSourceReferenceCount(int n)
{
    if (!m_Source || !m_Source->parent())
        return;
    m_Source->parent()->changeReferenceCount(n);
    m_Source->changeConnectCount(n);
}

bool ModuleField::connectedTo(const Module& module) const
{
    if (!m_Source)
        return false;
    for (const Module* m = m_Source->parent(); m; m = m->parent()) {
        if (m == &module)
            return true;
        if (m->isTopLevel())
            break;
    }
    return false;
}

std::pair<int, int> ModuleField::colors() const
{
    switch (type()) {
    case OperatorEntry::CONTROL:
    case OperatorEntry::ED_CONTROL:
        return {3, 4};
    case OperatorEntry::SIGNAL:
    case OperatorEntry::ED_SIGNAL:
        return {1, 2};
    case OperatorEntry::USEROBJ:
    case OperatorEntry::ED_USEROBJ:
        return {5, 6};
    default:
        return {0, 14};
    }
}

int ModuleField::strokeColor() const
{
    return colors().first;
}

int ModuleField::fillColor() const
{
    return colors().second;
}

void ModuleField::save(std::string& buffer, const std::string& headName, int saveFlags) const
{
    if (isOutput() || isInvisible())
        return;
    if (!m_pEntry) {
        if (saveFlags & Module::SAVE_ENTRIES_ONLY)
            return;
        buffer += " ;";
    }
    buffer += ' ';
    const bool forUnit = (saveFlags & Module::SAVE_ENTRIES_ONLY) != 0;
    // An empty control is one wired to the head's "null" output or cleared:
    // written as "" it would read back as a reference to nothing.
    if (type() == OperatorEntry::ED_CONTROL && m_Text.empty() && !m_Source && !isBad()) {
        buffer += headOrDefault(headName);
        buffer += "-null";
        return;
    }
    appendName(buffer, Module::kSaveNameFlags | (forUnit ? NF_UNRESOLVED_AS_UNCONNECTED : 0), headName);
}

std::string ModuleField::description() const
{
    return format("Field[%" PRIxPTR "]%s[%s:%s] %s", reinterpret_cast<uintptr_t>(this), isHidden() ? "h" : " ",
                  name().c_str(), m_Text.str().c_str(), m_pEntry ? m_pEntry->description().c_str() : "(nil)");
}

} // namespace tosk
