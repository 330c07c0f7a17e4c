// SPDX-License-Identifier: GPL-3.0-or-later
// PatchEditor's edits of fields: repetitions, values, names, title and author, and parameters taken from elsewhere.
#include "Toskfile/PatchEditor.h"

#include "Toskfile/ModuleLookup.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/TextRules.h"
#include "base/Localization.h"
#include "base/TextCase.h"

#include <algorithm>

namespace tosk {

namespace {

bool fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

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
        std::string now(field->text());
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

} // namespace tosk
