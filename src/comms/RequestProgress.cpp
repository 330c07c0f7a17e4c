// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/RequestProgress.h"

#include "base/Log.h"
#include "comms/Sysex.h"

namespace tosk {

namespace {

const char* const cancelName = "SerialIOServer.cancel";

std::string secondsText(std::chrono::milliseconds t)
{
    return format("%g", double(t.count() / 100) / 10);
}

} // namespace

std::string RequestProgress::commandName() const
{
    return sysex::commandName(command, true);
}

std::string RequestProgress::description() const
{
    std::string name = commandName();
    switch (stage) {
    case Stage::WaitingForLine:
        return format("%s: waiting for the line, in use by another request (%s of %s s)", name.c_str(),
                      secondsText(waited).c_str(), secondsText(waitLimit).c_str());
    case Stage::Clearing:
        return format("%s: waiting for the line to fall quiet after the last reply (%zu bytes)", name.c_str(),
                      bytesReceived);
    case Stage::Sending:
        return format("%s: sending, %zu of %zu bytes", name.c_str(), bytesSent, bytesToSend);
    case Stage::Receiving:
        if (bytesReceived == 0)
            return format("%s: waiting for the unit to answer (%s of %s s)", name.c_str(),
                          secondsText(silentFor).c_str(), secondsText(silence).c_str());
        if (endsAtFrameEnd)
            return format("%s: %zu bytes received, waiting for the end of the reply", name.c_str(), bytesReceived);
        return format("%s: %zu bytes received, waiting for the unit to fall silent (%s of %s s)", name.c_str(),
                      bytesReceived, secondsText(silentFor).c_str(), secondsText(silence).c_str());
    case Stage::Done:
        return format("%s: done, %zu bytes received", name.c_str(), bytesReceived);
    }
    return name;
}

TkxException requestCancelled()
{
    return TkxException(cancelName, "the request was cancelled");
}

bool isCancellation(const TkxException& e)
{
    return e.name() == cancelName;
}

} // namespace tosk
