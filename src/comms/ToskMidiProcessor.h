#pragma once

#include "base/MainThreadPoster.h"
#include "comms/MidiClient.h"
#include "comms/SerialIOServer.h"

#include <map>
#include <memory>

namespace tosk {

// The dispatcher of queued unit commands: frames a command, tags it,
// remembers who asked and hands it to the request server; completions come
// back on the main thread through the MainThreadPoster.
class ToskMidiProcessor {
public:
    // The one instance of the application, with its server thread.
    static ToskMidiProcessor& sharedMidiController();

    // Completions go to `poster`; without one, to whichever poster is shared
    // when they arrive (the app installs Qt's after the processor may exist).
    explicit ToskMidiProcessor(MainThreadPoster* poster = nullptr,
                               LineSettingsSource settings = LineSettings::fromPreferences,
                               std::chrono::milliseconds silence = SerialConnection::defaultTimeout);
    ~ToskMidiProcessor();
    ToskMidiProcessor(const ToskMidiProcessor&) = delete;
    ToskMidiProcessor& operator=(const ToskMidiProcessor&) = delete;

    // Main thread. Queues the command and answers 0; the requester hears back
    // unless the reply is empty and nothing failed. A requester that is gone
    // by then is skipped.
    int sysexCommand(uint8_t command, const uint8_t* data, size_t length, std::weak_ptr<MidiClient> messageSource);
    int sysexCommand(uint8_t command, const Bytes& data, std::weak_ptr<MidiClient> messageSource)
    {
        return sysexCommand(command, data.data(), data.size(), std::move(messageSource));
    }

    // Main thread: a finished request (the server's report, delivered here).
    void serialIOServerIsDone(const Bytes& reply, int tag, const std::optional<TkxException>& exception);

    uint8_t channelId() const { return channelId_; }
    void setChannelId(uint8_t id) { channelId_ = id; }
    int sysexTag() const { return sysexTag_; }
    bool isPending(int tag) const { return state_->serverRequests.count(tag) != 0; }
    size_t pendingCount() const { return state_->serverRequests.size(); }

private:
    struct State {
        std::map<int, std::weak_ptr<MidiClient>> serverRequests;
    };
    // Completions may still sit in the poster's queue after this processor
    // is gone; they hold the state weakly and then do nothing.
    std::shared_ptr<State> state_ = std::make_shared<State>();
    int sysexTag_ = 0;
    uint8_t channelId_ = 0;
    std::unique_ptr<SerialIOServer> serialIOServer_;
};

} // namespace tosk
