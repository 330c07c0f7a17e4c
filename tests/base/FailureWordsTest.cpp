// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TkxException.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace tosk {
namespace {

TEST(FailureWords, SayWhatFailedOnWhatAndWhyWithoutTheCodeName)
{
    const std::string tty = "/dev/ttyUSB0";
    struct Case {
        TkxException failure;
        std::string words;
    };
    const Case cases[] = {
        {TkxException("SerialPort.open", tty + " - Permission denied", EACCES, tty),
         "Cannot open the serial line /dev/ttyUSB0: permission denied (add yourself to the dialout group)."},
        {TkxException("SerialPort.open", "x", EBUSY, tty),
         "Cannot open the serial line /dev/ttyUSB0: device or resource busy (another program is using this line)."},
        {TkxException("MidiPort.open", "x", ENOENT, "/dev/snd/midiC1D0"),
         "Cannot open the MIDI interface /dev/snd/midiC1D0: no such file or directory (is the interface "
         "connected?)."},
        {TkxException("SerialPort.open", "no portPath"), "No serial line is chosen in the preferences."},
        {TkxException("MidiPort.open", "no portPath"), "No MIDI interface is chosen in the preferences."},
        {TkxException("SerialPort.configure", "x", EBADF, tty), "Cannot set up the serial line /dev/ttyUSB0: bad file "
                                                                "descriptor."},
        // Renamed on the way up, the failure keeps its errno and line.
        {TkxException("SerialPort.putData", "write error EIO", EIO, tty).renamed("SerialConnection.putData"),
         "Cannot write to the serial line /dev/ttyUSB0: input/output error."},
        {TkxException("SerialConnection.getByte", "timeout Success"), "The unit did not answer in time."},
        {TkxException("SerialPort.getByte", "timeout error Interrupted", EINTR, tty),
         "Cannot read from the serial line /dev/ttyUSB0: interrupted system call."},
        // Without an errno the reason is said, the line named once.
        {TkxException("SerialConnection.open", tty + " - line busy: another request holds it", 0, tty),
         "Cannot open the serial line /dev/ttyUSB0: line busy: another request holds it."},
        {TkxException("MidiPort.open", "No MIDI interfaces found"), "No MIDI interfaces found."},
        {TkxException("SerialIOServer.serialIORequest", "The unit answered as device 5, not 0."),
         "The unit answered as device 5, not 0."},
        {TkxException("UnitSession.identify", "no reply from the unit"), "No reply from the unit."},
        {TkxException("SYSEXC ERROR", "bank is locked"), "The unit reported an error: Bank is locked."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(failureWords(c.failure), c.words) << c.failure.what();
}

} // namespace
} // namespace tosk
