// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes as the payload of a screen reply, as a unit (or a
// damaged line) may send it, to the bitmap reader and the BMP writer.
#include "QuietDiagnostics.h"
#include "base/TkxException.h"
#include "comms/ScreenBitmap.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quietDiagnostics();
    try {
        tosk::ScreenBitmap screen = tosk::ScreenBitmap::fromPayload(data, size);
        // Every row the reader accepted must be there to read and to write.
        size_t rowBytes = tosk::ScreenBitmap::bytesPerRow(screen.width());
        if (screen.rows().size() != rowBytes * screen.height())
            std::abort();
        for (uint32_t y = 0; y < screen.height(); ++y)
            screen.pixel(screen.width() ? screen.width() - 1 : 0, y);
        tosk::Bytes bmp = screen.bmpData();
        if (bmp.size() != 62 + (rowBytes + tosk::ScreenBitmap::rowPadding(screen.width())) * screen.height())
            std::abort();
    } catch (const tosk::TkxException&) {
    }
    return 0;
}
