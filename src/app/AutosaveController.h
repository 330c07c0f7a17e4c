// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/QtMainThreadPoster.h"
#include "base/AutosavePolicy.h"
#include "base/AutosaveStore.h"
#include "base/AutosaveWriter.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class QLockFile;
class QTimer;

namespace tosk {

class DocumentController;
class GraphicWindowController;
class SigDocument;

// Keeps the text of every patch with unsaved changes in the autosave folder
// while it is edited, and offers the texts a crashed run left behind at the
// next start. The texts are taken on the main thread, between two events,
// and written by a thread of their own. A patch's autosave goes when its
// changes are saved, reverted or given up at closing.
class AutosaveController : public QObject {
    Q_OBJECT

public:
    AutosaveController(DocumentController& documents, AutosavePolicy::Params params = {},
                       std::string directory = AutosaveStore::defaultDirectory(), QObject* parent = nullptr);
    ~AutosaveController() override;

    const AutosaveStore& store() const { return writer_.store(); }
    const std::string& session() const { return session_; }
    // The autosave entry of the window's patch; "" when it has none.
    std::string entryFor(const GraphicWindowController* window) const;

    // The autosaves of runs that have ended, offered in one alert: Recover
    // opens each as a changed untitled patch, Discard removes them, Decide
    // later keeps them for the next start. Answers how many patches opened.
    int offerRecovery();
    // Waits until every text taken so far is on disk.
    void flush();

    // Whether the run that holds `session` is still going (its lock is
    // held). A lock left by a run that ended is removed.
    bool isSessionRunning(const std::string& session) const;

private:
    struct Tracked;

    void track(GraphicWindowController* window);
    void attach(Tracked& tracked, const std::shared_ptr<SigDocument>& document);
    void changed(Tracked& tracked);
    void takeText(Tracked& tracked);
    void discard(GraphicWindowController* window);
    void reverted(GraphicWindowController* window);
    void forget(Tracked* tracked);
    void failed(const std::string& id, const std::string& name, const std::string& reason);
    Tracked* find(const GraphicWindowController* window) const;

    DocumentController& documents_;
    AutosavePolicy::Params params_;
    std::string session_;
    QtMainThreadPoster poster_;
    AutosaveWriter writer_;
    std::unique_ptr<QLockFile> lock_;
    std::vector<std::unique_ptr<Tracked>> tracked_;
    int nextNumber_ = 1;
};

} // namespace tosk
