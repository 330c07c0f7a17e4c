// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DocumentController.h"

#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "app/ApplicationMenu.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "base/TkxException.h"
#include "canvas/Latin1.h"
#include "database/SigDbase.h"
#include "editors/EditModuleController.h"
#include "editors/MiscHelpManager.h"
#include "editors/ModuleFieldTableModel.h"
#include "editors/ModuleFieldTableView.h"
#include "editors/WaveEditors.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace tosk {

namespace {

std::string text(const char* key, const char* fallback)
{
    return localized(key, fallback);
}

QString canonical(const QString& path)
{
    QFileInfo info(path);
    QString c = info.canonicalFilePath();
    return c.isEmpty() ? info.absoluteFilePath() : c;
}

QStringList droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

std::string patchFilter()
{
    return text("PatchFilter", "Patches (*.sig *.sif)");
}

} // namespace

DocumentController::Format DocumentController::sigFileFormat(std::shared_ptr<SigDbase> dbase)
{
    Format f;
    f.read = [dbase](std::string bytes, const std::string& path) {
        auto document = std::make_shared<SigDocument>();
        document->setSigDbase(dbase);
        document->setFileName(path);
        if (!document->loadDataRepresentation(std::move(bytes), SigDocument::documentType)) {
            const std::string problem = document->databaseProblem();
            throw TkxException("SigDocument.loadDataRepresentation", problem.empty() ? "not a sig file" : problem);
        }
        // What reading found (unknown operators, references to nothing) is
        // told before the window opens.
        Alerts::show(document->sigFile()->takeProblems());
        return document;
    };
    f.makeNew = [dbase] {
        auto document = std::make_shared<SigDocument>();
        document->initWithData(std::nullopt, std::nullopt, std::nullopt, dbase);
        // A database without a head or tail operator says so.
        Alerts::show(document->sigFile()->takeProblems());
        return document;
    };
    f.save = [](SigDocument& document, const std::string& path) { document.writeToFile(path); };
    f.uploadText = [](SigDocument& document) { return document.sigDataForUpload(); };
    return f;
}

DocumentController::DocumentController(MainMenuDelegate* delegate, Format format, QObject* parent)
    : QObject(parent), delegate_(delegate), format_(std::move(format))
{
}

DocumentController::~DocumentController() = default;

void DocumentController::setStartWindow(QWidget* window)
{
    startWindow_ = window;
    acceptDrops(window);
}

void DocumentController::acceptDrops(QWidget* window)
{
    if (!window)
        return;
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool DocumentController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!droppedFiles(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList files = droppedFiles(drop->mimeData());
        if (!files.isEmpty()) {
            drop->acceptProposedAction();
            openDocuments(files);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::vector<GraphicWindowController*> DocumentController::windows() const
{
    std::vector<GraphicWindowController*> open;
    for (const auto& w : windows_)
        if (w)
            open.push_back(w);
    return open;
}

GraphicWindowController* DocumentController::windowForPath(const QString& path) const
{
    const QString wanted = canonical(path);
    for (GraphicWindowController* w : windows()) {
        const std::string& name = w->sigDocument()->fileName();
        if (!name.empty() && canonical(QString::fromStdString(name)) == wanted)
            return w;
    }
    return nullptr;
}

GraphicWindowController* DocumentController::makeWindow(std::shared_ptr<SigDocument> document, bool actualSize)
{
    GraphicWindowController::Hooks hooks;
    if (delegate_)
        hooks.buildMenu = [delegate = delegate_](QMenuBar* bar) { ApplicationMenu::build(bar, *delegate); };
    hooks.save = [this](GraphicWindowController& w) { return saveDocument(w); };
    hooks.uploadText = format_.uploadText;
    hooks.closing = [this](GraphicWindowController& w) { windowClosing(w); };
    hooks.editSpecific = [](GraphicWindowController& w, Module& module) {
        WaveEditors::open(w.document(), module, &w);
    };
    hooks.inspectModule = [](GraphicWindowController& w, Module& module) { EditModuleController::open(w, module); };
    hooks.operatorReference = [](GraphicWindowController&, Module& module) {
        MiscHelpManager::sharedHelpManager().showModuleHelp(module);
    };
    if (delegate_)
        hooks.addModule = [delegate = delegate_](GraphicWindowController& w) { delegate->addModuleSearchAction(&w); };
    hooks.showInInspector = [](GraphicWindowController&, Module& module, const ModuleField* field) {
        EditModuleController* inspector = EditModuleController::controllerFor(module);
        if (!inspector)
            return;
        const int row = field ? inspector->model()->rowOfField(field) : -1;
        if (row >= 0)
            inspector->tableView()->selectRow(row);
        else
            inspector->tableView()->clearSelection();
    };
    auto* window = new GraphicWindowController(std::move(document), std::move(hooks));
    window->setOpensAtActualSize(actualSize);
    acceptDrops(window);
    windows_.emplace_back(window);
    connect(window, &QObject::destroyed, this, &DocumentController::windowGone, Qt::QueuedConnection);
    emit windowOpened(window);
    window->show();
    if (startWindow_)
        startWindow_->hide();
    return window;
}

void DocumentController::windowClosing(GraphicWindowController& window)
{
    if (SigDocument* document = window.sigDocument()) {
        EditModuleController::closePanelsOf(*document);
        WaveEditors::closeEditorsOf(*document);
    }
    emit windowClosed(&window);
    // Shown before the patch window hides, so that the application never
    // stands without a window and quits: only Quit quits.
    if (!startWindow_ || (delegate_ && delegate_->isTerminating()))
        return;
    for (GraphicWindowController* other : windows())
        if (other != &window && other->isVisible())
            return;
    startWindow_->show();
}

void DocumentController::windowGone()
{
    std::erase_if(windows_, [](const auto& w) { return w.isNull(); });
}

void DocumentController::openAtLaunch(const QStringList& files, bool untitled)
{
    if (!files.isEmpty())
        openDocuments(files);
    else if (untitled)
        newDocument();
}

GraphicWindowController* DocumentController::newDocument()
{
    if (!format_.makeNew)
        return nullptr;
    return makeWindow(format_.makeNew(), true);
}

GraphicWindowController* DocumentController::openUntitledDocument(const std::string& bytes, const std::string& name,
                                                                  const std::string& suggestedFile)
{
    if (!format_.read)
        return nullptr;
    std::shared_ptr<SigDocument> document;
    auto cannotRead = [&](const std::string& reason) {
        Alerts::error(format(text("NotAPatchText", "The patch \"%s\" could not be read: %s").c_str(),
                             Latin1::qstring(name).toUtf8().constData(), reason.c_str()));
    };
    try {
        document = format_.read(bytes, std::string());
    } catch (const TkxException& e) {
        cannotRead(e.reason());
        return nullptr;
    } catch (const std::exception& e) {
        cannotRead(e.what());
        return nullptr;
    }
    // Without a file, Save asks where to write it.
    document->setFileName(std::string());
    document->setDisplayName(name.empty() ? std::string("untitled") : name);
    document->setSuggestedFileName(suggestedFile);
    document->markUnrecoverableChange();
    return makeWindow(std::move(document));
}

std::shared_ptr<SigDocument> DocumentController::readDocument(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Alerts::error(format(text("CannotOpen", "The file \"%s\" could not be opened: %s").c_str(),
                             path.toLocal8Bit().constData(), file.errorString().toLocal8Bit().constData()));
        return nullptr;
    }
    // Read straight into the text the document keeps: a large patch's
    // bytes are not copied on their way in.
    std::string bytes(file.isSequential() ? 0 : size_t(std::max<qint64>(file.size(), 0)), '\0');
    bytes.resize(size_t(std::max<qint64>(file.read(bytes.data(), qint64(bytes.size())), 0)));
    // Whatever a pipe holds, or a file that grew since its size was asked.
    const QByteArray rest = file.readAll();
    bytes.append(rest.constData(), size_t(rest.size()));
    try {
        return format_.read(std::move(bytes), path.toStdString());
    } catch (const TkxException& e) {
        Alerts::error(format(text("NotAPatch", "The file \"%s\" could not be read as a patch: %s").c_str(),
                             path.toLocal8Bit().constData(), e.reason().c_str()));
    } catch (const std::exception& e) {
        // Called from menu actions and drops: nothing may leave a Qt slot.
        Alerts::error(format(text("NotAPatch", "The file \"%s\" could not be read as a patch: %s").c_str(),
                             path.toLocal8Bit().constData(), e.what()));
    }
    return nullptr;
}

GraphicWindowController* DocumentController::openDocument(const QString& path)
{
    if (GraphicWindowController* open = windowForPath(path)) {
        open->raise();
        open->activateWindow();
        return open;
    }
    if (!format_.read)
        return nullptr;
    auto document = readDocument(path);
    if (!document)
        return nullptr;
    document->setFileName(canonical(path).toStdString());
    noteRecent(canonical(path));
    return makeWindow(std::move(document));
}

GraphicWindowController* DocumentController::openRecentDocument(const QString& path, QWidget* parent)
{
    const QFileInfo info(path);
    if (!info.isFile() && !windowForPath(path)) {
        logf("DocumentController.openRecentDocument: %s is missing", path.toUtf8().constData());
        Alerts::error(format(text("WelcomeRecentMissing",
                                  "The patch \"%s\" is no longer at %s: it was moved, renamed or deleted, or its "
                                  "disk is not mounted. It stays in the list of recent patches until you clear it.")
                                 .c_str(),
                             info.fileName().toUtf8().constData(), info.absolutePath().toUtf8().constData()),
                      parent);
        return nullptr;
    }
    return openDocument(path);
}

void DocumentController::openDocuments(const QStringList& paths)
{
    for (const QString& path : paths)
        openDocument(path);
}

GraphicWindowController* DocumentController::openRecovered(const std::string& patchText,
                                                           const std::string& originalPath)
{
    if (!format_.read)
        return nullptr;
    // Named like the file it came from, as every document is.
    const std::string name =
        originalPath.empty() ? std::string("untitled") : std::filesystem::path(originalPath).stem().string();
    std::shared_ptr<SigDocument> document;
    try {
        document = format_.read(patchText, "");
    } catch (const std::exception& e) {
        const TkxException* tkx = dynamic_cast<const TkxException*>(&e);
        Alerts::error(format(text("NotRecovered", "The patch \"%s\" could not be recovered: %s").c_str(), name.c_str(),
                             tkx ? tkx->reason().c_str() : e.what()));
        return nullptr;
    }
    document->setFileName("");
    document->setDisplayName(format(text("RecoveredName", "%s (recovered)").c_str(), name.c_str()));
    document->setRecoveredFrom(originalPath);
    // Its changes are on no file: it stays changed until saved.
    document->markUnrecoverableChange();
    return makeWindow(std::move(document));
}

void DocumentController::openDocumentWithChooser(QWidget* parent)
{
    FileRequest request;
    request.title = text("OpenPatch", "Open a patch");
    request.fileTypes = {"sig", "sif", "bak"};
    request.nameFilters = {patchFilter(), text("BackupFilter", "Backups (*.bak)")};
    request.directory = startFolder(parent);
    request.window = parent;
    if (auto path = FileChooser::shared().choose(request))
        openDocument(QString::fromStdString(*path));
}

void DocumentController::compareWithChooser(GraphicWindowController& window)
{
    FileRequest request;
    request.title = text("DiffPatch", "Compare with a patch");
    request.fileTypes = {"sig", "sif", "bak"};
    request.nameFilters = {patchFilter(), text("BackupFilter", "Backups (*.bak)")};
    request.directory = startFolder(&window);
    request.window = &window;
    if (auto path = FileChooser::shared().choose(request))
        compareWithFile(window, QString::fromStdString(*path));
}

CompareWindow* DocumentController::compareWithSaved(GraphicWindowController& window)
{
    SigDocument* document = window.sigDocument();
    if (!document || document->fileName().empty())
        return nullptr;
    return compareWithFile(window, QString::fromStdString(document->fileName()));
}

CompareWindow* DocumentController::compareWithFile(GraphicWindowController& window, const QString& path)
{
    if (!format_.read || !window.sigFile())
        return nullptr;
    std::shared_ptr<SigDocument> other = readDocument(path);
    if (!other || !other->sigFile())
        return nullptr;
    const bool saved = window.sigDocument()->fileName() == canonical(path).toStdString();
    return window.openCompareWindow(std::move(other),
                                    saved ? QString::fromStdString(text("DiffSavedName", "the saved file"))
                                          : QFileInfo(path).fileName());
}

std::string DocumentController::startFolder(QWidget* window) const
{
    if (auto* patchWindow = qobject_cast<GraphicWindowController*>(window))
        if (SigDocument* document = patchWindow->sigDocument(); document && !document->fileName().empty())
            return QFileInfo(QString::fromStdString(document->fileName())).absolutePath().toStdString();
    if (auto* patchWindow = qobject_cast<GraphicWindowController*>(window))
        if (SigDocument* document = patchWindow->sigDocument(); document && !document->recoveredFrom().empty())
            return QFileInfo(QString::fromStdString(document->recoveredFrom())).absolutePath().toStdString();
    const QStringList recent = recentDocuments();
    if (!recent.isEmpty())
        return QFileInfo(recent.first()).absolutePath().toStdString();
    return QDir::homePath().toStdString();
}

DocumentController::ReplaceAnswer DocumentController::askToReplaceDegradedFile(GraphicWindowController& window)
{
    SigDocument* document = window.sigDocument();
    std::string message =
        text("ReplaceDegraded", "Replace the file with what could be read?") + "\n\n" +
        format(text("ReadWithErrorsDetail", "\"%s\" was read with errors:").c_str(),
               QFileInfo(QString::fromStdString(document->fileName())).fileName().toUtf8().constData());
    // The problems name bytes of the file, which are Latin-1.
    constexpr size_t kShown = 5;
    const std::vector<std::string> none;
    const auto& problems = document->sigFile() ? document->sigFile()->readProblems() : none;
    for (size_t i = 0; i < problems.size() && i < kShown; ++i)
        message.append("\n").append(Latin1::qstring(problems[i]).toStdString());
    if (problems.size() > kShown)
        message.append("\n").append(format(text("AndMore", "and %zu more").c_str(), problems.size() - kShown));
    message.append("\n\n").append(text("ReplaceLoses",
                                       "What could not be read is lost from the file if it is replaced. "
                                       "Save As... keeps the file as it is."));
    const int answer = Alerts::show(
        AlertStyle::Warning, text("ALERT", "ALERT"), message,
        {text("SaveAsButton", "Save As..."), text("Replace", "Replace"), text("CANCEL", "Cancel")}, &window);
    return answer == 0 ? ReplaceAnswer::SaveAs : answer == 1 ? ReplaceAnswer::Replace : ReplaceAnswer::Cancel;
}

bool DocumentController::saveDocument(GraphicWindowController& window)
{
    SigDocument* document = window.sigDocument();
    if (!document || !format_.save)
        return false;
    if (document->fileName().empty())
        return saveDocumentAs(window);
    // A document read with errors has a name until it is first saved: the
    // file it was read from, which still holds what could not be read.
    if (document->loadStatus() == SigDocument::LoadStatus::Degraded) {
        switch (askToReplaceDegradedFile(window)) {
        case ReplaceAnswer::Replace:
            break;
        case ReplaceAnswer::SaveAs:
            return saveDocumentAs(window);
        case ReplaceAnswer::Cancel:
            return false;
        }
    }
    return writeDocument(window, document->fileName());
}

bool DocumentController::saveDocumentAs(GraphicWindowController& window)
{
    SigDocument* document = window.sigDocument();
    if (!document || !format_.save)
        return false;
    FileRequest request;
    request.save = true;
    request.title = text("SavePatch", "Save the patch");
    if (!document->suggestedFileName().empty())
        request.suggestedName = document->suggestedFileName();
    else if (document->fileName().empty() && !document->recoveredFrom().empty())
        request.suggestedName = QFileInfo(QString::fromStdString(document->recoveredFrom())).fileName().toStdString();
    else
        request.suggestedName = document->displayName() + ".sig";
    request.fileTypes = {"sig"};
    request.nameFilters = {patchFilter()};
    request.directory = startFolder(&window);
    request.window = &window;
    auto path = FileChooser::shared().choose(request);
    if (!path)
        return false;
    // Choosing the very file that was read with errors is saving over it.
    if (document->loadStatus() == SigDocument::LoadStatus::Degraded && !document->fileName().empty() &&
        canonical(QString::fromStdString(*path)) == canonical(QString::fromStdString(document->fileName()))) {
        switch (askToReplaceDegradedFile(window)) {
        case ReplaceAnswer::Replace:
            break;
        case ReplaceAnswer::SaveAs:
            return saveDocumentAs(window);
        case ReplaceAnswer::Cancel:
            return false;
        }
    }
    return writeDocument(window, *path);
}

bool DocumentController::writeDocument(GraphicWindowController& window, const std::string& path)
{
    SigDocument* document = window.sigDocument();
    const std::string previous = document->fileName();
    const std::string previousName = document->displayName();
    document->setFileName(path);
    auto cannotSave = [&](const std::string& name, const std::string& reason) {
        logf("DocumentController.saveDocument: exception %s - %s", name.c_str(), reason.c_str());
        Alerts::error(format(text("CannotSave", "The patch \"%s\" could not be saved: %s").c_str(),
                             document->displayName().c_str(), reason.c_str()),
                      &window);
        // The patch still belongs where it came from.
        document->setFileName(previous);
        document->setDisplayName(previousName);
        window.updateTitle();
        return false;
    };
    try {
        format_.save(*document, path);
    } catch (const TkxException& e) {
        return cannotSave(e.name(), e.reason());
    } catch (const std::exception& e) {
        return cannotSave("std::exception", e.what());
    }
    document->updateChangeCount(SigDocument::ChangeCleared);
    document->noteSaved();
    window.updateTitle();
    noteRecent(QString::fromStdString(document->fileName()));
    emit documentSaved(&window);
    return true;
}

void DocumentController::revertDocument(GraphicWindowController& window)
{
    SigDocument* document = window.sigDocument();
    if (!document || document->fileName().empty() || !document->isDocumentEdited())
        return;
    const std::string question =
        format(text("RevertQuestion", "Do you want to revert \"%s\" to the version saved last? Your changes will be "
                                      "lost.")
                   .c_str(),
               document->displayName().c_str());
    if (Alerts::show(AlertStyle::Warning, text("ALERT", "ALERT"), question,
                     {text("Revert", "Revert"), text("CANCEL", "Cancel")}, &window) != 0)
        return;
    const QString path = QString::fromStdString(document->fileName());
    auto reread = readDocument(path);
    if (!reread)
        return;
    reread->setFileName(path.toStdString());
    reread->continueSessionOf(*document);
    // The panels show modules of the patch as it was.
    EditModuleController::closePanelsOf(*document);
    WaveEditors::closeEditorsOf(*document);
    window.replaceDocument(std::move(reread));
    emit documentReverted(&window);
}

QStringList DocumentController::recentDocuments() const
{
    auto stored = PreferenceController::shared().store().value(kRecentKey);
    if (!stored || stored->empty())
        return {};
    return QString::fromStdString(*stored).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void DocumentController::noteRecent(const QString& path)
{
    QStringList list = recentDocuments();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecent)
        list.removeLast();
    PreferenceController::shared().store().setValue(kRecentKey, list.join(QLatin1Char('\n')).toStdString());
    emit recentDocumentsChanged();
}

void DocumentController::clearRecentDocuments()
{
    PreferenceController::shared().store().setValue(kRecentKey, "");
    emit recentDocumentsChanged();
}

} // namespace tosk
