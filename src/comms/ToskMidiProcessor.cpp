// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ToskMidiProcessor.h"

namespace tosk {

ToskMidiProcessor& ToskMidiProcessor::sharedMidiController()
{
    // Lives to the end of the process with its server thread, never destroyed:
    // the thread must not be joined during static destruction.
    static ToskMidiProcessor* shared = new ToskMidiProcessor();
    return *shared;
}

ToskMidiProcessor::ToskMidiProcessor(MainThreadPoster* poster, LineSettingsSource settings,
                                     std::chrono::milliseconds silence, std::chrono::milliseconds lineWait)
{
    std::weak_ptr<State> weakState = state_;
    ToskMidiProcessor* self = this;
    auto mainThread = [poster]() -> MainThreadPoster& { return poster ? *poster : MainThreadPoster::shared(); };
    auto report = [mainThread, weakState, self](Bytes reply, int tag, std::optional<TkxException> exception) {
        mainThread().post([weakState, self, reply = std::move(reply), tag, exception = std::move(exception)] {
            if (weakState.lock())
                self->serialIOServerIsDone(reply, tag, exception);
        });
    };
    auto progress = [mainThread, weakState](const RequestProgress& p) {
        mainThread().post([weakState, p] {
            auto state = weakState.lock();
            if (state && state->progressHandler)
                state->progressHandler(p);
        });
    };
    serialIOServer_ = std::make_unique<SerialIOServer>(report, std::move(settings), silence, progress, lineWait);
}

ToskMidiProcessor::~ToskMidiProcessor()
{
    serialIOServer_.reset(); // joins the thread before the state goes
}

int ToskMidiProcessor::sysexCommand(uint8_t command, const uint8_t* data, size_t length,
                                    std::weak_ptr<MidiClient> messageSource, ReplyEnd end)
{
    uint8_t deviceId = command == sysex::IDENTIFY ? 0 : channelId_;
    Bytes message = sysex::frame(deviceId, command, data, length);
    bool expectResponse = command != sysex::SELECT_BANK && command != sysex::PATCH_TEXT;
    ++sysexTag_;
    // Remembered once queued: a request that could not be queued has no
    // completion to wait for. The completion reaches this thread's queue
    // only after we return.
    serialIOServer_->serialIORequest(std::move(message), expectResponse, sysexTag_, end,
                                     unitsOwnId_ ? Addressing::UnitsOwn : Addressing::AsBuilt);
    state_->serverRequests[sysexTag_] = std::move(messageSource);
    return 0;
}

void ToskMidiProcessor::serialIOServerIsDone(const Bytes& reply, int tag, const std::optional<TkxException>& exception)
{
    auto it = state_->serverRequests.find(tag);
    if (it == state_->serverRequests.end())
        return;
    std::shared_ptr<MidiClient> client = it->second.lock();
    state_->serverRequests.erase(it);
    // The requester may run an event loop (an alert), during which this
    // processor may go.
    std::shared_ptr<State> state = state_;
    const bool delivered = client && (!reply.empty() || exception);
    if (delivered)
        client->processMidiMsg(reply, exception);
    if (state->finishedHandler)
        state->finishedHandler(tag, delivered);
}

uint8_t ToskMidiProcessor::deviceIdInUse() const
{
    return unitsOwnId_ ? serialIOServer_->unitsOwnAddress() : channelId_;
}

bool ToskMidiProcessor::cancel(int tag)
{
    return isPending(tag) && serialIOServer_->cancel(tag);
}

void ToskMidiProcessor::cancelAll()
{
    for (const auto& [tag, client] : state_->serverRequests)
        serialIOServer_->cancel(tag);
}

} // namespace tosk
