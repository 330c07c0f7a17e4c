#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "app/DatabaseSummary.h"

#include <memory>
#include <string>

class QWindow;

namespace tosk {

class DiskViewController;
class DocumentController;
class SigDbase;

// The application's delegate: what happens at launch, and the target of the
// application-wide menu commands.
class MainMenuDelegate : public QObject {
    Q_OBJECT

public:
    explicit MainMenuDelegate(QObject* parent = nullptr);
    ~MainMenuDelegate() override;

    // "Tosk 0.1.0": the program's name and version, logged at launch.
    static std::string informationString();

    // Everything the program does at start: logs the information string,
    // creates the preferences and the shared operator database, and starts
    // following the main window. Called once, after the menu exists.
    void applicationDidFinishLaunching();
    // Whether an untitled patch opens at launch: the "CreateNewDocKey" setting.
    bool applicationShouldOpenUntitledFile() const;

    // The shared database made at launch (null before).
    const std::shared_ptr<SigDbase>& sigDbase() const { return sigDbase_; }
    DatabaseSummary databaseSummary() const;

    // The patch window that was main last, while it stays open and the
    // application keeps the focus; null otherwise.
    QWidget* graphicWindowController() const { return graphicWindowController_; }
    // A window became main: kept when it is a patch window, ignored otherwise.
    void mainWindowChanged(QWidget* window);
    // A window stopped being main.
    void mainWindowResigned(QWidget* window);

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

public slots:
    // File ▸ Quit: closes every window; quits when all agreed to close.
    void terminate();
    // Window ▸ Disk Browser: shows the disk browser.
    void showDiskViewAction();

private:
    void focusWindowChanged(QWindow* window);

    std::shared_ptr<SigDbase> sigDbase_;
    QPointer<QWidget> graphicWindowController_;
    QPointer<QWidget> mainWindow_;
    bool launched_ = false;
    bool terminating_ = false;
    DocumentController* documentController_ = nullptr;
    std::unique_ptr<DiskViewController> diskViewController_;
};

} // namespace tosk
