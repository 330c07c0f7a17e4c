// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SerialIOServer.h"

#include "base/Localization.h"
#include "base/Log.h"
#include "comms/LearnedDeviceIds.h"

#include <cstring>

namespace tosk {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds since(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t);
}

} // namespace

SerialIOServer::SerialIOServer(Report report, LineSettingsSource settings, std::chrono::milliseconds silence,
                               Progress progress, std::chrono::milliseconds lineWait)
    : serialConnection_(std::move(settings), silence, lineWait), report_(std::move(report)),
      progress_(std::move(progress)), silence_(silence), lineWait_(lineWait)
{
    thread_ = std::thread([this] { run(); });
}

SerialIOServer::~SerialIOServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
        cancelCurrent_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SerialIOServer::serialIORequest(Bytes message, bool expectResponse, int tag, ReplyEnd end, Addressing addressing)
{
    LineSettings settings = serialConnection_.lineSettings();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(message), expectResponse, tag, end, std::move(settings), addressing});
    }
    wake_.notify_all();
}

uint8_t SerialIOServer::unitsOwnAddress() const
{
    return LearnedDeviceIds::shared().addressFor(serialConnection_.lineSettings());
}

bool SerialIOServer::cancel(int tag)
{
    std::lock_guard lock(mutex_);
    if (tag != 0 && tag == currentTag_) {
        cancelCurrent_ = true;
        return true;
    }
    for (auto& r : queue_) {
        if (r.tag == tag) {
            r.cancelled = true;
            return true;
        }
    }
    return false;
}

bool SerialIOServer::isWholeAnswer(uint8_t request, uint8_t reply)
{
    if (request == sysex::IDENTIFY)
        return reply == sysex::IDENTITY;
    if (request == sysex::GET_PATCH)
        return reply == sysex::SEND_PATCH || reply == sysex::PATCH_TEXT || reply == sysex::PATCH_TEXT_ALT;
    return false;
}

void SerialIOServer::tell(const RequestProgress& progress)
{
    if (!progress_)
        return;
    try {
        progress_(progress);
    } catch (const std::exception& e) {
        logf("SerialIOServer.serialIORequest: the progress of request %d failed: %s", progress.tag, e.what());
    }
}

void SerialIOServer::run()
{
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            request = std::move(queue_.front());
            queue_.pop_front();
            currentTag_ = request.tag;
            cancelCurrent_ = request.cancelled;
        }
        auto [reply, failure] = exchange(request);
        {
            std::lock_guard lock(mutex_);
            currentTag_ = 0;
        }
        if (!report_)
            continue;
        // An exception leaving this thread would end the program.
        try {
            report_(std::move(reply), request.tag, std::move(failure));
        } catch (const std::exception& e) {
            logf("SerialIOServer.serialIORequest: the report of request %d failed: %s", request.tag, e.what());
        }
    }
}

// One request on the line, with its progress and its cancel.
class SerialIOServer::Exchange {
public:
    Exchange(SerialIOServer& server, const Request& request) : server_(server), request_(request)
    {
        progress_.tag = request.tag;
        progress_.command = request.message.size() > 4 ? request.message[4] : 0;
        progress_.bytesToSend = request.message.size();
        progress_.waitLimit = server.lineWait_;
        progress_.silence = server.silence_;
        progress_.endsAtFrameEnd = request.end == ReplyEnd::FrameEnd;
    }

    void checkCancel() const
    {
        if (server_.cancelCurrent_)
            throw requestCancelled();
    }

    // Told at each change of stage, otherwise at most every progressInterval.
    void tell(RequestProgress::Stage stage, bool force = false)
    {
        if (stage != progress_.stage)
            force = true;
        progress_.stage = stage;
        if (!force && since(lastTold_) < progressInterval)
            return;
        lastTold_ = Clock::now();
        server_.tell(progress_);
    }

    // Reads until the line has been silent for `quiet`; what arrives goes to
    // `keep` when given, else is dropped. With `frameEnd`, the first F7 kept
    // ends the reading too, and whatever came after it is dropped. Answers
    // true when the reading ended at answerQuiet after the request's whole
    // answer rather than at `quiet`.
    bool readUntilQuiet(std::chrono::milliseconds quiet, RequestProgress::Stage stage, Bytes* keep,
                        bool frameEnd = false)
    {
        SerialConnection& line = server_.serialConnection_;
        auto lastByte = Clock::now();
        uint8_t buffer[4096];
        // Where the frame being read began in `keep`, and whether the
        // request's answer has ended.
        std::optional<size_t> frameStart;
        bool answered = false;
        const uint8_t command = request_.message.size() > 4 ? request_.message[4] : 0;
        for (;;) {
            checkCancel();
            auto silent = since(lastByte);
            progress_.silentFor = silent;
            tell(stage);
            const auto wanted = answered ? std::min(answerQuiet, quiet) : quiet;
            if (silent >= wanted)
                return answered && wanted < quiet;
            int ready = line.waitForInput(std::min(slice, wanted - silent));
            if (ready < 0)
                throw TkxException("SerialConnection.getData", format("timeout error %s", std::strerror(errno)));
            if (ready == 0)
                continue;
            long n = line.getData(buffer, sizeof buffer);
            if (n <= 0)
                return false; // the line has gone
            lastByte = Clock::now();
            progress_.bytesReceived += size_t(n);
            if (keep) {
                if (frameEnd) {
                    if (const uint8_t* end = memChar(buffer, sysex::END, buffer + n)) {
                        keep->insert(keep->end(), static_cast<const uint8_t*>(buffer), end + 1);
                        return false;
                    }
                }
                const size_t first = keep->size();
                keep->insert(keep->end(), buffer, buffer + n);
                for (size_t i = first; i < keep->size(); ++i) {
                    if ((*keep)[i] == sysex::START)
                        frameStart = i;
                    else if ((*keep)[i] == sysex::END && frameStart && i > *frameStart + 4 &&
                             isWholeAnswer(command, (*keep)[*frameStart + 4]))
                        answered = true;
                }
                if (keep->size() > maxReply)
                    throw TkxException("SerialIOServer.serialIORequest",
                                       format("the reply grew beyond %zu bytes without a pause; the line is not "
                                              "carrying a unit's reply",
                                              maxReply));
            }
        }
    }

    // Asks the unit on the open line who it is; its id, remembered for the
    // line, or nothing when it did not say.
    std::optional<uint8_t> identifyOnLine()
    {
        SerialConnection& line = server_.serialConnection_;
        const Bytes ask = sysex::frame(0, sysex::IDENTIFY);
        tell(RequestProgress::Stage::Sending);
        line.putData(ask.data(), ask.size(), [this](size_t) { checkCancel(); });
        Bytes answer;
        readUntilQuiet(server_.silence_, RequestProgress::Stage::Receiving, &answer, true);
        // Whatever the unit adds after its frame must not open the reply to
        // the request itself.
        readUntilQuiet(std::min(answerQuiet, server_.silence_), RequestProgress::Stage::Receiving, nullptr);
        auto id = LearnedDeviceIds::idInIdentity(answer.data(), answer.size());
        if (id)
            LearnedDeviceIds::shared().remember(request_.settings, *id);
        return id;
    }

    static TkxException otherDevice(uint8_t answered, uint8_t asked)
    {
        return TkxException("SerialIOServer.serialIORequest",
                            fillIn(localized("UnitOtherDevice", "The unit answered as device %s, not %s."),
                                   {std::to_string(answered), std::to_string(asked)}));
    }

    // Requests a unit answers whenever it hears them: silence after one of
    // them means it did not take them as its own.
    static bool alwaysAnswered(uint8_t command)
    {
        switch (command) {
        case sysex::GET_PATCH:
        case sysex::GET_DATABASE:
        case sysex::GET_SCREEN:
        case sysex::OBJECT_INFO_WANT:
        case sysex::PARAMETERS_WANT:
            return true;
        default:
            return false;
        }
    }

    // The device id of a reply in our frame.
    static std::optional<uint8_t> replyDeviceId(const Bytes& reply)
    {
        if (reply.size() < 5 || reply[0] != sysex::START || reply[1] != sysex::MANUFACTURER ||
            reply[2] != sysex::FAMILY)
            return std::nullopt;
        return reply[3];
    }

    std::pair<Bytes, std::optional<TkxException>> run()
    {
        SerialConnection& line = server_.serialConnection_;
        Bytes message = request_.message;
        const bool identify = message.size() > 4 && message[4] == sysex::IDENTIFY;
        const bool unitsOwn = request_.addressing == Addressing::UnitsOwn;
        const bool addressed = unitsOwn && message.size() > 4 && !identify;
        bool learnedJustNow = false, addressChecked = false;
        Bytes reply;
        std::optional<TkxException> failure;
        bool sending = false, sent = false;
        line.setLineWaitObserver([this](std::chrono::milliseconds waited, std::chrono::milliseconds) {
            checkCancel();
            progress_.waited = waited;
            tell(RequestProgress::Stage::WaitingForLine, true);
        });
        try {
            checkCancel();
            line.open(request_.settings);
            // Whatever came in while the line was closed belongs to no request.
            line.flushInput();
            if (server_.lineDirty_) {
                readUntilQuiet(std::min(clearingQuiet, server_.silence_), RequestProgress::Stage::Clearing, nullptr);
                server_.lineDirty_ = false;
                progress_.bytesReceived = 0;
            }
            if (addressed) {
                if (request_.settings.deviceId) {
                    message[3] = *request_.settings.deviceId;
                } else if (auto known = LearnedDeviceIds::shared().find(request_.settings)) {
                    message[3] = *known;
                } else if (auto learned = identifyOnLine()) {
                    message[3] = *learned;
                    learnedJustNow = true;
                }
                progress_.bytesReceived = 0;
            }
            tell(RequestProgress::Stage::Sending);
            sending = true;
            line.putData(message.data(), message.size(), [this](size_t count) {
                checkCancel();
                progress_.bytesSent = count;
                tell(RequestProgress::Stage::Sending);
            });
            sending = false;
            sent = true;
            // The reply is whatever arrives until the line stays silent.
            // Ended at its answer, the line may not be quiet yet: the next
            // request waits for it to be.
            if (request_.expectResponse && readUntilQuiet(server_.silence_, RequestProgress::Stage::Receiving, &reply,
                                                          request_.end == ReplyEnd::FrameEnd))
                server_.lineDirty_ = true;
            if (unitsOwn && identify) {
                if (auto id = LearnedDeviceIds::idInIdentity(reply.data(), reply.size()))
                    LearnedDeviceIds::shared().remember(request_.settings, *id);
            } else if (addressed && request_.expectResponse) {
                failure = checkAddress(message[3], reply, learnedJustNow);
                addressChecked = true;
            }
            line.close();
        } catch (const TkxException& e) {
            failure = e;
        } catch (const std::exception& e) {
            failure = TkxException("SerialIOServer.serialIORequest", e.what());
        }
        // The line failed: the unit at its end is asked again next time.
        if (addressed && failure && !isCancellation(failure) && !addressChecked)
            LearnedDeviceIds::shared().forget(request_.settings);
        if (isCancellation(failure)) {
            giveUp(sending);
            // The unit may still be sending (or answering the cut message).
            server_.lineDirty_ = server_.lineDirty_ || sending || sent;
            reply.clear();
        } else if (failure) {
            logf("SerialIOServer.serialIORequest exception: %s - %s", failure->name().c_str(),
                 failure->reason().c_str());
            try {
                line.close();
            } catch (const std::exception&) {
            }
        }
        line.setLineWaitObserver({});
        tell(RequestProgress::Stage::Done, true);
        return {std::move(reply), std::move(failure)};
    }

private:
    // A reply from another device, or none from a unit whose id was known
    // before this exchange: the unit is asked who it is, and an id other
    // than the one used is reported in words and learned (an id the user
    // set still goes first).
    std::optional<TkxException> checkAddress(uint8_t used, const Bytes& reply, bool learnedJustNow)
    {
        if (auto answered = replyDeviceId(reply)) {
            if (*answered == used)
                return std::nullopt;
            LearnedDeviceIds::shared().remember(request_.settings, *answered);
            return otherDevice(*answered, used);
        }
        if (!reply.empty() || learnedJustNow || !alwaysAnswered(request_.message[4]))
            return std::nullopt;
        auto id = identifyOnLine();
        if (!id || *id == used)
            return std::nullopt;
        return otherDevice(*id, used);
    }

    // Closes the line at once, dropping what is unread and unsent. A message
    // cut in the middle gets its F7, so that the unit does not take the next
    // request for the rest of this one.
    void giveUp(bool midMessage)
    {
        SerialConnection& line = server_.serialConnection_;
        if (!midMessage || !line.isOpen()) {
            line.abandon();
            return;
        }
        try {
            line.flush();
            line.putData(&sysex::END, 1);
            line.close();
        } catch (const std::exception& e) {
            logf("SerialIOServer.cancel: %s", e.what());
            line.abandon();
        }
    }

    SerialIOServer& server_;
    const Request& request_;
    RequestProgress progress_;
    Clock::time_point lastTold_{};
};

std::pair<Bytes, std::optional<TkxException>> SerialIOServer::exchange(const Request& request)
{
    if (request.cancelled) {
        RequestProgress done;
        done.tag = request.tag;
        done.command = request.message.size() > 4 ? request.message[4] : 0;
        done.stage = RequestProgress::Stage::Done;
        tell(done);
        return {Bytes{}, requestCancelled()};
    }
    return Exchange(*this, request).run();
}

} // namespace tosk
