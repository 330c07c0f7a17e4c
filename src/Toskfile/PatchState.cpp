// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchState.h"

#include "Toskfile/SigFile.h"

#include <algorithm>

namespace tosk {

// ---------------------------------------------------------------- keeping

void PatchState::addOrder()
{
    order_ = patch_->listOfModules();
}

void PatchState::addComments()
{
    comments_.emplace();
    for (const auto& c : patch_->comments())
        comments_->push_back({c, *c});
}

void PatchState::addModuleItem(const Module::Ptr& module, bool withFields)
{
    if (!module)
        return;
    auto [at, added] = moduleIndex_.emplace(module.get(), modules_.size());
    if (added)
        modules_.push_back({module, module->rect().origin, module->rect().width(), module->isPlaced(), false, {}});
    ModuleItem& item = modules_[at->second];
    if (withFields && !item.withFields) {
        item.withFields = true;
        item.fieldOrder = module->fieldOrder();
        for (const auto& f : module->fieldArray())
            addField(f);
    }
}

void PatchState::addBox(const Module::Ptr& module)
{
    addModuleItem(module, false);
}

void PatchState::addModule(const Module::Ptr& module)
{
    addModuleItem(module, true);
}

void PatchState::addField(const Module::FieldPtr& field)
{
    if (field && keptFields_.insert(field.get()).second)
        fields_.push_back(capture(field));
}

void PatchState::addInputsFedBy(const std::vector<Module*>& modules)
{
    std::unordered_set<const Module*> feeding(modules.begin(), modules.end());
    for (const auto& m : patch_->listOfModules())
        for (const auto& f : m->fieldArray())
            if (f->source() && f->source()->parent() && feeding.count(f->source()->trueParent()))
                addField(f);
}

PatchState::FieldItem PatchState::capture(const Module::FieldPtr& field)
{
    return {field, field->source(), std::string(field->text()), field->hideCount(), field->visibleFlags()};
}

PatchState PatchState::after() const
{
    PatchState now(*patch_);
    for (const auto& item : modules_)
        now.addModuleItem(item.module, item.withFields);
    for (const auto& item : fields_)
        now.addField(item.field);
    if (comments_)
        now.addComments();
    if (order_) {
        now.addOrder();
        std::unordered_set<const Module*> before;
        before.reserve(order_->size());
        for (const auto& m : *order_)
            before.insert(m.get());
        for (const auto& m : *now.order_)
            if (!before.count(m.get()))
                for (const auto& f : m->fieldArray())
                    if (f->source())
                        now.addField(f);
    }
    return now;
}

// ---------------------------------------------------------------- restoring

void PatchState::wire(ModuleField& field, const Module::FieldPtr& source)
{
    if (field.source() == source)
        return;
    field.changeSourceReferenceCount(-1);
    field.setSource(source);
    field.changeSourceReferenceCount(1);
}

void PatchState::put(const FieldItem& item)
{
    ModuleField& f = *item.field;
    wire(f, item.source);
    f.restoreText(item.text);
    f.setHideCount(item.hideCount);
    f.setVisibleFlags(static_cast<uint16_t>(~item.flags), false);
    f.setVisibleFlags(item.flags, true);
}

void PatchState::restore() const
{
    // Kept until every wire from them is cut.
    std::vector<Module::Ptr> leaving;
    if (order_) {
        std::unordered_set<const Module*> staying;
        staying.reserve(order_->size());
        for (const auto& m : *order_)
            staying.insert(m.get());
        for (const auto& m : patch_->listOfModules()) {
            if (staying.count(m.get()))
                continue;
            leaving.push_back(m);
            for (const auto& f : m->fieldArray())
                if (f->source())
                    wire(*f, nullptr);
        }
        patch_->setListOfModules(*order_);
    }
    for (const auto& item : modules_) {
        Module& m = *item.module;
        if (item.withFields && !m.fieldArray().matches(item.fieldOrder)) {
            std::unordered_set<const ModuleField*> keep;
            for (const auto& f : m.fieldArray().fieldsOf(item.fieldOrder))
                keep.insert(f.get());
            for (const auto& f : m.fieldArray())
                if (!keep.count(f.get()) && f->source())
                    wire(*f, nullptr);
            m.restoreFieldOrder(item.fieldOrder);
        }
        m.restoreBox(item.origin, item.width, item.placed);
    }
    for (const auto& item : fields_)
        put(item);
    cutWiresFrom(leaving);
    if (comments_) {
        PatchComment::List list;
        list.reserve(comments_->size());
        for (const auto& item : *comments_) {
            *item.comment = item.value;
            list.push_back(item.comment);
        }
        patch_->setComments(std::move(list));
    }
}

void PatchState::cutWiresFrom(const std::vector<Module::Ptr>& leaving) const
{
    // Every edit keeps the inputs its modules feed, so a state put back has
    // none wired to a module that leaves the patch; this makes sure, for such
    // an input would point into a module nothing keeps once the steps holding
    // it are gone. The outputs' counts tell whether there is any to look for.
    std::unordered_set<const Module*> gone;
    for (const auto& m : leaving)
        for (const auto& f : m->fieldArray())
            if (f->numConnects() > 0)
                gone.insert(m.get());
    if (gone.empty())
        return;
    for (const auto& m : patch_->listOfModules())
        for (const auto& f : m->fieldArray())
            if (f->source() && gone.count(f->source()->trueParent()))
                wire(*f, nullptr);
}

// ---------------------------------------------------------------- reading

ModuleList::List PatchState::missingFrom(const PatchState& other) const
{
    ModuleList::List missing;
    if (!order_ || !other.order_)
        return missing;
    std::unordered_set<const Module*> mine;
    mine.reserve(order_->size());
    for (const auto& m : *order_)
        mine.insert(m.get());
    for (const auto& m : *other.order_)
        if (!mine.count(m.get()))
            missing.push_back(m);
    return missing;
}

std::vector<Module::Ptr> PatchState::modules() const
{
    std::vector<Module::Ptr> result;
    std::unordered_set<const Module*> seen;
    for (const auto& item : modules_)
        if (seen.insert(item.module.get()).second)
            result.push_back(item.module);
    for (const auto& item : fields_) {
        Module* owner = item.field->trueParent();
        if (owner && seen.insert(owner).second)
            result.push_back(owner->shared_from_this());
    }
    return result;
}

std::vector<Module::FieldPtr> PatchState::fields() const
{
    std::vector<Module::FieldPtr> result;
    result.reserve(fields_.size());
    for (const auto& item : fields_)
        result.push_back(item.field);
    return result;
}

} // namespace tosk
