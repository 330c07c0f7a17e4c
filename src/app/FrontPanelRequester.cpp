// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FrontPanelRequester.h"

#include "comms/MidiClient.h"
#include "comms/ToskMidiProcessor.h"

namespace tosk {

struct FrontPanelRequester::Client : MidiClient {
    std::weak_ptr<FrontPanelRequester*> owner;
    int tag = 0;
    void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception) override
    {
        if (auto o = owner.lock())
            (*o)->complete(tag, message, exception);
    }
};

FrontPanelRequester::FrontPanelRequester(ToskMidiProcessor& dispatcher)
    : dispatcher_(dispatcher), self_(std::make_shared<FrontPanelRequester*>(this))
{
}

FrontPanelRequester::~FrontPanelRequester()
{
    self_.reset();
    for (const auto& [tag, pending] : pending_)
        dispatcher_.cancel(tag);
}

int FrontPanelRequester::request(uint8_t command, const Bytes& payload, ReplyEnd end, Completion done, Progress)
{
    auto client = std::make_shared<Client>();
    client->owner = self_;
    dispatcher_.sysexCommand(command, payload, client, end);
    // The completion reaches us only through the event loop, after this.
    const int tag = dispatcher_.sysexTag();
    client->tag = tag;
    pending_[tag] = Pending{std::move(done), client};
    return tag;
}

bool FrontPanelRequester::cancel(int tag)
{
    return pending_.count(tag) && dispatcher_.cancel(tag);
}

uint8_t FrontPanelRequester::deviceId() const
{
    return dispatcher_.deviceIdInUse();
}

void FrontPanelRequester::complete(int tag, const Bytes& reply, const std::optional<TkxException>& failure)
{
    auto it = pending_.find(tag);
    if (it == pending_.end())
        return;
    Completion done = std::move(it->second.done);
    pending_.erase(it);
    if (done)
        done(reply, failure);
}

bool FrontPanelRequester::finished(int tag, bool delivered)
{
    if (!pending_.count(tag))
        return false;
    if (!delivered)
        complete(tag, {}, std::nullopt);
    return true;
}

} // namespace tosk
