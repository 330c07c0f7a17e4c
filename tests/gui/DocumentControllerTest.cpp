// SPDX-License-Identifier: GPL-3.0-or-later
// Patch documents in the application: opening, saving, reverting, recent
// files, drops and the start window. Most tests read a stand-in format of
// one line, "title:<program name>", so that they watch the document handling
// alone; the faults that lost a user's patch are reproduced over real sig
// files, as the user met them.
#include "Toskfile/Module.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/PatchLayout.h"
#include "app/ApplicationMenu.h"
#include "app/StartWindow.h"
#include "base/TkxException.h"
#include "canvas/GraphicView.h"
#include "gui/AppTestSupport.h"

#include <QDialog>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <map>
#include <new>
#include <random>
#include <stdexcept>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<SigDocument> documentTitled(const std::string& title)
{
    auto doc = std::make_shared<SigDocument>();
    auto patch = std::make_unique<SigFile>(bundledDbase(), doc.get());
    patch->addModule(Module::moduleNamed("HEADM", std::string("adc"), bundledDbase()));
    patch->setHead();
    patch->setProgramName(title);
    doc->setSigFile(std::move(patch));
    return doc;
}

DocumentController::Format lineFormat()
{
    DocumentController::Format f;
    f.read = [](const std::string& bytes, const std::string&) {
        if (bytes == "crash") // whatever a reader throws becomes an alert too
            throw std::runtime_error("the reader ran out of room");
        if (bytes.rfind("title:", 0) != 0)
            throw TkxException("read", "no title line");
        return documentTitled(bytes.substr(6));
    };
    f.makeNew = [] { return documentTitled("Empty"); };
    f.uploadText = [](SigDocument& d) { return "title:" + d.sigFile()->programName(); };
    f.save = [](SigDocument& d, const std::string& path) {
        if (path.find("full-disk") != std::string::npos)
            throw TkxException("writeFileAtomically", "No space left on device");
        if (path.find("no-memory") != std::string::npos)
            throw std::bad_alloc();
        writeFile(path, "title:" + d.sigFile()->programName());
    };
    return f;
}

// The application as it starts, with no recent files and the start window
// on screen; an Editor reads real sig files with `db`.
struct Fixture : App {
    std::unique_ptr<StartWindow> start = std::make_unique<StartWindow>(delegate, DatabaseSummary{});
    explicit Fixture(DocumentController::Format format = lineFormat()) : App(std::move(format))
    {
        documents->setStartWindow(start.get());
        start->show();
    }
    ~Fixture() { closeWindows(); }
};
struct Editor : Fixture {
    explicit Editor(std::shared_ptr<SigDbase> db) : Fixture(DocumentController::sigFileFormat(std::move(db))) {}
};

void rename(GraphicWindowController& w, const char* title)
{
    ASSERT_TRUE(w.sigDocument());
    ASSERT_TRUE(PatchEditor(*w.sigDocument()).setTitleAndAuthor(title, w.sigFile()->author()));
}

const std::string kDemo = readFile(dataPath("examples/demo.sig"));

} // namespace

TEST(DocumentController, FilesThatCannotBeOpenedAreExplainedOthersOpenOnceAndTheStartWindowStepsAside)
{
    Fixture f;
    ScopedRecordingAlerts alerts;
    const std::string missing = (f.dir / "missing.sig").string();
    const QString notes = f.file("notes.sig", "shopping list"), crash = f.file("crash.sig", "crash");
    for (const QString& path : {QString::fromStdString(missing), notes, crash})
        EXPECT_FALSE(f.documents->openDocument(path));
    auto error = [](const std::string& text) { return "Critical | ERROR | The file \"" + text + " | OK"; };
    EXPECT_EQ(alertLines(alerts.recorded),
              (std::vector<std::string>{
                  error(missing + "\" could not be opened: No such file or directory"),
                  error(notes.toStdString() + "\" could not be read as a patch: no title line"),
                  error(crash.toStdString() + "\" could not be read as a patch: the reader ran out of room")}));
    EXPECT_TRUE(f.documents->windows().empty());
    EXPECT_TRUE(f.documents->recentDocuments().isEmpty());
    const QString path = f.file("hall.sig", "title:Hall");
    GraphicWindowController* w = f.documents->openDocument(path);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "hall");
    EXPECT_FALSE(f.start->isVisible()) << "a patch window is open";
    EXPECT_EQ(f.documents->openDocument(path), w) << "the open window comes to the front";
    EXPECT_EQ(f.documents->windows().size(), 1u);
    EXPECT_EQ(f.documents->recentDocuments(), QStringList{QFileInfo(path).canonicalFilePath()});
}

TEST(DocumentController, SavingClearsTheStarAFailedSaveChangesNothingAndRevertAsks)
{
    Fixture f;
    const QString path = f.file("hall.sig", "title:Hall");
    GraphicWindowController* w = f.documents->openDocument(path);
    rename(*w, "Big Hall");
    EXPECT_EQ(w->windowTitle(), "hall*");
    menuAction(*w, "actionSave")->trigger();
    EXPECT_EQ(readFile(path.toStdString()), "title:Big Hall");
    EXPECT_EQ(w->windowTitle(), "hall");

    // Save As to places that fail: the user is told why, the document
    // keeps its file and its changes.
    rename(*w, "Bigger Hall");
    ScopedRecordingAlerts alerts;
    ScopedScriptedFileChooser chooser;
    chooser.answers = {(f.dir / "full-disk.sig").string(), (f.dir / "no-memory.sig").string()};
    EXPECT_FALSE(f.documents->saveDocumentAs(*w));
    EXPECT_FALSE(f.documents->saveDocumentAs(*w));
    ASSERT_EQ(alerts.recorded.size(), 2u);
    EXPECT_EQ(alerts.recorded[0].message, "The patch \"full-disk\" could not be saved: No space left on device");
    EXPECT_EQ(alerts.recorded[1].message, "The patch \"no-memory\" could not be saved: std::bad_alloc");
    EXPECT_EQ(w->sigDocument()->fileName(), QFileInfo(path).canonicalFilePath().toStdString());
    EXPECT_EQ(w->windowTitle(), "hall*");
    EXPECT_EQ(readFile(path.toStdString()), "title:Big Hall");

    // Save As elsewhere moves the document there.
    chooser.answers = {(f.dir / "copy.sig").string()};
    EXPECT_TRUE(f.documents->saveDocumentAs(*w));
    EXPECT_EQ(readFile(f.dir / "copy.sig"), "title:Bigger Hall");
    EXPECT_EQ(w->windowTitle(), "copy");
    EXPECT_EQ(f.documents->recentDocuments().first().toStdString(), (f.dir / "copy.sig").string());
    chooser.answers = {std::nullopt};
    EXPECT_FALSE(f.documents->saveDocumentAs(*w)) << "cancelled";

    // Revert reads the file again after asking.
    EXPECT_FALSE(menuAction(*w, "actionRevert")->isEnabled()) << "nothing to revert";
    rename(*w, "Changed");
    alerts.recorded.clear();
    alerts.answers = {1, 0};
    f.documents->revertDocument(*w);
    EXPECT_EQ(w->sigFile()->programName(), "Changed") << "cancelled";
    f.documents->revertDocument(*w);
    ASSERT_EQ(alerts.recorded.size(), 2u);
    EXPECT_EQ(alerts.recorded[1].message,
              "Do you want to revert \"copy\" to the version saved last? Your changes will be lost.");
    EXPECT_EQ(w->sigFile()->programName(), "Bigger Hall");
    EXPECT_EQ(w->windowTitle(), "copy");
}

TEST(DocumentController, FilesDroppedOnAWindowOpen)
{
    Fixture f;
    const QString a = f.file("a.sig", "title:A"), b = f.file("b.sig", "title:B");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl(QStringLiteral("https://example.invalid/x"))});
    EXPECT_TRUE(dropOn(f.start.get(), data, QPoint(5, 5)));
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
                                "Re&vert (off), -, Co&mpare With... (off), Compare with Save&d (off), -, "
                                "&Export Picture... (off), -, &Preferences..., -, &Quit")
        << "a window without a patch";

    GraphicWindowController* w = f.documents->openDocument(f.file("hall.sig", "title:Hall"));
    ASSERT_TRUE(w);
    EXPECT_TRUE(menuAction(*w, "actionSave")->isEnabled());
    // The title sheet is a command of the patch, in the Patch menu.
    QAction* setTitle = menuAction(*w, "actionSetTitle");
    EXPECT_EQ(setTitle->parent()->objectName(), "menuPatch");
    setTitle->trigger();
    ASSERT_TRUE(w->titleSheet() && w->titleSheet()->isVisible());
    w->titleSheet()->reject();
    QPointer<GraphicWindowController> gone = w;
    menuAction(*w, "actionClose")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(gone) << "Close closes the patch window";
}

TEST(DocumentController, OpenAndSaveAsStartInThePatchFolderElseTheLastOneUsed)
{
    Fixture f;
    QMainWindow plain;
    ApplicationMenu::build(plain.menuBar(), f.delegate);
    QAction* open = menuAction(plain, "actionOpen");
    ScopedScriptedFileChooser chooser;
    open->trigger();
    std::filesystem::create_directories(f.dir / "sub");
    chooser.answers = {(f.dir / "sub" / "b.sig").string()};
    writeFile(f.dir / "sub" / "b.sig", "title:B");
    open->trigger();
    GraphicWindowController* a = f.documents->openDocument(f.file("a.sig", "title:A"));
    ASSERT_TRUE(a);
    open->trigger();
    menuAction(*a, "actionOpen")->trigger();
    ASSERT_EQ(f.documents->windows().size(), 2u);
    GraphicWindowController* b = f.documents->windows()[0];
    menuAction(*b, "actionSaveAs")->trigger();
    GraphicWindowController* untitled = f.documents->newDocument();
    menuAction(*untitled, "actionSaveAs")->trigger();

    const std::string home = QDir::homePath().toStdString();
    const std::string top = QFileInfo(QString::fromStdString(f.dir.path().string())).canonicalFilePath().toStdString();
    // "open|save folder | filters... [as suggested name]" of each panel.
    std::vector<std::string> panels;
    for (const FileRequest& r : chooser.requests) {
        panels.push_back((r.save ? "save " : "open ") + r.directory);
        for (const std::string& filter : r.nameFilters)
            panels.back() += " | " + filter;
        if (r.save)
            panels.back() += " as " + r.suggestedName;
    }
    const std::string toOpen = " | Patches (*.sig *.sif) | Backups (*.bak)", toSave = " | Patches (*.sig *.sif) as ";
    EXPECT_EQ(panels, (std::vector<std::string>{
                          "open " + home + toOpen,                   // nothing opened yet
                          "open " + home + toOpen,                   // then b.sig is opened from sub/
                          "open " + top + toOpen,                    // the start window: a.sig's folder, opened last
                          "open " + top + toOpen,                    // a's window: a's folder
                          "save " + top + "/sub" + toSave + "b.sig", // b's window: b's folder
                          "save " + top + toSave + "untitled.sig",   // an untitled patch: the folder used last
                      }));
}

TEST(DocumentController, AtLaunchFilesGivenElseAnUntitledPatchWhenAsked)
{
    Fixture f;
    f.documents->openAtLaunch({}, false);
    EXPECT_TRUE(f.documents->windows().empty()) << "\"CreateNewDocKey\" off: only the start window";
    EXPECT_TRUE(f.start->isVisible());
    f.documents->openAtLaunch({f.file("a.sig", "title:A"), f.file("b.sig", "title:B")}, true);
    ASSERT_EQ(f.documents->windows().size(), 2u) << "the files, and no untitled patch";
    EXPECT_EQ(f.documents->windows()[1]->windowTitle(), "b");
    f.documents->openAtLaunch({}, true);
    ASSERT_EQ(f.documents->windows().size(), 3u);
    EXPECT_EQ(f.documents->windows()[2]->windowTitle(), "untitled");
}

TEST(DocumentController, TheWindowMenuListsOpenWindowsAndSwitchesBetweenThem)
{
    Fixture f;
    GraphicWindowController* hall = f.documents->openDocument(f.file("hall.sig", "title:Hall"));
    GraphicWindowController* room = f.documents->openDocument(f.file("room.sig", "title:Room"));
    ASSERT_TRUE(hall);
    ASSERT_TRUE(room);
    rename(*room, "Big Room");
    auto* menu = hall->menuBar()->findChild<QMenu*>(QStringLiteral("menuWindow"));
    ASSERT_TRUE(menu);
    auto listed = [menu] {
        emit menu->aboutToShow();
        std::map<QString, QAction*> items;
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String("actionWindowItem"))
                items[a->text()] = a;
        return items;
    };
    auto items = listed();
    ASSERT_EQ(items.count(QStringLiteral("room*")), 1u) << "a window with changes shows its star";
    ASSERT_EQ(items.count(QStringLiteral("hall")), 1u);
    EXPECT_TRUE(items[QStringLiteral("hall")]->isChecked()) << "the menu's own window";
    EXPECT_FALSE(items[QStringLiteral("room*")]->isChecked());
    const size_t count = items.size();
    items = listed();
    EXPECT_EQ(items.size(), count) << "opening the menu again lists each window once";

    items[QStringLiteral("room*")]->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == room; }));
    // Ctrl+` goes on to the next patch window, and round again.
    QAction* next = menuAction(*room, "actionNextPatchWindow");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft));
    next->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() != room; }));
    EXPECT_EQ(QApplication::activeWindow(), hall);
}

TEST(PatchLossRegression, WithoutADatabaseNoPatchOpens)
{
    auto broken = std::make_shared<SigDbase>(); // never loaded
    broken->setFullPathName("/nowhere/sigdbase.sbf");
    Editor editor(broken);
    const QString path = editor.file("demo.sig", kDemo);
    ScopedRecordingAlerts alerts;
    GraphicWindowController* w = editor.documents->openDocument(path);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Critical | ERROR | The file \"" + path.toStdString() +
                                       "\" could not be read as a patch: no operator database is loaded (\"" +
                                       "/nowhere/sigdbase.sbf\" did not load) | OK"});
}

// What reading found marks the title; a patch opened unchanged closes without
// a question and leaves its file alone.
TEST(PatchLossRegression, WhatReadingFoundMarksTheTitleAndClosingAsksNothing)
{
    std::mt19937 random(9);
    std::string noise(2048, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    const std::string dangling = edited(kDemo, {{"mixl-out", "gone-out"}});
    for (const auto& [name, bytes, title] : std::vector<std::tuple<std::string, std::string, QString>>{
             {"noise.sig", noise, QString::fromUtf8("noise \u2014 read with errors")},
             {"dangling.sig", dangling, QString::fromUtf8("dangling \u2014 unresolved references")}}) {
        SCOPED_TRACE(name);
        Editor editor(bundledDbase());
        ScopedRecordingAlerts alerts;
        GraphicWindowController* w = editor.documents->openDocument(editor.file(name, bytes));
        ASSERT_TRUE(w);
        EXPECT_EQ(w->windowTitle(), title);
        const size_t opening = alerts.recorded.size();
        w->close();
        QApplication::processEvents();
        EXPECT_EQ(alerts.recorded.size(), opening);
        EXPECT_EQ(editor.bytes(name), bytes);
    }
}

TEST(PatchLossRegression, ADegradedPatchAsksBeforeReplacingItsFileAndSavesElsewhereFreely)
{
    Editor editor(bundledDbase());
    std::string original = kDemo; // with an operator the database does not have, on line 14
    original.insert(original.find("TAIL"), "WARPDRIVE warp 1 2\r\n");
    const QString path = editor.file("warp.sig", original);
    ScopedRecordingAlerts alerts;
    ScopedScriptedFileChooser chooser;
    GraphicWindowController* w = editor.documents->openDocument(path);
    ASSERT_TRUE(w);
    rename(*w, "Warped Chorus");
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("warp \u2014 read with errors*"));

    // Cancel; then Save As... onto the same file, which asks again: Cancel.
    alerts.answers = {2, 0, 2};
    chooser.answers = {path.toStdString()};
    EXPECT_FALSE(editor.documents->saveDocument(*w));
    EXPECT_FALSE(editor.documents->saveDocument(*w));
    const std::string asked = "Warning | ALERT | Replace the file with what could be read?\n\n\"warp.sig\" was read "
                              "with errors:\nline 14: unknown operator 'WARPDRIVE'\n\nWhat could not be read is lost "
                              "from the file if it is replaced. Save As... keeps the file as it is. | Save As... "
                              "Replace Cancel";
    EXPECT_EQ(alertLines(alerts.recorded),
              (std::vector<std::string>{
                  "Informational | Module Build | 'WARPDRIVE' is not a valid operator for this SigDatabase. | OK",
                  asked, asked, asked}));
    EXPECT_EQ(editor.bytes("warp.sig"), original);
    EXPECT_TRUE(w->sigDocument()->isDocumentEdited());

    // Save As under another name: no question; the patch moves there.
    chooser.answers = {(editor.dir / "kept.sig").string()};
    menuAction(*w, "actionSaveAs")->trigger();
    EXPECT_EQ(alerts.recorded.size(), 4u);
    EXPECT_EQ(editor.bytes("kept.sig"), w->sigDocument()->sigData());
    EXPECT_EQ(editor.bytes("warp.sig"), original);
    EXPECT_EQ(w->windowTitle(), "kept") << "what is in kept.sig is all there is";

    // Replace, the other answer: the file read with errors is the backup.
    GraphicWindowController* again = editor.documents->openDocument(path);
    ASSERT_TRUE(again);
    ASSERT_NE(again, w);
    alerts.answers = {1};
    EXPECT_TRUE(editor.documents->saveDocument(*again));
    EXPECT_EQ(alerts.recorded.size(), 6u) << "the opening alert and the question";
    EXPECT_EQ(editor.bytes("warp.sig"), again->sigDocument()->sigData());
    EXPECT_EQ(editor.bytes("warp.bak"), original);
    EXPECT_EQ(again->windowTitle(), "warp");
}

TEST(PatchLossRegression, ReferencesToNothingOnlyMarkTheTitleAndStayInTheFile)
{
    Editor editor(bundledDbase());
    const std::string dangling = edited(kDemo, {{"mixl-out", "gone-out"}});
    ScopedRecordingAlerts alerts;
    GraphicWindowController* w = editor.documents->openDocument(editor.file("dangling.sig", dangling));
    ASSERT_TRUE(w);
    EXPECT_EQ(
        alertLines(alerts.recorded),
        std::vector<std::string>{"Critical | ERROR | Line 1: Cannot find signal 'gone-out' for HEADM adc\n\n\n | OK"});
    rename(*w, "Still Dangling");
    EXPECT_TRUE(editor.documents->saveDocument(*w));
    EXPECT_EQ(alerts.recorded.size(), 1u) << "nothing to ask";
    EXPECT_NE(editor.bytes("dangling.sig").find(" gone-out "), std::string::npos);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("dangling \u2014 unresolved references"));
}

TEST(PatchLossRegression, AFailedBackupStopsTheSaveAndLaterSavesKeepTheFileFromBeforeTheFirst)
{
    Editor editor(bundledDbase());
    GraphicWindowController* w = editor.documents->openDocument(editor.file("demo.sig", kDemo));
    ASSERT_TRUE(w);
    // A backup that cannot be made stops the first save: the file stays.
    fs::create_directories(editor.dir / "demo.bak" / "in-the-way");
    rename(*w, "Blocked");
    ScopedRecordingAlerts alerts;
    EXPECT_FALSE(editor.documents->saveDocument(*w));
    const std::string demo = (editor.dir / "demo").string();
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Critical | ERROR | The patch \"demo\" could not be saved: " + demo +
                                       ".sig: cannot keep the backup " + demo + ".bak: Is a directory | OK"});
    EXPECT_EQ(editor.bytes("demo.sig"), kDemo);
    EXPECT_TRUE(w->sigDocument()->isDocumentEdited());
    fs::remove_all(editor.dir / "demo.bak");

    rename(*w, "Wide Chorus");
    menuAction(*w, "actionSave")->trigger();
    EXPECT_EQ(editor.bytes("demo.bak"), kDemo);

    // Reverting reads the file into a new document of the same session.
    rename(*w, "Changed");
    editor.documents->revertDocument(*w);
    ASSERT_EQ(alerts.recorded.size(), 2u);
    rename(*w, "After Revert");
    menuAction(*w, "actionSave")->trigger();
    EXPECT_EQ(editor.bytes("demo.bak"), kDemo);
}

TEST(PatchLossRegression, ClosingTheLastPatchWindowBringsBackTheStartWindowAndOnlyQuitQuits)
{
    Editor editor(bundledDbase());
    GraphicWindowController* w = editor.documents->openDocument(editor.file("demo.sig", kDemo));
    ASSERT_TRUE(w);
    EXPECT_FALSE(editor.start->isVisible());

    // In the running application, as a user closes the window.
    bool startShown = false;
    QTimer::singleShot(0, w, [w] { w->close(); });
    QTimer::singleShot(200, [&] {
        startShown = editor.start->isVisible();
        QApplication::exit(7);
    });
    EXPECT_EQ(QApplication::exec(), 7) << "the application quit with its last patch window";
    EXPECT_TRUE(startShown);
    EXPECT_TRUE(editor.documents->windows().empty());

    // File > Quit closes the patch windows and quits; the start window
    // does not come back on the way.
    ASSERT_TRUE(editor.documents->openDocument(editor.file("other.sig", kDemo)));
    QTimer::singleShot(0, &editor.delegate, [&] { editor.delegate.terminate(); });
    // Ends a run that Quit did not end, and only this one: left pending, it
    // would end every event loop of the tests that follow.
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [] { QApplication::exit(7); });
    failsafe.start(2000);
    EXPECT_EQ(QApplication::exec(), 0) << "Quit quits";
    // Closing the last window also posted Qt's own request to quit, which
    // the run ended before taking: delivered to a later test's event loop,
    // it would end that and every loop after it at once.
    QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
    EXPECT_FALSE(editor.start->isVisible());
}

TEST(PatchLossRegression, APatchWithoutPositionsIsLaidOutOnOpeningAndOnRevert)
{
    Editor editor(bundledDbase());
    const std::string flat = withoutPositions(kDemo);
    GraphicWindowController* w = editor.documents->openDocument(editor.file("flat.sig", flat));
    ASSERT_TRUE(w);
    auto positions = [&] {
        std::vector<std::pair<double, double>> out;
        for (const auto& m : w->sigFile()->moduleArray())
            out.emplace_back(m->rect().x(), m->rect().y());
        return out;
    };
    const auto opened = positions();
    ASSERT_GT(opened.size(), 5u);
    EXPECT_FALSE(PatchLayout::standsInOneColumn(*w->sigFile(), w->graphicView()->showMode())) << "laid out";
    // The layout is a change to save, and no edit to undo; a reverted patch
    // is laid out the same, and the file stays as it is.
    for (int reverted = 0; reverted < 2; ++reverted) {
        SCOPED_TRACE(reverted);
        EXPECT_EQ(positions(), opened);
        EXPECT_TRUE(w->sigDocument()->isDocumentEdited());
        EXPECT_EQ(w->windowTitle(), "flat*");
        EXPECT_FALSE(w->sigDocument()->undoManager().canUndo());
        EXPECT_EQ(editor.bytes("flat.sig"), flat);
        ScopedRecordingAlerts alerts;
        alerts.answers = {0};
        editor.documents->revertDocument(*w);
        ASSERT_EQ(alerts.recorded.size(), 1u);
    }
    rename(*w, "Renamed");
    w->sigDocument()->undoManager().undo();
    EXPECT_EQ(w->windowTitle(), "flat*") << "undone, the layout is still unsaved";
    EXPECT_EQ(editor.documents->newDocument()->windowTitle(), "untitled") << "a new patch is not laid out";
}
