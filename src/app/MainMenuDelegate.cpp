#include "app/MainMenuDelegate.h"

#include "base/Log.h"
#include "base/PreferenceController.h"
#include "canvas/PatchWindow.h"
#include "database/SigDbase.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>

namespace tosk {

MainMenuDelegate::MainMenuDelegate(QObject* parent) : QObject(parent) {}

std::string MainMenuDelegate::informationString()
{
    return std::string("Tosk ") + TOSK_VERSION;
}

void MainMenuDelegate::applicationDidFinishLaunching()
{
    if (launched_)
        return;
    launched_ = true;
    log(informationString());
    PreferenceController::shared();
    // A database that cannot be found or read stays empty; launch goes on.
    sigDbase_ = SigDbase::sharedSigDbase();
    setGraphicWindowController(nullptr);
    // Qt reports only the window that gains the focus; losing it to another
    // application reports none, which is when the main window resigns.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &MainMenuDelegate::focusWindowChanged);
}

bool MainMenuDelegate::applicationShouldOpenUntitledFile() const
{
    return PreferenceController::shared().createNewDoc();
}

DatabaseSummary MainMenuDelegate::databaseSummary() const
{
    return sigDbase_ ? DatabaseSummary::of(*sigDbase_) : DatabaseSummary{};
}

void MainMenuDelegate::mainWindowChanged(QWidget* window)
{
    mainWindow_ = window;
    if (dynamic_cast<PatchWindow*>(window))
        setGraphicWindowController(window);
}

void MainMenuDelegate::mainWindowResigned(QWidget* window)
{
    if (window == mainWindow_)
        mainWindow_ = nullptr;
}

void MainMenuDelegate::setGraphicWindowController(QWidget* window)
{
    if (graphicWindowController_ == window)
        return;
    if (graphicWindowController_)
        disconnect(graphicWindowController_, &QObject::destroyed, this, nullptr);
    graphicWindowController_ = window;
    if (window)
        connect(window, &QObject::destroyed, this, [this] {
            graphicWindowController_ = nullptr;
            emit graphicWindowControllerChanged(nullptr);
        });
    emit graphicWindowControllerChanged(window);
}

void MainMenuDelegate::focusWindowChanged(QWindow* window)
{
    if (!window) {
        if (mainWindow_)
            mainWindowResigned(mainWindow_);
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window) {
            mainWindowChanged(w);
            return;
        }
}

void MainMenuDelegate::terminate()
{
    // Each window may refuse (a patch with unsaved changes); then we stay.
    if (QApplication::activeModalWidget())
        return;
    terminating_ = true;
    QApplication::closeAllWindows();
    terminating_ = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return;
    QCoreApplication::quit();
}

} // namespace tosk
