// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/UnitSession.h"

#include "base/Log.h"

#include <algorithm>

namespace tosk {

UnitSession::UnitSession(LineSettings settings, std::chrono::milliseconds silence,
                         std::chrono::milliseconds browseTimeout, std::chrono::milliseconds lineWait)
    : settings_(std::move(settings)), browseTimeout_(browseTimeout),
      processor_(
          &poster_, [this] { return settings_; }, silence, lineWait)
{
    processor_.addressUnitsOwnId();
}

SysexReply UnitSession::usableReply(const Bytes& message, const std::optional<TkxException>& failure)
{
    SysexReply reply = SysexReply::check(message, failure);
    switch (reply.status) {
    case SysexReply::Status::Cancelled:
    case SysexReply::Status::Failed:
        throw *failure;
    case SysexReply::Status::TooShort:
    case SysexReply::Status::BadHeader:
    case SysexReply::Status::Unterminated:
        throw TkxException("UnitSession.reply", "The data received is invalid.\n\n" +
                                                    hexString(message.data(), std::min<size_t>(message.size(), 64)));
    case SysexReply::Status::Empty:
    case SysexReply::Status::Ok:
        break;
    }
    if (reply.usable() && reply.command == sysex::ERROR_TEXT)
        throw TkxException("SYSEXC ERROR", std::string(reply.payload.begin(), reply.payload.end()));
    return reply;
}

std::shared_ptr<ChannelNameInfo> UnitSession::identity(const Bytes& message, const std::optional<TkxException>& failure)
{
    if (failure)
        throw *failure;
    if (message.empty())
        throw TkxException("UnitSession.identify", "no reply from the unit");
    SysexReply reply = SysexReply::check(message);
    auto info = reply.usable() ? ChannelNameInfo::channelNameInfo(message.data(), message.size()) : nullptr;
    if (!info)
        throw TkxException("UnitSession.identify", "The data received is invalid.");
    return info;
}

SysexReply UnitSession::queued(uint8_t command, const Bytes& payload, bool replyExpected)
{
    auto [message, failure] = exchange(command, payload);
    SysexReply reply = usableReply(message, failure);
    if (reply.status == SysexReply::Status::Empty && replyExpected)
        throw TkxException("UnitSession.queued", "no reply from the unit");
    return reply;
}

SysexReply UnitSession::ask(uint8_t command, std::initializer_list<uint8_t> answers, const char* name)
{
    SysexReply reply = queued(command, {});
    if (std::find(answers.begin(), answers.end(), reply.command) == answers.end())
        throw TkxException(name, format("the unit answered command 0x%02X", reply.command));
    return reply;
}

std::shared_ptr<ChannelNameInfo> UnitSession::identify()
{
    if (!identity_) {
        auto [message, failure] = exchange(sysex::IDENTIFY, {});
        identity_ = identity(message, failure);
    }
    return identity_;
}

KorvatelConnection& UnitSession::connection()
{
    if (!connection_)
        connection_ = std::make_unique<KorvatelConnection>(
            identify(), [this] { return settings_; }, browseTimeout_);
    return *connection_;
}

void UnitSession::check()
{
    if (connection_ && connection_->lastFailure())
        throw *connection_->lastFailure();
}

std::pair<Bytes, std::optional<TkxException>> UnitSession::exchange(uint8_t command, const Bytes& payload)
{
    struct Client : MidiClient {
        Bytes message;
        std::optional<TkxException> failure;
        void processMidiMsg(const Bytes& m, const std::optional<TkxException>& e) override
        {
            message = m;
            failure = e;
        }
    };
    auto client = std::make_shared<Client>();
    processor_.sysexCommand(command, payload, client);
    while (processor_.pendingCount())
        poster_.waitAndPump(std::chrono::milliseconds(50));
    poster_.pump(); // the last progress reports
    return {client->message, client->failure};
}

} // namespace tosk
