#include "app/ToskApplication.h"

#include "app/AutosaveController.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "app/QSettingsStore.h"
#include "app/QtAlerts.h"
#include "app/QtFileChooser.h"
#include "app/QtMainThreadPoster.h"
#include "app/SingleInstance.h"
#include "app/StartWindow.h"
#include "base/AtomicFile.h"
#include "base/DataFiles.h"
#include "base/PreferenceController.h"
#include "canvas/GridPanelController.h"
#include "comms/DiskSync.h"
#include "database/SigDbase.h"

#include <QApplication>
#include <QLockFile>

#include <clocale>

namespace tosk {

namespace {

// Installs the Qt implementations of the core's services for the run and
// takes them out again before they go away.
class PlatformServices {
public:
    PlatformServices()
    {
        PreferenceController::setStore(&settings_);
        Alerts::setShared(&alerts_);
        FileChooser::setShared(&chooser_);
        MainThreadPoster::setShared(&poster_);
        setDiskSync(&platformDiskSync());
    }
    ~PlatformServices()
    {
        setDiskSync(nullptr);
        MainThreadPoster::setShared(nullptr);
        FileChooser::setShared(nullptr);
        Alerts::setShared(nullptr);
        PreferenceController::setStore(nullptr);
    }
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;

private:
    QSettingsStore settings_;
    QtAlerts alerts_;
    QtFileChooser chooser_;
    QtMainThreadPoster poster_;
};

} // namespace

void ToskApplication::useCNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

QIcon ToskApplication::applicationIcon()
{
    const std::string file = DataFiles::path("icons/tosk.svg");
    return file.empty() ? QIcon() : QIcon(QString::fromStdString(file));
}

void ToskApplication::setUpIdentity()
{
    QApplication::setOrganizationName(QStringLiteral("Tosk"));
    QApplication::setApplicationName(QStringLiteral("Tosk"));
    QApplication::setApplicationVersion(QStringLiteral(TOSK_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication::setWindowIcon(applicationIcon());
}

int ToskApplication::run(int argc, char** argv, const Options& options)
{
    QApplication app(argc, argv);
    useCNumbers();
    setUpIdentity();

    // A file opened from the file manager while Tosk runs goes to the
    // running editor of this session and display.
    const QStringList files = SingleInstance::absolutePaths(QApplication::arguments().mid(1));
    SingleInstance instance(SingleInstance::serverNameFromEnvironment());
    {
        // Two starts at once: one listens, the other hands over.
        QLockFile starting(instance.name() + QStringLiteral(".lock"));
        starting.tryLock(5000);
        if (instance.handOff(files))
            return 0;
        instance.listen();
    }

    PlatformServices services;
    MainMenuDelegate delegate;
    delegate.applicationDidFinishLaunching();
    DocumentController documents(&delegate, DocumentController::sigFileFormat());
    delegate.setDocumentController(&documents);
    delegate.setGridPanelHook([](QWidget* window) { GridPanelController::showGridPanel(window); });
    StartWindow start(delegate, delegate.databaseSummary());
    documents.setStartWindow(&start);
    start.show();
    AutosaveController autosave(documents, options.autosave,
                                options.autosaveDirectory.empty() ? AutosaveStore::defaultDirectory()
                                                                  : options.autosaveDirectory);
    QObject::connect(&instance, &SingleInstance::filesReceived, &documents,
                     [&documents, &start](const QStringList& paths) {
                         documents.openDocuments(paths);
                         if (!paths.isEmpty())
                             return;
                         // Started again without files: the editor comes to the front.
                         QWidget* front = start.isVisible() ? static_cast<QWidget*>(&start) : nullptr;
                         for (QWidget* window : documents.windows())
                             front = window;
                         if (front) {
                             front->raise();
                             front->activateWindow();
                         }
                     });

    if (options.started) {
        Running running{delegate, documents, autosave};
        options.started(running);
    }
    autosave.offerRecovery();
    // `tosk FILE...` opens the files given.
    documents.openAtLaunch(files, delegate.applicationShouldOpenUntitledFile());
    return app.exec();
}

} // namespace tosk
