#include "Toskfile/Module.h"

#include "Toskfile/FieldExpression.h"
#include "Toskfile/InstanceCounter.h"
#include "Toskfile/ModuleNameIndex.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/SigfileTokenizer.h"
#include "Toskfile/UndoManager.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/PreferenceController.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

namespace tosk {

namespace {

const std::string kEmpty;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

[[noreturn]] void inconsistency(const std::string& operation, const std::string& reason)
{
    throw TkxException(operation, reason);
}

} // namespace

// ---------------------------------------------------------------- lifetime

Module::Module()
{
    initModule(nullptr);
}

Module::~Module()
{
    // Fields that outlive their module (a removed output still held by an
    // input elsewhere) must not point back at it.
    for (const auto& f : listOfFields)
        if (f->parent() == this)
            f->setParent(nullptr);
}

void Module::initModule(const Module* templ)
{
    m_Parent = this;
    m_NumRefs = 0;
    m_UpdateNeeded = true;
    listOfFields.clear();
    if (templ) {
        opDescriptor_ = templ->opDescriptor_;
        sigDbase_ = templ->sigDbase_;
        m_Iterate = templ->m_Iterate;
        m_HideNum = templ->m_HideNum;
        rect_ = templ->rect_;
        textPosition_ = templ->textPosition_;
        orderCircle_ = templ->orderCircle_;
        originalBounds_ = templ->originalBounds_;
        manipulatingBounds_ = templ->manipulatingBounds_;
        m_Height = templ->m_Height;
        m_pBitmap = templ->m_pBitmap;
    } else {
        opDescriptor_.reset();
        m_Iterate = 0;
        m_HideNum = 0;
        rect_ = textPosition_ = orderCircle_ = originalBounds_ = Rect();
        manipulatingBounds_ = false;
        m_Height = 0;
        m_pBitmap.reset();
    }
    setGraphicRect(rect_);
}

// ---------------------------------------------------------------- construction

Module::Ptr Module::moduleNamed(const std::string& name, SigfileTokenizer& tokenizer,
                                const std::shared_ptr<SigDbase>& dbase)
{
    auto module = std::make_shared<Module>();
    module->initWithName(name, &tokenizer, std::nullopt, dbase);
    return module;
}

Module::Ptr Module::moduleNamed(const std::string& name, const std::optional<std::string>& instanceName,
                                const std::shared_ptr<SigDbase>& dbase)
{
    auto module = std::make_shared<Module>();
    module->initWithName(name, nullptr, instanceName, dbase);
    return module;
}

void Module::initWithName(const std::string& name, SigfileTokenizer* tokenizer,
                          const std::optional<std::string>& instanceName, const std::shared_ptr<SigDbase>& dbase)
{
    initModule(nullptr);
    buildModule(dbase, tokenizer, name);
    if (instanceName) {
        if (FieldPtr f = opstartNameField())
            f->setText(*instanceName);
    }
}

// The state of one walk over an operator's entries.
struct Module::BuildState {
    SigfileTokenizer* tokenizer = nullptr;
    std::string name;
    std::string running; // the text the next field gets
    FieldPtr iterator;   // count field of the open group
    int count = 0;
    int repetition = 0;
    size_t groupStart = 0;
    size_t index = 0;
};

void Module::buildModule(const std::shared_ptr<SigDbase>& dbase, SigfileTokenizer* tokenizer, const std::string& name)
{
    sigDbase_ = dbase;
    if (!name.empty() && name[0] == ';') {
        insertField(ModuleField::fieldWithParent(this, name.substr(1)), 0);
        return;
    }
    opDescriptor_ = dbase ? dbase->operatorForName(name) : nullptr;
    if (!opDescriptor_) {
        buildUnknownOperator(name, tokenizer);
        return;
    }
    BuildState state;
    state.tokenizer = tokenizer;
    state.name = name;
    state.running = name;
    buildEntries(state);
}

void Module::buildUnknownOperator(const std::string& name, SigfileTokenizer* tokenizer)
{
    const std::string shown = latin1ToUtf8(name);
    logf("Module.buildModule: no operator found for [%s]", shown.c_str());
    Alerts::show(AlertStyle::Informational, localized("ModuleBuild", "Module Build"),
                 fillIn(localized("InvalidOperator", "'%s' is not a valid operator for this SigDatabase."), {shown}),
                 {localized("OK", "OK")});
    std::string joined = name;
    if (tokenizer) {
        while (auto token = tokenizer->nextToken()) {
            // A group header is a record of its own too: swallowing it would
            // turn the group's members into modules of the patch.
            if ((sigDbase_ && sigDbase_->operatorForName(*token)) ||
                token->compare(0, std::strlen(SModule::kHeaderPrefix), SModule::kHeaderPrefix) == 0) {
                tokenizer->stepBack();
                break;
            }
            joined += " " + *token;
        }
    }
    insertField(ModuleField::fieldWithParent(this, joined), 0);
}

// The next value of a record; comments between values are passed over.
bool Module::readValueToken(BuildState& state, std::string& token)
{
    while (auto t = state.tokenizer->nextToken()) {
        if (!t->empty() && (*t)[0] == ';')
            continue;
        token = std::move(*t);
        return true;
    }
    return false;
}

void Module::buildEntries(BuildState& state)
{
    const OperatorDesc& op = *opDescriptor_;
    const size_t entryCount = op.count();
    listOfFields.reserve(entryCount);
    while (state.index < entryCount) {
        const std::shared_ptr<OperatorEntry>& entry = op.operatorData()[state.index];
        int type = entry->entryType();
        if (entry->name() == "scaledata_iterator")
            logf("%s [%s: %s]", latin1ToUtf8(state.running).c_str(),
                 OperatorEntry::typeName(type) ? OperatorEntry::typeName(type) : "", entry->name().c_str());
        // A group read with a count of 0 keeps its outputs but has no values.
        bool skipValues = state.iterator && state.count < state.repetition;

        switch (type) {
        case OperatorEntry::OPERATOR:
        case OperatorEntry::SWITCH:
        case OperatorEntry::CASE:
        case OperatorEntry::SWITCHEND:
            break;

        case OperatorEntry::CONTROL:
        case OperatorEntry::SIGNAL:
        case OperatorEntry::USEROBJ: {
            auto f = ModuleField::fieldWithParent(this, state.running, entry);
            f->setIterator(state.iterator);
            listOfFields.push_back(std::move(f));
            break;
        }

        case OperatorEntry::ED_INT:
        case OperatorEntry::ED_LONG:
        case OperatorEntry::ED_FIXED:
        case OperatorEntry::ED_FLOAT:
        case OperatorEntry::ED_STRING:
        case OperatorEntry::ED_VARASTRING:
        case OperatorEntry::ED_CONTROL:
        case OperatorEntry::ED_SIGNAL:
        case OperatorEntry::ED_USEROBJ:
        case OperatorEntry::ED_NOTE:
        case OperatorEntry::ED_CODE:
        case OperatorEntry::ED_USER_OBJECT_TYPE: {
            if (skipValues)
                break;
            if (state.tokenizer) {
                std::string token;
                if (!readValueToken(state, token))
                    return; // the record ended early: keep what was made
                state.running = std::move(token);
            } else if (type <= OperatorEntry::ED_CONTROL) {
                state.running = GetSafeMinimum(*entry);
            }
            auto f = ModuleField::fieldWithParent(this, state.running, entry);
            f->setIterator(state.iterator);
            listOfFields.push_back(std::move(f));
            break;
        }

        case OperatorEntry::MULTIPLE: {
            if (state.iterator)
                inconsistency("Module.buildModule",
                              format("Module.buildModule: Unbalanced MULTIPLE Iteration for operator: %s",
                                     latin1ToUtf8(state.name).c_str()));
            const OperatorField* action = entry->operatorFieldForType(OperatorField::ACTION_SPECIFIER);
            FieldPtr counter;
            if (action) {
                const std::string& specifier = action->text();
                if (!specifier.empty() && specifier[0] == '@' && specifier.find('/') == std::string::npos) {
                    counter = field(specifier.substr(1));
                } else {
                    counter = ModuleField::fieldWithParent(this, processStackExpression(specifier));
                    counter->setAsInvisible(true);
                    listOfFields.push_back(counter);
                }
            }
            if (!counter) {
                logf("SigDbase Error: Can't find iterator for entry: %s", latin1ToUtf8(entry->name()).c_str());
                break;
            }
            state.iterator = counter;
            // A damaged file must not make a group of outputs (which read no
            // tokens) repeat billions of times; no count goes past 16 bits.
            state.count = std::min(OperatorField::integerValue(counter->text()), kMaxRepetitions);
            if (state.count <= 0 && !state.tokenizer) {
                counter->setText("1");
                state.count = 1;
            }
            counter->setNumIterations(counter->numIterations() + 1);
            state.repetition = 1;
            state.groupStart = state.index + 1;
            break;
        }

        case OperatorEntry::MULTIPLEEND:
            if (state.count > state.repetition) {
                ++state.repetition;
                state.index = state.groupStart;
                continue;
            }
            state.iterator.reset();
            state.count = 0;
            state.repetition = 0;
            break;

        case OperatorEntry::OPERATOREND:
            if (state.iterator)
                inconsistency("Module.buildModule",
                              format("Module.buildModule: Unbalanced OPERATOREND Iteration for operator: %s",
                                     latin1ToUtf8(state.name).c_str()));
            if (state.tokenizer) {
                if (auto token = state.tokenizer->nextToken())
                    if (!addInfo(*token))
                        state.tokenizer->stepBack();
            }
            return;

        default:
            inconsistency("Module.buildModule", format("Module.buildModule: invalid entry entryType: %d", type));
        }
        ++state.index;
    }
}

std::string GetSafeMinimum(const OperatorEntry& entry)
{
    std::string text = entry.nameForType(OperatorField::DEFAULT);
    if (text.empty())
        text = entry.nameForType(OperatorField::MINIMUM);
    if (text.empty())
        text = "0";
    if (entry.entryType() == OperatorEntry::ED_STRING)
        return text;
    return OperatorField::decimalValue(text) == 0 ? std::string("0") : text;
}

Module::Ptr Module::copy() const
{
    auto module = std::make_shared<Module>();
    module->initWithModule(*this);
    return module;
}

void Module::initWithModule(const Module& other)
{
    initModule(&other);
    listOfFields.reserve(other.listOfFields.size());
    for (const auto& f : other.listOfFields)
        listOfFields.push_back(ModuleField::fieldWithField(*f, this));
    std::unordered_map<const ModuleField*, size_t> places;
    for (size_t i = 0; i < other.listOfFields.size(); ++i)
        places.emplace(other.listOfFields[i].get(), i);
    for (size_t i = 0; i < other.listOfFields.size(); ++i) {
        const FieldPtr& counter = other.listOfFields[i]->iterator();
        if (!counter)
            continue;
        // The count field's place identifies it even when its name does not
        // (a computed count has none).
        auto at = places.find(counter.get());
        listOfFields[i]->setIterator(at != places.end() ? listOfFields[at->second]
                                                        : findCorrespondingFieldByName(counter->name()));
    }
}

Module::FieldPtr Module::addIteratedField(const ModuleField& member, FieldList* newFields)
{
    FieldPtr counter = member.iterator();
    if (!counter || !counter->changeFieldNum(1, false))
        return nullptr;
    const int target = member.getInstance() + 1;

    // Walk the entries again, following the fields made from them, and make
    // the group's body once more where repetition `target` begins.
    const OperatorDesc& op = *opDescriptor_;
    size_t position = 0;
    FieldPtr current;
    int repetition = 0;
    size_t groupStart = 0;
    FieldPtr first;
    for (size_t i = 0; i < op.count();) {
        const std::shared_ptr<OperatorEntry>& entry = op.operatorData()[i];
        int type = entry->entryType();
        bool valueOrOutput = ModuleField::isOutputType(type) ||
                             (type >= OperatorEntry::ED_INT && type <= OperatorEntry::ED_USER_OBJECT_TYPE);
        if (valueOrOutput) {
            if (current == counter && repetition == target) {
                bool numeric = (type >= OperatorEntry::ED_INT && type <= OperatorEntry::ED_FLOAT) ||
                               type == OperatorEntry::ED_CONTROL;
                std::string text = numeric ? GetSafeMinimum(*entry) : std::string();
                auto f = ModuleField::fieldWithParent(this, text, entry);
                f->setIterator(counter);
                insertField(f, position);
                if (newFields)
                    newFields->push_back(f);
                if (!first)
                    first = f;
                ++position;
            } else if (position < listOfFields.size() && listOfFields[position]->entry() == entry) {
                ++position;
            }
        } else if (type == OperatorEntry::MULTIPLE) {
            // A computed count sits where its group begins.
            while (position < listOfFields.size() && !listOfFields[position]->entry() &&
                   listOfFields[position]->isInvisible())
                ++position;
            const OperatorField* action = entry->operatorFieldForType(OperatorField::ACTION_SPECIFIER);
            if (action) {
                std::string name = action->text();
                if (!name.empty() && name[0] == '@')
                    name.erase(0, 1);
                current = field(name);
            } else {
                logf("Module.addIteratedField: Can't find iterator for opEntry: %s",
                     latin1ToUtf8(entry->description()).c_str());
                current.reset();
            }
            repetition = 1;
            groupStart = i + 1;
        } else if (type == OperatorEntry::MULTIPLEEND) {
            if (current && repetition < std::min(OperatorField::integerValue(current->text()), kMaxRepetitions)) {
                ++repetition;
                i = groupStart;
                continue;
            }
            ++repetition;
            current.reset();
        }
        ++i;
    }
    m_UpdateNeeded = true;
    return first;
}

void Module::deleteIteratedField(const ModuleField& member)
{
    FieldPtr counter = member.iterator();
    if (!counter)
        return;
    const int repetition = member.getInstance();
    FieldList doomed;
    InstanceCounter instances;
    for (const auto& f : listOfFields)
        if (instances.next(*f) == repetition && f->iterator() == counter)
            doomed.push_back(f);
    for (const auto& f : doomed) {
        // Keep every connection count equal to the inputs it feeds: the
        // removed inputs stop feeding, and inputs fed by removed outputs are
        // disconnected rather than left pointing at a field that is gone.
        f->source(nullptr, f->text(), false);
        if (f->isOutput())
            disconnectFedBy(*f);
        removeField(f.get());
    }
    counter->setText(std::to_string(OperatorField::integerValue(counter->text()) - 1));
    m_UpdateNeeded = true;
}

void Module::disconnectFedBy(const ModuleField& output)
{
    auto disconnect = [&output](const FieldPtr& input) {
        if (input->source().get() != &output)
            return;
        bool control = input->type() == OperatorEntry::ED_CONTROL;
        input->source(nullptr,
                      control && input->entry() ? input->entry()->nameForType(OperatorField::DEFAULT) : std::string(),
                      false);
        if (input->parent())
            input->parent()->setUpdateNeeded(true);
    };
    if (sigFile_) {
        for (const auto& m : sigFile_->listOfModules())
            for (const auto& f : m->fieldArray())
                disconnect(f);
    }
    if (!sigFile_ || sigFile_->indexOfModule(this) == ModuleList::npos)
        for (const auto& f : FieldList(listOfFields))
            disconnect(f);
}

void Module::makeNameUnique(const FieldList& names, char delim)
{
    ModuleNameIndex index(names);
    makeNameUnique(index, delim);
}

void Module::makeNameUnique(ModuleNameIndex& names, char delim)
{
    FieldPtr nameField = opstartNameField();
    if (!nameField)
        inconsistency("Module.makeNameUnique", "no field found for opstartNameField");
    const std::string s = nameField->text();

    std::string base;
    long long counter = 0;
    if (delim == 0) {
        size_t runStart = s.size();
        while (runStart > 1 && isDigit(s[runStart - 1]))
            --runStart;
        size_t marker = runStart == s.size() ? s.size() - (s.empty() ? 0 : 1) : runStart - 1;
        bool hasMarker = !s.empty() && marker < s.size();
        if (hasMarker && s[marker] == '~') {
            base = s.substr(0, marker);
        } else if (hasMarker && s[marker] == '^' && marker + 1 < s.size()) {
            // "^" keeps the digit after it as part of the name.
            base = s.substr(0, marker + 2);
            for (size_t i = marker + 2; i < s.size() && counter < 100000000; ++i)
                counter = counter * 10 + (s[i] - '0');
        } else {
            base = s.substr(0, runStart);
            for (size_t i = runStart; i < s.size() && counter < 100000000; ++i)
                counter = counter * 10 + (s[i] - '0');
        }
    } else {
        size_t d = s.find(delim);
        if (d != std::string::npos) {
            base = s.substr(0, d);
            counter = 1;
        } else {
            base = s;
        }
    }

    auto candidate = [&](long long c) {
        if (c == 0)
            return base;
        if (delim == 0)
            return base + std::to_string(c);
        return base + delim + std::to_string(c);
    };
    int start = static_cast<int>(counter);
    int chosen = start;
    // The name's own counter is checked first: a field never competes with
    // itself.
    if (names.isTakenByOther(candidate(start), nameField.get())) {
        std::string key = std::string(1, delim) + base;
        chosen = names.firstFreeCounter(key, start + 1,
                                        [&](int c) { return !names.isTakenByOther(candidate(c), nameField.get()); });
        names.rename(*nameField, candidate(chosen));
        names.add(nameField);
        names.markTaken(key, chosen);
    } else {
        if (nameField->text() != candidate(start))
            names.rename(*nameField, candidate(start));
        names.add(nameField);
    }
}

namespace {

// A position cut to a whole number, as the file keeps it: what
// numberString gives for a whole number, without formatting a float.
std::string wholeNumber(double value)
{
    const double whole = std::trunc(value);
    if (std::fabs(whole) < 1e15)
        return std::to_string(static_cast<long long>(whole));
    return numberString(whole);
}

} // namespace

std::string Module::moduleInfo(const Point& offset) const
{
    std::string info;
    if (rect_.width() > 0) {
        info = " ;=";
        info += wholeNumber(rect_.x() + offset.x);
        info += ',';
        info += wholeNumber(rect_.y() + offset.y);
        info += ',';
        info += wholeNumber(rect_.width());
        info += ",0";
    }
    if (isSuper())
        return info;
    bool first = true;
    for (size_t i = 0; i < listOfFields.size(); ++i) {
        std::string hidden = listOfFields[i]->fieldInfo();
        if (hidden.empty())
            continue;
        if (first) {
            if (info.empty())
                info = " ;=";
            info += " f= ";
            first = false;
        } else {
            info += ",";
        }
        info += std::to_string(i);
        info += ',';
        info += hidden;
    }
    return info;
}

void Module::save(std::string& buffer, const std::string& headName, int saveFlags, const Point& offset) const
{
    const int classId = opDescriptor_ ? opDescriptor_->operatorId() : OperatorDesc::OP_ID_UNKNOWN;
    if (classId == OperatorDesc::OP_ID_NODE) {
        logf("Module.save: operator for module <%s> is OP_ID_NODE", latin1ToUtf8(instanceName()).c_str());
        return;
    }
    // An operator of a class this program does not know is still the
    // user's module: the file keeps it; only a unit is not sent it.
    if (!opDescriptor_ || (classId == OperatorDesc::OP_ID_UNKNOWN && (saveFlags & SAVE_ENTRIES_ONLY))) {
        logf("Module.save: operator for module <%s> is OP_ID_UNKNOWN", latin1ToUtf8(instanceName()).c_str());
        return;
    }
    buffer += name();
    for (const auto& f : listOfFields)
        f->save(buffer, headName, saveFlags);
    if (!(saveFlags & SAVE_NO_INFO))
        buffer += moduleInfo(offset);
    buffer += "\r\n";
}

bool Module::addInfo(const std::string& text)
{
    if (text.size() < 2 || text[0] != ';' || text[1] != '=')
        return false;
    SigfileTokenizer tokenizer(std::string_view(text).substr(2), ", ");
    double numbers[3] = {0, 0, 0};
    int numberCount = 0;
    while (auto item = tokenizer.nextToken()) {
        if (*item == "f=") {
            while (auto index = tokenizer.nextToken()) {
                auto hidden = tokenizer.nextToken();
                if (!hidden)
                    break;
                FieldPtr f = indexField(static_cast<size_t>(OperatorField::integerValue(*index)));
                if (!f)
                    inconsistency("Module.indexField", format("invalid index: %s", latin1ToUtf8(*index).c_str()));
                f->setHideCount(static_cast<uint8_t>(OperatorField::integerValue(*hidden)));
            }
            break;
        }
        if (isNumeric(*item)) {
            if (numberCount < 3)
                numbers[numberCount] = OperatorField::decimalValue(*item);
            ++numberCount;
        }
    }
    if (numberCount < 2)
        return false;
    update(-1);
    moveToPosition(Point{numbers[0], numbers[1]});
    return true;
}

// ---------------------------------------------------------------- document

void Module::setDocument(SigDocument* document, SigFile* sigFile)
{
    sigDocument_ = document;
    sigFile_ = sigFile;
}

UndoManager* Module::undoManager() const
{
    return sigDocument_ ? &sigDocument_->undoManager() : nullptr;
}

Module* Module::trueParent()
{
    Module* m = this;
    while (m->m_Parent && m->m_Parent != m)
        m = m->m_Parent;
    return m;
}

const Module* Module::trueParent() const
{
    return const_cast<Module*>(this)->trueParent();
}

const std::string& Module::name() const
{
    return opDescriptor_ ? opDescriptor_->name() : kEmpty;
}

std::string Module::description() const
{
    return "Module[" + name() + "]";
}

// ---------------------------------------------------------------- field list

void Module::addField(FieldPtr field)
{
    listOfFields.push_back(std::move(field));
}

Module::FieldPtr Module::fieldAtIndex(size_t index) const
{
    return index < listOfFields.size() ? listOfFields[index] : nullptr;
}

Module::FieldPtr Module::lastField() const
{
    return listOfFields.empty() ? nullptr : listOfFields.back();
}

size_t Module::indexOfField(const ModuleField* field) const
{
    for (size_t i = 0; i < listOfFields.size(); ++i)
        if (listOfFields[i].get() == field)
            return i;
    return npos;
}

void Module::insertField(FieldPtr field, size_t index)
{
    if (index >= listOfFields.size())
        listOfFields.push_back(std::move(field));
    else
        listOfFields.insert(listOfFields.begin() + static_cast<long>(index), std::move(field));
}

void Module::insertField(FieldPtr field, const ModuleField& after)
{
    size_t at = indexOfField(&after);
    if (at != npos)
        insertField(std::move(field), at + 1);
}

void Module::replaceFieldAtIndex(size_t index, FieldPtr field)
{
    if (index < listOfFields.size())
        listOfFields[index] = std::move(field);
}

void Module::removeField(const ModuleField* field)
{
    size_t at = indexOfField(field);
    if (at != npos)
        removeFieldAtIndex(at);
}

void Module::removeFieldAtIndex(size_t index)
{
    if (index < listOfFields.size())
        listOfFields.erase(listOfFields.begin() + static_cast<long>(index));
}

void Module::removeAllFields()
{
    listOfFields.clear();
}

Module::FieldPtr Module::visibleFieldAtIndex(size_t index) const
{
    for (const auto& f : listOfFields) {
        if (f->isAlwaysHidden() || f->isInvisible())
            continue;
        if (index-- == 0)
            return f;
    }
    return nullptr;
}

size_t Module::visibleFieldCount() const
{
    size_t n = 0;
    for (const auto& f : listOfFields)
        if (!f->isAlwaysHidden() && !f->isInvisible())
            ++n;
    return n;
}

size_t Module::fieldIndex(const ModuleField& field) const
{
    size_t at = indexOfField(&field);
    if (at == npos)
        inconsistency("Module.fieldIndex", "pTarget not found");
    return at;
}

Module::FieldPtr Module::indexField(size_t index) const
{
    if (index == npos)
        return nullptr;
    if (index >= listOfFields.size())
        inconsistency("Module.indexField", format("invalid index: %d", static_cast<int>(index)));
    return listOfFields[index];
}

// ---------------------------------------------------------------- lookup

Module::FieldPtr Module::field(const std::string& name, int code) const
{
    // Repetition numbers are counted along the way rather than field by
    // field, so a lookup stays linear in modules with many repetitions; and
    // only once a repeated name could match, so that looking up an output
    // of a table of 129 points counts nothing.
    std::optional<InstanceCounter> instances;
    size_t counted = 0;
    int instance = 0;
    for (size_t i = 0; i < listOfFields.size(); ++i) {
        const FieldPtr& f = listOfFields[i];
        if (!f->entry())
            continue;
        const std::string& raw = f->entry()->nameForType(code);
        size_t tilde = f->iterator() ? raw.rfind('~') : std::string::npos;
        if (tilde == std::string::npos) {
            if (equalsIgnoringCase(raw, name))
                return f;
            continue;
        }
        if (name.size() < tilde ||
            !equalsIgnoringCase(std::string_view(raw).substr(0, tilde), std::string_view(name).substr(0, tilde)))
            continue;
        if (!instances)
            instances.emplace();
        while (counted <= i)
            instance = instances->next(*listOfFields[counted++]);
        if (equalsIgnoringCase(ModuleField::setIteration(instance, raw), name))
            return f;
    }
    return nullptr;
}

std::string Module::fieldText(const std::string& name, int code) const
{
    FieldPtr f = field(name, code);
    return f ? f->text() : std::string();
}

bool Module::setFieldText(const std::string& name, const std::string& text, int code)
{
    FieldPtr f = field(name, code);
    if (!f)
        return false;
    f->setText(text);
    return true;
}

Module::FieldPtr Module::findCorrespondingFieldByName(const std::string& name) const
{
    for (const auto& f : listOfFields)
        if (f->name() == name)
            return f;
    return nullptr;
}

Module::FieldPtr Module::hasInputFrom(const Module* module, int keyType) const
{
    for (const auto& f : listOfFields) {
        if (!f->isInput() || !f->source())
            continue;
        if (keyType != -1 && f->targetType() != keyType)
            continue;
        if (!module || f->connectedTo(*module))
            return f;
    }
    return nullptr;
}

// ---------------------------------------------------------------- names

std::string Module::instanceName() const
{
    FieldPtr f = opstartNameField();
    return f ? f->text() : std::string();
}

bool Module::setInstanceName(const std::string& name)
{
    if (FieldPtr f = opstartNameField())
        f->setText(name);
    return true;
}

Module* Module::checkName(const std::string& name)
{
    return equalsIgnoringCase(instanceName(), name) ? this : nullptr;
}

std::string Module::pathName() const
{
    if (isTopLevel() || !m_Parent)
        return instanceName();
    std::string own = instanceName();
    size_t tilde = own.find('~');
    if (tilde != std::string::npos)
        own.resize(tilde);
    return m_Parent->pathName() + "/" + own;
}

std::string Module::partialPath() const
{
    if (isTopLevel())
        return instanceName();
    std::string path = pathName();
    std::string top = trueParent()->instanceName() + "/";
    if (path.compare(0, top.size(), top) == 0)
        path.erase(0, top.size());
    return path;
}

void Module::addToNameFieldList(FieldList& list, bool /*superOk*/) const
{
    if (FieldPtr f = opstartNameField())
        list.push_back(std::move(f));
}

// ---------------------------------------------------------------- kind

int Module::moduleType() const
{
    static const char* const kinds[] = {"TEXTBLOCK", "WAVEFORM",  "CURVE",     "C_CURVE", "M_CURVE",     "M_UCURVE",
                                        "MULTITAP",  "MULTIKNOB", "MULTITAP2", "REMOTER", "N_EXTCONTROL"};
    const std::string& n = name();
    for (int i = 0; i <= N_EXTCONTROL; ++i)
        if (n == kinds[i])
            return i;
    return ORDINARY;
}

bool Module::isHead() const
{
    return containsIgnoringCase(name(), "HEAD");
}

bool Module::isTail() const
{
    return containsIgnoringCase(name(), "TAIL");
}

bool Module::isMarker() const
{
    return containsIgnoringCase(name(), "MARKER");
}

bool Module::operatorNameIs(const std::string& n) const
{
    if (!opDescriptor_)
        return n.empty();
    return opDescriptor_->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_NAME) == n;
}

bool Module::operatorClassIs(const std::string& className) const
{
    if (!opDescriptor_)
        return className.empty();
    return opDescriptor_->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_CLASS) == className;
}

int Module::hasWPFields() const
{
    int n = 0;
    for (const auto& f : listOfFields)
        if (f->isWP())
            ++n;
    return n;
}

void Module::changeReferenceCount(int n)
{
    ModuleField::changeCount(m_NumRefs, n);
}

// ---------------------------------------------------------------- expressions

std::string Module::processStackExpression(const std::string& expression) const
{
    FieldExpression::Context context;
    context.fieldValue = [this](const std::string& name) {
        FieldPtr f = field(name);
        return f ? OperatorField::decimalValue(f->text()) : 0.0;
    };
    context.highSampleRate = PreferenceController::shared().highSampleRate();
    context.channels = sigDbase_ ? sigDbase_->maxChannels() : 0;
    double value = FieldExpression::evaluate(expression, context);
    return numberString(static_cast<float>(value));
}

// ---------------------------------------------------------------- change and move

void Module::didChange(const void* sender)
{
    if (sigDocument_)
        sigDocument_->invalidateModule(*this);
    if (sender)
        NotificationCenter::defaultCenter().post(DidChangeNotification, this, {{"sender", sender}});
}

void Module::startBoundsManipulation()
{
    manipulatingBounds_ = true;
    originalBounds_ = rect_;
}

void Module::stopBoundsManipulation()
{
    if (!manipulatingBounds_)
        return;
    manipulatingBounds_ = false;
    if (rect_ == originalBounds_)
        return;
    Rect moved = rect_;
    Rect before = originalBounds_;
    setRect(before);
    didChange(nullptr);
    if (UndoManager* undo = undoManager()) {
        Ptr self = shared_from_this();
        undo->registerUndo(this, [self, before] { self->undoMove(before); });
    }
    setRect(moved);
    didChange(nullptr);
}

void Module::undoMove(const Rect& rect)
{
    startBoundsManipulation();
    setRect(rect);
    stopBoundsManipulation();
    if (sigDocument_)
        sigDocument_->invalidateModule(*this);
    NotificationCenter::defaultCenter().post(DidMoveNotification, this);
}

int Module::updateParams(const Module& other)
{
    int changed = 0;
    size_t n = std::min(listOfFields.size(), other.listOfFields.size());
    for (size_t i = 0; i < n; ++i) {
        ModuleField& mine = *listOfFields[i];
        // Connections never change here, and an output's text carries no
        // value: counting it would report changes nobody made.
        if (mine.source() || mine.isOutput())
            continue;
        const std::string& theirs = other.listOfFields[i]->text();
        bool same;
        if (isNumeric(mine.text()))
            same = numberString(static_cast<float>(OperatorField::decimalValue(mine.text()))) ==
                   numberString(static_cast<float>(OperatorField::decimalValue(theirs)));
        else
            same = mine.text() == theirs;
        if (same)
            continue;
        logf("Module.updateParams: changing %s-%s %s to %s", latin1ToUtf8(name()).c_str(),
             latin1ToUtf8(instanceName()).c_str(), latin1ToUtf8(mine.text()).c_str(), latin1ToUtf8(theirs).c_str());
        mine.setText(theirs);
        ++changed;
    }
    return changed;
}

// ---------------------------------------------------------------- geometry

void Module::setRect(const Rect& rect)
{
    if (rect == rect_)
        return;
    rect_ = rect;
    setGraphicRect(rect);
    if (isHead()) {
        orderCircle_ = Rect(20, 12, kOrderCircleSize, kOrderCircleSize);
    } else {
        double half = kOrderCircleSize / 2;
        double x0 = std::floor(rect.midX() - half), y0 = std::floor(rect.midY() - half);
        double x1 = std::ceil(rect.midX() + half), y1 = std::ceil(rect.midY() + half);
        orderCircle_ = Rect(x0, y0, x1 - x0, y1 - y0);
    }
    layoutPins();
}

void Module::setGraphicRect(const Rect& rect)
{
    if (rect.origin == Point{0, 0})
        graphicRect_ = rect;
    else
        graphicRect_ = rect.inset(-kMarginX, -kMarginY);
}

void Module::moveToPosition(const Point& point)
{
    setRect(Rect(point, Size{kWidth, kRowHeight * m_Height}));
}

void Module::moveBy(const Point& offset)
{
    setRect(rect_.offset(offset.x, offset.y));
}

Rect Module::nameRowRect() const
{
    return Rect(rect_.x() + 1, rect_.y() + 1 + kTitleHeight, rect_.width() - 2, kTitleHeight);
}

void Module::layoutPins()
{
    bool nameRowPlaced = false;
    for (const auto& f : listOfFields) {
        if (f->gpos() != 0) {
            f->setConnRect(rect_);
        } else if (!nameRowPlaced && f->entry() && equalsIgnoringCase(f->entry()->name(), "opstart_name")) {
            f->setRect(nameRowRect());
            f->setFlags(f->flags() | ModuleField::FLAG_NAME_ROW);
            nameRowPlaced = true;
        } else if (!(f->flags() & ModuleField::FLAG_NAME_ROW)) {
            f->setRect(Rect(f->rect().origin, Size{}));
        }
    }
}

int Module::update(int showMode)
{
    m_UpdateNeeded = false;
    m_HideNum = 0;
    const bool unconnected = (showMode & SHOW_UNCONNECTED) != 0;
    const bool control = (showMode & SHOW_CONTROL) != 0;
    const bool signal = (showMode & SHOW_SIGNAL) != 0;
    const bool userObj = (showMode & SHOW_USEROBJ) != 0;

    int nSigOut = 0, nCtlOut = 0, nUsrOut = 0, nSigIn = 0, nCtlIn = 0, nUsrIn = 0;
    for (const auto& f : listOfFields) {
        if (f->isHidden()) {
            ++m_HideNum;
            continue;
        }
        if (!f->entry())
            continue;
        bool sourced = f->source() || unconnected;
        bool connected = f->numConnects() > 0 || unconnected;
        switch (f->type()) {
        case OperatorEntry::SIGNAL:
            nSigOut += connected && signal;
            break;
        case OperatorEntry::CONTROL:
            nCtlOut += connected && control;
            break;
        case OperatorEntry::USEROBJ:
            nUsrOut += connected && userObj;
            break;
        case OperatorEntry::ED_SIGNAL:
            nSigIn += sourced && signal;
            break;
        case OperatorEntry::ED_CONTROL:
            nCtlIn += sourced && control;
            break;
        case OperatorEntry::ED_USEROBJ:
            nUsrIn += sourced && userObj;
            break;
        default:
            break;
        }
    }

    int sigIn = 0, ctlIn = 0, usrIn = 0, sigOut = 0, ctlOut = 0, usrOut = 0;
    for (const auto& f : listOfFields) {
        f->setGpos(0);
        if (f->isHidden() || !f->entry())
            continue;
        bool sourced = f->source() || unconnected;
        bool connected = f->numConnects() > 0 || unconnected;
        int row = 0;
        switch (f->type()) {
        case OperatorEntry::ED_SIGNAL:
            if (sourced && nSigIn > 0)
                row = ++sigIn;
            break;
        case OperatorEntry::ED_CONTROL:
            if (sourced && nCtlIn > 0)
                row = nSigIn + ++ctlIn;
            break;
        case OperatorEntry::ED_USEROBJ:
            if (sourced && nUsrIn > 0)
                row = nSigIn + nCtlIn + ++usrIn;
            break;
        case OperatorEntry::SIGNAL:
            if (connected && nSigOut > 0)
                row = -(++sigOut);
            break;
        case OperatorEntry::CONTROL:
            if (connected && nCtlOut > 0)
                row = -(nSigOut + ++ctlOut);
            break;
        case OperatorEntry::USEROBJ:
            if (connected && nUsrOut > 0)
                row = -(nSigOut + nCtlOut + ++usrOut);
            break;
        default:
            break;
        }
        f->setGpos(static_cast<int16_t>(row));
    }

    int outs = nSigOut + nCtlOut + nUsrOut;
    int ins = nSigIn + nCtlIn + nUsrIn;
    if (outs == 0 && ins == 0 && m_HideNum == 0 && !equalsIgnoringCase(name(), "REMOTER") &&
        !equalsIgnoringCase(name(), "MARKER"))
        m_Height = 0;
    else
        m_Height = std::max(std::max(outs, ins) + 1, kMinRows);

    // Re-seat the box for the new height without recording a move.
    bool manipulating = manipulatingBounds_;
    manipulatingBounds_ = true;
    moveToPosition(rect_.origin);
    manipulatingBounds_ = manipulating;
    layoutPins();
    return m_Height;
}

Module::FieldPtr Module::fieldUnderPoint(const Point& point) const
{
    for (const auto& f : listOfFields) {
        if (f->isAlwaysHidden() || f->type() == OperatorEntry::ED_STRING)
            continue;
        if (mouseInRect(point, f->rect(), true))
            return f;
    }
    return nullptr;
}

} // namespace tosk
