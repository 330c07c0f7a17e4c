// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a sig file over the bundled database, then does
// what the editor does with a patch: write it (file and upload text), read
// the text written (which must write back the same), renumber it, lay it out
// and take its own values back.
#include "FuzzSupport.h"
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/OperatorDesc.h"
#include "database/OperatorEntry.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

using namespace tosk;

std::shared_ptr<SigDbase> database()
{
    return fuzz::bundledDatabase();
}

bool makesField(int type)
{
    switch (type) {
    case OperatorEntry::OPERATOR:
    case OperatorEntry::SWITCH:
    case OperatorEntry::CASE:
    case OperatorEntry::SWITCHEND:
    case OperatorEntry::MULTIPLE:
    case OperatorEntry::MULTIPLEEND:
    case OperatorEntry::OPERATOREND:
        return false;
    default:
        return true;
    }
}

// Whether a module's record was read to its end: a record the data cut
// short has no fields from the value it missed on, so its last field is not
// the last repetition of the operator's last entry. (A block repeated no
// time at the end passes for cut short too; such patches are not checked.)
bool readToTheEnd(const Module& m)
{
    if (auto* group = dynamic_cast<const SModule*>(&m)) {
        for (const auto& member : group->moduleList().moduleArray())
            if (!readToTheEnd(*member))
                return false;
        return true;
    }
    if (!m.opDescriptor())
        return true;
    const OperatorEntry* last = nullptr;
    for (const auto& entry : m.opDescriptor()->operatorData())
        if (makesField(entry->entryType()))
            last = entry.get();
    if (!last)
        return true;
    const Module::FieldPtr field = m.lastField();
    if (!field || field->entry() != last)
        return false;
    // In a repeated block, the last repetition too.
    const ModuleField* counter = field->iterator();
    return !counter || field->getInstance() == std::min(OperatorField::integerValue(counter->text()),
                                                        static_cast<int32_t>(Module::kMaxRepetitions));
}

bool readToTheEnd(const SigFile& patch)
{
    for (const auto& m : patch.moduleArray())
        if (!readToTheEnd(*m))
            return false;
    return !patch.tail() || readToTheEnd(*patch.tail());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto db = database();
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto patch = SigFile::fileWithData(text, std::nullopt, db, nullptr);
    const std::string written = patch->dataRepresentation();
    patch->uploadRepresentation();
    auto again = SigFile::fileWithData(written, std::nullopt, db, nullptr);
    // What was read whole is written so that it reads back the same.
    if (readToTheEnd(*patch) && again->dataRepresentation() != written)
        __builtin_trap();

    CanvasLayout().layOut(*patch, patch->head().get());
    patch->reposition();
    patch->reorder();
    patch->visibleArea(SigFile::kDefaultShowMode);
    patch->updateParams(written);
    // This search scans every field of the patch for every port of the
    // module: on a head of 32,767 repetitions it takes half a minute, and
    // the fuzzer learns nothing more from it than from a small patch.
    size_t fields = 0;
    for (const auto& m : patch->moduleArray())
        fields += m->fieldArray().size();
    if (fields <= 2000)
        for (const auto& m : patch->moduleArray())
            patch->modulesConnectedTo(*m, OperatorEntry::SIGNAL);
    if (patch->moduleCount() > 1)
        patch->addModuleAfter(patch->moduleAtIndex(1)->copy(), *patch->moduleAtIndex(0), true);
    patch->copy();
    patch->dataRepresentation();
    return 0;
}
