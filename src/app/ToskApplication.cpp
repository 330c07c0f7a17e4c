// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "base/Version.h"
#include "canvas/GridPanelController.h"
#include "comms/DiskSync.h"
#include "comms/HeapPages.h"
#include "database/SigDbase.h"

#include <QApplication>
#include <QLockFile>

#include <clocale>
#include <cstdio>
#include <string>

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

// The manual page is made from this text (help2man): options from column 2,
// their descriptions from column 20.
const char* const kUsage = "Usage: tosk [OPTION]... [FILE]...\n"
                           "Edit the patches (sig files) of programmable DSP effects units.\n"
                           "\n"
                           "Opens each FILE in a patch window. When an editor already runs in this\n"
                           "session and on this display, the files go to it and this start ends\n"
                           "(status 0).\n"
                           "\n"
                           "Options:\n"
                           "  -h, --help       show this help and exit\n"
                           "      --version    show the version and exit\n"
                           "\n"
                           "Qt's own options are taken too, among them -platform NAME (xcb, wayland,\n"
                           "offscreen) and -style NAME.\n";

// `tosk --help` and `tosk --version`: prints the answer and answers true
// when an argument asks for one.
bool answerInformationOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (arg == "--version") {
            std::fputs(Version::text("tosk").c_str(), stdout);
            return true;
        }
    }
    return false;
}

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
    QApplication::setApplicationVersion(QString::fromLatin1(Version::number()));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication::setWindowIcon(applicationIcon());
}

int ToskApplication::run(int argc, char** argv, const Options& options)
{
    // Answered before Qt starts: they need no display.
    if (answerInformationOption(argc, argv))
        return 0;
    // Before Qt starts threads: the patches opened go to large pages.
    useLargeHeapPages();
    QApplication app(argc, argv);
    useCNumbers();
    setUpIdentity();

    // A file opened from the file manager while Tosk runs goes to the
    // running editor of this session and display.
    const QStringList files = SingleInstance::absolutePaths(QApplication::arguments().mid(1));
    SingleInstance instance(SingleInstance::serverNameFromEnvironment());
    if (options.instanceUser)
        instance.setUser(*options.instanceUser);
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
