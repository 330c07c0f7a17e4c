// Patch documents in the application: opening, saving, reverting, recent
// files, drops and the start window. The file format here is a stand-in of
// one line, "title:<program name>", so that these tests watch the document
// handling alone.
#include "app/DocumentController.h"
#include "Toskfile/Module.h"
#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "app/ApplicationMenu.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "base/TkxException.h"
#include "canvas/GraphicView.h"
#include "canvas/TextWindowController.h"
#include "database/SigDbase.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

std::shared_ptr<SigDocument> documentTitled(const std::string& title)
{
    auto doc = std::make_shared<SigDocument>();
    auto patch = std::make_unique<SigFile>(test::bundledDbase(), doc.get());
    auto head = Module::moduleNamed("HEADM", std::string("adc"), test::bundledDbase());
    patch->addModule(head);
    patch->setHead();
    patch->setProgramName(title);
    doc->setSigFile(std::move(patch));
    return doc;
}

DocumentController::Format lineFormat()
{
    DocumentController::Format f;
    f.read = [](const std::string& bytes, const std::string&) {
        if (bytes.rfind("title:", 0) != 0)
            throw TkxException("read", "no title line");
        return documentTitled(bytes.substr(6));
    };
    f.makeNew = [] { return documentTitled("Empty"); };
    f.uploadText = [](SigDocument& d) { return "title:" + d.sigFile()->programName(); };
    f.save = [](SigDocument& d, const std::string& path) {
        if (path.find("full-disk") != std::string::npos)
            throw TkxException("writeFileAtomically", "No space left on device");
        test::writeFile(path, "title:" + d.sigFile()->programName());
    };
    return f;
}

// Each test starts with no recent files.
struct Fixture {
    MemorySettingsStore store;
    MainMenuDelegate delegate;
    std::unique_ptr<DocumentController> documents;
    QWidget start;
    test::TempDir dir;

    Fixture()
    {
        PreferenceController::setStore(&store);
        documents = std::make_unique<DocumentController>(&delegate, lineFormat());
        delegate.setDocumentController(documents.get());
        documents->setStartWindow(&start);
        start.show();
    }
    ~Fixture()
    {
        for (GraphicWindowController* w : documents->windows()) {
            w->sigDocument()->updateChangeCount(SigDocument::ChangeCleared);
            w->close();
        }
        QApplication::processEvents();
        PreferenceController::setStore(nullptr);
    }
    QString file(const std::string& name, const std::string& bytes)
    {
        test::writeFile(dir / name, bytes);
        return QString::fromStdString((dir / name).string());
    }
};

QAction* fileAction(GraphicWindowController& w, const char* name)
{
    auto* a = w.menuBar()->findChild<QAction*>(QString::fromLatin1(name));
    // Missing, the test fails on the exception rather than crashing.
    if (!a)
        throw std::runtime_error(std::string("no menu action ") + name);
    return a;
}

} // namespace

TEST(DocumentController, OpensEachFileOnceAndTheStartWindowStepsAside)
{
    Fixture f;
    const QString path = f.file("hall.sig", "title:Hall");
    GraphicWindowController* w = f.documents->openDocument(path);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "hall");
    EXPECT_EQ(w->sigFile()->programName(), "Hall");
    EXPECT_FALSE(f.start.isVisible()) << "a patch window is open";
    EXPECT_EQ(f.documents->openDocument(path), w) << "the open window comes to the front";
    EXPECT_EQ(f.documents->windows().size(), 1u);
    EXPECT_EQ(f.documents->recentDocuments(), QStringList{QFileInfo(path).canonicalFilePath()});

    QPointer<GraphicWindowController> gone = w;
    w->close();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(gone);
    EXPECT_TRUE(f.start.isVisible()) << "no patch window is open";

    // Opening again from the recent list of the start window's menu works
    // like any open; a new document is untitled.
    GraphicWindowController* untitled = f.documents->newDocument();
    EXPECT_EQ(untitled->windowTitle(), "untitled");
    EXPECT_EQ(untitled->sigFile()->programName(), "Empty");
}

TEST(DocumentController, FilesThatCannotBeOpenedAreExplained)
{
    Fixture f;
    ScopedRecordingAlerts alerts;
    const std::string missing = (f.dir / "missing.sig").string();
    EXPECT_FALSE(f.documents->openDocument(QString::fromStdString(missing)));
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].title, "ERROR");
    EXPECT_EQ(alerts.recorded[0].message,
              "The file \"" + missing + "\" could not be opened: No such file or directory");

    const QString other = f.file("notes.sig", "shopping list");
    EXPECT_FALSE(f.documents->openDocument(other));
    ASSERT_EQ(alerts.recorded.size(), 2u);
    EXPECT_EQ(alerts.recorded[1].message,
              "The file \"" + other.toStdString() + "\" could not be read as a patch: no title line");
    EXPECT_TRUE(f.documents->windows().empty());
    EXPECT_TRUE(f.documents->recentDocuments().isEmpty());
}

TEST(DocumentController, SavingClearsTheStarAndAFailedSaveChangesNothing)
{
    Fixture f;
    const QString path = f.file("hall.sig", "title:Hall");
    GraphicWindowController* w = f.documents->openDocument(path);
    w->sigFile()->setProgramName("Big Hall");
    w->documentHasChanged();
    EXPECT_EQ(w->windowTitle(), "hall*");
    fileAction(*w, "actionSave")->trigger();
    EXPECT_EQ(test::readFile(path.toStdString()), "title:Big Hall");
    EXPECT_EQ(w->windowTitle(), "hall");
    EXPECT_FALSE(w->sigDocument()->isDocumentEdited());

    // Save As to a place that fails: the user is told why, the document
    // keeps its file and its changes.
    w->sigFile()->setProgramName("Bigger Hall");
    w->documentHasChanged();
    ScopedRecordingAlerts alerts;
    ScopedScriptedFileChooser chooser;
    chooser.answers = {(f.dir / "full-disk.sig").string()};
    EXPECT_FALSE(f.documents->saveDocumentAs(*w));
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].message, "The patch \"full-disk\" could not be saved: No space left on device");
    EXPECT_EQ(w->sigDocument()->fileName(), QFileInfo(path).canonicalFilePath().toStdString());
    EXPECT_EQ(w->windowTitle(), "hall*");
    EXPECT_EQ(test::readFile(path.toStdString()), "title:Big Hall");
    EXPECT_EQ(chooser.requests[0].suggestedName, "hall.sig");

    // Save As elsewhere moves the document there.
    chooser.answers = {(f.dir / "copy.sig").string()};
    EXPECT_TRUE(f.documents->saveDocumentAs(*w));
    EXPECT_EQ(test::readFile(f.dir / "copy.sig"), "title:Bigger Hall");
    EXPECT_EQ(w->windowTitle(), "copy");
    EXPECT_EQ(f.documents->recentDocuments().first().toStdString(), (f.dir / "copy.sig").string());
    chooser.answers = {std::nullopt};
    EXPECT_FALSE(f.documents->saveDocumentAs(*w)) << "cancelled";
}

TEST(DocumentController, RevertReadsTheFileAgainAfterAsking)
{
    Fixture f;
    const QString path = f.file("hall.sig", "title:Hall");
    GraphicWindowController* w = f.documents->openDocument(path);
    EXPECT_FALSE(fileAction(*w, "actionRevert")->isEnabled()) << "nothing to revert";
    w->sigFile()->setProgramName("Changed");
    w->documentHasChanged();
    ScopedRecordingAlerts alerts;
    alerts.answers = {1, 0};
    f.documents->revertDocument(*w);
    EXPECT_EQ(w->sigFile()->programName(), "Changed") << "cancelled";
    f.documents->revertDocument(*w);
    ASSERT_EQ(alerts.recorded.size(), 2u);
    EXPECT_EQ(alerts.recorded[1].message,
              "Do you want to revert \"hall\" to the version saved last? Your changes will be lost.");
    EXPECT_EQ(w->sigFile()->programName(), "Hall");
    EXPECT_EQ(w->windowTitle(), "hall");
    EXPECT_FALSE(w->sigDocument()->isDocumentEdited());
}

TEST(DocumentController, FilesDroppedOnAWindowOpen)
{
    Fixture f;
    const QString a = f.file("a.sig", "title:A"), b = f.file("b.sig", "title:B");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl(QStringLiteral("https://example.invalid/x"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f.start, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f.start, &drop);
    ASSERT_EQ(f.documents->windows().size(), 2u);
    EXPECT_EQ(f.documents->windows()[0]->windowTitle(), "a");
    EXPECT_EQ(f.documents->windows()[1]->windowTitle(), "b");

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent words(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.documents->windows()[0], &words);
    EXPECT_FALSE(words.isAccepted());
}

TEST(DocumentController, FileMenuOfEveryWindow)
{
    Fixture f;
    QMainWindow plain;
    ApplicationMenu::build(plain.menuBar(), f.delegate);
    QStringList items;
    for (QAction* a : plain.menuBar()->actions()[0]->menu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
    EXPECT_EQ(items.join(", "), "&New, &Open..., Open &Recent, -, &Close (off), &Save (off), Save &As... (off), "
                                "Re&vert (off), -, &Preferences..., -, &Quit")
        << "a window without a patch";

    GraphicWindowController* w = f.documents->openDocument(f.file("hall.sig", "title:Hall"));
    EXPECT_TRUE(fileAction(*w, "actionSave")->isEnabled());
    EXPECT_EQ(fileAction(*w, "actionSave")->shortcut(), QKeySequence::Save);
    // The title sheet is a command of the patch, in the Patch menu.
    QAction* setTitle = fileAction(*w, "actionSetTitle");
    ASSERT_TRUE(setTitle);
    EXPECT_EQ(setTitle->parent()->objectName(), "menuPatch");
    setTitle->trigger();
    ASSERT_TRUE(w->titleSheet());
    EXPECT_TRUE(w->titleSheet()->isVisible());
    auto* titleField = w->titleSheet()->findChild<QLineEdit*>("titleField");
    ASSERT_TRUE(titleField);
    EXPECT_EQ(titleField->text(), "Hall");
    w->titleSheet()->reject();
    QPointer<GraphicWindowController> gone = w;
    fileAction(*w, "actionClose")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(gone) << "Close closes the patch window";
}

TEST(DocumentController, OpenAndSaveAsStartInThePatchFolderElseTheLastOneUsed)
{
    Fixture f;
    QMainWindow plain;
    ApplicationMenu::build(plain.menuBar(), f.delegate);
    auto* open = plain.menuBar()->findChild<QAction*>("actionOpen");
    ASSERT_TRUE(open);
    ScopedScriptedFileChooser chooser;
    open->trigger();
    std::filesystem::create_directories(f.dir / "sub");
    chooser.answers = {(f.dir / "sub" / "b.sig").string()};
    test::writeFile(f.dir / "sub" / "b.sig", "title:B");
    open->trigger();
    GraphicWindowController* a = f.documents->openDocument(f.file("a.sig", "title:A"));
    ASSERT_TRUE(a);
    open->trigger();
    fileAction(*a, "actionOpen")->trigger();
    ASSERT_EQ(f.documents->windows().size(), 2u);
    GraphicWindowController* b = f.documents->windows()[0];
    fileAction(*b, "actionSaveAs")->trigger();
    GraphicWindowController* untitled = f.documents->newDocument();
    fileAction(*untitled, "actionSaveAs")->trigger();

    const std::string home = QDir::homePath().toStdString();
    const std::string top = QFileInfo(QString::fromStdString(f.dir.path().string())).canonicalFilePath().toStdString();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"open", home},         // nothing opened yet
        {"open", home},         // then b.sig is opened from sub/
        {"open", top},          // the start window: the folder of a.sig, opened last
        {"open", top},          // a's window: a's folder
        {"save", top + "/sub"}, // b's window: b's folder
        {"save", top},          // an untitled patch: the folder used last
    };
    ASSERT_EQ(chooser.requests.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const FileRequest& r = chooser.requests[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.save ? "save" : "open", expected[i].first);
        EXPECT_EQ(r.directory, expected[i].second);
        const std::vector<std::string> filters =
            r.save ? std::vector<std::string>{"Patches (*.sig *.sif)"}
                   : std::vector<std::string>{"Patches (*.sig *.sif)", "Backups (*.bak)"};
        EXPECT_EQ(r.nameFilters, filters);
    }
}

namespace {

// The controller over real sig files and the bundled database.
struct SigFixture : Fixture {
    SigFixture()
    {
        documents = std::make_unique<DocumentController>(&delegate, sigFiles());
        delegate.setDocumentController(documents.get());
        documents->setStartWindow(&start);
    }
    static DocumentController::Format sigFiles() { return DocumentController::sigFileFormat(test::bundledDbase()); }
};

} // namespace

TEST(DocumentController, SigFilesOpenSaveWithABackupAndFailWithoutLoss)
{
    SigFixture f;
    const std::string original = test::readFile(test::dataPath("examples/demo.sig"));
    const QString path = f.file("demo.sig", original);
    GraphicWindowController* w = f.documents->openDocument(path);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "demo");
    EXPECT_EQ(w->sigFile()->programName(), "Stereo Chorus");
    EXPECT_FALSE(w->sigDocument()->isDocumentEdited()) << "stored positions: no layout";

    // The text window shows what would be sent to a unit.
    auto* showText = w->findChild<QToolButton*>("showTextBtn");
    ASSERT_TRUE(showText);
    QTest::mouseClick(showText, Qt::LeftButton);
    ASSERT_TRUE(w->textWindowController());
    EXPECT_EQ(w->textWindowController()->sigText().toStdString(), w->sigDocument()->sigDataForUpload());

    // A backup that cannot be made stops the first save: the file stays.
    std::filesystem::create_directories(f.dir / "demo.bak" / "in-the-way");
    w->sigFile()->setProgramName("Wide Chorus");
    w->documentHasChanged();
    ScopedRecordingAlerts alerts;
    EXPECT_FALSE(f.documents->saveDocument(*w));
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].message.rfind("The patch \"demo\" could not be saved: ", 0), 0u)
        << alerts.recorded[0].message;
    EXPECT_NE(alerts.recorded[0].message.find("demo.bak"), std::string::npos);
    EXPECT_EQ(test::readFile(f.dir / "demo.sig"), original);
    EXPECT_TRUE(w->sigDocument()->isDocumentEdited());
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(f.dir.path()))
        entries += e.path().filename().string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(entries, 2u) << "demo.sig and demo.bak, no temporary file left";

    std::filesystem::remove_all(f.dir / "demo.bak");
    EXPECT_TRUE(f.documents->saveDocument(*w));
    EXPECT_EQ(test::readFile(f.dir / "demo.bak"), original) << "the replaced file is kept";
    const std::string saved = test::readFile(f.dir / "demo.sig");
    EXPECT_EQ(saved, w->sigDocument()->sigData());
    EXPECT_NE(saved.find("\"Wide Chorus\""), std::string::npos);
    w->sigFile()->setProgramName("Lost Chorus");
    w->documentHasChanged();

    // A folder that cannot be written to (root writes anywhere, so this part
    // needs an ordinary user).
    if (geteuid() != 0) {
        std::filesystem::remove_all(f.dir / "demo.bak");
        std::filesystem::permissions(f.dir.path(),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_FALSE(f.documents->saveDocument(*w));
        EXPECT_EQ(alerts.recorded.size(), 2u);
        EXPECT_EQ(test::readFile(f.dir / "demo.sig"), saved);
        std::filesystem::permissions(f.dir.path(), std::filesystem::perms::owner_all);
    }
}

TEST(DocumentController, APatchWithoutPositionsIsLaidOutAndChangedOnOpening)
{
    SigFixture f;
    // The demo's records without their positions.
    std::string bytes;
    std::istringstream lines(test::readFile(test::dataPath("examples/demo.sig")));
    for (std::string line; std::getline(lines, line);) {
        size_t info = line.find(" ;=");
        bytes += (info == std::string::npos ? line.substr(0, line.size() - 1) : line.substr(0, info)) + "\r\n";
    }
    GraphicWindowController* w = f.documents->openDocument(f.file("flat.sig", bytes));
    ASSERT_TRUE(w);
    EXPECT_GT(w->sigFile()->moduleCount(), 5u);
    EXPECT_FALSE(PatchLayout::standsInOneColumn(*w->sigFile())) << "laid out";
    EXPECT_TRUE(w->sigDocument()->isDocumentEdited());
    EXPECT_EQ(w->windowTitle(), "flat*");
    EXPECT_FALSE(w->sigDocument()->undoManager().canUndo()) << "the first layout is not an edit to undo";

    GraphicWindowController* fresh = f.documents->newDocument();
    EXPECT_EQ(fresh->windowTitle(), "untitled") << "a new patch is not laid out, nor changed";
}

TEST(DocumentController, AtLaunchFilesGivenElseAnUntitledPatchWhenAsked)
{
    {
        Fixture f;
        f.documents->openAtLaunch({}, false);
        EXPECT_TRUE(f.documents->windows().empty()) << "\"CreateNewDocKey\" off: only the start window";
        EXPECT_TRUE(f.start.isVisible());
        f.documents->openAtLaunch({}, true);
        ASSERT_EQ(f.documents->windows().size(), 1u);
        EXPECT_EQ(f.documents->windows()[0]->windowTitle(), "untitled");
    }
    Fixture f;
    f.documents->openAtLaunch({f.file("a.sig", "title:A"), f.file("b.sig", "title:B")}, true);
    ASSERT_EQ(f.documents->windows().size(), 2u) << "the files, and no untitled patch";
    EXPECT_EQ(f.documents->windows()[1]->sigFile()->programName(), "B");
}
