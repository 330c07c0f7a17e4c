// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the check every queued command's reply goes
// through, and a screen reply's payload on to the bitmap reader.
#include "QuietDiagnostics.h"
#include "base/TkxException.h"
#include "comms/ScreenBitmap.h"
#include "comms/SysexReply.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quietDiagnostics();
    tosk::SysexReply reply = tosk::SysexReply::check(data, size);
    if (reply.status != tosk::SysexReply::Status::Ok)
        return 0;
    try {
        tosk::ScreenBitmap screen = tosk::ScreenBitmap::fromPayload(reply.payload);
        screen.pixel(screen.width() / 2, screen.height() / 2);
        screen.bmpData();
    } catch (const tosk::TkxException&) {
    }
    return 0;
}
