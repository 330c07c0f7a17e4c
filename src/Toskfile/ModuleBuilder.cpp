// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleBuilder.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace tosk {

namespace {

[[noreturn]] void inconsistency(const std::string& operation, const std::string& reason)
{
    throw TkxException(operation, reason);
}

// Whether a group's count is a field of its own, computed from the others,
// rather than one of the module's values ("@name").
bool countIsComputed(const OperatorEntry& multiple)
{
    const OperatorField* action = multiple.operatorFieldForType(OperatorField::ACTION_SPECIFIER);
    if (!action)
        return false;
    const std::string& specifier = action->text();
    return specifier.empty() || specifier[0] != '@' || specifier.find('/') != std::string::npos;
}

// The fields one walk over the entries from `from` makes with every group
// once: values, outputs and computed counts; only the group's own with
// `groupOnly`.
size_t fieldsMade(const OperatorDesc& op, size_t from, bool groupOnly)
{
    size_t n = 0;
    for (size_t i = from; i < op.count(); ++i) {
        const OperatorEntry& entry = *op.operatorData()[i];
        const int type = entry.entryType();
        if (type == OperatorEntry::MULTIPLEEND && groupOnly)
            break;
        if (ModuleField::isOutputType(type) ||
            (type >= OperatorEntry::ED_INT && type <= OperatorEntry::ED_USER_OBJECT_TYPE))
            ++n;
        else if (type == OperatorEntry::MULTIPLE && countIsComputed(entry))
            ++n;
    }
    return n;
}

} // namespace

ModuleBuilder::ModuleBuilder(Module& module) : module_(module), fields_(module.listOfFields) {}

// The state of one walk over an operator's entries.
struct ModuleBuilder::State {
    SigfileTokenizer* tokenizer = nullptr;
    std::string name;
    std::string running; // the text the next field gets
    FieldPtr iterator;   // count field of the open group
    int count = 0;
    int repetition = 0;
    size_t groupStart = 0;
    size_t index = 0;
    int line = 0; // where the record starts
};

void ModuleBuilder::build(const std::shared_ptr<SigDbase>& dbase, SigfileTokenizer* tokenizer, const std::string& name)
{
    module_.sigDbase_ = dbase;
    if (!name.empty() && name[0] == ';') {
        module_.insertField(ModuleField::fieldWithParent(&module_, name.substr(1)), 0);
        return;
    }
    module_.opDescriptor_ = dbase ? dbase->operatorForName(name) : nullptr;
    if (!module_.opDescriptor_) {
        buildUnknownOperator(name, tokenizer);
        return;
    }
    // The list and the store are made to measure from the start: a patch
    // holds thousands of them.
    const size_t made = fieldsMade(*module_.opDescriptor_, 0, false);
    fields_.reserve(made);
    module_.fieldStore().expectMore(made);
    State state;
    state.tokenizer = tokenizer;
    state.line = tokenizer ? tokenizer->line() : 0;
    state.name = name;
    state.running = name;
    buildEntries(state);
    module_.fieldStore().expectNoMore();
    // A group read with fewer values than it may hold leaves room over.
    fields_.shrink_to_fit();
}

void ModuleBuilder::buildUnknownOperator(const std::string& name, SigfileTokenizer* tokenizer)
{
    const std::string shown = latin1ToUtf8(name);
    logf("Module.buildModule: no operator found for [%s]", shown.c_str());
    module_.readNotes().problems.add(
        AlertStyle::Informational, localized("ModuleBuild", "Module Build"),
        fillIn(localized("InvalidOperator", "'%s' is not a valid operator for this SigDatabase."), {shown}),
        {localized("OK", "OK")});
    std::string joined = name;
    if (tokenizer) {
        // Random bytes make one huge "name": the note keeps its start.
        constexpr size_t kShown = 40;
        module_.noteReadLoss(format("line %d: unknown operator '%s'", tokenizer->line(),
                                    (name.size() > kShown ? name.substr(0, kShown) + "..." : name).c_str()));
        while (auto token = tokenizer->nextToken()) {
            // A group header is a record of its own too: swallowing it would
            // turn the group's members into modules of the patch.
            if ((module_.sigDbase_ && module_.sigDbase_->operatorForName(*token)) ||
                token->compare(0, std::strlen(SModule::kHeaderPrefix), SModule::kHeaderPrefix) == 0) {
                tokenizer->stepBack();
                break;
            }
            joined += " " + *token;
        }
    }
    module_.insertField(ModuleField::fieldWithParent(&module_, joined), 0);
}

// The next value of a record; comments between values are passed over.
bool ModuleBuilder::readValueToken(State& state, std::string_view& token)
{
    while (auto t = state.tokenizer->nextTokenView()) {
        if (!t->empty() && (*t)[0] == ';' && !state.tokenizer->lastTokenQuoted())
            continue;
        token = *t;
        return true;
    }
    return false;
}

void ModuleBuilder::buildEntries(State& state)
{
    const OperatorDesc& op = *module_.opDescriptor_;
    const size_t entryCount = op.count();
    while (state.index < entryCount) {
        const OperatorEntry* entry = op.operatorData()[state.index].get();
        int type = entry->entryType();
        if (op.isScaleDataIterator(state.index))
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
            auto f = ModuleField::fieldWithParent(&module_, state.running, entry);
            f->setIterator(state.iterator.get());
            fields_.push_back(std::move(f));
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
                // A view into the file's bytes: the field keeps the only copy.
                std::string_view token;
                if (!readValueToken(state, token)) {
                    // The record ended early: keep what was made, and say so.
                    module_.noteReadLoss(format("line %d: %s record cut short", state.line, state.name.c_str()));
                    return;
                }
                state.running.assign(token);
            } else if (type <= OperatorEntry::ED_CONTROL) {
                state.running = GetSafeMinimum(*entry);
            }
            auto f = ModuleField::fieldWithParent(&module_, state.running, entry);
            f->setIterator(state.iterator.get());
            fields_.push_back(std::move(f));
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
                if (!countIsComputed(*entry)) {
                    counter = module_.field(specifier.substr(1));
                } else {
                    counter = ModuleField::fieldWithParent(&module_, module_.processStackExpression(specifier));
                    counter->setAsInvisible(true);
                    fields_.push_back(counter);
                }
            }
            if (!counter) {
                logf("SigDbase Error: Can't find iterator for entry: %s", latin1ToUtf8(entry->name()).c_str());
                break;
            }
            state.iterator = counter;
            // A damaged file must not make a group of outputs (which read no
            // tokens) repeat billions of times; no count goes past 16 bits.
            state.count = std::min(OperatorField::integerValue(counter->text()), Module::kMaxRepetitions);
            // Nor past what one module holds, the fields still to come once
            // each left room for.
            state.groupStart = state.index + 1;
            const size_t group = fieldsMade(op, state.groupStart, true);
            if (group > 0 && state.count > 1) {
                const size_t needed = module_.fieldStore().keysGiven() + fieldsMade(op, state.groupStart, false);
                const size_t room = needed < FieldStore::kMostFields ? FieldStore::kMostFields - needed : 0;
                state.count = static_cast<int>(std::min<size_t>(static_cast<size_t>(state.count), 1 + room / group));
            }
            if (state.count <= 0 && !state.tokenizer) {
                counter->setText("1");
                state.count = 1;
            }
            counter->setNumIterations(counter->numIterations() + 1);
            state.repetition = 1;
            if (state.count > 1) {
                const size_t more = group * static_cast<size_t>(state.count - 1);
                fields_.reserve(fields_.capacity() + more);
                module_.fieldStore().expectMore(more);
            }
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
                if (auto token = state.tokenizer->nextTokenView())
                    if (!module_.addInfo(*token))
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
        return std::string("0");
    if (entry.entryType() == OperatorEntry::ED_STRING)
        return text;
    return OperatorField::decimalValue(text) == 0 ? std::string("0") : text;
}

void ModuleBuilder::copyFields(const Module& other)
{
    fields_.reserve(other.listOfFields.size());
    for (const auto& f : other.listOfFields)
        fields_.push_back(ModuleField::fieldWithField(*f, &module_));
    std::unordered_map<const ModuleField*, size_t> places;
    for (size_t i = 0; i < other.listOfFields.size(); ++i)
        places.emplace(other.listOfFields[i].get(), i);
    for (size_t i = 0; i < other.listOfFields.size(); ++i) {
        const ModuleField* counter = other.listOfFields[i]->iterator();
        if (!counter)
            continue;
        // The count field's place identifies it even when its name does not
        // (a computed count has none).
        auto at = places.find(counter);
        fields_[i]->setIterator(at != places.end() ? fields_[at->second].get()
                                                   : module_.findCorrespondingFieldByName(counter->name()).get());
    }
}

ModuleBuilder::FieldPtr ModuleBuilder::addIteration(const ModuleField& member, FieldList* newFields)
{
    ModuleField* counter = member.iterator();
    if (!counter || !counter->changeFieldNum(1, false))
        return nullptr;
    const int target = member.getInstance() + 1;

    // Walk the entries again, following the fields made from them, and make
    // the group's body once more where repetition `target` begins.
    const OperatorDesc& op = *module_.opDescriptor_;
    size_t position = 0;
    FieldPtr current;
    int repetition = 0;
    size_t groupStart = 0;
    FieldPtr first;
    for (size_t i = 0; i < op.count();) {
        const OperatorEntry* entry = op.operatorData()[i].get();
        int type = entry->entryType();
        bool valueOrOutput = ModuleField::isOutputType(type) ||
                             (type >= OperatorEntry::ED_INT && type <= OperatorEntry::ED_USER_OBJECT_TYPE);
        if (valueOrOutput) {
            if (current.get() == counter && repetition == target) {
                bool numeric = (type >= OperatorEntry::ED_INT && type <= OperatorEntry::ED_FLOAT) ||
                               type == OperatorEntry::ED_CONTROL;
                std::string text = numeric ? GetSafeMinimum(*entry) : std::string();
                auto f = ModuleField::fieldWithParent(&module_, text, entry);
                f->setIterator(counter);
                module_.insertField(f, position);
                if (newFields)
                    newFields->push_back(f);
                if (!first)
                    first = f;
                ++position;
            } else if (position < fields_.size() && fields_[position]->entry() == entry) {
                ++position;
            }
        } else if (type == OperatorEntry::MULTIPLE) {
            // A computed count sits where its group begins.
            while (position < fields_.size() && !fields_[position]->entry() && fields_[position]->isInvisible())
                ++position;
            const OperatorField* action = entry->operatorFieldForType(OperatorField::ACTION_SPECIFIER);
            if (action) {
                std::string name = action->text();
                if (!name.empty() && name[0] == '@')
                    name.erase(0, 1);
                current = module_.field(name);
            } else {
                logf("Module.addIteratedField: Can't find iterator for opEntry: %s",
                     latin1ToUtf8(entry->description()).c_str());
                current.reset();
            }
            repetition = 1;
            groupStart = i + 1;
        } else if (type == OperatorEntry::MULTIPLEEND) {
            if (current &&
                repetition < std::min(OperatorField::integerValue(current->text()), Module::kMaxRepetitions)) {
                ++repetition;
                i = groupStart;
                continue;
            }
            ++repetition;
            current.reset();
        }
        ++i;
    }
    return first;
}

void ModuleBuilder::deleteIteration(const ModuleField& member)
{
    ModuleField* counter = member.iterator();
    if (!counter)
        return;
    const int repetition = member.getInstance();
    FieldList doomed;
    InstanceCounter instances;
    for (const auto& f : fields_)
        if (instances.next(*f) == repetition && f->iterator() == counter)
            doomed.push_back(f);
    for (const auto& f : doomed) {
        // Keep every connection count equal to the inputs it feeds: the
        // removed inputs stop feeding, and inputs fed by removed outputs are
        // disconnected rather than left pointing at a field that is gone.
        f->source(nullptr, std::string(f->text()), false);
        if (f->isOutput())
            disconnectFedBy(*f);
        module_.removeField(f.get());
    }
    counter->setText(std::to_string(OperatorField::integerValue(counter->text()) - 1));
}

void ModuleBuilder::disconnectFedBy(const ModuleField& output)
{
    auto disconnect = [&output](const FieldPtr& input) {
        if (input->source().get() != &output)
            return;
        bool control = input->type() == OperatorEntry::ED_CONTROL;
        input->source(nullptr,
                      control && input->entry() ? input->entry()->nameForType(OperatorField::DEFAULT) : std::string(),
                      false);
    };
    if (module_.sigFile_) {
        for (const auto& m : module_.sigFile_->listOfModules())
            for (const auto& f : m->fieldArray())
                disconnect(f);
    }
    if (!module_.sigFile_ || module_.sigFile_->indexOfModule(&module_) == ModuleList::npos)
        for (const auto& f : FieldList(fields_))
            disconnect(f);
}

} // namespace tosk
