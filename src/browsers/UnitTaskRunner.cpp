#include "browsers/UnitTaskRunner.h"

#include "comms/RequestProgress.h"

#include <QMetaObject>
#include <QPointer>

#include <mutex>
#include <thread>

namespace tosk {

struct UnitTaskRunner::Task {
    QString label;
    Work work;
    Done done;
    bool mustAnswer = false;
    bool answered = false;
    std::atomic<bool> stop{false};
};

// What the worker thread and the runner share: whether the runner is still
// there to hear back.
struct UnitTaskRunner::Shared {
    std::mutex mutex;
    UnitTaskRunner* runner = nullptr;
};

UnitTaskRunner::UnitTaskRunner(std::shared_ptr<KorvatelConnection> connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), shared_(std::make_shared<Shared>())
{
    shared_->runner = this;
}

UnitTaskRunner::~UnitTaskRunner()
{
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->runner = nullptr;
    }
    std::deque<std::shared_ptr<Task>> left = std::move(queue_);
    if (current_) {
        current_->stop = true;
        left.push_front(current_);
    }
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
    std::shared_ptr<KorvatelConnection> connection = connection_;
    std::shared_ptr<Shared> shared = shared_;
    // Cancel also ends a wait for the line held by another exchange.
    connection->serialConnection().setLineWaitObserver([task](std::chrono::milliseconds, std::chrono::milliseconds) {
        if (task->stop)
            throw requestCancelled();
    });
    std::thread([task, connection, shared] {
        try {
            task->work(*connection, task->stop);
        } catch (...) {
            // The operations report their failures themselves; anything
            // else must not take the program down from this thread.
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (UnitTaskRunner* runner = shared->runner)
            QMetaObject::invokeMethod(
                runner, [runner, task] { runner->finished(task); }, Qt::QueuedConnection);
    }).detach();
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
