// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as module records against the bundled database and
// runs what the editor does with the modules it builds: naming, limits,
// validation, layout, info text, copies, repetitions and unique names.
#include "FuzzSupport.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleList.h"
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

void exercise(Module& m)
{
    m.moduleInfo();
    ModuleGeometry::Laid laid;
    ModuleGeometry::layOut(m, -1, laid);
    ModuleGeometry::layOut(m, 3, laid);
    ModuleGeometry::placedBox(m, 3);
    m.instanceName();
    m.pathName();
    std::string msg;
    size_t n = 0;
    for (const auto& f : m.fieldArray()) {
        if (++n > 64)
            break;
        f->name();
        f->getName(14, "adc");
        f->getName();
        f->checkFieldNum(1);
        f->isValueValid(std::string(f->text()), msg);
        f->isValueValid("0.5", msg);
        try {
            f->getSpecifier(OperatorField::MINIMUM);
            f->getSpecifier(OperatorField::MAXIMUM);
        } catch (const TkxException&) {
        }
    }
    auto copy = m.copy();
    for (const auto& f : copy->fieldArray()) {
        if (f->iterator()) {
            if (auto added = copy->addIteratedField(*f, nullptr))
                copy->deleteIteratedField(*added);
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto db = database();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    SigfileTokenizer tokenizer(text);
    ModuleList patch;
    int records = 0;
    while (tokenizer.isActive() && records++ < 16) {
        auto name = tokenizer.nextToken();
        if (!name)
            break;
        try {
            auto module = Module::moduleNamed(*name, tokenizer, db);
            if (module->isComment()) {
                module->addInfo(*name);
                continue;
            }
            exercise(*module);
            patch.addModule(module);
        } catch (const TkxException&) {
            break;
        }
    }
    try {
        // A record cut short may lack its instance name; naming then fails.
        patch.makeNamesUnique(patch.listOfModules(), 0);
    } catch (const TkxException&) {
    }
    patch.visibleArea(-1);
    auto copy = patch.copy();
    try {
        Module probe;
        probe.processStackExpression(std::string(text.substr(0, 256)));
    } catch (const TkxException&) {
    }
    return 0;
}
