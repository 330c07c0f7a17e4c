// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a patch: parsing, resolving references, converting the head, and taking parameters from another copy.
#include "Toskfile/SigFile.h"

#include "Toskfile/ModuleLookup.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFileSupport.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <unordered_set>

namespace tosk {

namespace {

bool isNullFieldName(const ModuleField& f)
{
    return SigFile::isZero(f.name());
}

} // namespace

// ---------------------------------------------------------------- first pass

void SigFile::load(std::string_view bytes)
{
    deleteContents();
    loadError_.reset();
    readProblems_.clear();
    comments_.clear();
    SigfileTokenizer tokenizer(bytes, " ");
    // References to modules already read are resolved as each record is
    // read, while its fields are still in the cache; the rest wait for the
    // second pass. The head's "null" outputs must be known for that.
    m_Head.reset();
    adcNull_.reset();
    adcNullObject_.reset();
    pending_.clear();
    readLookup_ = std::make_unique<ModuleLookup>();
    // Each record takes a line at least: counting the lines sizes the name
    // index once instead of rehashing it at every doubling of a large patch
    // (lines ended by CR alone still grow it as they come).
    readLookup_->reserve(size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    lookup_ = readLookup_.get();
    // Records other than comments: a file holding any must have a head.
    bool records = false;
    bool tailRead = false;
    // How many modules came before the first tail record.
    size_t beforeTail = 0;
    int line = 1;
    auto stopped = [&](const std::string& reason) {
        loadError_ = reason;
        readProblems_.push_back(format("line %d: reading stopped: %s", line, reason.c_str()));
    };
    try {
        while (tokenizer.isActive()) {
            line = tokenizer.line();
            if (auto comment = tokenizer.nextTokenView(); comment && !tokenizer.lastTokenQuoted()) {
                if (auto kept = CommentLine::read(*comment)) {
                    comments_.push_back(std::make_shared<PatchComment>(std::move(*kept)));
                    continue;
                }
            }
            // The instance name follows: its slot in the name index, a cache
            // miss in a large patch, is fetched while the record is built.
            if (!tailRead)
                if (auto name = tokenizer.peekTokenView())
                    readLookup_->prefetch(*name);
            tokenizer.stepBack();
            Module::Ptr module = SModule::moduleFromTokenizer(tokenizer, sigDbase_);
            if (!module) {
                logf("SigFile.load: module not defined at line: %d", line);
                continue;
            }
            readProblems_.insert(readProblems_.end(), module->readLosses().begin(), module->readLosses().end());
            problems_.append(module->buildProblems());
            records = records || !module->isComment() || !module->readLosses().empty();
            if (module->isComment()) {
                logf("SigFile.load: module %s has null opDescriptor", latin1ToUtf8(module->description()).c_str());
                continue;
            }
            addModule(module);
            module->setDocument(sigDocument_, this);
            // Tail records leave the list once everything is read: none may
            // be the module a name means, so from the first one on every
            // reference waits for the index of the modules that stay.
            if (!tailRead && module->isTail()) {
                tailRead = true;
                beforeTail = listOfModules_.size() - 1;
            }
            if (!tailRead)
                readLookup_->add(*module);
            if (!m_Head && module->isHead()) {
                m_Head = module;
                adcNull_ = m_Head->field("null");
                adcNullObject_ = m_Head->field("nullobj");
            }
            resolveWhileReading(*module, static_cast<int>(listOfModules_.size()), !tailRead);
        }
    } catch (const TkxException& e) {
        logf("SigFile.load: exception %s - %s", e.name().c_str(), e.reason().c_str());
        stopped(e.name() + " - " + e.reason());
    } catch (const std::exception& e) {
        logf("SigFile.load: exception %s - %s", "std::exception", e.what());
        stopped(std::string("std::exception - ") + e.what());
    }
    lookup_ = nullptr;
    setHead();
    if (tailRead)
        forgetRemovedRecords(beforeTail);
    if (records && !m_Head)
        readProblems_.push_back("the file has no head module");
}
// ---------------------------------------------------------------- second pass

bool SigFile::isZero(const std::string& name)
{
    return equalsIgnoringCase(name, "null") || equalsIgnoringCase(name, "zero") || equalsIgnoringCase(name, "nullobj");
}

int SigFile::secondPass(bool messages)
{
    std::vector<Unresolved> unresolved;
    const Module::Ptr headRead = findHead();
    // Resolving looks names up in an index of the modules, made for each
    // pass and gone with it, thrown or not.
    auto withLookup = [this](auto&& work) {
        ModuleLookup lookup(*this);
        lookup_ = &lookup;
        struct Reset {
            const ModuleLookup*& slot;
            ~Reset() { slot = nullptr; }
        } reset{lookup_};
        work();
    };
    // Resolving changes wires and texts, never the list or a field list.
    if (readLookup_) {
        // Straight after reading: only what reading left is resolved, with
        // the index reading made, which now holds every module.
        lookup_ = readLookup_.get();
        for (const Pending& p : pending_)
            resolveOrList(p.field, *p.module, p.line, unresolved);
        lookup_ = nullptr;
        readLookup_.reset();
        pending_ = {};
    } else {
        withLookup([&] {
            for (size_t i = 0; i < listOfModules_.size(); ++i)
                secondPass(*listOfModules_[i], static_cast<int>(i + 1), unresolved);
        });
    }
    setHeadType();
    // A converted head has the outputs of this database's head, which the
    // old one may have lacked: what names them resolves now, as it will
    // when the saved file is read again.
    if (!unresolved.empty() && m_Head != headRead)
        withLookup([&] {
            std::erase_if(unresolved, [&](const Unresolved& u) {
                // Inputs the converted head had no place for are not in the
                // patch any more.
                Module* owner = u.field->parent();
                if (!owner || owner == headRead.get() || !resolveField(*u.field, *owner))
                    return false;
                u.field->setAsBad(false);
                return true;
            });
        });

    std::string message;
    if (messages)
        for (const Unresolved& u : unresolved)
            message += format("Line %i: Cannot find signal '%s' for %s %s\n\n", u.line,
                              latin1ToUtf8(u.reference).c_str(), latin1ToUtf8(operatorLabel(*u.module)).c_str(),
                              latin1ToUtf8(quoteIfNeeded(u.module->instanceName())).c_str());
    if (!unresolved.empty())
        m_ViewMode = 0;
    unresolved_ = static_cast<int>(unresolved.size());
    if (!message.empty()) {
        logf("Loading: %s", message.c_str());
        problems_.add(AlertStyle::Critical, localized("ERROR", "ERROR"), message + "\n", {localized("OK", "OK")});
    }
    return unresolved_;
}

void SigFile::resolveWhileReading(Module& module, int line, bool resolve)
{
    if (auto* group = module.asGroup()) {
        for (const auto& member : group->moduleList().moduleArray())
            resolveWhileReading(*member, line, resolve);
        return;
    }
    for (const auto& f : module.fieldArray()) {
        if (!f->entry() || !f->isInput())
            continue;
        // A name not read yet may still come: the first module of a name
        // is the one a reference means, wherever it stands.
        if (!resolve || !m_Head || !resolveField(*f, module))
            pending_.push_back({f, &module, line});
    }
}

void SigFile::forgetRemovedRecords(size_t beforeTail)
{
    // The references of the records taken out are not resolved (nor freed
    // with them under the second pass's feet), and the index holds only
    // what stays. Only tail records are taken out, so the modules before
    // the first one are all still there, in place and indexed already.
    std::unordered_set<const Module*> kept;
    auto keep = [&kept](const Module& m, auto& self) -> void {
        kept.insert(&m);
        if (auto* group = m.asGroup())
            for (const auto& member : group->moduleList().moduleArray())
                self(*member, self);
    };
    for (size_t i = beforeTail; i < listOfModules_.size(); ++i) {
        keep(*listOfModules_[i], keep);
        readLookup_->add(*listOfModules_[i]);
    }
    std::erase_if(pending_, [&](const Pending& p) {
        return static_cast<size_t>(p.line) > beforeTail && !kept.contains(p.module);
    });
}

void SigFile::secondPass(Module& module, int line, std::vector<Unresolved>& unresolved)
{
    if (auto* group = module.asGroup()) {
        for (const auto& member : group->moduleList().moduleArray())
            secondPass(*member, line, unresolved);
        return;
    }
    for (const auto& f : module.fieldArray())
        if (f->entry() && f->isInput())
            resolveOrList(f, module, line, unresolved);
}

void SigFile::resolveOrList(const Module::FieldPtr& f, Module& module, int line, std::vector<Unresolved>& unresolved)
{
    const std::string reference(f->text());
    if (resolveField(*f, module))
        return;
    // Marked at once: the head's conversion leaves marked inputs as they
    // are.
    f->setAsBad(true);
    f->restoreText(reference);
    unresolved.push_back({f, &module, line, reference});
}

bool SigFile::resolveField(ModuleField& field, Module& module)
{
    const std::string reference(field.text());
    // A constant. An empty reference names nothing, and is reported like
    // any other that names nothing.
    if (isNumeric(reference))
        return true;
    Module::FieldPtr source = getField(reference, &module, OperatorField::CONNECT_TAG);
    // The head's "null" outputs stand for no connection at all, whatever the
    // head is called: such an input is unconnected, not unresolved.
    if (source && (source == adcNull_ || source == adcNullObject_)) {
        field.setText(std::string());
        return true;
    }
    if (source)
        connect(field, source, false, true);
    return (field.source() && field.source()->parent()) || reference == "adc-null";
}

Module::FieldPtr SigFile::getField(const std::string& reference, Module* module, int type) const
{
    const size_t dash = reference.rfind('-');
    if (dash == std::string::npos)
        return nullptr;
    const std::string name = reference.substr(0, dash);
    Module* found = nullptr;
    const bool selfNamed = module && !module->asGroup() && module->checkName(name);
    // Unconnected inputs are saved under the head's own name: that name, as
    // written, means the head, even where this module or one listed before
    // the head has a name that differs from the head's only in case.
    if (selfNamed && module->instanceName() == name)
        found = module;
    else if (m_Head && m_Head->instanceName() == name)
        found = m_Head.get();
    else if (selfNamed)
        found = module;
    else if (lookup_)
        found = lookup_->find(name);
    else
        found = ModuleLookup(*this).find(name);
    if (!found)
        return nullptr;
    const std::string output = reference.substr(dash + 1);
    // The operator tells which of its entries carry that name; then only
    // those fields need looking at, and no repetition needs counting.
    // Repeated names, and groups, take the general lookup.
    if (const auto& op = found->opDescriptor()) {
        const NamedEntries computed = lookup_ ? NamedEntries() : NamedEntries::of(*op, type, output);
        const NamedEntries& named = lookup_ ? lookup_->namedEntries(*op, type, output) : computed;
        if (!named.repeated) {
            for (const auto& f : found->fieldArray())
                if (std::find(named.entries.begin(), named.entries.end(), f->entry()) != named.entries.end())
                    return f;
            return nullptr;
        }
    }
    return found->field(output, type);
}

void SigFile::connect(ModuleField& input, Module::FieldPtr source, bool setDefaults, bool force)
{
    std::optional<std::string> text;
    if (source) {
        if (!source->isNullOutput())
            input.setHideCount(source->hideCount());
    } else if (input.type() == OperatorEntry::ED_CONTROL) {
        text = (force || input.text().empty()) ? input.entryName(OperatorField::DEFAULT) : std::string(input.text());
    }
    if (input.isInput())
        input.source(std::move(source), text, setDefaults);
}

int SigFile::update(Module* module, bool all)
{
    for (const auto& m : List(listOfModules_)) {
        if (m->isComment())
            continue;
        for (const auto& f : Module::FieldList(m->fieldArray())) {
            if (!f->isInput())
                continue;
            if (f->source()) {
                if (module && f->connectedTo(*module) && (all || !module->containsField(f->source().get())))
                    connect(*f, nullptr, false, true);
            } else if (f->text().empty() && !f->isBad()) {
                // An empty reference that did not resolve stays as the file
                // has it.
                connect(*f, nullptr, false, true);
            }
        }
    }
    return 0;
}

// ---------------------------------------------------------------- head conversion

void SigFile::setHeadType()
{
    setHead();
    if (!m_Head || !sigDbase_)
        return;
    const std::string headName = sigDbase_->headName();
    if (equalsIgnoringCase(m_Head->name(), headName) || !sigDbase_->operatorForName(headName))
        return;
    const Module::Ptr oldHead = m_Head;
    const Module::Ptr newHead = moduleWithDefaults(headName, std::string(oldHead->instanceName()));
    if (!newHead || newHead->isComment())
        return;

    // The old head's fields in the order they are matched: an older "HEAD"
    // lists "right" after "left".
    Module::FieldList olds(oldHead->fieldArray());
    if (equalsIgnoringCase(oldHead->name(), "HEAD")) {
        Module::FieldPtr left = oldHead->field("left"), right = oldHead->field("right");
        if (left && right) {
            olds.erase(std::find(olds.begin(), olds.end(), right));
            olds.insert(std::find(olds.begin(), olds.end(), left) + 1, right);
        }
    }

    // Plan every move first: a head that cannot be converted stays as it
    // was read, not half converted.
    struct Slot {
        Module::FieldPtr field;
        const OperatorEntry* entry = nullptr;
        ModuleField* iterator = nullptr;
        bool taken = false;
    };
    std::vector<Slot> slots;
    for (const auto& f : newHead->fieldArray())
        slots.push_back({f, f->entry(), f->iterator(), false});
    ModuleField* lastIterator = nullptr;
    int count = 0;
    std::vector<std::pair<ModuleField*, int>> counts; // iterator, count, in order
    Module::FieldList dropped;
    auto countUp = [&](ModuleField* iterator) {
        if (iterator) {
            count = iterator == lastIterator ? count + 1 : 1;
            lastIterator = iterator;
        }
        if (lastIterator)
            counts.emplace_back(lastIterator, count);
    };
    for (const auto& old : olds) {
        const int type = old->type();
        if (type != OperatorEntry::ED_SIGNAL && type != OperatorEntry::SIGNAL && type != OperatorEntry::ED_USEROBJ &&
            type != OperatorEntry::CONTROL && type != OperatorEntry::USEROBJ)
            continue;
        const bool isNull = isNullFieldName(*old);
        auto match = std::find_if(slots.begin(), slots.end(), [&](const Slot& s) {
            return !s.taken && s.entry && s.entry->entryType() == type && isNullFieldName(*s.field) == isNull;
        });
        if (match != slots.end()) {
            match->field = old;
            match->taken = true;
            countUp(match->iterator);
            continue;
        }
        if (type == OperatorEntry::ED_USEROBJ) {
            if (!lastIterator) {
                logf("SigFile.setHeadType: exception %s - %s", "SigFile.setHeadType",
                     "SigFile.setHeadType: lastIterator is nil");
                return;
            }
            slots.push_back({old, slots.empty() ? nullptr : slots.back().entry, lastIterator, true});
            countUp(lastIterator);
            continue;
        }
        // Unit outputs beyond the new head's default count are made as
        // further repetitions rather than dropped with their connections.
        if (type == OperatorEntry::ED_SIGNAL) {
            auto last = std::find_if(slots.rbegin(), slots.rend(), [](const Slot& s) {
                return s.entry && s.entry->entryType() == OperatorEntry::ED_SIGNAL && s.iterator;
            });
            if (last != slots.rend()) {
                Slot added{old, last->entry, last->iterator, true};
                slots.insert(last.base(), added);
                countUp(added.iterator);
                continue;
            }
        }
        dropped.push_back(old);
    }

    // A head with fewer repetitions than the new head has by default keeps
    // its own count, and the new head's repetitions beyond it go: a count
    // that did not match the fields written would make a file that does not
    // read back.
    std::map<const ModuleField*, int> finalCount;
    for (const auto& [iterator, n] : counts)
        finalCount[iterator] = n;
    std::map<std::pair<const ModuleField*, const OperatorEntry*>, int> repetition;
    std::vector<Slot> kept;
    kept.reserve(slots.size());
    for (auto& slot : slots) {
        auto counted = slot.iterator ? finalCount.find(slot.iterator) : finalCount.end();
        const int number = slot.iterator ? ++repetition[{slot.iterator, slot.entry}] : 0;
        if (!slot.taken && counted != finalCount.end() && number > counted->second)
            continue;
        kept.push_back(std::move(slot));
    }
    slots = std::move(kept);

    // Both heads' fields end in one store, numbered in 16 bits.
    if (newHead->fieldStore().keysGiven() + oldHead->fieldStore().keysGiven() > FieldStore::kMostFields)
        return;

    // Carry it out.
    const std::string program = programName();
    const std::string tag = oldHead->fieldText("obj_tag");
    newHead->removeAllFields();
    // The old head's fields move on with their wires, in their store.
    newHead->takeFieldsOf(*oldHead);
    for (auto& slot : slots) {
        if (slot.taken) {
            slot.field->setEntry(slot.entry);
            slot.field->setIterator(slot.iterator);
            slot.field->setTypeFlags();
        }
        newHead->addField(slot.field);
    }
    for (const auto& [iterator, n] : counts) {
        iterator->setNumIterations(n);
        iterator->setText(std::to_string(n));
    }
    // Inputs of the old head that have no place keep no wire.
    for (const auto& f : dropped)
        if (f->isInput() && f->source())
            f->source(nullptr, std::string(f->text()), false);
    // Nor do the inputs fed by a field of the old head that has no place
    // (an output too many, or what a damaged file wired to a value): it
    // leaves with the old head, and what is outside the patch feeds nothing.
    std::unordered_set<const ModuleField*> gone;
    for (const auto& f : olds)
        gone.insert(f.get());
    for (const auto& slot : slots)
        gone.erase(slot.field.get());
    auto cut = [&gone](const Module& m) {
        for (const auto& f : m.fieldArray())
            if (f->source() && gone.count(f->source().get()))
                f->source(nullptr, std::string(f->text()), false);
    };
    cut(*newHead);
    for (const auto& m : listOfModules_)
        cut(*m);

    const size_t at = indexOfModule(oldHead.get());
    if (at != npos)
        removeModuleAtIndex(at);
    addModuleBefore(newHead, 0);
    m_Head = newHead;
    newHead->setDocument(sigDocument_, this);
    setProgramName(program);
    if (!tag.empty())
        newHead->setFieldText("obj_tag", tag);
    if (oldHead->isPlaced())
        newHead->moveToPosition(oldHead->rect().origin);

    oldHead->removeAllFields();
    update(oldHead.get(), false);
    for (int i = 0; i < oldHead->numRefs(); ++i)
        newHead->changeReferenceCount(1);
    setHead();
}
int SigFile::updateParams(std::string_view bytes)
{
    std::unique_ptr<SigFile> remote = fileWithData(bytes, std::string("temp"), sigDbase_, nullptr);
    problems_.append(remote->takeProblems());
    const Module::FieldList mine = nameFieldList(true);
    const Module::FieldList theirs = remote->nameFieldList(true);
    int total = 0;
    if (mine.size() != theirs.size()) {
        total = -1;
    } else {
        for (size_t i = 0; i < mine.size(); ++i) {
            Module* a = mine[i]->trueParent();
            Module* b = theirs[i]->trueParent();
            if (!a || !b || a->name() != b->name() || a->fieldCount() != b->fieldCount()) {
                total = -1;
                break;
            }
            total += a->updateParams(*b);
        }
    }
    const std::string title = localized("UpdateParams", "Update Parameters");
    const std::vector<std::string> ok{localized("OK", "OK")};
    if (total == 0)
        problems_.add(AlertStyle::Informational, title, localized("UpdateParamsNoChange", "No changes were made."), ok);
    else if (total == -1)
        problems_.add(AlertStyle::Critical, title,
                      fillIn(localized("UpdateParamsErr1", "The remote '%s' preset is not the same as %s"),
                             {latin1ToUtf8(remote->programName()), latin1ToUtf8(programName())}),
                      ok);
    else
        problems_.add(AlertStyle::Informational, title,
                      fillIn(localized("UpdateParamsChanges", "%s changes were made."), {numberString(total)}), ok);
    return total;
}

} // namespace tosk
