// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the operator database reader and writes the help
// book of what was read: names, specifiers and repeat counts of a database
// that came from a unit must never make a page outside the book or crash
// the page writer.
#include "FuzzSupport.h"

#include "database/HelpBook.h"
#include "database/HelpBookWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        static tosk::fuzz::SilentAlerts alerts;
        tosk::Alerts::setShared(&alerts);
        tosk::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    tosk::SigDbase db;
    db.createSigDbaseFromData(bytes);
    for (const auto& page : tosk::HelpBookWriter(db).pages())
        if (!tosk::HelpBook::isSafePagePath(page.path) || page.html.empty())
            std::abort();
    tosk::HelpBook::databaseId(db);

    // The same bytes taken as a name asked for by a panel.
    if (auto page = tosk::HelpBook::operatorPage(bytes); page && !tosk::HelpBook::isSafePagePath(*page))
        std::abort();
    if (auto page = tosk::HelpBook::classPage(bytes); page && !tosk::HelpBook::isSafePagePath(*page))
        std::abort();
    return 0;
}
