// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the identity parser as a unit's answer to the
// identify request.
#include "QuietDiagnostics.h"
#include "comms/ChannelNameInfo.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quietDiagnostics();
    if (auto info = tosk::ChannelNameInfo::channelNameInfo(data, size)) {
        info->description();
        info->isProgramListUnit();
        info->midiMapTag();
    }
    return 0;
}
