// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/UnitRequester.h"

#include <map>
#include <memory>

namespace tosk {

class ToskMidiProcessor;

// The front panel's way to the unit: its object requests and value puts go
// on the application's dispatcher, in turn with the Unit menu's commands,
// so that they share the line lock, the progress window and its Cancel.
// The dispatcher reports progress to the one progress window; `progress`
// of a request is not used.
class FrontPanelRequester : public UnitRequester {
public:
    explicit FrontPanelRequester(ToskMidiProcessor& dispatcher);
    ~FrontPanelRequester() override;

    int request(uint8_t command, const Bytes& payload, ReplyEnd end, Completion done, Progress progress = {}) override;
    bool cancel(int tag) override;
    uint8_t deviceId() const override;

    // The dispatcher has handled request `tag`. One whose requester heard
    // nothing (the unit said nothing) is completed with an empty reply.
    // Answers false when the request is not one of ours.
    bool finished(int tag, bool delivered);
    size_t pendingCount() const { return pending_.size(); }

private:
    struct Client;
    struct Pending {
        Completion done;
        std::shared_ptr<Client> client;
    };
    void complete(int tag, const Bytes& reply, const std::optional<TkxException>& failure);

    ToskMidiProcessor& dispatcher_;
    std::map<int, Pending> pending_;
    // Completions already queued for the main thread when this requester is
    // gone find it through this and do nothing.
    std::shared_ptr<FrontPanelRequester*> self_;
};

} // namespace tosk
