// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitTaskRunner.h"

#include "comms/RequestProgress.h"

#include <QMetaObject>

namespace tosk {

struct UnitTaskRunner::Task {
    QString label;
    Work work;
    Done done;
    bool mustAnswer = false;
    bool answered = false;
    std::atomic<bool> stop{false};
};

UnitTaskRunner::UnitTaskRunner(std::shared_ptr<KorvatelConnection> connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection))
{
}

UnitTaskRunner::~UnitTaskRunner()
{
    std::deque<std::shared_ptr<Task>> left = std::move(queue_);
    if (current_) {
        current_->stop = true;
        left.push_front(current_);
    }
    // The work stops at its next look at the stop flag; what it posts
    // meanwhile goes with this object.
    if (thread_.joinable())
        thread_.join();
    connection_->setCancelCheck({});
    for (const auto& task : left)
        if (task->mustAnswer && !task->answered) {
            task->answered = true;
            task->done(true);
        }
}

QString UnitTaskRunner::currentLabel() const
{
    return current_ ? current_->label : QString();
}

void UnitTaskRunner::run(const QString& label, Work work, Done done, bool mustAnswer)
{
    auto task = std::make_shared<Task>();
    task->label = label;
    task->work = std::move(work);
    task->done = std::move(done);
    task->mustAnswer = mustAnswer;
    queue_.push_back(std::move(task));
    if (!current_ && !threadRunning_)
        startNext();
}

void UnitTaskRunner::startNext()
{
    if (queue_.empty()) {
        emit busyChanged(false, QString());
        return;
    }
    current_ = queue_.front();
    queue_.pop_front();
    threadRunning_ = true;
    emit busyChanged(true, current_->label);
    std::shared_ptr<Task> task = current_;
    // The last task's thread has reported: it is ending, if not gone.
    if (thread_.joinable())
        thread_.join();
    // Cancel ends a wait for the line, a read or a pause at once.
    connection_->setCancelCheck([task](size_t) {
        if (task->stop)
            throw requestCancelled();
    });
    thread_ = std::thread([this, task, connection = connection_]() mutable {
        try {
            task->work(*connection, task->stop);
        } catch (...) {
            // The operations report their failures themselves; anything
            // else must not take the program down from this thread.
        }
        // This object outlives the thread (it joins it). The task goes with
        // the report, so that it ends on the main thread.
        post([this, task = std::move(task)] { finished(task); });
    });
}

void UnitTaskRunner::post(std::function<void()> toMain)
{
    QMetaObject::invokeMethod(this, std::move(toMain), Qt::QueuedConnection);
}

void UnitTaskRunner::finished(const std::shared_ptr<Task>& task)
{
    threadRunning_ = false;
    if (task == current_)
        current_.reset();
    if (!task->answered) {
        task->answered = true;
        task->done(task->stop.load());
    }
    if (!current_)
        startNext();
}

void UnitTaskRunner::cancel()
{
    std::deque<std::shared_ptr<Task>> dropped = std::move(queue_);
    queue_.clear();
    if (current_) {
        current_->stop = true;
        dropped.push_front(current_);
        current_.reset();
    }
    for (const auto& task : dropped)
        if (!task->answered) {
            task->answered = true;
            task->done(true);
        }
    emit busyChanged(false, QString());
}

} // namespace tosk
