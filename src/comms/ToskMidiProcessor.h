// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/MainThreadPoster.h"
#include "comms/MidiClient.h"
#include "comms/SerialIOServer.h"

#include <functional>
#include <map>
#include <memory>

namespace tosk {

// The dispatcher of queued unit commands: frames a command, tags it,
// remembers who asked and hands it to the request server; completions come
// back on the main thread through the MainThreadPoster, and so does the
// progress of the request on the line.
class ToskMidiProcessor {
public:
    using ProgressHandler = std::function<void(const RequestProgress& progress)>;
    // `delivered`: the requester heard processMidiMsg for the request.
    using FinishedHandler = std::function<void(int tag, bool delivered)>;

    // The one instance of the application, with its server thread.
    static ToskMidiProcessor& sharedMidiController();

    // Completions go to `poster`; without one, to whichever poster is shared
    // when they arrive (the app installs Qt's after the processor may exist).
    explicit ToskMidiProcessor(MainThreadPoster* poster = nullptr,
                               LineSettingsSource settings = LineSettings::fromPreferences,
                               std::chrono::milliseconds silence = SerialConnection::defaultTimeout,
                               std::chrono::milliseconds lineWait = SerialLineLock::defaultWait);
    ~ToskMidiProcessor();
    ToskMidiProcessor(const ToskMidiProcessor&) = delete;
    ToskMidiProcessor& operator=(const ToskMidiProcessor&) = delete;

    // Main thread. Queues the command and answers 0; the requester hears back
    // unless the reply is empty and nothing failed. A requester that is gone
    // by then is skipped. The new request's tag is sysexTag() afterwards.
    // `end`: what ends the reply (the queued commands wait for silence).
    int sysexCommand(uint8_t command, const uint8_t* data, size_t length, std::weak_ptr<MidiClient> messageSource,
                     ReplyEnd end = ReplyEnd::Silence);
    int sysexCommand(uint8_t command, const Bytes& data, std::weak_ptr<MidiClient> messageSource,
                     ReplyEnd end = ReplyEnd::Silence)
    {
        return sysexCommand(command, data.data(), data.size(), std::move(messageSource), end);
    }

    // Main thread: a finished request (the server's report, delivered here).
    void serialIOServerIsDone(const Bytes& reply, int tag, const std::optional<TkxException>& exception);

    // Main thread. Gives up a pending request: its requester hears
    // processMidiMsg with no bytes and requestCancelled() (isCancellation()
    // tells it apart). A request that was just finishing may still complete
    // normally. Answers false when the tag is not pending.
    bool cancel(int tag);
    void cancelAll();

    // Main thread: hears the progress of every request, on the main thread,
    // until replaced; the last report of a request has Stage::Done (also for
    // requests whose requester hears nothing).
    void setProgressHandler(ProgressHandler handler) { state_->progressHandler = std::move(handler); }
    // Main thread: hears of every request once its completion has been
    // handled, so that a requester can tell a unit that said nothing from
    // one whose reply is still on its way.
    void setFinishedHandler(FinishedHandler handler) { state_->finishedHandler = std::move(handler); }

    // The device id put into requests (identify always goes to 0). Setting
    // one fixes it; by default it is 0 unless the processor addresses the
    // unit by its own id.
    uint8_t channelId() const { return channelId_; }
    void setChannelId(uint8_t id)
    {
        channelId_ = id;
        unitsOwnId_ = false;
    }
    // Requests go to the unit's own id: the one set in the preferences
    // ("DeviceId"), else the one it gives in answer to identify, asked once
    // per line and again after a failure (the application's way).
    void addressUnitsOwnId() { unitsOwnId_ = true; }
    bool addressesUnitsOwnId() const { return unitsOwnId_; }
    // The id requests go to now.
    uint8_t deviceIdInUse() const;
    int sysexTag() const { return sysexTag_; }
    bool isPending(int tag) const { return state_->serverRequests.count(tag) != 0; }
    size_t pendingCount() const { return state_->serverRequests.size(); }

private:
    struct State {
        std::map<int, std::weak_ptr<MidiClient>> serverRequests;
        ProgressHandler progressHandler;
        FinishedHandler finishedHandler;
    };
    // Completions may still sit in the poster's queue after this processor
    // is gone; they hold the state weakly and then do nothing.
    std::shared_ptr<State> state_ = std::make_shared<State>();
    int sysexTag_ = 0;
    uint8_t channelId_ = 0;
    bool unitsOwnId_ = false;
    std::unique_ptr<SerialIOServer> serialIOServer_;
};

} // namespace tosk
