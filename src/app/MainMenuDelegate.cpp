// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenuDelegate.h"

#include "Toskfile/SigDocument.h"
#include "app/ApplicationMenu.h"
#include "app/DocumentController.h"
#include "app/PreferencesWindow.h"
#include "app/SigDbaseOpening.h"
#include "app/UnitCommands.h"
#include "app/UnitTrafficWindow.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "base/Version.h"
#include "browsers/DiskViewController.h"
#include "browsers/KorvatelViewController.h"
#include "browsers/PatchViewController.h"
#include "canvas/Latin1.h"
#include "canvas/PatchWindow.h"
#include "comms/SerialPort.h"
#include "comms/ToskMidiProcessor.h"
#include "comms/UnitTraffic.h"
#include "database/SigDbase.h"
#include "editors/AddModuleController.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWindow>

namespace tosk {

namespace {

// `path` with `from` (a file, or a folder above it) replaced by `to`; empty
// when `path` is neither `from` nor below it.
QString movedPath(const QString& path, const QString& from, const QString& to)
{
    if (path == from)
        return to;
    if (path.startsWith(from + QLatin1Char('/')))
        return to + path.mid(from.size());
    return {};
}

} // namespace

MainMenuDelegate::MainMenuDelegate(QObject* parent, ToskMidiProcessor* dispatcher)
    : QObject(parent), dispatcher_(dispatcher)
{
}

MainMenuDelegate::~MainMenuDelegate()
{
    delete korvatelViewController_.data();
}

std::string MainMenuDelegate::informationString()
{
    return std::string("Tosk ") + Version::number();
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
    // A unit whose device id is not 0 is reached too.
    dispatcher_->addressUnitsOwnId();
    unitCommands_ = std::make_unique<UnitCommands>(*this, *dispatcher_);
    // A database that cannot be found or read stays empty; launch goes on.
    sigDbase_ = openSharedSigDbase(PreferenceController::shared());
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

DiskViewController* MainMenuDelegate::diskViewController()
{
    if (diskViewController_)
        return diskViewController_.get();
    DiskViewController::Hooks hooks;
    hooks.buildMenu = [this](QMenuBar* bar) { ApplicationMenu::build(bar, *this); };
    hooks.openPatch = [this](const QString& path) {
        if (documentController_)
            documentController_->openDocument(path);
    };
    // Documents hold their files' canonical paths, as the browser reports
    // moves.
    hooks.pathMoved = [this](const QString& from, const QString& to) {
        if (!documentController_)
            return;
        for (GraphicWindowController* window : documentController_->windows()) {
            SigDocument* document = window->sigDocument();
            const QString now =
                document ? movedPath(QFile::decodeName(document->fileName().c_str()), from, to) : QString();
            if (now.isEmpty())
                continue;
            document->setFileName(QFile::encodeName(now).toStdString());
            window->updateTitle();
        }
    };
    hooks.isOpen = [this](const QString& path) {
        if (!documentController_)
            return false;
        for (GraphicWindowController* window : documentController_->windows())
            if (SigDocument* document = window->sigDocument();
                document && !movedPath(QFile::decodeName(document->fileName().c_str()), path, path).isEmpty())
                return true;
        return false;
    };
    diskViewController_ = std::make_unique<DiskViewController>(std::move(hooks));
    return diskViewController_.get();
}

void MainMenuDelegate::showDiskViewAction()
{
    DiskViewController* browser = diskViewController();
    browser->show();
    browser->raise();
    browser->activateWindow();
    // A unit on the line shows its browser beside the disk's, ready to drag
    // from; no unit is no error here (Window ▸ Unit Browser asks again, aloud).
    identifyUnit(false);
}

PreferencesWindow* MainMenuDelegate::preferencesWindow()
{
    if (!preferencesWindow_) {
        preferencesWindow_ = std::make_unique<PreferencesWindow>([] { return SerialPort::portChoices(); });
        connect(preferencesWindow_.get(), &PreferencesWindow::sigDbaseLocationChanged, this,
                &MainMenuDelegate::sigDbaseLocationChanged);
        // The sample rate shapes the operators from the next module built.
        connect(preferencesWindow_.get(), &PreferencesWindow::highSampleRateChanged, this, [this](bool on) {
            if (sigDbase_)
                sigDbase_->setHighSampleRate(on);
        });
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

KorvatelViewController* MainMenuDelegate::identifyUnit(bool report)
{
    if (korvatelViewController_ || !unitCommands_)
        return korvatelViewController_;
    auto* controller = new KorvatelViewController(*dispatcher_, report, unitLineTiming_, this);
    korvatelViewController_ = controller;
    unitCommands_->setQuiet(controller->tag(), !report);
    connect(unitCommands_.get(), &UnitCommands::requestFinished, controller, &KorvatelViewController::requestFinished);
    connect(controller, &KorvatelViewController::patchViewClosed, this, &MainMenuDelegate::closePatchViews);
    // An identify that opened nothing leaves no controller behind: the next
    // command asks the unit again, and says what went wrong.
    connect(controller, &KorvatelViewController::identifyFailed, this, [this, controller] {
        if (korvatelViewController_ == controller) {
            korvatelViewController_ = nullptr;
            controller->deleteLater();
        }
    });
    return controller;
}

void MainMenuDelegate::showKorvatelViewAction()
{
    KorvatelViewController* controller = korvatelViewController_;
    if (controller && !controller->hasPatchViews() && !controller->isIdentifying()) {
        closePatchViews();
        controller = nullptr;
    }
    if (controller) {
        if (controller->isIdentifying()) {
            // A quiet identify still under way now reports what it finds,
            // and shows how far it has got.
            controller->setShowReport(true);
            unitCommands_->setQuiet(controller->tag(), false);
        }
        controller->showPatchViews();
        return;
    }
    identifyUnit(true);
}

void MainMenuDelegate::closePatchViews()
{
    KorvatelViewController* controller = korvatelViewController_;
    if (!controller)
        return;
    korvatelViewController_ = nullptr;
    disconnect(controller, nullptr, this, nullptr);
    controller->closePatchViews();
    controller->deleteLater();
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
    text += QStringLiteral("\n\n") + QString::fromLatin1(Version::copyright()) + QLatin1Char('\n') +
            Latin1::text("AboutLicense", "Tosk is free software under the GNU General Public License, version 3 or "
                                         "later (GPL-3.0-or-later), and comes with NO WARRANTY.");
    QMessageBox box(QMessageBox::Information, Latin1::text("MenuAbout", "&About Tosk").remove(QLatin1Char('&')), text,
                    QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.exec();
}

bool MainMenuDelegate::stopUnitCopiesBeforeQuitting()
{
    std::vector<PatchViewController*> backups;
    if (korvatelViewController_)
        for (QWidget* window : korvatelViewController_->patchViews())
            if (auto* browser = qobject_cast<PatchViewController*>(window); browser && browser->isBackingUp())
                backups.push_back(browser);
    const bool copying = diskViewController_ && diskViewController_->isCopying();
    if (backups.empty() && !copying)
        return true;
    const std::string question =
        !backups.empty()
            ? localized("QuitStopsBackup", "A backup of the unit's banks is running. Stop it and quit?")
            : localized("QuitStopsCopy", "Patches are being copied from the unit. Stop the copy and quit?");
    if (Alerts::show(AlertStyle::Warning, localized("ALERT", "ALERT"), question,
                     {localized("QuitStopAndQuit", "Stop and Quit"), localized("CANCEL", "Cancel")}) != 0)
        return false;
    // Stopped now; each window's worker is joined when the window goes.
    for (PatchViewController* browser : backups)
        browser->stopBackup();
    if (copying)
        diskViewController_->stopCopying();
    return true;
}

void MainMenuDelegate::terminate()
{
    // Each window may refuse (a patch with unsaved changes); then we stay.
    if (QApplication::activeModalWidget())
        return;
    if (!stopUnitCopiesBeforeQuitting())
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
