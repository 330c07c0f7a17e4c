// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchEditor.h"

#include "Toskfile/EditRecord.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleLookup.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/PasteReader.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/TextRules.h"
#include "base/Localization.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace tosk {

namespace {

bool fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

PatchEditor::PatchEditor(SigDocument& document) : document_(&document)
{
    if (!document.sigFile())
        throw TkxException("PatchEditor", "the document has no patch");
}

SigFile& PatchEditor::patch() const
{
    return *document_->sigFile();
}

// ---------------------------------------------------------------- recording

bool PatchEditor::commit(PatchChange::Kind kind, const std::string& actionName, const PatchState& before,
                         unsigned aspects, const void* sender, bool recordUndo)
{
    EditRecord::commit(*document_, kind, actionName, before, aspects, sender, recordUndo);
    return true;
}

// ---------------------------------------------------------------- arguments

Module::Ptr PatchEditor::inPatch(const Module* module) const
{
    if (!module || patch().indexOfModule(module) == ModuleList::npos)
        return nullptr;
    return const_cast<Module*>(module)->shared_from_this();
}

Module::Ptr PatchEditor::topOf(const ModuleField& field) const
{
    Module* top = field.trueParent();
    Module::Ptr owner = inPatch(top);
    // A field removed with its repetition still names its module.
    if (!owner || !owner->containsField(&field))
        return nullptr;
    return owner;
}

std::vector<Module::Ptr> PatchEditor::members(const Modules& modules) const
{
    std::vector<Module::Ptr> result;
    if (modules.empty())
        return result;
    std::unordered_set<const Module*> inList;
    inList.reserve(patch().moduleCount());
    for (const auto& m : patch().listOfModules())
        inList.insert(m.get());
    std::unordered_set<const Module*> taken;
    for (Module* m : modules) {
        // Every module must be in the patch, or the edit is not made at all.
        if (!m || !inList.count(m))
            return {};
        if (taken.insert(m).second)
            result.push_back(m->shared_from_this());
    }
    return result;
}

// ---------------------------------------------------------------- boxes

bool PatchEditor::setBoxes(PatchChange::Kind kind, const std::string& actionName,
                           const std::vector<Module::Ptr>& modules, const std::vector<Rect>& boxes)
{
    bool moves = false;
    for (size_t i = 0; i < modules.size(); ++i)
        moves = moves || modules[i]->rect() != boxes[i];
    if (!moves)
        return false;
    PatchState before(patch());
    for (const auto& m : modules)
        before.addBox(m);
    for (size_t i = 0; i < modules.size(); ++i)
        modules[i]->setRect(boxes[i]);
    return commit(kind, actionName, before, PatchChange::Geometry);
}

bool PatchEditor::moveModules(const Modules& modules, Point offset)
{
    std::vector<Module::Ptr> moved = members(modules);
    if (moved.empty() || !std::isfinite(offset.x) || !std::isfinite(offset.y))
        return false;
    std::vector<Module*> raw;
    for (const auto& m : moved)
        raw.push_back(m.get());
    const Point d = ModuleArrangement::clampOffset(ModuleArrangement::graphicBounds(raw), offset);
    std::vector<Rect> boxes;
    for (const auto& m : moved)
        boxes.push_back(m->rect().offset(d.x, d.y));
    return setBoxes(PatchChange::Kind::Move, "Move", moved, boxes);
}

bool PatchEditor::alignModules(const Modules& modules, ModuleArrangement::Edge edge)
{
    std::vector<Module::Ptr> lined = members(modules);
    if (lined.size() < 2)
        return false;
    std::vector<Rect> boxes;
    for (const auto& m : lined)
        boxes.push_back(m->rect());
    static const char* const kNames[] = {"Align Left Edges", "Align Right Edges", "Align Top Edges",
                                         "Align Bottom Edges"};
    return setBoxes(PatchChange::Kind::Align, kNames[static_cast<int>(edge)], lined,
                    ModuleArrangement::aligned(boxes, edge));
}

bool PatchEditor::gridModules(const Modules& modules, double spacing)
{
    // A spacing below a point would divide by (almost) nothing.
    if (!(spacing >= 1) || !std::isfinite(spacing))
        return false;
    std::vector<Module::Ptr> gridded = members(modules);
    if (gridded.size() < 2)
        return false;
    std::vector<Rect> boxes;
    for (const auto& m : gridded)
        boxes.emplace_back(ModuleArrangement::gridOrigin(m->rect(), spacing), m->rect().size);
    return setBoxes(PatchChange::Kind::Grid, "Grid Selected Graphics", gridded, boxes);
}

bool PatchEditor::reposition(int showMode, bool recordUndo)
{
    SigFile& p = patch();
    if (!p.head())
        return false;
    PatchState before(p);
    for (const auto& m : p.listOfModules())
        before.addBox(m);
    std::vector<Rect> was;
    was.reserve(p.moduleCount());
    for (const auto& m : p.listOfModules())
        was.push_back(m->rect());
    // The layout stacks boxes by their heights, which follow the show mode.
    p.reposition(showMode);
    bool moved = false;
    for (size_t i = 0; i < p.moduleCount() && !moved; ++i)
        moved = p.moduleAtIndex(i)->rect() != was[i];
    if (!moved)
        return false;
    return commit(PatchChange::Kind::Reposition, "Reposition", before, PatchChange::Geometry, nullptr, recordUndo);
}

// ---------------------------------------------------------------- order

bool PatchEditor::reorderModule(Module& module, Module& after)
{
    Module::Ptr moved = inPatch(&module), anchor = inPatch(&after);
    SigFile& p = patch();
    if (!moved || !anchor || moved == anchor || moved == p.head())
        return false;
    if (p.indexOfModule(moved.get()) == p.indexOfModule(anchor.get()) + 1)
        return false;
    PatchState before(p);
    before.addOrder();
    p.moveModule(*moved, *anchor);
    return commit(PatchChange::Kind::ReorderModule, "Reorder Module", before, PatchChange::Order);
}

bool PatchEditor::reorderAll()
{
    SigFile& p = patch();
    PatchState before(p);
    before.addOrder();
    const ModuleList::List was = p.listOfModules();
    if (!p.reorder())
        return false;
    if (p.listOfModules() != was)
        commit(PatchChange::Kind::Reorder, "Reorder SigFile", before, PatchChange::Order);
    return true;
}

// ---------------------------------------------------------------- modules

Module::Ptr PatchEditor::insertModule(const std::string& operatorName, Module* anchor)
{
    return insertPlaced(operatorName, anchor, {});
}

Module::Ptr PatchEditor::insertModuleAt(const std::string& operatorName, Module* anchor, Point origin)
{
    if (!std::isfinite(origin.x) || !std::isfinite(origin.y))
        return nullptr;
    return insertPlaced(operatorName, anchor, [origin](Module& m) {
        const Rect box(origin, m.rect().size);
        const Rect g = ModuleGeometry::graphicRect(box);
        const double k = ModuleArrangement::kMinOrigin;
        m.setRect(box.offset(std::max(0.0, k - g.x()), std::max(0.0, k - g.y())));
    });
}

Module::Ptr PatchEditor::insertModuleInRoom(const std::string& operatorName, Module* anchor, const Rect& area,
                                            double step, const std::vector<Rect>& alsoTaken)
{
    std::vector<Rect> taken = alsoTaken;
    for (const auto& m : patch().listOfModules())
        if (m->height() > 0 && !m->graphicRect().isEmpty())
            taken.push_back(m->graphicRect());
    return insertPlaced(operatorName, anchor, [&](Module& m) {
        m.setRect(Rect(ModuleArrangement::freeOrigin(taken, area, m.rect().size, step), m.rect().size));
    });
}

Module::Ptr PatchEditor::makeModule(const std::string& operatorName) const
{
    SigFile& p = patch();
    const std::shared_ptr<SigDbase>& db = p.sigDbase();
    if (!db || !db->operatorForName(operatorName))
        return nullptr;
    Module::Ptr module;
    try {
        module = Module::moduleNamed(operatorName, std::optional<std::string>("instname"), db);
    } catch (const TkxException&) {
        return nullptr;
    }
    // A second head or tail would not be the patch's.
    if (module->isComment() || module->isHead() || module->isTail() || !module->opstartNameField())
        return nullptr;
    module->setInstanceName(lowerCased(module->name()));
    p.makeNamesUniqueIgnoringCase({module});
    return module;
}

void PatchEditor::addMade(const Module::Ptr& module, const Module::Ptr& after)
{
    SigFile& p = patch();
    if (after) {
        p.addModuleAfter(module, *after, true);
    } else {
        p.addModule(module);
        module->setDocument(document_, &p);
    }
    // Measured as a new window shows it; each view lays it out again for
    // its own show mode when it hears of the insertion.
    module->update(SigFile::kDefaultShowMode);
}

Module::Ptr PatchEditor::insertPlaced(const std::string& operatorName, Module* anchor,
                                      const std::function<void(Module&)>& place)
{
    SigFile& p = patch();
    Module::Ptr after = anchor ? inPatch(anchor) : (p.moduleCount() ? p.listOfModules().back() : nullptr);
    if (anchor && !after)
        return nullptr;
    Module::Ptr module = makeModule(operatorName);
    if (!module)
        return nullptr;
    PatchState before(p);
    before.addOrder();
    addMade(module, after);
    if (place) {
        place(*module);
        module->update(SigFile::kDefaultShowMode);
    }
    commit(PatchChange::Kind::Insert, "Add Module", before, PatchChange::Order | PatchChange::Geometry);
    return module;
}

Module::Ptr PatchEditor::insertModuleOnWire(const std::string& operatorName, const Module::FieldPtr& input,
                                            Point origin)
{
    if (!input || !input->isInput() || input->isWP() || !topOf(*input) || !std::isfinite(origin.x) ||
        !std::isfinite(origin.y))
        return nullptr;
    const Module::FieldPtr source = input->source();
    Module::Ptr after = source ? topOf(*source) : nullptr;
    if (!after)
        return nullptr;
    Module::Ptr module = makeModule(operatorName);
    if (!module)
        return nullptr;
    Module::FieldPtr in, out;
    for (const auto& f : module->fieldArray()) {
        if (f->isInvisible())
            continue;
        if (!in && f->isInput() && !f->isWP() && ConnectionRules::canFeed(*source, *f))
            in = f;
        if (!out && f->isOutput() && ConnectionRules::canFeed(*f, *input))
            out = f;
    }
    if (!in || !out)
        return nullptr;

    SigFile& p = patch();
    PatchState before(p);
    before.addOrder();
    before.addField(input);
    before.addModule(after); // an interface module takes the input's limits
    addMade(module, after);
    const Rect box(origin, module->rect().size);
    const Rect g = ModuleGeometry::graphicRect(box);
    const double k = ModuleArrangement::kMinOrigin;
    module->setRect(box.offset(std::max(0.0, k - g.x()), std::max(0.0, k - g.y())));
    module->update(SigFile::kDefaultShowMode);
    p.connect(*in, source, true, true);
    p.connect(*input, out, true, true);
    commit(PatchChange::Kind::InsertOnWire, "Insert Module", before,
           PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring | PatchChange::Values);
    return module;
}

bool PatchEditor::deleteModules(const Modules& modules, const std::string& actionName)
{
    std::vector<Module::Ptr> doomed = members(modules);
    SigFile& p = patch();
    // The head stays whatever else goes.
    std::erase(doomed, p.head());
    if (doomed.empty())
        return false;
    std::unordered_set<const Module*> going;
    std::vector<Module*> raw;
    for (const auto& m : doomed) {
        going.insert(m.get());
        raw.push_back(m.get());
    }
    PatchState before(p);
    before.addOrder();
    for (const auto& m : doomed)
        for (const auto& f : m->fieldArray())
            if (f->source())
                before.addField(f);
    before.addInputsFedBy(raw);

    // Every wire in and out goes: their own inputs, and the inputs they feed.
    for (const auto& f : before.fields())
        if (f->isInput())
            p.connect(*f, nullptr, false, true);
    ModuleList::List kept;
    kept.reserve(p.moduleCount());
    for (const auto& m : p.listOfModules())
        if (!going.count(m.get()))
            kept.push_back(m);
    p.setListOfModules(std::move(kept));
    return commit(PatchChange::Kind::Delete, actionName, before,
                  PatchChange::Order | PatchChange::Wiring | PatchChange::Values);
}

bool PatchEditor::deletingNeedsConfirmation() const
{
    return patch().hasWPFields() > 0;
}

ModuleList::List PatchEditor::paste(const std::string& text, Module* anchor, Point cascade)
{
    SigFile& p = patch();
    Module::Ptr after = anchor ? inPatch(anchor) : p.head();
    if (!after || !std::isfinite(cascade.x) || !std::isfinite(cascade.y))
        return {};
    PatchState before(p);
    before.addOrder();
    before.addModule(p.tail());
    PasteReader::Result pasted = PasteReader::read(text, p);
    if (pasted.modules.empty() && !pasted.head)
        return {};

    unsigned aspects = PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring;
    if (pasted.head) {
        // The pasted head stands in for the only module the patch had.
        pasted.head->setRect(p.head()->rect());
        p.setListOfModules({pasted.head});
        pasted.head->setDocument(document_, &p);
        p.setAuthor(pasted.author);
        after = pasted.head;
        aspects |= PatchChange::Values;
    }
    p.makeNamesUniqueIgnoringCase(pasted.modules);
    Rect bounds;
    for (const auto& m : pasted.modules)
        bounds = bounds.united(m->graphicRect());
    p.offsetSelectedModules(pasted.modules, after->rect().x() - bounds.x(), after->rect().y() - bounds.y());
    p.addModules(pasted.modules, *after, true);
    if (cascade != Point{})
        for (const auto& m : pasted.modules)
            m->moveBy(cascade);
    commit(PatchChange::Kind::Paste, "Paste", before, aspects);
    return pasted.modules;
}

ModuleList::List PatchEditor::duplicate(const Modules& modules, Point offset)
{
    std::vector<Module::Ptr> originals = members(modules);
    SigFile& p = patch();
    std::erase(originals, p.head());
    if (originals.empty() || !std::isfinite(offset.x) || !std::isfinite(offset.y))
        return {};
    std::unordered_map<const Module*, size_t> place;
    for (size_t i = 0; i < p.moduleCount(); ++i)
        place.emplace(p.moduleAtIndex(i).get(), i);
    std::sort(originals.begin(), originals.end(),
              [&](const Module::Ptr& a, const Module::Ptr& b) { return place[a.get()] < place[b.get()]; });

    PatchState before(p);
    before.addOrder();
    ModuleList from, copies;
    from.setListOfModules(originals);
    for (const auto& m : originals)
        copies.addModule(m->copy());
    try {
        copies.copyConnections(from);
    } catch (const TkxException&) {
        return {};
    }
    const ModuleList::List made = copies.listOfModules();
    p.makeNamesUniqueIgnoringCase(made);
    for (const auto& m : made)
        if (m->rect().origin != Point{})
            m->moveBy(offset);
    p.addModules(made, *originals.back(), false);
    commit(PatchChange::Kind::Duplicate, "Duplicate", before,
           PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring);
    return made;
}

// ---------------------------------------------------------------- fields

bool PatchEditor::canAddRepetition(const ModuleField& field)
{
    const Module* top = field.trueParent();
    return field.iterator() && top && top->opDescriptor() && !top->isSuper() && field.iterator()->checkFieldNum(1);
}

bool PatchEditor::canRemoveRepetition(const ModuleField& field)
{
    const Module* top = field.trueParent();
    return field.iterator() && top && top->opDescriptor() && !top->isSuper() && field.iterator()->checkFieldNum(-1) &&
           OperatorField::integerValue(field.iterator()->text()) >= 2;
}

Module::FieldPtr PatchEditor::addRepetition(const Module::FieldPtr& field)
{
    Module::Ptr top = field ? topOf(*field) : nullptr;
    if (!top || !canAddRepetition(*field))
        return nullptr;
    PatchState before(patch());
    before.addModule(top);
    Module::FieldList made;
    Module::FieldPtr first = top->addIteratedField(*field, &made);
    if (!first) {
        before.restore();
        return nullptr;
    }
    for (const auto& f : made)
        if (f->isInput())
            patch().connect(*f, nullptr, true, false);
    commit(PatchChange::Kind::AddRepetition, "Add Repeating Field", before,
           PatchChange::FieldLists | PatchChange::Values);
    return first;
}

bool PatchEditor::removeRepetition(const Module::FieldPtr& field)
{
    Module::Ptr top = field ? topOf(*field) : nullptr;
    if (!top || !canRemoveRepetition(*field) || !field->parent())
        return false;
    PatchState before(patch());
    before.addModule(top);
    before.addInputsFedBy({top.get()});
    field->parent()->deleteIteratedField(*field);
    return commit(PatchChange::Kind::RemoveRepetition, "Delete Repeating Field", before,
                  PatchChange::FieldLists | PatchChange::Wiring | PatchChange::Values);
}

bool PatchEditor::setFieldText(const Module::FieldPtr& field, const std::string& value, std::string* error,
                               const void* sender)
{
    if (error)
        error->clear();
    Module::Ptr top = field ? topOf(*field) : nullptr;
    if (!top || field->isOutput() || field->isInvisible() || !field->entry())
        return false;
    SigFile& p = patch();
    if (field->isInput() && field->isWP())
        return fail(error, localized("NoChangeExt", "Cannot change external inputs."));
    if (field->numIterations() > 0)
        return fail(error, localized("UseAddRepeat", "Use Add Repeating Field to change this."));
    const bool isName =
        field == top->opstartNameField() || (field->parent() && field == field->parent()->opstartNameField());
    if (isName && top->hasWPFields() > 0)
        return fail(error, localized("NoRenameExt", "Cannot rename module with external inputs or outputs."));

    PatchState before(p);
    before.addField(field);
    const unsigned wires = PatchChange::Wiring | PatchChange::Values;
    // Only a control input holds a constant; the file has no place for a
    // number in any other input.
    if (field->isInput() && field->type() != OperatorEntry::ED_CONTROL && isNumeric(value))
        return fail(error, fillIn(localized("InputTakesNoNumber",
                                            "%s cannot hold a number: only a control input takes a constant."),
                                  {field->moduleFieldName()}));
    if (field->isInput() && !isNumeric(value)) {
        // The text names the output to connect to: as the file names it, or
        // by a group member's path ("v1/osc-out") as the source list does.
        Module::FieldPtr source = value.empty() ? nullptr : p.getField(value, top.get(), OperatorField::CONNECT_TAG);
        if (const size_t dash = value.rfind('-'); !source && dash != std::string::npos)
            if (Module* member = ModuleLookup::findPath(p, value.substr(0, dash)))
                source = member->field(value.substr(dash + 1), OperatorField::CONNECT_TAG);
        if (!source || !topOf(*source))
            return fail(error, fillIn(localized("SourceNotFound", "%s : source not found"), {value}));
        // The head's "null" and "nullobj" stand for no source: they unwire a
        // signal or user-object input, while a control input would be left
        // with no value at all. Its "zero" is a value like any other output's.
        const bool unwires = source->isNullOutput() && source->name() != "zero";
        if (unwires ? field->type() == OperatorEntry::ED_CONTROL : !ConnectionRules::canFeed(*source, *field))
            return fail(error,
                        fillIn(localized("SourceDoesNotFit", "%s cannot feed %s."), {value, field->moduleFieldName()}));
        if (unwires) {
            if (!field->source() && field->text().empty())
                return false;
            field->source(nullptr, std::string(), false);
            return commit(PatchChange::Kind::FieldText, "Change Value", before, wires, sender);
        }
        if (field->source() == source)
            return false;
        before.addModule(topOf(*source));
        p.connect(*field, source, true, true);
        return commit(PatchChange::Kind::FieldText, "Change Value", before, wires, sender);
    }

    const std::string stored = TextRules::stored(field.get(), value);
    if (stored == field->text() && !field->source())
        return false;
    std::string message;
    if (!field->isValueValid(value, message))
        return fail(error, message);
    if (!TextRules::readsBack(field.get(), value))
        return fail(error, TextRules::refusal(value));
    if (isName) {
        // References are found without regard to case: a name that differs
        // from another only in case would wire the wrong module on reading.
        if (stored.empty())
            return fail(error, fillIn(localized("EmptyName", "%s cannot be empty."),
                                      {field->entryName(OperatorField::DESCRIPTION)}));
        for (const auto& other : p.nameFieldList(true))
            if (other != field && equalsIgnoringCase(other->text(), stored))
                return fail(error,
                            fillIn("%s is not a unique %s.\n", {value, field->entryName(OperatorField::DESCRIPTION)}));
    }
    if (field->isInput())
        field->source(nullptr, value, false);
    else
        field->setText(value);
    return commit(PatchChange::Kind::FieldText, "Change Value", before, wires, sender);
}

bool PatchEditor::applyWaveWriteBack(Module& module, const WaveWriteBack& plan, std::string* error, const void* sender)
{
    if (error)
        error->clear();
    Module::Ptr top = inPatch(module.trueParent());
    if (!top || plan.empty())
        return false;
    if (plan.repetitionChange < 0 && plan.removedPointNames.size() != static_cast<size_t>(-plan.repetitionChange))
        return false;
    PatchState before(patch());
    before.addModule(top);
    if (plan.repetitionChange < 0)
        before.addInputsFedBy({top.get()});
    // Any refusal puts back what was done so far: a table is written whole
    // or not at all.
    auto refuse = [&](const std::string& message = {}) {
        before.restore();
        return message.empty() ? false : fail(error, message);
    };

    bool changed = false;
    if (plan.repetitionChange > 0) {
        Module::FieldPtr last = module.field(plan.lastPointName);
        for (int k = 0; k < plan.repetitionChange; ++k) {
            if (!last || !topOf(*last) || !canAddRepetition(*last))
                return refuse();
            Module::FieldList made;
            Module::FieldPtr first = top->addIteratedField(*last, &made);
            if (!first)
                return refuse();
            for (const auto& f : made)
                if (f->isInput())
                    patch().connect(*f, nullptr, true, false);
            // The next one goes after this one, keeping the points in order.
            last = first;
        }
        changed = true;
    }
    for (const auto& name : plan.removedPointNames) {
        Module::FieldPtr f = module.field(name);
        if (!f || !topOf(*f) || !canRemoveRepetition(*f) || !f->parent())
            return refuse();
        f->parent()->deleteIteratedField(*f);
        changed = true;
    }
    for (const auto& v : plan.values) {
        Module::FieldPtr f = module.field(v.fieldName);
        if (!f || !topOf(*f) || f->isOutput() || f->isInvisible() || !f->entry() || f->numIterations() > 0 ||
            f == module.opstartNameField())
            return refuse(fillIn(localized("NoSuchPoint", "%s cannot take a point of the table."), {v.fieldName}));
        if (f->isInput() && (f->isWP() || !isNumeric(v.text)))
            return refuse(fillIn(localized("NoSuchPoint", "%s cannot take a point of the table."), {v.fieldName}));
        if (TextRules::stored(f.get(), v.text) == f->text() && !f->source())
            continue;
        std::string message;
        if (!f->isValueValid(v.text, message))
            return refuse(message);
        if (!TextRules::readsBack(f.get(), v.text))
            return refuse(TextRules::refusal(v.text));
        if (f->isInput())
            f->source(nullptr, v.text, false);
        else
            f->setText(v.text);
        changed = true;
    }
    if (!changed)
        return false;
    return commit(PatchChange::Kind::FieldText, "Change Value", before,
                  PatchChange::FieldLists | PatchChange::Wiring | PatchChange::Values, sender);
}

bool PatchEditor::setTitleAndAuthor(const std::string& title, const std::string& author, std::string* error)
{
    if (error)
        error->clear();
    SigFile& p = patch();
    Module::FieldPtr titleField = p.head() ? p.head()->field("obj_desription") : nullptr;
    Module::FieldPtr authorField = p.tail() ? p.tail()->opstartNameField() : nullptr;
    if (!titleField)
        return false;
    for (const auto& [field, text] : {std::pair{titleField, title}, std::pair{authorField, author}})
        if (field && !TextRules::readsBack(field.get(), text))
            return fail(error, TextRules::refusal(text));
    const bool sameTitle = TextRules::stored(titleField.get(), title) == titleField->text();
    const bool sameAuthor = !authorField || TextRules::stored(authorField.get(), author) == authorField->text();
    if (sameTitle && sameAuthor)
        return false;
    PatchState before(p);
    before.addField(titleField);
    before.addField(authorField);
    p.setProgramName(title);
    p.setAuthor(author);
    return commit(PatchChange::Kind::TitleAndAuthor, "Set Title and Author", before, PatchChange::Values);
}

int PatchEditor::updateParams(std::string_view bytes)
{
    SigFile& p = patch();
    std::vector<std::pair<Module::FieldPtr, std::string>> texts;
    for (const auto& m : p.listOfModules())
        for (const auto& f : m->fieldArray())
            if (!f->source() && !f->isOutput())
                texts.emplace_back(f, f->text());
    const int total = p.updateParams(bytes);
    std::vector<std::pair<Module::FieldPtr, std::string>> changed;
    for (auto& [field, text] : texts)
        if (field->text() != text)
            changed.emplace_back(field, std::move(text));
    if (total < 0 || changed.empty()) {
        // A unit's copy that does not match leaves the patch as it was.
        for (const auto& [field, text] : changed)
            field->restoreText(text);
        return total;
    }
    // Keep each changed field as it was, then as it is.
    PatchState before(p);
    for (const auto& [field, text] : changed) {
        std::string now = field->text();
        field->restoreText(text);
        before.addField(field);
        field->restoreText(std::move(now));
    }
    commit(PatchChange::Kind::UpdateParameters, "Update Parameters", before, PatchChange::Values);
    return total;
}

int PatchEditor::takeParameters(const std::vector<std::pair<Module::FieldPtr, std::string>>& values)
{
    std::vector<std::pair<Module::FieldPtr, std::string>> changes;
    for (const auto& value : values) {
        const Module::FieldPtr& field = value.first;
        const std::string& text = value.second;
        if (!field || !topOf(*field) || field->source() || field->isOutput() ||
            !TextRules::readsBack(field.get(), text))
            return 0;
        auto same = std::find_if(changes.begin(), changes.end(), [&](const auto& c) { return c.first == field; });
        if (same != changes.end())
            same->second = text;
        else
            changes.emplace_back(field, text);
    }
    std::erase_if(changes, [](const auto& c) { return c.first->text() == c.second; });
    if (changes.empty())
        return 0;
    PatchState before(patch());
    for (const auto& [field, text] : changes)
        before.addField(field);
    for (const auto& [field, text] : changes)
        field->setText(text);
    commit(PatchChange::Kind::UpdateParameters, "Update Parameters", before, PatchChange::Values);
    return int(changes.size());
}

// ---------------------------------------------------------------- wires

bool PatchEditor::connectGesture(const Module::FieldPtr& from, const Module::FieldPtr& to, GestureKeys keys,
                                 Problems* refusals)
{
    ConnectionPlan plan = ConnectionRules::plan(patch(), from, to, keys);
    if (plan.outcome == ConnectionPlan::Outcome::Refused) {
        if (refusals)
            ConnectionRules::report(plan, *refusals);
        return false;
    }
    std::string refusal;
    if (connect(plan, &refusal))
        return true;
    if (!refusal.empty()) {
        plan.outcome = ConnectionPlan::Outcome::Refused;
        plan.alertKey = refusal;
        plan.alertText = "Cannot add any more repeating fields.";
        if (refusals)
            ConnectionRules::report(plan, *refusals);
    }
    return false;
}

bool PatchEditor::connect(const ConnectionPlan& plan, std::string* refusal)
{
    if (plan.outcome != ConnectionPlan::Outcome::Connect)
        return false;
    Module::FieldPtr input = plan.input, source = plan.source;
    for (const Module::FieldPtr& f : {input, source, plan.repeatOf})
        if (f && !topOf(*f))
            return false;
    if (plan.repeatOf ? (plan.repetitionIsInput ? !source : !input) : (!input || !source))
        return false;

    SigFile& p = patch();
    PatchState before(p);
    unsigned aspects = PatchChange::Wiring | PatchChange::Values;
    if (input)
        before.addField(input);
    if (source)
        before.addModule(topOf(*source)); // an interface module takes the input's limits
    if (plan.repeatOf) {
        Module::Ptr owner = topOf(*plan.repeatOf);
        if (!canAddRepetition(*plan.repeatOf)) {
            if (refusal)
                *refusal = "NoRepeatFields";
            return false;
        }
        before.addModule(owner);
        Module::FieldList made;
        Module::FieldPtr first = owner->addIteratedField(*plan.repeatOf, &made);
        if (!first) {
            before.restore();
            if (refusal)
                *refusal = "NoRepeatFields";
            return false;
        }
        for (const auto& f : made)
            if (f->isInput())
                p.connect(*f, nullptr, true, false);
        // The new repetition's counterpart of the pin the gesture ended on.
        Module::FieldPtr counterpart;
        for (const auto& f : made)
            if (!counterpart && f->entry() == plan.repeatOf->entry())
                counterpart = f;
        if (!counterpart) {
            before.restore();
            return false;
        }
        (plan.repetitionIsInput ? input : source) = counterpart;
        aspects |= PatchChange::FieldLists;
    }
    if (!ConnectionRules::canFeed(*source, *input) || input->isWP() || input->source() == source) {
        before.restore();
        return false;
    }
    p.connect(*input, source, true, true);
    return commit(PatchChange::Kind::Connect, "Connect Field", before, aspects);
}

bool PatchEditor::connectFields(const Module::FieldPtr& output, const Module::FieldPtr& input)
{
    ConnectionPlan plan;
    plan.outcome = ConnectionPlan::Outcome::Connect;
    plan.input = input;
    plan.source = output;
    return connect(plan);
}

bool PatchEditor::disconnectInput(const Module::FieldPtr& input)
{
    if (!input || !input->isInput() || !input->source() || !topOf(*input))
        return false;
    PatchState before(patch());
    before.addField(input);
    patch().connect(*input, nullptr, false, true);
    return commit(PatchChange::Kind::Disconnect, "Delete Connection", before,
                  PatchChange::Wiring | PatchChange::Values);
}

bool PatchEditor::disconnectOutput(const Module::FieldPtr& output)
{
    if (!output || !output->isOutput() || !topOf(*output))
        return false;
    const Module::FieldList fed = patch().fieldsConnectedTo(*output);
    if (fed.empty())
        return false;
    PatchState before(patch());
    for (const auto& f : fed)
        before.addField(f);
    for (const auto& f : fed)
        patch().connect(*f, nullptr, false, true);
    return commit(PatchChange::Kind::Disconnect, "Delete Connection", before,
                  PatchChange::Wiring | PatchChange::Values);
}

} // namespace tosk
