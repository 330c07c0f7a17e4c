// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DatabaseSummary.h"

#include "database/SigDbase.h"

namespace tosk {

DatabaseSummary DatabaseSummary::of(const SigDbase& database)
{
    DatabaseSummary s;
    s.loaded = database.sigDbaseCreated();
    s.path = database.fullPathName();
    s.product = database.productString();
    s.version = database.versionString();
    s.date = database.dateString();
    s.operatorCount = database.sigDbaseData().size();
    return s;
}

} // namespace tosk
