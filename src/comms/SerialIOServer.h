// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "comms/RequestProgress.h"
#include "comms/SerialConnection.h"
#include "comms/Sysex.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tosk {

// What ends a reply: the unit's silence (the queued commands, whose replies
// may hold several frames), or the F7 that closes its first frame (the
// object requests and value puts of a browsing window, answered with one
// frame each; the silence still ends them when the unit says nothing).
//
// Identify and get patch are answered with one frame of a known command:
// with Silence, their reply also ends once the line has stayed quiet for
// answerQuiet after that frame's F7 (each further byte starts the wait
// again), and the next request then first waits for a quiet line.
enum class ReplyEnd { Silence, FrameEnd };

// Whose device id a request carries: the one it was built with, or the
// unit's own (the id set in the preferences, else the one the unit gave in
// answer to identify, asked on the line before the request when not known
// yet). A reply from another id is then a failure that says so.
enum class Addressing { AsBuilt, UnitsOwn };

// Carries out queued requests one after another on a thread of its own: open
// the line, write the request, read until the unit falls silent, close.
// Failures never leave the thread; they go back with the reply. The line
// settings are read when a request is queued, on the queuing thread: the
// preferences they come from belong to the main thread.
//
// While a request runs, its progress is told every progressInterval (and at
// each change of stage, and once more when it ends); a request can be
// cancelled, which closes the line at once and reports requestCancelled()
// without a reply.
class SerialIOServer {
public:
    using Report = std::function<void(Bytes reply, int tag, std::optional<TkxException> exception)>;
    using Progress = std::function<void(const RequestProgress& progress)>;

    static constexpr std::chrono::milliseconds progressInterval{100};
    // How often a wait looks whether it was cancelled.
    static constexpr std::chrono::milliseconds slice{50};
    // After a cancelled reply the next request first waits for this much
    // quiet (or the silence, if shorter), so that the rest of the old reply
    // is not taken for the new one.
    static constexpr std::chrono::milliseconds clearingQuiet{500};
    // A line that never falls silent is not carrying a unit's reply.
    static constexpr size_t maxReply = 64 * 1024 * 1024;
    // The quiet after the answer of an identify or a get patch that ends it.
    static constexpr std::chrono::milliseconds answerQuiet{250};
    // Whether `reply` (a frame's command) is the whole answer to `request`.
    static bool isWholeAnswer(uint8_t request, uint8_t reply);

    // `report` and `progress` are called on the server thread; whatever they
    // throw is logged and goes no further.
    SerialIOServer(Report report, LineSettingsSource settings = LineSettings::fromPreferences,
                   std::chrono::milliseconds silence = SerialConnection::defaultTimeout, Progress progress = {},
                   std::chrono::milliseconds lineWait = SerialLineLock::defaultWait);
    // Gives up the exchange under way, drops the rest and joins the thread.
    ~SerialIOServer();
    SerialIOServer(const SerialIOServer&) = delete;
    SerialIOServer& operator=(const SerialIOServer&) = delete;

    // Queues a request; answers at once. Any thread.
    void serialIORequest(Bytes message, bool expectResponse, int tag, ReplyEnd end = ReplyEnd::Silence,
                         Addressing addressing = Addressing::AsBuilt);
    // Any thread: the device id a request addressed to the unit's own id
    // goes to on the line as the preferences set it now (0 when not known).
    uint8_t unitsOwnAddress() const;
    // Any thread. A request still queued is reported cancelled when its turn
    // comes, without touching the line; the running one stops within a
    // slice. Answers false when the tag is neither queued nor running.
    bool cancel(int tag);

private:
    struct Request {
        Bytes message;
        bool expectResponse;
        int tag;
        ReplyEnd end = ReplyEnd::Silence;
        LineSettings settings;
        Addressing addressing = Addressing::AsBuilt;
        bool cancelled = false;
    };
    class Exchange;
    void run();
    std::pair<Bytes, std::optional<TkxException>> exchange(const Request& request);
    void tell(const RequestProgress& progress);

    SerialConnection serialConnection_;
    Report report_;
    Progress progress_;
    std::chrono::milliseconds silence_;
    std::chrono::milliseconds lineWait_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    bool stopping_ = false;
    int currentTag_ = 0; // 0: none running
    std::atomic<bool> cancelCurrent_{false};
    bool lineDirty_ = false; // server thread only
    std::thread thread_;
};

} // namespace tosk
