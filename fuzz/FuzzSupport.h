// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <memory>
#include <string>

namespace tosk::fuzz {

// Alerts answered at once, with nobody to see them.
class SilentAlerts : public Alerts {
public:
    int run(const AlertRequest&) override { return 0; }
};

// The bundled database, read once, with alerts and the log silenced for
// the whole run.
inline std::shared_ptr<SigDbase> bundledDatabase()
{
    static std::shared_ptr<SigDbase> db = [] {
        static SilentAlerts alerts;
        Alerts::setShared(&alerts);
        setLogSink([](const std::string&) {});
        return SigDbase::fromFile(DataFiles::path("sigdbase.sbf"));
    }();
    return db;
}

} // namespace tosk::fuzz
