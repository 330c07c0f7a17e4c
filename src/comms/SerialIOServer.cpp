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
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(message), expectResponse, tag});
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
        auto [reply, failure] = exchange(request.message, request.expectResponse);
        if (report_)
            report_(std::move(reply), request.tag, std::move(failure));
    }
}

std::pair<Bytes, std::optional<TkxException>> SerialIOServer::exchange(const Bytes& message, bool expectResponse)
{
    Bytes reply;
    std::optional<TkxException> failure;
    try {
        serialConnection_.open();
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
        logf("SerialIOServer.serialIORequest exception: %s - %s", e.name().c_str(), e.reason().c_str());
        failure = e;
        try {
            serialConnection_.close();
        } catch (const TkxException&) {
        }
    }
    return {std::move(reply), std::move(failure)};
}

} // namespace tosk
