// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application as ToskApplication puts it together, with Qt's poster,
// recorded alerts and scripted file panels, talking to the line at `port`:
// what the Unit menu, unit browser and front panel tests drive.

#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "app/QtMainThreadPoster.h"
#include "app/ScreenDisplayController.h"
#include "app/StartWindow.h"
#include "app/UnitCommands.h"
#include "base/FileChooser.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "browsers/KorvatelViewController.h"
#include "canvas/GraphicWindowController.h"
#include "comms/CommsTestSupport.h"
#include "database/SigDbase.h"
#include "support/TestSupport.h"
#include "support/UnitOnPty.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

namespace tosk::test {

struct UnitApp {
    MemorySettingsStore store;
    QtMainThreadPoster poster;
    MainThreadPoster* previousPoster = &MainThreadPoster::shared();
    ScopedRecordingAlerts alerts;
    ScopedScriptedFileChooser chooser;
    std::unique_ptr<ToskMidiProcessor> dispatcher;
    std::unique_ptr<MainMenuDelegate> delegate;
    std::unique_ptr<DocumentController> documents;
    std::unique_ptr<StartWindow> start;

    // `silence` ends a reply (the application's own dispatcher waits 4 s).
    explicit UnitApp(const std::string& port, std::chrono::milliseconds silence = 300ms)
    {
        PreferenceController::setStore(&store);
        MainThreadPoster::setShared(&poster);
        store.setValue("PortName", port);
        dispatcher = std::make_unique<ToskMidiProcessor>(&poster, LineSettings::fromPreferences, silence);
        delegate = std::make_unique<MainMenuDelegate>(nullptr, dispatcher.get());
        delegate->applicationDidFinishLaunching();
        delegate->setUnitLineTiming({4000ms, 10ms});
        // The database in use is also the one for the next start.
        store.setValue("SigDbasePath", delegate->sigDbase()->fullPathName());
        documents = std::make_unique<DocumentController>(delegate.get(), DocumentController::sigFileFormat());
        delegate->setDocumentController(documents.get());
        start = std::make_unique<StartWindow>(*delegate, delegate->databaseSummary());
        documents->setStartWindow(start.get());
        start->show();
    }
    ~UnitApp()
    {
        delegate->closePatchViews();
        for (GraphicWindowController* w : documents->windows()) {
            w->sigDocument()->updateChangeCount(SigDocument::ChangeCleared);
            w->close();
        }
        if (ScreenDisplayController* s = delegate->unitCommands()->screenWindow())
            s->close();
        QApplication::processEvents();
        start.reset();
        documents.reset();
        delegate.reset();
        dispatcher.reset();
        QApplication::processEvents();
        MainThreadPoster::setShared(previousPoster == &poster ? nullptr : previousPoster);
        PreferenceController::setStore(nullptr);
    }

    UnitCommands& unit() { return *delegate->unitCommands(); }

    // Runs an item of the Unit menu of `window` (the start window without
    // one), as a click would after the menu opened; false when disabled.
    bool choose(const char* action, QMainWindow* window = nullptr)
    {
        QMainWindow* w = window ? window : start.get();
        auto* menu = w->menuBar()->findChild<QMenu*>(QStringLiteral("menuUnit"));
        EXPECT_TRUE(menu);
        if (!menu)
            return false;
        emit menu->aboutToShow();
        auto* item = menu->findChild<QAction*>(QString::fromLatin1(action));
        EXPECT_TRUE(item) << action;
        if (!item || !item->isEnabled())
            return false;
        item->trigger();
        return true;
    }
    // Waits until every request of the Unit menu has ended.
    bool settle(int ms = 15000)
    {
        return QTest::qWaitFor([&] { return unit().pendingCount() == 0; }, ms);
    }
    // Chooses the item and waits for its requests to end.
    bool run(const char* action, QMainWindow* window = nullptr, int ms = 15000)
    {
        return choose(action, window) && settle(ms);
    }
    std::vector<std::string> alertTexts() const { return alertLines(alerts.recorded); }

    GraphicWindowController* open(const std::filesystem::path& file)
    {
        return documents->openDocument(QString::fromStdString(file.string()));
    }

    // Window ▸ Unit Browser of the start window, as a click would.
    void showUnitBrowser()
    {
        auto* menu = start->menuBar()->findChild<QMenu*>(QStringLiteral("menuWindow"));
        ASSERT_TRUE(menu);
        auto* item = menu->findChild<QAction*>(QStringLiteral("actionShowKorvatelView"));
        ASSERT_TRUE(item);
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
    }
    // The window the unit browser opened, once it did.
    template <typename W> W* browser(int ms = 15000)
    {
        W* found = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                KorvatelViewController* c = delegate->korvatelViewController();
                if (c && !c->patchViews().empty())
                    found = qobject_cast<W*>(c->patchViews().front());
                return found != nullptr;
            },
            ms);
        return found;
    }
    // The unit browser opened from the Window menu, once its first read ended.
    template <typename W> W* openBrowser(int ms = 20000)
    {
        showUnitBrowser();
        W* w = browser<W>(ms);
        return w && QTest::qWaitFor([&] { return !w->runner()->isBusy(); }, ms) ? w : nullptr;
    }
    // Patch window `i`, once it is the last one: its name, the name Save
    // offers, whether it counts as changed, then its bytes.
    std::string patch(size_t i = 0, int ms = 20000)
    {
        if (!QTest::qWaitFor([&] { return documents->windows().size() == i + 1; }, ms))
            return "<no patch window " + std::to_string(i) + ">";
        const SigDocument& doc = *documents->windows()[i]->sigDocument();
        return doc.displayName() + " | " + doc.suggestedFileName() + (doc.isDocumentEdited() ? " | edited\n" : "\n") +
               doc.originalData();
    }
    // Waits until the identify ended without a window.
    bool identifyEnded(int ms = 15000)
    {
        return QTest::qWaitFor([&] { return !delegate->korvatelViewController(); }, ms);
    }
};

// A reply of the unit with device id 0: `command`, then `body` as it is.
inline Bytes dumpOf(const std::string& body, uint8_t command = sysex::OBJECT_INFO_DUMP)
{
    Bytes frame = bytes({0xF0, 0x1C, 0x70, 0, command});
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(0xF7);
    return frame;
}

// tosk-unit started with `args` on a line under a fresh folder, and the
// application on that line. `banks` comes first in its options; `prepare`
// may add to that folder before the unit reads it.
enum class Banks { Bundled, Test, Panel };
struct UnitRig {
    TempDir dir;
    UnitProcess unit;
    UnitApp app;
    explicit UnitRig(Banks banks = Banks::Bundled, std::vector<std::string> args = {},
                     const std::function<void(const std::filesystem::path&)>& prepare = {},
                     std::chrono::milliseconds silence = 300ms)
        : unit(dir.path(), options(dir.path(), banks, std::move(args), prepare)), app(unit.link(), silence)
    {
    }
    static std::vector<std::string> options(const std::filesystem::path& dir, Banks banks,
                                            std::vector<std::string> args,
                                            const std::function<void(const std::filesystem::path&)>& prepare)
    {
        if (banks == Banks::Bundled)
            return args;
        const std::filesystem::path folder = banks == Banks::Test ? makeTestBanks(dir) : makePanelBanks(dir);
        if (prepare)
            prepare(folder);
        args.insert(args.begin(), {"--banks", folder.string()});
        return args;
    }
};

} // namespace tosk::test
