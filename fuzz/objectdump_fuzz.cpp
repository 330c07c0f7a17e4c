// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the object-dump parser as a unit's reply, then
// reads every object it returns. The first byte chooses the device id the
// connection expects, so that both matching and foreign frames are parsed.
#include "QuietDiagnostics.h"
#include "comms/KorvatelConnection.h"
#include "comms/SetObject.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quietDiagnostics();
    if (size == 0)
        return 0;
    auto info = std::make_shared<tosk::ChannelNameInfo>();
    info->setChannelId(data[0] & 0x7F);
    // One connection: its two 80 kB buffers are made once, as in the program.
    static tosk::KorvatelConnection connection(nullptr, {});
    tosk::KorvatelConnection* c = &connection;
    tosk::KorvatelConnection withId(info, {});
    if (data[0] & 0x80)
        c = &withId;
    tosk::KeyedArray objects = c->parseObjectInfoDump(data + 1, size - 1);
    for (size_t i = 0; i < objects.count(); ++i) {
        auto object = objects.objectAtIndex(i);
        object->toString();
        if (auto set = std::dynamic_pointer_cast<tosk::SetObject>(object))
            set->setCurrentIndex(set->numberOfStrings() / 2);
    }
    c->dumpObjects(objects, "program");
    return 0;
}
