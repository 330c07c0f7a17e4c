// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ChannelNameInfo.h"

#include "base/Log.h"
#include "comms/ScanText.h"
#include "comms/Sysex.h"

#include <algorithm>

namespace tosk {

namespace {

using P = const uint8_t*;

P skipSpaces(P p, P end)
{
    while (p < end && *p == ' ')
        ++p;
    return p;
}

P nextLineEnd(P p, P end)
{
    while (p < end && !isLineEnding(*p))
        ++p;
    return p < end ? p : nullptr;
}

std::string text(P begin, P end)
{
    return trimWhiteSpace(std::string(begin, end));
}

void logIdentity(const ChannelNameInfo* info)
{
    auto v = [](const std::optional<std::string>& s) { return s ? s->c_str() : ""; };
    logf("Model: %s ROM revision: %s ROM Date: %s", info ? v(info->modelName()) : "",
         info ? v(info->romRevision()) : "", info ? v(info->romDateTime()) : "");
}

} // namespace

std::shared_ptr<ChannelNameInfo> ChannelNameInfo::channelNameInfo(const uint8_t* bytes, size_t length)
{
    P end = length ? bytes + length - 1 : bytes;
    P start = memChar(bytes, sysex::START, end);
    if (!start || end - start < 5 || start[1] != sysex::MANUFACTURER || start[2] != sysex::FAMILY ||
        start[4] != sysex::IDENTITY) {
        log("channelNameInfo: bad SYSEX header");
        logIdentity(nullptr);
        return nullptr;
    }
    auto info = std::make_shared<ChannelNameInfo>();
    info->channelId_ = start[3];
    P body = start + 5;

    if (P rom = memStr(body, "System ROM", end); !rom) {
        log("channelNameInfo: did not find System ROM");
    } else if (P rev = memStr(rom, "Revision:", end); !rev) {
        log("channelNameInfo: did not find Revision:");
    } else {
        P from = skipSpaces(rev + 9, end);
        P eol = nextLineEnd(from, end);
        if (!eol) {
            log("channelNameInfo: did not find Revision: end-of-line");
        } else {
            info->romRevision_ = text(from, eol);
            if (P time = memStr(eol, "Time:", end); !time) {
                log("channelNameInfo: did not find System ROM Time");
            } else {
                P tfrom = skipSpaces(time + 5, end);
                if (P teol = nextLineEnd(tfrom, end); !teol)
                    log("channelNameInfo: did not find System ROM Time end-of-line");
                else
                    info->romDateTime_ = text(tfrom, teol);
            }
        }
    }

    if (P modules = memStr(body, "Modules", end); !modules) {
        log("channelNameInfo: did not find Modules");
    } else {
        P line = modules;
        while (line > body && !isLineEnding(line[-1]))
            --line;
        // The name must stand before "Modules" on its line.
        if (P name = memStr(line, "Name:", modules); !name)
            log("channelNameInfo: did not find Name");
        else
            info->modelName_ = text(std::min(skipSpaces(name + 5, modules), modules), modules);
    }
    logIdentity(info.get());
    return info;
}

std::string ChannelNameInfo::description() const
{
    return format("%d:%s", int(channelId_), modelName_.value_or("").c_str());
}

bool ChannelNameInfo::isProgramListUnit() const
{
    return modelName_ && (modelName_->rfind("R9100", 0) == 0 || modelName_->rfind("R6400", 0) == 0);
}

std::string ChannelNameInfo::midiMapTag() const
{
    if (romRevision_ && (romRevision_->rfind('4', 0) == 0 || romRevision_->rfind('5', 0) == 0))
        return "MIDImap";
    return "MIDI map: %s";
}

} // namespace tosk
