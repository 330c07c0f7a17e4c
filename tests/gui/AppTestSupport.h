// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "app/ApplicationMenu.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "canvas/GraphicWindowController.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace tosk::test {

// One menu delegate for the whole run, as the application has one.
inline MainMenuDelegate& menuDelegate()
{
    static MainMenuDelegate delegate;
    return delegate;
}

// The application's menus on a test window's bar.
inline void buildApplicationMenus(QMenuBar* bar)
{
    ApplicationMenu::build(bar, menuDelegate());
}

// The saved line of the module whose record starts so, without its CR LF,
// and without its position unless asked.
inline std::string lineOf(const SigDocument& doc, const std::string& start, bool withPosition = false)
{
    std::istringstream lines(doc.sigData());
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(start, 0) == 0) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return withPosition ? line : line.substr(0, line.find(" ;="));
        }
    return "";
}

// The records of a sig text without their positions.
inline std::string withoutPositions(const std::string& bytes)
{
    std::string flat;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        const size_t info = line.find(" ;=");
        flat += (info == std::string::npos ? line.substr(0, line.size() - 1) : line.substr(0, info)) + "\r\n";
    }
    return flat;
}

// Drags `mime` onto the widget and drops it at `at`; answers whether the
// widget took the drag.
inline bool dropOn(QWidget* target, const QMimeData& mime, QPoint at)
{
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted();
}

// A menu action of a window; a missing one fails the test on the exception
// rather than crashing every test of the program.
inline QAction* menuAction(QMainWindow& window, const char* name)
{
    auto* a = window.menuBar()->findChild<QAction*>(QString::fromLatin1(name));
    if (!a)
        throw std::runtime_error(std::string("no menu action ") + name);
    return a;
}

// The application's documents over `format` (real sig files by default), with
// settings of the test's own and a folder for its files.
struct App {
    MemorySettingsStore store;
    MainMenuDelegate delegate;
    std::unique_ptr<DocumentController> documents;
    TempDir dir;

    explicit App(DocumentController::Format format = DocumentController::sigFileFormat(bundledDbase()))
    {
        PreferenceController::setStore(&store);
        documents = std::make_unique<DocumentController>(&delegate, std::move(format));
        delegate.setDocumentController(documents.get());
    }
    ~App()
    {
        closeWindows();
        PreferenceController::setStore(nullptr);
    }
    void closeWindows()
    {
        for (GraphicWindowController* w : documents->windows()) {
            w->sigDocument()->updateChangeCount(SigDocument::ChangeCleared);
            w->close();
        }
        QApplication::processEvents();
    }
    QString file(const std::string& name, const std::string& bytes)
    {
        writeFile(dir / name, bytes);
        return QString::fromStdString((dir / name).string());
    }
    std::string bytes(const std::string& name) const { return readFile(dir / name); }
};

// The demo patch open in its window, as the editor opens a file.
struct DemoPatchApp : App {
    GraphicWindowController* window = documents->openDocument(QString::fromStdString(dataPath("examples/demo.sig")));
};

} // namespace tosk::test
