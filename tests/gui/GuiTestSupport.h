// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "database/SigDbase.h"
#include "support/TestSupport.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace tosk::test {

// Runs `action` on the first visible top-level widget of type T once one
// shows up (a modal dialog that the code under test is about to run),
// polling from the event loop for up to five seconds.
template <typename T> void whenShown(std::function<void(T*)> action, int triesLeft = 500)
{
    QTimer::singleShot(10, [action = std::move(action), triesLeft] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                action(t);
                return;
            }
        if (triesLeft > 0)
            whenShown<T>(action, triesLeft - 1);
    });
}

// The child of `parent` called `name`; when there is none the test fails
// (the exception ends it) rather than going on with a null pointer.
template <typename T> T* named(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no child named ") + name);
    return found;
}

// A left double click as a window system delivers it, release included.
// Qt Test's own double click on a widget leaves the button down, both for
// later Qt Test events and in QGuiApplication::mouseButtons(), so that every
// later test would see a drag still going on.
inline void doubleClick(QWidget* widget, QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    QPointer<QWidget> target = widget;
    QTest::mouseDClick(widget, Qt::LeftButton, keys, at);
    if (target) {
        QTest::mouseRelease(target, Qt::LeftButton, keys, at);
        return;
    }
    // The double click closed its widget: the button still comes up.
    QWidget elsewhere;
    QTest::mouseRelease(&elsewhere, Qt::LeftButton, keys);
}

// The operator database that ships with Tosk, read once for the program.
inline std::shared_ptr<SigDbase> bundledDbase()
{
    static std::shared_ptr<SigDbase> db = [] {
        auto d = std::make_shared<SigDbase>();
        d->setFullPathName(dataPath("sigdbase.sbf"));
        d->createSigDbase();
        return d;
    }();
    return db;
}

// The process-wide database made anew on its next use, as at a first
// launch, and the one before put back at scope end.
class ScopedFreshSharedDbase {
public:
    ScopedFreshSharedDbase() : previous_(SigDbase::setSharedSigDbase(nullptr)) {}
    ~ScopedFreshSharedDbase() { SigDbase::setSharedSigDbase(std::move(previous_)); }
    ScopedFreshSharedDbase(const ScopedFreshSharedDbase&) = delete;
    ScopedFreshSharedDbase& operator=(const ScopedFreshSharedDbase&) = delete;

private:
    std::shared_ptr<SigDbase> previous_;
};

} // namespace tosk::test
