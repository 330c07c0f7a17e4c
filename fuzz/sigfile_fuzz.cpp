// Reads arbitrary bytes as a sig file over the bundled database, then does
// what the editor does with a patch: write it (file and upload text), read
// the text written, renumber it, lay it out and take its own values back.
#include "FuzzSupport.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <cstdint>
#include <string>

namespace {

using namespace tosk;

std::shared_ptr<SigDbase> database()
{
    return fuzz::bundledDatabase();
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
    again->dataRepresentation();

    patch->updateAll(patch->showMode());
    patch->reposition();
    patch->reorder();
    patch->visibleArea(patch->showMode());
    patch->updateParams(written);
    for (const auto& m : patch->moduleArray())
        patch->modulesConnectedTo(*m, OperatorEntry::SIGNAL);
    if (patch->moduleCount() > 1)
        patch->addModuleAfter(patch->moduleAtIndex(1)->copy(), *patch->moduleAtIndex(0), true);
    patch->copy();
    patch->dataRepresentation();
    return 0;
}
