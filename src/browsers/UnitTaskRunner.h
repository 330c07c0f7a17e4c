// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/KorvatelConnection.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <thread>

namespace tosk {

// Runs a unit window's exchanges one after the other on a thread of their
// own, so that the window never waits on the unit. Each task does its work
// there with the window's connection and hears back on the main thread.
// Cancel gives up the task under way and those queued: they hear back at
// once as cancelled, and the task under way stops at the connection's next
// look at its cancel check (a read, a wait for the line or a pause end at
// once). The thread is the runner's: it is joined before the next task
// starts, and when the runner goes.
class UnitTaskRunner : public QObject {
    Q_OBJECT

public:
    // On the worker thread: the exchange. `stop` turns true on Cancel.
    using Work = std::function<void(KorvatelConnection& connection, const std::atomic<bool>& stop)>;
    // On the main thread, exactly once: after the work, or on Cancel.
    using Done = std::function<void(bool cancelled)>;

    explicit UnitTaskRunner(std::shared_ptr<KorvatelConnection> connection, QObject* parent = nullptr);
    ~UnitTaskRunner() override;

    // Queues a task; `label` is what the window says while it runs (UTF-8).
    // Tasks that `mustAnswer` hear back as cancelled when the runner goes
    // (they belong to someone who outlives it); the others then hear nothing.
    void run(const QString& label, Work work, Done done, bool mustAnswer = false);
    void cancel();
    bool isBusy() const { return current_ != nullptr; }
    // Any thread: runs `toMain` on the main thread, unless the runner is
    // gone by then. A task's work hands what it has to the windows this way.
    void post(std::function<void()> toMain);
    QString currentLabel() const;
    const std::shared_ptr<KorvatelConnection>& connection() const { return connection_; }

signals:
    // A task started (label) or the last one ended (empty label).
    void busyChanged(bool busy, const QString& label);

private:
    struct Task;
    void startNext();
    void finished(const std::shared_ptr<Task>& task);

    std::shared_ptr<KorvatelConnection> connection_;
    std::deque<std::shared_ptr<Task>> queue_;
    std::shared_ptr<Task> current_;
    // The thread of a cancelled task may still run: nothing starts before it ends.
    bool threadRunning_ = false;
    std::thread thread_;
};

} // namespace tosk
