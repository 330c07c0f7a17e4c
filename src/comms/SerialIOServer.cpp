#include "comms/SerialIOServer.h"

#include "base/Log.h"

namespace tosk {

SerialIOServer::SerialIOServer(Report report, LineSettingsSource settings, std::chrono::milliseconds silence)
    : serialConnection_(std::move(settings), silence), report_(std::move(report))
{
    thread_ = std::thread([this] { run(); });
}

SerialIOServer::~SerialIOServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void SerialIOServer::serialIORequest(Bytes message, bool expectResponse, int tag)
{
    LineSettings settings = serialConnection_.lineSettings();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(message), expectResponse, tag, std::move(settings)});
    }
    wake_.notify_all();
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
        }
        auto [reply, failure] = exchange(request.message, request.expectResponse, request.settings);
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

std::pair<Bytes, std::optional<TkxException>> SerialIOServer::exchange(const Bytes& message, bool expectResponse)
{
    return exchange(message, expectResponse, serialConnection_.lineSettings());
}

std::pair<Bytes, std::optional<TkxException>> SerialIOServer::exchange(const Bytes& message, bool expectResponse,
                                                                       const LineSettings& settings)
{
    Bytes reply;
    std::optional<TkxException> failure;
    try {
        serialConnection_.open(settings);
        // Whatever came in while the line was closed belongs to no request.
        serialConnection_.flushInput();
        serialConnection_.putData(message.data(), message.size());
        if (expectResponse) {
            // The reply is whatever arrives until the line stays silent.
            while (serialConnection_.hasData()) {
                uint8_t byte = 0;
                if (serialConnection_.getByte(&byte) != 1)
                    break;
                reply.push_back(byte);
            }
        }
        serialConnection_.close();
    } catch (const TkxException& e) {
        failure = e;
    } catch (const std::exception& e) {
        failure = TkxException("SerialIOServer.serialIORequest", e.what());
    }
    if (failure) {
        logf("SerialIOServer.serialIORequest exception: %s - %s", failure->name().c_str(), failure->reason().c_str());
        try {
            serialConnection_.close();
        } catch (const std::exception&) {
        }
    }
    return {std::move(reply), std::move(failure)};
}

} // namespace tosk
