// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

namespace tosk {

// The terminal layer under SerialPort: plain calls over a descriptor.

// Opens the device read-write and non-blocking, for us alone, and remembers
// the attributes it had, so that closeSerialPort can put them back. Answers
// the descriptor or -1. Another program that holds the device (an flock of
// its own, or TIOCEXCL) makes it fail with errno EBUSY: two programs reading
// one line would each get half of every reply.
int openSerialPort(const std::string& path);

// Drains output (bounded, see drainSerialOutput), gives up the exclusive use,
// restores the attributes the device had when it was opened, and closes.
// Answers the result of the close.
int closeSerialPort(int fileDescriptor);

// Waits until the descriptor is readable (writable), at most `timeout`
// (zero polls). Answers 1 ready, 0 time-out, -1 error.
int inputTimeout(int fileDescriptor, std::chrono::milliseconds timeout);
int outputTimeout(int fileDescriptor, std::chrono::milliseconds timeout);

// Waits until queued output has left, at most `limit`. A line held up by flow
// control would otherwise keep us waiting for ever; what is still queued then
// is discarded, its count put in `unsent` (when given), and -1 is answered
// with errno ETIME. Callers must report that: the unit never got those bytes.
int drainSerialOutput(int fileDescriptor, std::chrono::milliseconds limit, int* unsent = nullptr);

// Text of the current errno.
std::string getErrorMessage();

// Applies a line speed the classic Bxxx constants cannot express (76800,
// 153600). Answers 0 or -1.
int setArbitrarySpeed(int fileDescriptor, int inputSpeed, int outputSpeed);
// Reads the line speeds as bits per second; answers 0 or -1.
int getArbitrarySpeed(int fileDescriptor, int& inputSpeed, int& outputSpeed);

} // namespace tosk
