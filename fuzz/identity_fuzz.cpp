// Feeds arbitrary bytes to the identity parser as a unit's answer to the
// identify request.
#include "base/Log.h"
#include "comms/ChannelNameInfo.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        tosk::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    if (auto info = tosk::ChannelNameInfo::channelNameInfo(data, size)) {
        info->description();
        info->isProgramListUnit();
        info->midiMapTag();
    }
    return 0;
}
