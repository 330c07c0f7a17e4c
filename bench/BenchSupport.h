#pragma once

#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <memory>
#include <string>

namespace tosk::bench {

// The bundled database, read once, with the log silenced for the run.
inline std::shared_ptr<SigDbase> bundledDatabase()
{
    static std::shared_ptr<SigDbase> db = [] {
        setLogSink([](const std::string&) {});
        auto d = std::make_shared<SigDbase>();
        d->setFullPathName(DataFiles::path("sigdbase.sbf"));
        d->createSigDbase();
        return d;
    }();
    return db;
}

} // namespace tosk::bench
