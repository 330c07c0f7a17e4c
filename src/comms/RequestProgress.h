// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tosk {

// What a queued request is doing while it is on the line, for a window that
// shows it (and offers Cancel) while the user waits.
struct RequestProgress {
    enum class Stage {
        WaitingForLine, // another exchange of this program holds the line
        Clearing,       // the unit may still be sending: a reply was cancelled, or ended at its answer
        Sending,
        Receiving, // the reply ends when the line stays silent for `silence`
        Done,
    };

    int tag = 0;
    uint8_t command = 0;
    Stage stage = Stage::WaitingForLine;
    size_t bytesToSend = 0;
    size_t bytesSent = 0;
    size_t bytesReceived = 0;
    // WaitingForLine: how long so far, and how long at most.
    std::chrono::milliseconds waited{0};
    std::chrono::milliseconds waitLimit{0};
    // Receiving and Clearing: how long the line has been silent so far, and
    // the silence that ends the reply.
    std::chrono::milliseconds silentFor{0};
    std::chrono::milliseconds silence{0};
    // The reply ends at the F7 of its frame (ReplyEnd::FrameEnd); the
    // silence then only ends a reply that never comes.
    bool endsAtFrameEnd = false;

    // "get database", from the command code.
    std::string commandName() const;
    // One line for a status text, for example
    // "get database: 1234 bytes received, waiting for the unit to fall silent (1.5 of 4 s)".
    std::string description() const;
};

// A request given up by the user ends with this exception and no reply.
TkxException requestCancelled();
bool isCancellation(const TkxException& e);
inline bool isCancellation(const std::optional<TkxException>& e)
{
    return e && isCancellation(*e);
}

} // namespace tosk
