// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "canvas/GraphicWindowController.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tosk {

class CompareWindow;
class MainMenuDelegate;
class SigDbase;
class SigDocument;

// Opens, saves and closes patch documents, one window each: File ▸ New,
// Open…, Open Recent, Close, Save, Save As… and Revert, files dropped on a
// window or named on the command line, and the start window while no patch
// window is open.
class DocumentController : public QObject {
    Q_OBJECT

public:
    // How documents are made from files and written to them. `read` and
    // `save` throw TkxException with a reason a person can act on; a save
    // that throws has left the file as it was.
    struct Format {
        std::function<std::shared_ptr<SigDocument>(std::string bytes, const std::string& path)> read;
        std::function<std::shared_ptr<SigDocument>()> makeNew;
        std::function<void(SigDocument&, const std::string& path)> save;
        std::function<std::string(SigDocument&)> uploadText;
    };

    // Patches as sig files: read with the database given (none: the shared
    // one), saved atomically keeping the replaced file as ".bak".
    static Format sigFileFormat(std::shared_ptr<SigDbase> dbase = nullptr);

    static constexpr int kMaxRecent = 10;
    static constexpr const char* kRecentKey = "RecentDocuments";

    DocumentController(MainMenuDelegate* delegate, Format format, QObject* parent = nullptr);
    ~DocumentController() override;

    // The window shown while no patch window is open (not owned).
    void setStartWindow(QWidget* window);
    // Lets files dropped on the window open as patches.
    void acceptDrops(QWidget* window);

    // At launch: the files named on the command line, else an untitled
    // patch when `untitled` (the "CreateNewDocKey" setting) says so.
    void openAtLaunch(const QStringList& files, bool untitled);
    GraphicWindowController* newDocument();
    // A patch that comes from elsewhere than a file (a unit, a browser) in a
    // window of its own, changed and untitled: `name` is shown, and
    // `suggestedFile` only offered by the first Save. Tells the user why
    // when the text cannot be read (null then).
    GraphicWindowController* openUntitledDocument(const std::string& bytes, const std::string& name,
                                                  const std::string& suggestedFile);
    // Opens the file, or brings its window to the front when it is open;
    // tells the user why when it cannot. Null when nothing opened.
    GraphicWindowController* openDocument(const QString& path);
    // A patch from the recent list: when its file is gone, says so in the
    // recent list's words (the list keeps it); otherwise openDocument.
    GraphicWindowController* openRecentDocument(const QString& path, QWidget* parent);
    void openDocuments(const QStringList& paths);
    // A patch text kept by autosave, opened as a changed untitled patch
    // that remembers the file it came from (`originalPath`, "" for none)
    // for Save As. Null, after telling the user why, when it cannot be read.
    GraphicWindowController* openRecovered(const std::string& patchText, const std::string& originalPath);
    // Asks for a file to open, starting in the folder of the patch of
    // `parent` (else the last folder used).
    void openDocumentWithChooser(QWidget* parent);
    // File > Compare With...: the window's patch with a sig file chosen.
    void compareWithChooser(GraphicWindowController& window);
    // File > Compare with Saved: the window's patch with its own file.
    CompareWindow* compareWithSaved(GraphicWindowController& window);
    // The window's patch with the file; none, after telling the user why,
    // when the file cannot be read.
    CompareWindow* compareWithFile(GraphicWindowController& window, const QString& path);
    // False when the document was not saved (the user was told why, or
    // said no). A document read with errors replaces the file it was read
    // from only after the user agreed.
    bool saveDocument(GraphicWindowController& window);
    bool saveDocumentAs(GraphicWindowController& window);
    // Reads the file again, after asking, dropping the changes.
    void revertDocument(GraphicWindowController& window);

    // Where the open and save panels start: the folder of the window's
    // patch, else that of the patch opened or saved last, else home.
    std::string startFolder(QWidget* window) const;

    std::vector<GraphicWindowController*> windows() const;
    GraphicWindowController* windowForPath(const QString& path) const;
    QStringList recentDocuments() const;
    void clearRecentDocuments();

signals:
    void recentDocumentsChanged();
    // A patch window was made, before it shows.
    void windowOpened(GraphicWindowController* window);
    // The window's document was written to its file.
    void documentSaved(GraphicWindowController* window);
    // The window shows its file read again, its changes dropped.
    void documentReverted(GraphicWindowController* window);
    // The window agreed to close: its changes were saved or given up.
    void windowClosed(GraphicWindowController* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A new patch opens at actual size; one read from somewhere is fitted.
    GraphicWindowController* makeWindow(std::shared_ptr<SigDocument> document, bool actualSize = false);
    std::shared_ptr<SigDocument> readDocument(const QString& path);
    void noteRecent(const QString& path);
    // A patch window agreed to close: the last one brings back the start
    // window (unless the application is quitting).
    void windowClosing(GraphicWindowController& window);
    void windowGone();
    // Saves to `path`, which becomes the document's file; on failure the
    // document keeps its file and name and the user is told why.
    bool writeDocument(GraphicWindowController& window, const std::string& path);
    // Before the first save over the file a document was read from with
    // errors: the user replaces it, saves elsewhere, or keeps it.
    enum class ReplaceAnswer { Replace, SaveAs, Cancel };
    ReplaceAnswer askToReplaceDegradedFile(GraphicWindowController& window);

    MainMenuDelegate* delegate_;
    Format format_;
    QPointer<QWidget> startWindow_;
    std::vector<QPointer<GraphicWindowController>> windows_;
};

} // namespace tosk
