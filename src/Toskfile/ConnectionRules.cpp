// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ConnectionRules.h"

#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"
#include "base/Localization.h"

namespace tosk {

std::pair<ModuleField::Ptr, ModuleField::Ptr> ConnectionRules::chain(const Module& from, const Module& to)
{
    ModuleField::Ptr output;
    for (const auto& f : from.fieldArray())
        if (f->isOutput() && !f->isInvisible()) {
            output = f;
            break;
        }
    if (!output)
        return {};
    for (const auto& f : to.fieldArray())
        if (f->isInput() && !f->isWP() && !f->isInvisible() && canFeed(*output, *f))
            return {output, f};
    return {};
}

bool ConnectionRules::canFeed(const ModuleField& output, const ModuleField& input)
{
    return output.isOutput() && input.isInput() && output.typeIsCompatableWith(input);
}

bool ConnectionRules::accepts(const SigFile& patch, const ModuleField::Ptr& from, const ModuleField::Ptr& to,
                              GestureKeys keys)
{
    if (!from || !to || from == to)
        return false;
    if (!keys.shift)
        return compatible(*from, *to);
    // A repetition not made yet has no partner.
    if (keys.option && to->iterator())
        return false;
    ModuleField::Ptr partner;
    if (from->isInput()) {
        partner = to->source();
    } else if (from->isOutput()) {
        const Module::FieldList fed = patch.fieldsConnectedTo(*to);
        if (fed.size() == 1)
            partner = fed.front();
    }
    return partner && partner != from && compatible(*from, *partner);
}

ConnectionPlan ConnectionRules::plan(const SigFile& patch, const ModuleField::Ptr& from, const ModuleField::Ptr& to,
                                     GestureKeys keys)
{
    ConnectionPlan plan;
    if (!from || !to || from == to)
        return plan;
    const bool fromInput = from->isInput();
    if (!fromInput && !from->isOutput())
        return plan;
    auto refuse = [&plan](const char* key, const char* text) {
        plan.outcome = ConnectionPlan::Outcome::Refused;
        plan.alertKey = key;
        plan.alertText = text;
        return plan;
    };

    ModuleField::Ptr target = to;
    bool repetition = false;
    if (keys.option && target->iterator()) {
        // Only a module of its own can grow a group, and only below the
        // count's maximum.
        const Module* top = target->trueParent();
        if (!top || top->isSuper() || top->isComment() || !top->opDescriptor() || !target->iterator()->checkFieldNum(1))
            return refuse("NoRepeatFields", "Cannot add any more repeating fields.");
        repetition = true;
    }
    if (keys.shift) {
        // A repetition not made yet has no source and feeds nothing.
        if (repetition)
            return plan;
        if (fromInput) {
            target = target->source();
        } else {
            Module::FieldList fed = patch.fieldsConnectedTo(*target);
            if (fed.size() != 1)
                return plan;
            target = fed.front();
        }
        if (!target || target == from)
            return plan;
    }

    const ModuleField::Ptr& input = fromInput ? from : target;
    const ModuleField::Ptr& source = fromInput ? target : from;
    // A new repetition is never external; an existing input may be.
    if (input->isWP() && !(repetition && !fromInput))
        return refuse("NoReconnectExt", "Cannot re-connect external input.");
    if (repetition) {
        plan.outcome = ConnectionPlan::Outcome::Connect;
        plan.repeatOf = target;
        plan.repetitionIsInput = !fromInput;
        (fromInput ? plan.input : plan.source) = from;
        return plan;
    }
    if (!canFeed(*source, *input) || input->source() == source)
        return plan;
    plan.outcome = ConnectionPlan::Outcome::Connect;
    plan.input = input;
    plan.source = source;
    return plan;
}

void ConnectionRules::report(const ConnectionPlan& plan, Problems& problems)
{
    if (plan.outcome != ConnectionPlan::Outcome::Refused)
        return;
    problems.add(AlertStyle::Critical, localized("ERROR", "ERROR"), localized(plan.alertKey, plan.alertText),
                 {localized("OK", "OK")});
}

} // namespace tosk
