#pragma once

#include "base/TkxException.h"
#include "comms/SerialConnection.h"
#include "comms/Sysex.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tosk {

// Carries out queued requests one after another on a thread of its own: open
// the line, write the request, read until the unit falls silent, close.
// Failures never leave the thread; they go back with the reply. The line
// settings are read when a request is queued, on the queuing thread: the
// preferences they come from belong to the main thread.
class SerialIOServer {
public:
    using Report = std::function<void(Bytes reply, int tag, std::optional<TkxException> exception)>;

    // `report` is called on the server thread after each request; whatever
    // it throws is logged and goes no further.
    SerialIOServer(Report report, LineSettingsSource settings = LineSettings::fromPreferences,
                   std::chrono::milliseconds silence = SerialConnection::defaultTimeout);
    // Finishes the exchange under way, drops the rest and joins the thread.
    ~SerialIOServer();
    SerialIOServer(const SerialIOServer&) = delete;
    SerialIOServer& operator=(const SerialIOServer&) = delete;

    // Queues a request; answers at once. Any thread.
    void serialIORequest(Bytes message, bool expectResponse, int tag);

    // One exchange, on the calling thread: the reply (possibly empty or
    // partial) and the failure, if any.
    std::pair<Bytes, std::optional<TkxException>> exchange(const Bytes& message, bool expectResponse);
    std::pair<Bytes, std::optional<TkxException>> exchange(const Bytes& message, bool expectResponse,
                                                           const LineSettings& settings);

private:
    struct Request {
        Bytes message;
        bool expectResponse;
        int tag;
        LineSettings settings;
    };
    void run();

    SerialConnection serialConnection_;
    Report report_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tosk
