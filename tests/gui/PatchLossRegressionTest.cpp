// SPDX-License-Identifier: GPL-3.0-or-later
// Faults that lost a user's patch, reproduced the way a user met them: the
// real document controller, patch windows and start window over real sig
// files, headless.
#include "Toskfile/PatchEditor.h"
#include "Toskfile/PatchLayout.h"
#include "app/StartWindow.h"
#include "canvas/GraphicView.h"
#include "gui/AppTestSupport.h"

#include <QTimer>

#include <random>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

// The application as it starts: the documents over sig files read with `db`,
// and the start window on screen.
struct Editor : App {
    std::unique_ptr<StartWindow> start;

    explicit Editor(std::shared_ptr<SigDbase> db) : App(DocumentController::sigFileFormat(std::move(db)))
    {
        start = std::make_unique<StartWindow>(delegate, DatabaseSummary{});
        documents->setStartWindow(start.get());
        start->show();
    }
    ~Editor() { closeWindows(); }
};

void rename(GraphicWindowController& w, const char* title)
{
    ASSERT_TRUE(w.sigDocument());
    ASSERT_TRUE(PatchEditor(*w.sigDocument()).setTitleAndAuthor(title, w.sigFile()->author()));
}

const std::string kDemo = readFile(dataPath("examples/demo.sig"));

// The demo with a record of an operator the database does not have, on
// line 14.
std::string demoWithUnknownOperator()
{
    std::string bytes = kDemo;
    bytes.insert(bytes.find("TAIL"), "WARPDRIVE warp 1 2\r\n");
    return bytes;
}

std::string question(const std::string& file, const std::string& problems)
{
    return "Replace the file with what could be read?\n\n\"" + file + "\" was read with errors:\n" + problems +
           "\n\nWhat could not be read is lost from the file if it is replaced. Save As... keeps the file as it is.";
}

} // namespace

TEST(PatchLossRegression, WithoutADatabaseNoPatchOpensAndTheFileStays)
{
    TempDir dbDir;
    writeFile(dbDir / "sigdbase.sbf", "not an operator database\n");
    auto broken = std::make_shared<SigDbase>();
    broken->setFullPathName((dbDir / "sigdbase.sbf").string());
    ASSERT_FALSE(broken->createSigDbase());

    Editor editor(broken);
    const QString path = editor.file("demo.sig", kDemo);
    ScopedRecordingAlerts alerts;
    GraphicWindowController* w = editor.documents->openDocument(path);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Critical | ERROR | The file \"" + path.toStdString() +
                                       "\" could not be read as a patch: no operator database is loaded (\"" +
                                       (dbDir / "sigdbase.sbf").string() + "\" did not load) | OK"});
    EXPECT_EQ(editor.bytes("demo.sig"), kDemo);
    EXPECT_FALSE(fs::exists(editor.dir / "demo.bak"));
    EXPECT_TRUE(editor.start->isVisible());
}

TEST(PatchLossRegression, RandomBytesAreNotSavedOverUnasked)
{
    Editor editor(bundledDbase());
    std::mt19937 random(9);
    std::string noise(2048, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    const QString path = editor.file("noise.sig", noise);
    ScopedRecordingAlerts alerts;
    GraphicWindowController* w = editor.documents->openDocument(path);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("noise \u2014 read with errors"));
    EXPECT_FALSE(w->sigDocument()->isDocumentEdited());

    // Save, and No (Cancel) to the question: the file is as it was.
    const size_t opening = alerts.recorded.size();
    alerts.answers = {2};
    menuAction(*w, "actionSave")->trigger();
    ASSERT_EQ(alerts.recorded.size(), opening + 1);
    EXPECT_EQ(alerts.recorded.back().buttons, (std::vector<std::string>{"Save As...", "Replace", "Cancel"}));
    EXPECT_EQ(editor.bytes("noise.sig"), noise);
    EXPECT_FALSE(fs::exists(editor.dir / "noise.bak"));
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("noise \u2014 read with errors"));

    // Closing it unchanged asks nothing and leaves the file alone.
    w->close();
    QApplication::processEvents();
    EXPECT_EQ(alerts.recorded.size(), opening + 1);
    EXPECT_EQ(editor.bytes("noise.sig"), noise);
}

TEST(PatchLossRegression, ADegradedPatchAsksBeforeReplacingItsFileAndSavesElsewhereFreely)
{
    Editor editor(bundledDbase());
    const std::string original = demoWithUnknownOperator();
    const QString path = editor.file("warp.sig", original);
    ScopedRecordingAlerts alerts;
    ScopedScriptedFileChooser chooser;
    GraphicWindowController* w = editor.documents->openDocument(path);
    ASSERT_TRUE(w);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{
                  "Informational | Module Build | 'WARPDRIVE' is not a valid operator for this SigDatabase. | OK"});
    rename(*w, "Warped Chorus");
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("warp \u2014 read with errors*"));

    // Cancel, then Save As... cancelled in its panel: the file stays.
    alerts.answers = {2, 0};
    chooser.answers = {std::nullopt};
    EXPECT_FALSE(editor.documents->saveDocument(*w));
    EXPECT_FALSE(editor.documents->saveDocument(*w));
    ASSERT_EQ(alerts.recorded.size(), 3u);
    EXPECT_EQ(alertLines({alerts.recorded[1]}),
              std::vector<std::string>{"Warning | ALERT | " +
                                       question("warp.sig", "line 14: unknown operator 'WARPDRIVE'") +
                                       " | Save As... Replace Cancel"});
    EXPECT_EQ(chooser.requests.size(), 1u) << "Save As... was offered and taken";
    EXPECT_EQ(editor.bytes("warp.sig"), original);
    EXPECT_TRUE(w->sigDocument()->isDocumentEdited());

    // Save As under another name: no question; the patch moves there.
    chooser.answers = {(editor.dir / "kept.sig").string()};
    menuAction(*w, "actionSaveAs")->trigger();
    EXPECT_EQ(alerts.recorded.size(), 3u);
    EXPECT_EQ(editor.bytes("kept.sig"), w->sigDocument()->sigData());
    EXPECT_EQ(editor.bytes("warp.sig"), original);
    EXPECT_EQ(w->windowTitle(), "kept") << "what is in kept.sig is all there is";

    // Replace, the other answer: the file read with errors is the backup.
    GraphicWindowController* again = editor.documents->openDocument(path);
    ASSERT_TRUE(again);
    ASSERT_NE(again, w);
    alerts.answers = {1};
    EXPECT_TRUE(editor.documents->saveDocument(*again));
    EXPECT_EQ(alerts.recorded.size(), 5u) << "the opening alert and the question";
    EXPECT_EQ(editor.bytes("warp.sig"), again->sigDocument()->sigData());
    EXPECT_EQ(editor.bytes("warp.bak"), original);
    EXPECT_EQ(again->windowTitle(), "warp");
    EXPECT_TRUE(editor.documents->saveDocument(*again));
    EXPECT_EQ(alerts.recorded.size(), 5u) << "asked once";
    EXPECT_EQ(editor.bytes("warp.bak"), original);
}

TEST(PatchLossRegression, ReferencesToNothingOnlyMarkTheTitleAndStayInTheFile)
{
    Editor editor(bundledDbase());
    std::string dangling = kDemo;
    dangling.replace(dangling.find("mixl-out"), 8, "gone-out");
    ScopedRecordingAlerts alerts;
    GraphicWindowController* w = editor.documents->openDocument(editor.file("dangling.sig", dangling));
    ASSERT_TRUE(w);
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].message, "Line 1: Cannot find signal 'gone-out' for HEADM adc\n\n\n");
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("dangling \u2014 unresolved references"));
    rename(*w, "Still Dangling");
    EXPECT_TRUE(editor.documents->saveDocument(*w));
    EXPECT_EQ(alerts.recorded.size(), 1u) << "nothing to ask";
    EXPECT_NE(editor.bytes("dangling.sig").find(" gone-out "), std::string::npos);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("dangling \u2014 unresolved references"));
}

TEST(PatchLossRegression, TwoSavesInARowKeepTheFileFromBeforeTheFirstAsBackup)
{
    Editor editor(bundledDbase());
    GraphicWindowController* w = editor.documents->openDocument(editor.file("demo.sig", kDemo));
    ASSERT_TRUE(w);
    std::vector<std::string> saved;
    for (const char* title : {"Wide Chorus", "Wider Chorus"}) {
        rename(*w, title);
        menuAction(*w, "actionSave")->trigger();
        saved.push_back(editor.bytes("demo.sig"));
        EXPECT_EQ(editor.bytes("demo.bak"), kDemo) << title;
    }
    EXPECT_NE(saved[0], saved[1]);
    EXPECT_EQ(saved[1], w->sigDocument()->sigData());

    // Reverting reads the file into a new document of the same session.
    rename(*w, "Changed");
    ScopedRecordingAlerts alerts;
    editor.documents->revertDocument(*w);
    ASSERT_EQ(alerts.recorded.size(), 1u);
    rename(*w, "After Revert");
    menuAction(*w, "actionSave")->trigger();
    EXPECT_EQ(editor.bytes("demo.bak"), kDemo);

    // A window opened anew is a new session: its first save keeps the file
    // it replaces.
    w->close();
    QApplication::processEvents();
    GraphicWindowController* next =
        editor.documents->openDocument(QString::fromStdString((editor.dir / "demo.sig").string()));
    ASSERT_TRUE(next);
    const std::string before = editor.bytes("demo.sig");
    rename(*next, "Next Session");
    menuAction(*next, "actionSave")->trigger();
    EXPECT_EQ(editor.bytes("demo.bak"), before);
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
