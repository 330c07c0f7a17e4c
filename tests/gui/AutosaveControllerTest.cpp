// SPDX-License-Identifier: GPL-3.0-or-later
// Autosave in the application: patches opened through the document
// controller, edited through the edit layer, their texts kept in a folder of
// the test's own with intervals of milliseconds; and the alert that offers
// what a crashed run left.
#include "app/AutosaveController.h"
#include "Toskfile/Module.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "base/Log.h"
#include "gui/AppTestSupport.h"
#include "support/FolderTree.h"

#include <QLockFile>

#include <nlohmann/json.hpp>

#include <regex>
#include <set>

using namespace tosk;
using namespace tosk::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct Fixture : App {
    ScopedRecordingAlerts alerts;
    ScopedScriptedFileChooser chooser;
    fs::path folder = dir / "state" / "autosave";
    std::unique_ptr<AutosaveController> autosave;
    std::string demoPath;

    explicit Fixture(AutosavePolicy::Params params, fs::path autosaveFolder = {})
    {
        if (!autosaveFolder.empty())
            folder = autosaveFolder;
        autosave = std::make_unique<AutosaveController>(*documents, params, folder.string());
        fs::create_directories(dir / "patches");
        demoPath = fs::canonical(dir / "patches").string() + "/demo.sig";
        writeFile(demoPath, readFile(dataPath("examples/demo.sig")));
    }
    ~Fixture()
    {
        closeWindows();
        autosave.reset();
    }

    GraphicWindowController* openDemo() { return documents->openDocument(QString::fromStdString(demoPath)); }

    // What the autosave folder holds, the runs' locks aside.
    std::set<std::string> files() const
    {
        std::set<std::string> names = namesIn(folder);
        std::erase_if(names, [](const std::string& name) { return name.ends_with(".lock"); });
        return names;
    }
};

// Moves the first module after the head, one event each.
void move(GraphicWindowController& w, int times)
{
    Module* first = w.sigFile()->moduleAtIndex(1).get();
    ASSERT_TRUE(first && !first->isHead());
    for (int i = 0; i < times; ++i) {
        UndoGroup event(*w.sigDocument());
        ASSERT_TRUE(PatchEditor(*w.sigDocument()).moveModules({first}, {1, 0}));
    }
}

// Waits for the window's autosave, then lets it be written.
bool autosaved(Fixture& f, GraphicWindowController* w)
{
    const bool kept = QTest::qWaitFor([&] { return !f.autosave->entryFor(w).empty(); });
    f.autosave->flush();
    return kept;
}

} // namespace

TEST(AutosaveController, KeepsTheTextOfAChangedPatchUntilItIsSavedRevertedOrGivenUp)
{
    Fixture f({20ms, 1000});
    GraphicWindowController* w = f.openDemo();
    ASSERT_TRUE(w);
    QApplication::processEvents();
    EXPECT_TRUE(f.files().empty()) << "nothing to keep while the patch is as its file";

    move(*w, 3);
    ASSERT_TRUE(autosaved(f, w));
    const std::string id = f.autosave->entryFor(w);
    EXPECT_EQ(f.files(), (std::set<std::string>{id + ".json", id + ".sig"}));
    EXPECT_EQ(readFile(f.folder / (id + ".sig")), w->sigDocument()->sigData());
    EXPECT_EQ(nlohmann::json::parse(readFile(f.folder / (id + ".json"))).at("originalPath"), f.demoPath);
    EXPECT_EQ(readFile(f.demoPath), readFile(dataPath("examples/demo.sig"))) << "the user's file is not touched";

    // Saved: the autosave goes; the next change makes a new one.
    ASSERT_TRUE(f.documents->saveDocument(*w));
    f.autosave->flush();
    EXPECT_TRUE(f.files().empty());
    EXPECT_EQ(f.autosave->entryFor(w), "");

    move(*w, 1);
    ASSERT_TRUE(autosaved(f, w));
    EXPECT_EQ(readFile(f.folder / (id + ".sig")), w->sigDocument()->sigData()) << "one entry per window";

    // Reverted: gone, and the patch read again is followed in its turn.
    f.alerts.answers = {0};
    f.documents->revertDocument(*w);
    f.autosave->flush();
    EXPECT_TRUE(f.files().empty());
    move(*w, 2);
    ASSERT_TRUE(autosaved(f, w));
    EXPECT_EQ(readFile(f.folder / (id + ".sig")), w->sigDocument()->sigData());

    // Closed with "Don't Save": gone.
    f.alerts.answers = {1};
    w->close();
    f.autosave->flush();
    EXPECT_TRUE(f.files().empty());
}

TEST(AutosaveController, EnoughChangesAreWrittenAtOnceAndUndoingToTheFileRemovesThem)
{
    Fixture f({1h, 3});
    GraphicWindowController* w = f.openDemo();
    ASSERT_TRUE(w);
    move(*w, 2);
    QApplication::processEvents();
    f.autosave->flush();
    EXPECT_TRUE(f.files().empty()) << "two changes, and the interval is an hour away";

    move(*w, 1);
    ASSERT_TRUE(autosaved(f, w)) << "written at once";

    for (int i = 0; i < 3; ++i)
        w->sigDocument()->undoManager().undo();
    EXPECT_FALSE(w->sigDocument()->isDocumentEdited());
    f.autosave->flush();
    EXPECT_TRUE(f.files().empty()) << "back at the file: nothing to recover";
    EXPECT_EQ(f.autosave->entryFor(w), "");
}

// Editing and saving go on while autosaves cannot be written, and no alert
// interrupts; a failed write is tried again an interval later without
// another change, unless the patch was saved meanwhile.
TEST(AutosaveController, AFailedAutosaveIsTriedAgainUnlessThePatchWasSaved)
{
    TempDir blocked;
    writeFile(blocked / "file", "a file where the folder should be");
    LogCapture log;
    Fixture f({20ms, 1000}, blocked / "file" / "autosave");
    GraphicWindowController* w = f.openDemo();
    ASSERT_TRUE(w);
    move(*w, 2);
    ASSERT_TRUE(autosaved(f, w)) << "taken; the write failed";
    ASSERT_TRUE(f.documents->saveDocument(*w));
    EXPECT_EQ(readFile(f.demoPath), w->sigDocument()->sigData());
    fs::remove(blocked / "file");
    QApplication::processEvents(); // the failure is told after the save

    // Another patch changed later: by its autosave, a retry of the saved
    // one would have been written too.
    GraphicWindowController* other = f.documents->openDocument(f.file("other.sig", readFile(f.demoPath)));
    ASSERT_TRUE(other);
    move(*other, 2);
    ASSERT_TRUE(autosaved(f, other));
    const std::string id = f.autosave->entryFor(other);
    EXPECT_EQ(f.files(), (std::set<std::string>{id + ".json", id + ".sig"})) << "the saved patch has none";

    fs::remove(f.folder / (id + ".sig"));
    fs::create_directory(f.folder / (id + ".sig")); // in the way of the text
    log.clear();
    move(*other, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.lines().empty(); })) << "the write failed";
    fs::remove(f.folder / (id + ".sig"));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        f.autosave->flush();
        return fs::is_regular_file(f.folder / (id + ".sig"));
    })) << "tried again";
    EXPECT_EQ(readFile(f.folder / (id + ".sig")), other->sigDocument()->sigData());
    EXPECT_EQ(other->windowTitle(), "other*");
    EXPECT_TRUE(f.alerts.recorded.empty());
}

// What a killed run left is offered in one alert; a run that is still going
// keeps its autosaves, and the lock a killed run left (naming a process that
// is gone) goes. Decide later offers the same autosaves at the next start.
TEST(AutosaveController, LeftOverAutosavesAreOfferedInOneAlert)
{
    const std::string demo = readFile(dataPath("examples/demo.sig"));
    const std::string changed = edited(demo, {{"\"Stereo Chorus\"", "\"Chorus Wide\""}});
    const std::string untitled = DocumentController::sigFileFormat(bundledDbase()).makeNew()->sigData();
    const std::string dead = "20250107T093011-0000dead", alive = "20250107T100000-00a11ve0";
    for (const int answer : {0, 1, 2}) {
        SCOPED_TRACE(answer);
        Fixture f({1h, 1000});
        AutosaveStore store(f.folder.string());
        store.write({dead + "-1", f.demoPath, 1736242211}, changed);
        store.write({dead + "-2", "", 1736242215}, untitled);
        writeFile(store.lockPath(dead), "999999999\ntosk\n\n");
        store.write({alive + "-1", "/elsewhere/other.sig", 1736244000}, "HEADM other");
        QLockFile aliveLock(QString::fromStdString(store.lockPath(alive)));
        aliveLock.setStaleLockTime(0);
        ASSERT_TRUE(aliveLock.tryLock(0));

        f.alerts.answers = {answer};
        EXPECT_EQ(f.autosave->offerRecovery(), answer == 0 ? 2 : 0);
        ASSERT_EQ(f.alerts.recorded.size(), 1u);
        EXPECT_EQ(std::regex_replace(alertLines(f.alerts.recorded)[0],
                                     std::regex("\\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d\\)"), "(time)"),
                  "Warning | ALERT | Changes to these patches were not saved when Tosk last ended:\n\n" + f.demoPath +
                      "  (time)\nan untitled patch  (time)\n\nRecover opens them as unsaved patches, Discard throws "
                      "the changes away, Decide later keeps them until the next start. | Recover Discard Decide later")
            << "oldest first; a running editor's patch is not offered";
        EXPECT_EQ(f.alerts.recorded[0].escapeButton, 2) << "dismissing the alert decides later";
        EXPECT_FALSE(fs::exists(store.lockPath(dead))) << "the stale lock went";

        const auto windows = f.documents->windows();
        ASSERT_EQ(windows.size(), answer == 0 ? 2u : 0u);
        std::set<std::string> expected = {alive + "-1.json", alive + "-1.sig"};
        if (answer == 2)
            expected.insert({dead + "-1.json", dead + "-1.sig", dead + "-2.json", dead + "-2.sig"});
        for (GraphicWindowController* w : windows) {
            const std::string id = f.autosave->entryFor(w);
            ASSERT_FALSE(id.empty()) << "the recovered text is this run's autosave now";
            EXPECT_EQ(AutosaveStore::sessionOf(id), f.autosave->session());
            expected.insert({id + ".json", id + ".sig"});
            EXPECT_EQ(readFile(f.folder / (id + ".sig")), w->sigDocument()->sigData());
        }
        f.autosave->flush();
        EXPECT_EQ(f.files(), expected);
        if (answer == 2) {
            AutosaveController nextStart(*f.documents, {1h, 1000}, f.folder.string());
            f.alerts.answers = {0};
            EXPECT_EQ(nextStart.offerRecovery(), 2);
        }
        if (answer != 0)
            continue;

        // Untitled, remembering where it came from.
        EXPECT_EQ(windows[0]->sigDocument()->sigData(), changed) << "the exact text";
        EXPECT_EQ(windows[0]->windowTitle(), "demo (recovered)*");
        EXPECT_EQ(windows[1]->sigDocument()->sigData(), untitled);
        EXPECT_EQ(windows[1]->windowTitle(), "untitled (recovered)*");
        EXPECT_EQ(readFile(f.demoPath), demo) << "recovering writes no file of the user's";

        // Save As starts where the patch came from, under its name.
        const std::string saved = (f.dir / "patches" / "chorus.sig").string();
        f.chooser.answers = {saved};
        ASSERT_TRUE(f.documents->saveDocument(*windows[0]));
        ASSERT_EQ(f.chooser.requests.size(), 1u);
        EXPECT_EQ(f.chooser.requests[0].directory, fs::path(f.demoPath).parent_path().string());
        EXPECT_EQ(f.chooser.requests[0].suggestedName, "demo.sig");
        EXPECT_EQ(readFile(saved), changed);
        f.autosave->flush();
        EXPECT_EQ(f.files().size(), 4u) << "the saved patch's autosave went";
    }

    // Nothing left over: no alert.
    Fixture quiet({1h, 1000});
    EXPECT_EQ(quiet.autosave->offerRecovery(), 0);
    EXPECT_TRUE(quiet.alerts.recorded.empty());
}
