// SPDX-License-Identifier: GPL-3.0-or-later
// Who may use a serial line: exclusive use against other programs, turns
// within this one, and output the line would not take.
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/SerialConnection.h"
#include "comms/SerialLineLock.h"
#include "comms/SerialTerminal.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tosk;
using namespace tosk::test;

TEST(LineSharing, TheDeviceIsOursAloneWhileOpenAndFreeAfterwards)
{
    FakeUnit unit;
    // Another program's descriptor on the device.
    const int other = ::open(unit.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    const auto canLock = [&] { return ::flock(other, LOCK_EX | LOCK_NB) == 0 && ::flock(other, LOCK_UN) == 0; };
    const auto exclusive = [&] {
        int on = -1;
        ::ioctl(other, TIOCGEXCL, &on);
        return on;
    };
    SerialPort port;
    port.setPortPath(unit.path());
    ASSERT_TRUE(port.open());
    // Other programs are kept out both ways: the flock, and TIOCEXCL (which
    // root passes, so the flock is what counts here).
    EXPECT_FALSE(canLock());
    EXPECT_EQ(exclusive(), 1);
    port.close();
    EXPECT_TRUE(canLock());
    EXPECT_EQ(exclusive(), 0) << "the mark outlives us on a terminal someone else keeps open";

    // A program that holds the device makes the open fail, and says why.
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    LogCapture quiet;
    EXPECT_EQ(failureText(thrownBy([&] { port.open(); })),
              "SerialPort.open: " + unit.path() + " - Device or resource busy: another program is using this line");
    EXPECT_FALSE(port.isOpen());
    ::flock(other, LOCK_UN);
    EXPECT_TRUE(port.open());
    ::close(other);
}

TEST(LineSharing, ASecondUserOfTheLineWaitsItsTurnThenGivesUp)
{
    FakeUnit unit;
    SerialConnection first(lineTo(unit.path()), 100ms, 600ms);
    SerialConnection second(lineTo(unit.path()), 100ms, 600ms);
    ASSERT_TRUE(first.open());
    EXPECT_TRUE(SerialLineLock::isHeld(unit.path()));
    EXPECT_EQ(failureText(thrownBy([&] { second.open(); })),
              "SerialConnection.open: " + unit.path() +
                  " - line busy: another request to the unit has held the line for 0.6 "
                  "seconds; try again when it has finished");
    EXPECT_FALSE(second.isOpen());

    // Told of its wait every tenth of a second; the turn comes as soon as the
    // first lets go, here at the second tick.
    SerialConnection patient(lineTo(unit.path()), 100ms, 5000ms);
    std::vector<std::chrono::milliseconds> waits;
    patient.setLineWaitObserver([&](std::chrono::milliseconds waited, std::chrono::milliseconds limit) {
        EXPECT_EQ(limit, 5000ms);
        if (waits.emplace_back(waited); waits.size() == 2)
            first.close();
    });
    EXPECT_TRUE(patient.open());
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_LT(waits[0], waits[1]);
    patient.close();
    EXPECT_FALSE(SerialLineLock::isHeld(unit.path()));

    // A failed open gives the line back.
    LineSettings s = lineTo(unit.path())();
    s.portName = "/nonexistent/tty";
    SerialConnection wrong([s] { return s; }, 100ms, 300ms);
    EXPECT_THROW(wrong.open(), TkxException);
    EXPECT_FALSE(SerialLineLock::isHeld("/nonexistent/tty"));
}

TEST(LineSharing, OutputTheLineWillNotTakeIsReportedNotLostQuietly)
{
    // A socket whose reader never reads holds its output as a line held up
    // by flow control does: the drain gives up, says how much was left, and
    // fails.
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const char text[] = "held back";
    ASSERT_EQ(::write(pair[0], text, sizeof text), ssize_t(sizeof text));
    int unsent = -1;
    errno = 0;
    EXPECT_EQ(drainSerialOutput(pair[0], 100ms, &unsent), -1);
    EXPECT_EQ(errno, ETIME);
    EXPECT_GT(unsent, 0);
    ::close(pair[0]);
    ::close(pair[1]);
}
