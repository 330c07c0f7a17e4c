// SPDX-License-Identifier: GPL-3.0-or-later
// PatchEditor's edits that connect and disconnect wires.
#include "Toskfile/PatchEditor.h"

#include "Toskfile/ModuleLookup.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigFile.h"

namespace tosk {

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
    for (const Module::FieldPtr& f : {input, source, Module::FieldPtr(plan.repeatOf)})
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
