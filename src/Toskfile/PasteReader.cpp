// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PasteReader.h"

#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigFile.h"
#include "base/Log.h"
#include "base/TextCase.h"

namespace tosk {

namespace {

// The output of `head` that stands where `output` of another head stood.
Module::FieldPtr counterpart(const Module& head, const ModuleField& output)
{
    const std::string tag = output.entryName(OperatorField::CONNECT_TAG);
    for (const auto& f : head.fieldArray())
        if (f->type() == output.type() && equalsIgnoringCase(f->entryName(OperatorField::CONNECT_TAG), tag))
            return f;
    return nullptr;
}

} // namespace

PasteReader::Result PasteReader::read(const std::string& text, const SigFile& target)
{
    Result result;
    SigFile pasted(target.sigDbase(), nullptr);
    {
        LogCapture silent;
        pasted.load(text);
        // An unknown operator is the only problem the first pass finds.
        if (pasted.loadError() || !pasted.problems().empty())
            return result;
        pasted.secondPass(false);
        if (!pasted.problems().empty())
            return result;
    }

    ModuleList::List modules = pasted.listOfModules();
    const Module::Ptr pastedHead = pasted.head();
    const Module::Ptr& ownHead = target.head();
    const bool onlyHead = target.moduleCount() == 1 && ownHead && target.moduleAtIndex(0) == ownHead;
    if (pastedHead) {
        std::erase(modules, pastedHead);
        if (onlyHead) {
            result.head = pastedHead;
            result.author = pasted.author();
        }
    }
    if (modules.empty() && !result.head)
        return result;

    // The rest of the text's wiring: nothing may stay fed by a module that
    // is not pasted, nor keep a reference that names one.
    const Module* dropped = (pastedHead && !result.head) ? pastedHead.get() : nullptr;
    for (const auto& m : modules) {
        for (const auto& f : m->fieldArray()) {
            if (!f->isInput())
                continue;
            if (f->source() && dropped && f->source()->trueParent() == dropped) {
                Module::FieldPtr own = ownHead ? counterpart(*ownHead, *f->source()) : nullptr;
                pasted.connect(*f, own, false, true);
                continue;
            }
            if (!f->source() && (f->isBad() || (!f->text().empty() && !isNumeric(f->text())))) {
                f->setAsBad(false);
                pasted.connect(*f, nullptr, false, true);
            }
        }
    }
    ModuleList list;
    list.setListOfModules(modules);
    list.resetConnections();
    result.modules = std::move(modules);
    return result;
}

} // namespace tosk
