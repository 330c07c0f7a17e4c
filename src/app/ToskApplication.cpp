#include "app/ToskApplication.h"

#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "app/QSettingsStore.h"
#include "app/QtAlerts.h"
#include "app/QtFileChooser.h"
#include "app/QtMainThreadPoster.h"
#include "app/StartWindow.h"
#include "base/AtomicFile.h"
#include "base/PreferenceController.h"
#include "canvas/GridPanelController.h"
#include "comms/DiskSync.h"
#include "database/SigDbase.h"

#include <QApplication>

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

int ToskApplication::run(int argc, char** argv)
{
    QApplication app(argc, argv);
    useCNumbers();
    QApplication::setOrganizationName(QStringLiteral("Tosk"));
    QApplication::setApplicationName(QStringLiteral("Tosk"));
    QApplication::setApplicationVersion(QStringLiteral(TOSK_VERSION));

    PlatformServices services;
    MainMenuDelegate delegate;
    delegate.applicationDidFinishLaunching();
    DocumentController documents(&delegate, DocumentController::sigFileFormat());
    delegate.setDocumentController(&documents);
    delegate.setGridPanelHook([](QWidget* window) { GridPanelController::showGridPanel(window); });
    StartWindow start(delegate, delegate.databaseSummary());
    documents.setStartWindow(&start);
    start.show();

    // `tosk FILE...` opens the files given.
    documents.openAtLaunch(QApplication::arguments().mid(1), delegate.applicationShouldOpenUntitledFile());
    return app.exec();
}

} // namespace tosk
