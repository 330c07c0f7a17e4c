// SPDX-License-Identifier: GPL-3.0-or-later
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
        return SigDbase::fromFile(DataFiles::path("sigdbase.sbf"));
    }();
    return db;
}

} // namespace tosk::bench
