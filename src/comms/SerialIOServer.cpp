#include "comms/SerialIOServer.h"

#include "base/Log.h"

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

void SerialIOServer::serialIORequest(Bytes message, bool expectResponse, int tag, ReplyEnd end)
{
    LineSettings settings = serialConnection_.lineSettings();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(message), expectResponse, tag, end, std::move(settings)});
    }
    wake_.notify_all();
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

    std::pair<Bytes, std::optional<TkxException>> run()
    {
        SerialConnection& line = server_.serialConnection_;
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
            tell(RequestProgress::Stage::Sending);
            sending = true;
            line.putData(request_.message.data(), request_.message.size(), [this](size_t count) {
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
            line.close();
        } catch (const TkxException& e) {
            failure = e;
        } catch (const std::exception& e) {
            failure = TkxException("SerialIOServer.serialIORequest", e.what());
        }
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
