// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary text to the program-list line decoder.
#include "QuietDiagnostics.h"
#include "comms/R9100ProgramItem.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quietDiagnostics();
    std::string line(reinterpret_cast<const char*>(data), size);
    tosk::R9100ProgramItem item(line, uint32_t(size));
    item.progLoc();
    item.progMonolitic();
    item.progSample();
    item.description();
    item.setProgNum(line);
    return 0;
}
