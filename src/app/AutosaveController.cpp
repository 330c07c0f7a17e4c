// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AutosaveController.h"

#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "canvas/GraphicWindowController.h"

#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QLockFile>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace tosk {

namespace {

// While a mouse button is down (a drag), the text is taken a little later.
constexpr int kDragRetryMs = 250;

std::string when(int64_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd hh:mm")).toStdString();
}

} // namespace

struct AutosaveController::Tracked {
    QPointer<GraphicWindowController> window;
    std::shared_ptr<SigDocument> document;
    std::string id;
    AutosavePolicy policy;
    QTimer timer;
};

AutosaveController::AutosaveController(DocumentController& documents, AutosavePolicy::Params params,
                                       std::string directory, QObject* parent)
    : QObject(parent), documents_(documents), params_(params), session_(AutosaveStore::newSessionId()),
      writer_(AutosaveStore(std::move(directory)), poster_,
              [this](const std::string& id, const std::string& name, const std::string& reason) {
                  failed(id, name, reason);
              })
{
    // The lock tells later starts that this run's autosaves are not left
    // over. Without it autosaves are still written; another start could
    // only offer them too early.
    try {
        store().makeDirectory();
        lock_ = std::make_unique<QLockFile>(QString::fromStdString(store().lockPath(session_)));
        lock_->setStaleLockTime(0);
        if (!lock_->tryLock(0))
            logf("AutosaveController: cannot lock \"%s\"", store().lockPath(session_).c_str());
        else // like every file in the folder, the user's alone
            QFile::setPermissions(lock_->fileName(), QFile::ReadOwner | QFile::WriteOwner);
    } catch (const TkxException& e) {
        logf("AutosaveController: exception %s - %s", e.name().c_str(), e.reason().c_str());
    }
    connect(&documents_, &DocumentController::windowOpened, this, &AutosaveController::track);
    connect(&documents_, &DocumentController::documentSaved, this, &AutosaveController::discard);
    connect(&documents_, &DocumentController::windowClosed, this, &AutosaveController::discard);
    connect(&documents_, &DocumentController::documentReverted, this, &AutosaveController::reverted);
    for (GraphicWindowController* window : documents_.windows())
        track(window);
}

AutosaveController::~AutosaveController()
{
    for (const auto& tracked : tracked_)
        tracked->document->removeChangeListeners(tracked.get());
    writer_.flush();
}

AutosaveController::Tracked* AutosaveController::find(const GraphicWindowController* window) const
{
    auto it =
        std::find_if(tracked_.begin(), tracked_.end(), [&](const auto& tracked) { return tracked->window == window; });
    return it == tracked_.end() ? nullptr : it->get();
}

std::string AutosaveController::entryFor(const GraphicWindowController* window) const
{
    const Tracked* tracked = find(window);
    return tracked && tracked->policy.hasAutosave() ? tracked->id : std::string();
}

void AutosaveController::track(GraphicWindowController* window)
{
    if (!window || find(window) || !window->document())
        return;
    auto tracked = std::make_unique<Tracked>();
    tracked->window = window;
    tracked->id = AutosaveStore::entryId(session_, nextNumber_++);
    tracked->policy = AutosavePolicy(params_);
    tracked->timer.setSingleShot(true);
    Tracked* t = tracked.get();
    connect(&t->timer, &QTimer::timeout, this, [this, t] { takeText(*t); });
    connect(window, &QObject::destroyed, this, [this, t] { forget(t); });
    tracked_.push_back(std::move(tracked));
    attach(*t, window->document());
}

void AutosaveController::attach(Tracked& tracked, const std::shared_ptr<SigDocument>& document)
{
    if (tracked.document)
        tracked.document->removeChangeListeners(&tracked);
    tracked.document = document;
    document->addChangeListener(&tracked, [this, t = &tracked](const PatchChange&) { changed(*t); });
    // A patch that arrives changed (laid out on opening, recovered) is
    // kept from the start.
    if (document->isDocumentEdited())
        changed(tracked);
}

void AutosaveController::changed(Tracked& tracked)
{
    const auto now = AutosavePolicy::Clock::now();
    switch (tracked.policy.changed(tracked.document->isDocumentEdited(), now)) {
    case AutosavePolicy::Action::None:
        tracked.timer.stop();
        break;
    case AutosavePolicy::Action::Remove:
        tracked.timer.stop();
        writer_.remove(tracked.id);
        break;
    case AutosavePolicy::Action::Wait:
        if (!tracked.timer.isActive()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*tracked.policy.deadline() - now);
            tracked.timer.start(std::max<int>(0, int(wait.count())));
        }
        break;
    case AutosavePolicy::Action::WriteNow:
        // After the event that made the change: it may make more.
        tracked.timer.start(0);
        break;
    }
}

void AutosaveController::takeText(Tracked& tracked)
{
    if (tracked.policy.pendingChanges() == 0)
        return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        tracked.timer.start(kDragRetryMs);
        return;
    }
    SigDocument& document = *tracked.document;
    AutosaveStore::Entry entry;
    entry.id = tracked.id;
    entry.originalPath = document.fileName().empty() ? document.recoveredFrom() : document.fileName();
    entry.savedAt = AutosaveStore::currentTime();
    // The snapshot: the text as the patch stands between two events. Only
    // writing it is left to the writer's thread.
    writer_.write(std::move(entry), document.sigData());
    tracked.policy.written();
}

void AutosaveController::discard(GraphicWindowController* window)
{
    Tracked* tracked = find(window);
    if (!tracked)
        return;
    tracked->timer.stop();
    tracked->policy.discarded();
    writer_.remove(tracked->id);
}

void AutosaveController::reverted(GraphicWindowController* window)
{
    discard(window);
    if (Tracked* tracked = find(window); tracked && window->document())
        attach(*tracked, window->document());
}

void AutosaveController::forget(Tracked* tracked)
{
    auto it = std::find_if(tracked_.begin(), tracked_.end(), [&](const auto& t) { return t.get() == tracked; });
    if (it == tracked_.end())
        return;
    (*it)->document->removeChangeListeners(tracked);
    tracked_.erase(it);
}

void AutosaveController::failed(const std::string& id, const std::string& name, const std::string& reason)
{
    auto it = std::find_if(tracked_.begin(), tracked_.end(), [&](const auto& t) { return t->id == id; });
    const std::string patch = it != tracked_.end() ? (*it)->document->displayName() : id;
    logf("AutosaveController.autosave: exception %s - %s (patch \"%s\")", name.c_str(), reason.c_str(), patch.c_str());
    if (it != tracked_.end() && (*it)->document->isDocumentEdited()) {
        Tracked& tracked = **it;
        tracked.policy.writeFailed(AutosavePolicy::Clock::now());
        if (!tracked.timer.isActive())
            tracked.timer.start(int(params_.interval.count()));
    }
}

void AutosaveController::flush()
{
    writer_.flush();
}

bool AutosaveController::isSessionRunning(const std::string& session) const
{
    if (session == session_)
        return true;
    QLockFile lock(QString::fromStdString(store().lockPath(session)));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock(); // and the lock file with it
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

int AutosaveController::offerRecovery()
{
    if (store().directory().empty())
        return 0;
    const auto running = [this](const std::string& session) { return isSessionRunning(session); };
    const std::vector<AutosaveStore::Entry> left = store().leftOvers(session_, running);
    // Locks of runs that ended with nothing to recover go too.
    for (const std::string& session : store().lockedSessions())
        isSessionRunning(session);
    if (left.empty())
        return 0;

    std::string list;
    for (const auto& entry : left) {
        list += "\n";
        list += entry.originalPath.empty() ? localized("UntitledPatch", "an untitled patch") : entry.originalPath;
        list += "  (" + when(entry.savedAt) + ")";
    }
    const std::string message =
        localized("RecoverQuestion", "Changes to these patches were not saved when Tosk last ended:") + "\n" + list +
        "\n\n" +
        localized("RecoverChoices", "Recover opens them as unsaved patches, Discard throws the changes away, "
                                    "Decide later keeps them until the next start.");
    const int answer = Alerts::show(
        AlertStyle::Warning, localized("ALERT", "ALERT"), message,
        {localized("Recover", "Recover"), localized("Discard", "Discard"), localized("DecideLater", "Decide later")},
        nullptr, 2); // dismissing the alert decides nothing
    int opened = 0;
    if (answer == 0) {
        for (const auto& entry : left) {
            std::string text, reason;
            if (!store().readText(entry.id, text, &reason)) {
                logf("AutosaveController.recover: %s", reason.c_str());
                continue;
            }
            GraphicWindowController* window = documents_.openRecovered(text, entry.originalPath);
            Tracked* tracked = find(window);
            if (!tracked)
                continue; // kept for the next start
            ++opened;
            // The patch's text is on disk already: its entry becomes this
            // run's, so that it is neither offered again nor lost.
            if (store().rename(entry.id, tracked->id, &reason)) {
                tracked->timer.stop();
                tracked->policy.written();
            } else {
                logf("AutosaveController.recover: %s", reason.c_str());
            }
        }
    } else if (answer == 1) {
        for (const auto& entry : left) {
            std::string reason;
            if (!store().remove(entry.id, &reason))
                logf("AutosaveController.discard: %s", reason.c_str());
        }
    }
    return opened;
}

} // namespace tosk
