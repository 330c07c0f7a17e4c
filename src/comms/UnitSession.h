// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/MainThreadPoster.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KorvatelConnection.h"
#include "comms/SysexReply.h"
#include "comms/ToskMidiProcessor.h"

#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>

namespace tosk {

// Talking to a unit the way the editor's unit commands do, for a program
// that has no event loop of its own (tosk-cli, tests): queued commands go
// through a dispatcher whose completions this session runs itself while it
// waits, and browsing goes through a KorvatelConnection to the unit that
// identify() found.
//
// The static checks are the ones every caller of the dispatcher applies to a
// completion, the editor's unit commands included: a reply is used only when
// SysexReply finds it usable.
class UnitSession {
public:
    // `silence` ends a queued reply; `browseTimeout` is how long a browsing
    // read waits for the unit's next byte (the unit ends those replies with
    // F7, so shortening the silence must not shorten it).
    explicit UnitSession(LineSettings settings, std::chrono::milliseconds silence = SerialConnection::defaultTimeout,
                         std::chrono::milliseconds browseTimeout = SerialConnection::defaultTimeout,
                         std::chrono::milliseconds lineWait = SerialLineLock::defaultWait);

    // Queued commands go to this device id when set; otherwise to the
    // unit's own, learned from identify (identify always goes to 0).
    void setDeviceId(uint8_t id) { processor_.setChannelId(id); }
    uint8_t deviceId() const { return processor_.deviceIdInUse(); }

    // Hears the progress of queued commands (on the calling thread, while it waits).
    void setProgressHandler(ToskMidiProcessor::ProgressHandler handler)
    {
        processor_.setProgressHandler(std::move(handler));
    }

    // One queued command and its usable reply (see usableReply). When the
    // unit answers nothing, a command that awaits no reply answers an Empty
    // reply; any other throws "UnitSession.queued" "no reply from the unit".
    SysexReply queued(uint8_t command, const Bytes& payload, bool replyExpected = true);
    // A queued command whose reply must carry one of `answers`; otherwise
    // throws `name` with "the unit answered command 0x%02X".
    SysexReply ask(uint8_t command, std::initializer_list<uint8_t> answers, const char* name);

    // The unit's identity, asked once (queued command 0x1A).
    std::shared_ptr<ChannelNameInfo> identify();

    // The browsing connection to the identified unit.
    KorvatelConnection& connection();
    // Throws the failure the last browsing operation logged, if any.
    void check();

    // A completion made usable or thrown: the line's failure as it came, a
    // cancel as requestCancelled(), a reply that is too short, not in our
    // frame or without its final F7 as "UnitSession.reply" with "The data
    // received is invalid." and the first bytes in hexadecimal, and the
    // unit's error text (command 0x0D) as "SYSEXC ERROR". An Empty reply
    // passes (the caller knows whether one was due).
    static SysexReply usableReply(const Bytes& message, const std::optional<TkxException>& failure);
    // The identity in an answer to identify, or throws "UnitSession.identify".
    static std::shared_ptr<ChannelNameInfo> identity(const Bytes& message, const std::optional<TkxException>& failure);

private:
    // Queues the command and runs the completions until the server is done;
    // it ends every exchange by itself (silence, time-outs, the line wait),
    // however long the unit keeps sending.
    std::pair<Bytes, std::optional<TkxException>> exchange(uint8_t command, const Bytes& payload);

    LineSettings settings_;
    std::chrono::milliseconds browseTimeout_;
    QueuedMainThreadPoster poster_;
    ToskMidiProcessor processor_;
    std::shared_ptr<ChannelNameInfo> identity_;
    std::unique_ptr<KorvatelConnection> connection_;
};

} // namespace tosk
