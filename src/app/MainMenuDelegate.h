// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "app/DatabaseSummary.h"
#include "browsers/KorvatelViewController.h"
#include "browsers/UnitLineTiming.h"

#include <functional>
#include <memory>
#include <string>

class QWindow;

namespace tosk {

class DiskViewController;
class DocumentController;
class PreferencesWindow;
class SigDbase;
class ToskMidiProcessor;
class UnitCommands;
class UnitTrafficWindow;

// The application's delegate: what happens at launch, and the target of the
// application-wide menu commands.
class MainMenuDelegate : public QObject {
    Q_OBJECT

public:
    // The application queues unit commands on the shared dispatcher, which
    // waits for the unit's 4-second silence; a test hands in one of its own
    // (not owned) with a shorter silence.
    explicit MainMenuDelegate(QObject* parent = nullptr, ToskMidiProcessor* dispatcher = nullptr);
    ~MainMenuDelegate() override;

    // "Tosk 0.1.0": the program's name and version, logged at launch.
    static std::string informationString();

    // Everything the program does at start: logs the information string,
    // creates the preferences, the dispatcher of unit commands and the shared
    // operator database, and starts following the main window. Called once,
    // after the menu exists.
    void applicationDidFinishLaunching();
    // Whether an untitled patch opens at launch: the "CreateNewDocKey" setting.
    bool applicationShouldOpenUntitledFile() const;

    // The shared database made at launch (null before).
    const std::shared_ptr<SigDbase>& sigDbase() const { return sigDbase_; }
    DatabaseSummary databaseSummary() const;

    // The patch window that was main last, while it stays open: panels and
    // commands that act on "the" patch window act on it. Another window
    // (a floating panel, a browser, another application) taking the focus
    // does not make it forget; closing it or another patch window does.
    QWidget* graphicWindowController() const { return graphicWindowController_; }
    // A window became main: kept when it is a patch window, ignored otherwise.
    void mainWindowChanged(QWidget* window);
    // A window stopped being main; the last patch window is still the one.
    void mainWindowResigned(QWidget* window);

    // Shows the shared grid panel (View > Grid Panel) for the window whose
    // menu was used; the menu item stays disabled while none is set.
    void setGridPanelHook(std::function<void(QWidget*)> show) { showGridPanel_ = std::move(show); }
    const std::function<void(QWidget*)>& gridPanelHook() const { return showGridPanel_; }

    // Opens and saves the patch documents (null until the application sets
    // one up; not owned).
    DocumentController* documentController() const { return documentController_; }
    void setDocumentController(DocumentController* controller) { documentController_ = controller; }

    // True while Quit closes the windows: closing the last patch window
    // then brings back no start window.
    bool isTerminating() const { return terminating_; }

    // The disk browser, made on first use; it opens patches and moves their
    // windows' files through the document controller.
    DiskViewController* diskViewController();

    // The controller of the unit windows: made by the unit browser command
    // (or a quiet identify), dropped when one of its windows closes.
    KorvatelViewController* korvatelViewController() const { return korvatelViewController_; }
    // Identifies the unit and opens its window, unless a controller is
    // there already. `report`: failures are shown (the quiet identify of
    // the disk browser passes false).
    KorvatelViewController* identifyUnit(bool report);
    // How the unit windows' connections wait (tests shorten the bank pause).
    void setUnitLineTiming(UnitLineTiming timing) { unitLineTiming_ = timing; }

    // The Unit menu's commands (null before launch).
    UnitCommands* unitCommands() const { return unitCommands_.get(); }

    // The preferences window, made on first use.
    PreferencesWindow* preferencesWindow();
    // Window ▸ Unit Traffic, made on first use.
    UnitTrafficWindow* unitTrafficWindow();
    // A new "SigDbasePath" was stored: the database read at the next start.
    void noteSigDbaseLocationChanged() { emit sigDbaseLocationChanged(); }

public slots:
    // File ▸ Quit: asks before it stops a backup or a copy from the unit,
    // closes every window; quits when all agreed to close.
    void terminate();
    // Window ▸ Disk Browser: shows the disk browser.
    void showDiskViewAction();
    // File ▸ Preferences...
    void showPreferencesPanelAction();
    // Window ▸ Unit Traffic
    void showUnitTraffic();
    // Window ▸ Unit Browser: identifies the unit and opens its browser, or
    // brings its windows to the front. After a quiet identify that found
    // nothing, it identifies again, with its alerts.
    void showKorvatelViewAction();
    // Drops the unit window controller and closes its windows, so that the
    // next command identifies afresh.
    void closePatchViews();
    // Window ▸ Add Module Panel: the shared add-module panel, following the
    // patch window panels follow.
    void addModuleAction();
    // Patch ▸ Add Module... (Ctrl+K) in `window`: the panel, following that
    // window, with its search field focused.
    void addModuleSearchAction(QWidget* window);
    // Help ▸ About Tosk: the version and the database in use.
    void aboutAction(QWidget* window);

signals:
    void sigDbaseLocationChanged();
    // The patch window panels follow changed (null: none is open).
    void graphicWindowControllerChanged(QWidget* window);

private:
    // A backup of the unit's banks or a copy of its patches to the disk is
    // running: asks whether to stop it and quit, and stops it when told so.
    // False: the user would rather wait.
    bool stopUnitCopiesBeforeQuitting();
    void focusWindowChanged(QWindow* window);
    void setGraphicWindowController(QWidget* window);

    std::shared_ptr<SigDbase> sigDbase_;
    QPointer<QWidget> graphicWindowController_;
    QPointer<QWidget> mainWindow_;
    bool launched_ = false;
    bool terminating_ = false;
    DocumentController* documentController_ = nullptr;
    std::unique_ptr<DiskViewController> diskViewController_;
    ToskMidiProcessor* dispatcher_ = nullptr;
    std::unique_ptr<UnitCommands> unitCommands_;
    std::unique_ptr<PreferencesWindow> preferencesWindow_;
    std::unique_ptr<UnitTrafficWindow> unitTrafficWindow_;
    std::function<void(QWidget*)> showGridPanel_;
    QPointer<KorvatelViewController> korvatelViewController_;
    UnitLineTiming unitLineTiming_;
};

} // namespace tosk
