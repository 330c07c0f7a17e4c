// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary text to the user object factory as one object line of a
// unit's reply and reads the object it makes.
#include "QuietDiagnostics.h"
#include "base/TkxException.h"
#include "comms/ColObject.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/KeyedArray.h"
#include "comms/NumObject.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"
#include "comms/UserObjectFactory.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quietDiagnostics();
    std::string line(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<tosk::BaseObject> object;
    try {
        object = tosk::UserObjectFactory::createUserObject(line);
    } catch (const tosk::TkxException&) {
        return 0;
    }
    object->toString();
    for (size_t i = 0; i <= object->partCount(); ++i)
        object->objectPartAt(i);
    if (auto set = std::dynamic_pointer_cast<tosk::SetObject>(object)) {
        for (uint32_t i = 0; i <= set->numberOfStrings(); ++i) {
            set->stringAtIndex(i);
            set->setCurrentIndex(i);
        }
        set->setCurrentIndex(set->currentIndex());
    } else if (auto num = std::dynamic_pointer_cast<tosk::NumObject>(object)) {
        (void)(num->value() + num->minimum() + num->maximum() + num->resolution());
    } else if (auto col = std::dynamic_pointer_cast<tosk::ColObject>(object)) {
        (void)col->subObjectCount();
    }
    tosk::KeyedArray keyed;
    keyed.setObject(object, object->tag());
    keyed.setObject(object, object->tag());
    keyed.removeObjectAtIndex(0);
    return 0;
}
