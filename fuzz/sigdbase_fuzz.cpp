// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the operator database reader, then runs every
// query a loaded database answers.
#include "base/Alerts.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <cstdint>
#include <sstream>
#include <string_view>

namespace {

// Alerts raised by bad input are expected; keep none of them.
class SilentAlerts : public tosk::Alerts {
public:
    int run(const tosk::AlertRequest&) override { return 0; }
};

void exercise(tosk::SigDbase& db)
{
    db.maxChannels();
    db.systemType();
    db.headName();
    db.setMaxChannels(8);
    db.versionAsDouble();
    db.isNameUnique(" head\r\n");
    std::ostringstream dump;
    db.dumpOperatorList(dump);
    for (const auto& op : db.sigDbaseData()) {
        op->description();
        op->findEntryName("ninputs");
        op->findEntryText(0, tosk::OperatorField::OPERATOR_CLASS);
        for (const auto& entry : op->operatorData())
            entry->description();
        db.operatorForName(op->name());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        tosk::setLogSink([](const std::string&) {});
        static SilentAlerts alerts;
        tosk::Alerts::setShared(&alerts);
        return true;
    }();
    (void)quiet;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    tosk::SigDbase raw;
    raw.loadFromData(bytes);
    exercise(raw);

    tosk::SigDbase full;
    full.createSigDbaseFromData(bytes);
    exercise(full);
    return 0;
}
