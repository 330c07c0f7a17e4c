// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a group record (a ";Ss=GROUP " header and its
// member records, nested groups included) and uses the group as a patch
// would: names, paths, copies, writing, geometry.
#include "FuzzSupport.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/SigDbase.h"

#include <cstdint>
#include <string>

namespace {

using namespace tosk;

std::shared_ptr<SigDbase> database()
{
    return fuzz::bundledDatabase();
}

void exercise(const Module& m, ModuleList& list)
{
    m.pathName();
    m.partialPath();
    m.moduleInfo();
    std::string line;
    m.save(line, "adc", 0);
    m.save(line, "adc", ModuleList::kUploadFlags);
    list.addModule(m.copy());
    if (auto* group = dynamic_cast<const SModule*>(&m))
        for (const auto& member : group->moduleList().moduleArray())
            exercise(*member, list);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto db = database();
    const std::string text =
        std::string(SModule::kHeaderPrefix) + std::string(reinterpret_cast<const char*>(data), size);
    SigfileTokenizer tokenizer(text);
    ModuleList list;
    int records = 0;
    try {
        while (records++ < 8) {
            Module::Ptr m = SModule::moduleFromTokenizer(tokenizer, db);
            if (!m)
                break;
            ModuleGeometry::Laid laid;
            ModuleGeometry::layOut(*m, -1, laid);
            m->findModuleByName("a");
            exercise(*m, list);
            list.addModule(m);
        }
    } catch (const TkxException&) {
    }
    list.nameFieldList(true);
    list.dataRepresentation();
    list.visibleArea(-1);
    try {
        auto copy = list.copy();
    } catch (const TkxException&) {
    }
    return 0;
}
