// Feeds arbitrary text to the program-list line decoder.
#include "base/Log.h"
#include "comms/R9100ProgramItem.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        tosk::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    std::string line(reinterpret_cast<const char*>(data), size);
    tosk::R9100ProgramItem item(line, uint32_t(size));
    item.progLoc();
    item.progMonolitic();
    item.progSample();
    item.description();
    item.setProgNum(line);
    return 0;
}
