#include "app/MainMenuDelegate.h"

#include "app/PreferencesWindow.h"
#include "app/UnitCommands.h"
#include "app/UnitTrafficWindow.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "canvas/Latin1.h"
#include "canvas/PatchWindow.h"
#include "comms/SerialPort.h"
#include "comms/ToskMidiProcessor.h"
#include "comms/UnitTraffic.h"
#include "database/SigDbase.h"
#include "editors/AddModuleController.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWindow>

namespace tosk {

MainMenuDelegate::MainMenuDelegate(QObject* parent, ToskMidiProcessor* dispatcher)
    : QObject(parent), dispatcher_(dispatcher)
{
}

MainMenuDelegate::~MainMenuDelegate() = default;

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
    // Its server thread runs from now to the end of the process.
    if (!dispatcher_)
        dispatcher_ = &ToskMidiProcessor::sharedMidiController();
    unitCommands_ = std::make_unique<UnitCommands>(*this, *dispatcher_);
    // A database that cannot be found or read stays empty; launch goes on.
    sigDbase_ = SigDbase::sharedSigDbase();
    AddModuleController::initializeAddModuleController(sigDbase_);
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

PreferencesWindow* MainMenuDelegate::preferencesWindow()
{
    if (!preferencesWindow_) {
        preferencesWindow_ = std::make_unique<PreferencesWindow>(SerialPort::portList());
        connect(preferencesWindow_.get(), &PreferencesWindow::sigDbaseLocationChanged, this,
                &MainMenuDelegate::sigDbaseLocationChanged);
    }
    return preferencesWindow_.get();
}

void MainMenuDelegate::showPreferencesPanelAction()
{
    PreferencesWindow* window = preferencesWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

UnitTrafficWindow* MainMenuDelegate::unitTrafficWindow()
{
    if (!unitTrafficWindow_)
        unitTrafficWindow_ = std::make_unique<UnitTrafficWindow>(UnitTraffic::shared());
    return unitTrafficWindow_.get();
}

void MainMenuDelegate::showUnitTraffic()
{
    UnitTrafficWindow* window = unitTrafficWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void MainMenuDelegate::addModuleAction()
{
    AddModuleController& panel = AddModuleController::sharedAddModuleController();
    // Made on first use: from then on it follows the patch window.
    static QMetaObject::Connection following;
    if (!following)
        following = connect(this, &MainMenuDelegate::graphicWindowControllerChanged, &panel,
                            [&panel](QWidget* window) { panel.setMainWindow(window); });
    panel.setMainWindow(graphicWindowController_);
    panel.show();
    panel.raise();
}

void MainMenuDelegate::addModuleSearchAction(QWidget* window)
{
    // The window whose key was pressed is the one to add to, even before
    // the window system has told us it is active.
    if (dynamic_cast<PatchWindow*>(window))
        setGraphicWindowController(window);
    addModuleAction();
    AddModuleController::sharedAddModuleController().showForSearch();
}

void MainMenuDelegate::aboutAction(QWidget* window)
{
    const DatabaseSummary db = databaseSummary();
    QString text = QString::fromStdString(informationString());
    text += QStringLiteral("\n\n");
    if (!db.loaded) {
        text += Latin1::text("StartNoDatabase", "No operator database is loaded.");
    } else {
        auto shown = [](const std::optional<std::string>& s) { return s ? Latin1::qstring(*s) : QStringLiteral("?"); };
        text += Latin1::text("AboutDatabase", "Operator database:") + QLatin1Char(' ') + shown(db.product) +
                QLatin1Char(' ') + shown(db.version) + QLatin1Char(' ') + shown(db.date) + QLatin1Char('\n');
        text += Latin1::text("StartOperators", "Operators") + QStringLiteral(": ") +
                QString::number(qulonglong(db.operatorCount)) + QLatin1Char('\n');
        text += QString::fromStdString(db.path);
    }
    QMessageBox box(QMessageBox::Information, Latin1::text("MenuAbout", "&About Tosk").remove(QLatin1Char('&')), text,
                    QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.exec();
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
