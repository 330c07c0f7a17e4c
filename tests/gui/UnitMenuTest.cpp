// SPDX-License-Identifier: GPL-3.0-or-later
// The Unit menu end to end: the application's real windows, menus and
// dispatcher against tosk-unit (or a scripted unit) on a pseudo-terminal.
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "app/UnitProgressWindow.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "browsers/PatchOpenNotification.h"
#include "comms/MidiPortList.h"
#include "comms/PatchTextCheck.h"
#include "comms/ScreenBitmap.h"
#include "gui/GuiTestSupport.h"
#include "gui/UnitAppSupport.h"
#include "support/FolderTree.h"

#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;
using testing::StartsWith;
namespace fs = std::filesystem;

namespace {

const std::string checkCable = "Make sure the serial cable is plugged in.";
const std::string checkPort = "Check the serial port settings.";
const std::string invalid = "The data received is invalid.";
const std::string askDbase = "Informational | Get a SigDbase | This operation will download the modules database "
                             "from the remote system and will take a few minutes.\n\nAre you sure you want to "
                             "continue? | OK Cancel";

// A patch of the banks tosk-unit keeps by default; it runs the first.
const auto bankPatch = [](const std::string& file) { return readFile(dataPath("unit/banks/" + file)); };
const std::string smallRoom = bankPatch("1 Reverbs/0 Small Room.sig");

// A patch text as it goes out in a send-patch message.
const auto sendOf = [](const std::string& text) {
    return "F0 1C 70 05 0A " + hexString(reinterpret_cast<const uint8_t*>(text.data()), text.size()) + " F7";
};

} // namespace

// Get Patch, then Send Patch of three kinds of patch, against a unit with
// device id 5.
TEST(UnitMenu, GetPatchOpensTheRunningPatchAndSendPatchSendsTheUploadTextOrRefusesWhatCannotTravel)
{
    UnitRig rig(Banks::Bundled, {"--device-id", "5"});
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    auto sent = [&] { return unit.trace(); };
    // How many messages went out, and the last.
    auto last = [&] {
        const std::vector<std::string> all = sent();
        return std::to_string(all.size()) + ": " + (all.empty() ? "" : all.back());
    };
    ASSERT_TRUE(app.run("actionGetPatch"));
    EXPECT_FALSE(app.unit().progressWindow()->isVisible()) << "put away at the end";
    ASSERT_EQ(app.patch(), "untitled | Small Room.sig | edited\n" + smallRoom);
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{});
    // The unit was asked who it is, then the request went to its device id.
    EXPECT_EQ(sent(), (std::vector<std::string>{"F0 1C 70 00 1A F7", "F0 1C 70 05 0B F7"}));
    app.chooser.answers.push_back((dir / "kept.sig").string());
    ASSERT_TRUE(app.documents->saveDocument(*app.documents->windows()[0]));
    ASSERT_EQ(app.chooser.requests.size(), 1u);
    EXPECT_EQ(app.chooser.requests[0].suggestedName, "Small Room.sig") << "untitled: Save asks where";

    writeFile(dir / "echo.sig", bankPatch("2 Delays/0 Tape Echo.sig"));
    GraphicWindowController* w = app.open(dir / "echo.sig");
    ASSERT_TRUE(w);
    const std::string upload = w->sigDocument()->sigDataForUpload();
    ASSERT_TRUE(app.run("actionSendPatch", w));
    EXPECT_TRUE(app.alerts.recorded.empty()) << "the unit took it and said nothing";
    UnitProgressWindow* progress = app.unit().progressWindow();
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(named<QLabel>(progress, "statusLabel")->text().toStdString(), "Sent to the unit");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !progress->isVisible(); }, 5000)) << "for a moment";
    EXPECT_EQ(last(), "3: " + sendOf(upload));
    // The unit runs it now.
    ASSERT_TRUE(app.run("actionGetPatch", w));
    ASSERT_EQ(app.documents->windows().size(), 3u);
    EXPECT_EQ(app.documents->windows()[2]->sigDocument()->originalData(), upload);

    // A title holding 0xF7 would end the message early: nothing goes out.
    {
        UndoGroup step(*w->sigDocument());
        ASSERT_TRUE(PatchEditor(*w->sigDocument()).setTitleAndAuthor("Echo \xF7 2", ""));
    }
    const std::string refused = w->sigDocument()->sigDataForUpload();
    ASSERT_TRUE(patchTextRefusal(refused));
    ASSERT_TRUE(app.choose("actionSendPatch", w));
    EXPECT_EQ(app.unit().pendingCount(), 0u);
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{"Critical | ERROR | " + *patchTextRefusal(refused) + " | OK"});
    EXPECT_EQ(sent().size(), 4u);

    // A patch read with errors is sent only when the user says so.
    std::string broken = bankPatch("2 Delays/0 Tape Echo.sig");
    broken.insert(broken.find("DELAY echoR"), "NOSUCHOP x 1 ;=20,200,80,0\r\n");
    writeFile(dir / "broken.sig", broken);
    GraphicWindowController* degraded = app.open(dir / "broken.sig");
    ASSERT_TRUE(degraded);
    ASSERT_EQ(degraded->sigDocument()->loadStatus(), SigDocument::LoadStatus::Degraded);
    app.alerts.recorded.clear();
    app.alerts.answers = {1, 0};
    ASSERT_TRUE(app.choose("actionSendPatch", degraded));
    EXPECT_EQ(app.unit().pendingCount(), 0u) << "Cancel sends nothing";
    ASSERT_TRUE(app.run("actionSendPatch", degraded));
    const std::string question = "Warning | ALERT | \"broken\" was read with errors: what could not be read is not "
                                 "part of the patch the unit would get.\n\nSend it anyway? | Send Cancel";
    EXPECT_EQ(app.alertTexts(), (std::vector<std::string>{question, question}));
    EXPECT_EQ(last(), "5: " + sendOf(degraded->sigDocument()->sigDataForUpload()));

    // A new patch: the user is offered once to name it first.
    GraphicWindowController* fresh = app.documents->newDocument();
    ASSERT_TRUE(fresh);
    app.alerts.recorded.clear();
    app.alerts.answers = {0};
    ASSERT_TRUE(app.choose("actionSendPatch", fresh));
    ASSERT_EQ(app.alerts.recorded.size(), 1u);
    EXPECT_EQ(app.alerts.recorded[0].buttons,
              (std::vector<std::string>{"Set Title and Author...", "Send Anyway", "Cancel"}));
    EXPECT_EQ(app.unit().pendingCount(), 0u) << "nothing goes out while the user names it";
    ASSERT_TRUE(fresh->titleSheet() && fresh->titleSheet()->isVisible());
    fresh->titleSheet()->done(0);
    ASSERT_TRUE(app.run("actionSendPatch", fresh));
    EXPECT_EQ(app.alerts.recorded.size(), 1u) << "asked once";
    EXPECT_EQ(last(), "6: " + sendOf(fresh->sigDocument()->sigDataForUpload()));
}

// (What an update changes and says is the patch editor's; here the menu
// reaches it.)
TEST(UnitMenu, UpdatePatchTakesTheUnitsValuesIntoThePatchThatAskedAndCompareRefusesAnotherPreset)
{
    UnitRig rig;
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    // The unit runs "Small Room": a plate with decay 0.8 and mix 0.3.
    writeFile(dir / "tweaked.sig", edited(smallRoom, {{"0.8 5 0.6 0.3", "1.5 5 0.6 0.25"}}));
    writeFile(dir / "other.sig", bankPatch("1 Reverbs/1 Large Hall.sig"));
    GraphicWindowController* w = app.open(dir / "tweaked.sig");
    ASSERT_TRUE(w);
    const std::string before = w->sigDocument()->sigData();
    ASSERT_TRUE(app.run("actionUpdatePatch", w));
    EXPECT_EQ(app.alertTexts(),
              std::vector<std::string>{"Informational | Update Parameters | 2 changes were made. | OK"});
    EXPECT_EQ(app.documents->windows().size(), 1u) << "no new window";
    EXPECT_EQ(w->sigDocument()->sigData(), edited(before, {{"1.5 5 0.6 0.25", "0.8 5 0.6 0.3"}}));
    EXPECT_TRUE(w->sigDocument()->isDocumentEdited());
    // One undo step takes both back (what undo restores is the editor's).
    w->sigDocument()->undoManager().undo();
    EXPECT_EQ(w->sigDocument()->sigData(), before);

    // Another preset on the unit: nothing to compare with.
    GraphicWindowController* other = app.open(dir / "other.sig");
    ASSERT_TRUE(other);
    app.alerts.recorded.clear();
    ASSERT_TRUE(app.run("actionCompareWithUnit", other));
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{"Critical | Compare with Unit | The remote 'Small Room' "
                                                         "preset is not the same as Large Hall | OK"});
    EXPECT_FALSE(app.unit().compareDialog());

    // The patch that asked has gone by the time the unit answers: the reply
    // goes nowhere else.
    app.alerts.recorded.clear();
    ASSERT_TRUE(app.choose("actionUpdatePatch", w));
    w->close();
    ASSERT_TRUE(app.settle());
    QApplication::processEvents();
    EXPECT_TRUE(app.alerts.recorded.empty());
    for (GraphicWindowController* open : app.documents->windows())
        EXPECT_NE(open->sigDocument()->fileName(), (dir / "tweaked.sig").string());
}

TEST(UnitMenu, GetDatabaseSavesWhatTheReaderAcceptsForTheNextStart)
{
    UnitRig rig;
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    const std::string inUse = app.delegate->sigDbase()->fullPathName();

    app.alerts.answers = {1};
    ASSERT_TRUE(app.choose("actionGetDbase"));
    EXPECT_EQ(app.unit().pendingCount(), 0u) << "cancelled: nothing asked of the unit";
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{askDbase});

    // The download ends in the save panel; the name it confirmed is written
    // as it is ("db.v2" has a suffix of its own).
    app.alerts.recorded.clear();
    const fs::path saves = dir / "saves";
    fs::create_directories(saves);
    app.chooser.answers.push_back((saves / "db.v2").string());
    ASSERT_TRUE(app.run("actionGetDbase", nullptr, 30000));
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{askDbase});
    ASSERT_EQ(app.chooser.requests.size(), 1u);
    // A save panel, which asks before replacing a file.
    const FileRequest& asked = app.chooser.requests[0];
    EXPECT_EQ(std::tie(asked.title, asked.save, asked.suggestedName, asked.fileTypes, asked.directory),
              std::make_tuple(std::string("Save the operator database file"), true, std::string("sigdbase.sbf"),
                              std::vector<std::string>{"sbf"}, fs::path(inUse).parent_path().string()));
    const fs::path saved = saves / "db.v2";
    const std::string database = readFile(dataPath("sigdbase.sbf"));
    EXPECT_TRUE(readFile(saved) == database) << "the database as it came";
    EXPECT_EQ(app.store.values["SigDbasePath"], saved.string());
    EXPECT_EQ(app.delegate->sigDbase()->fullPathName(), inUse) << "the database in use stays until the next start";

    // A download the reader stops in, after an operator it could read, is
    // not offered for saving.
    const std::string broken = "{\n{\nTYPE:OPERATOR\nOPERATOR_NAME:GAIN\nOPERATOR_CLASS:MATH\n}\n}\n"
                               "{\n{\nTYPE:OPERATOR\nOPERATOR_NAME:BAD\nOPERATOR_CLASS:MATH\n}\n"
                               "{\nTYPE:ED_INT\nNAME:n\nCOLOUR:red\n}\n}\n";
    app.alerts.recorded.clear();
    EXPECT_FALSE(app.unit().saveSigDBase(Bytes(broken.begin(), broken.end())));
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{"Critical | ERROR | The database received from the unit "
                                                         "cannot be read as an operator database. Nothing was "
                                                         "saved.\n\n" +
                                                         checkPort + " | OK"});
    EXPECT_EQ(app.chooser.requests.size(), 1u);

    // A save panel cancelled, or a save that fails, changes nothing.
    app.alerts.recorded.clear();
    const Bytes bytes(database.begin(), database.end());
    app.chooser.answers = {std::nullopt, (saves / "missing" / "db.sbf").string()};
    EXPECT_FALSE(app.unit().saveSigDBase(bytes));
    EXPECT_TRUE(app.alerts.recorded.empty());
    EXPECT_FALSE(app.unit().saveSigDBase(bytes));
    ASSERT_EQ(app.alerts.recorded.size(), 1u);
    EXPECT_THAT(app.alerts.recorded[0].message, StartsWith("The operator database could not be saved: "));
    EXPECT_EQ(app.chooser.requests.size(), 3u);
    EXPECT_EQ(app.store.values["SigDbasePath"], saved.string());
    EXPECT_EQ(namesIn(saves), std::set<std::string>{"db.v2"});
    app.chooser.answers = {(saves / "again.sbf").string()};
    EXPECT_TRUE(app.unit().saveSigDBase(bytes)) << "saved";
}

// Each way a unit fails reaches the user as one alert from the window that
// asked, and nothing is opened or saved (every request fails the same way:
// Update and Compare too).
TEST(UnitWindowFailures, GarbledSilentAndAbsentUnitsAlertAndNothingIsOpenedOrSaved)
{
    const std::string cannotOpen = "Cannot open the serial line @: no such file or directory (is the interface "
                                   "connected?).";
    const std::string noUnit = "Critical | ERROR | No Korvatel unit was found on the port.\n\n" + checkCable + "\n\n";
    const std::string bad = "Critical | ERROR | " + invalid + "\n\n" + checkPort;
    const std::string cannotReach = "\n\n" + checkCable + "\n\n" + checkPort + " | OK";
    // The unit runs with these options; "none": nothing is on the line;
    // "midi": the MIDI line is chosen and no interface is plugged in.
    struct Case {
        std::vector<std::string> unit;
        const char* item;                // of the Unit menu; null: Window ▸ Unit Browser
        std::vector<std::string> alerts; // "@" is the line; "*": the rest of the bytes received
    };
    const Case cases[] = {
        {{"--garble"}, "actionGetDbase", {askDbase, bad + " | OK"}},
        {{"--garble"}, nullptr, {bad + "\n\nF0 5C 70 00 19 0D 0A 4B 6F 72*"}},
        {{"--drop-after", "0"}, "actionGetPatch", {"Critical | ERROR | The unit did not answer." + cannotReach}},
        {{"none"}, "actionGetScreen", {"Critical | ERROR | " + cannotOpen + cannotReach}},
        {{"none"}, nullptr, {noUnit + checkPort + "\n\n" + cannotOpen + " | OK"}},
        {{"midi"},
         "actionGetPatch",
         {"Critical | ERROR | No MIDI interfaces found.\n\nMake sure the MIDI cables are plugged in, in and "
          "out.\n\nCheck the MIDI interface and channel in the preferences. | OK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.item ? c.item : "unit browser") + (" on " + c.unit[0]));
        TempDir dir;
        const bool none = c.unit[0] == "none" || c.unit[0] == "midi";
        std::optional<UnitProcess> unit;
        if (!none) {
            ASSERT_TRUE(unit.emplace(dir.path(), c.unit).started());
        }
        const std::string line = none ? (dir / "no-unit").string() : unit->link();
        UnitApp app(line);
        LogCapture quiet;
        MidiPortList::setLister([] { return std::vector<MidiPortList::Card>{}; });
        if (c.unit[0] == "midi") {
            app.store.setValue("ConnectionTypeKey", "Midi");
            app.store.setValue("MidiPortName", "UM1: USB MIDI Interface MIDI 1");
        }
        if (c.item) {
            ASSERT_TRUE(app.run(c.item, nullptr, 30000));
        } else {
            app.showUnitBrowser();
            ASSERT_TRUE(app.identifyEnded());
        }
        std::vector<std::string> alerts = c.alerts;
        for (std::string& alert : alerts)
            if (size_t at = alert.find('@'); at != std::string::npos)
                alert.replace(at, 1, line);
        std::vector<std::string> shown = app.alertTexts();
        for (size_t i = 0; i < alerts.size() && i < shown.size(); ++i)
            if (alerts[i].back() == '*')
                shown[i] = shown[i].substr(0, alerts[i].size() - 1) + '*';
        EXPECT_EQ(shown, alerts);
        EXPECT_FALSE(app.unit().progressWindow()->isVisible()) << "put away, with nothing said to have been sent";
        EXPECT_TRUE(app.documents->windows().empty());
        EXPECT_FALSE(app.unit().screenWindow());
        EXPECT_TRUE(app.chooser.requests.empty()) << "nothing to save";
        MidiPortList::setLister(nullptr);
    }
}

TEST(UnitMenu, EveryReplyIsCheckedBeforeItsPayloadIsUsed)
{
    FakeUnit unit;
    UnitApp app(unit.path());
    // The scripted unit answers only what each case asks: no identify.
    app.store.setValue("DeviceId", "0");
    // `reply` answers `action`: the one alert it gives (none when empty); no
    // window opens.
    auto check = [&](const char* what, const Bytes& reply, const std::string& alert,
                     const char* action = "actionGetPatch") {
        SCOPED_TRACE(what);
        app.alerts.recorded.clear();
        LogCapture quiet;
        unit.script({reply});
        ASSERT_TRUE(app.run(action));
        EXPECT_EQ(app.alertTexts(), alert.empty() ? std::vector<std::string>{} : std::vector<std::string>{alert});
        EXPECT_TRUE(app.documents->windows().empty());
    };
    const std::string garbled = "Critical | ERROR | " + invalid + "\n\n" + checkPort;
    check("three bytes", bytes({0xF0, 0x1C, 0x70}), garbled + "\n\nF0 1C 70 | OK");
    check("the unit's error text", dumpOf(std::string("Cannot load patch\0", 18), 0x0D),
          "Critical | SYSEXC ERROR | Cannot load patch | OK");
    check("an unknown command", dumpOf(std::string("x\0", 2), 0x42), "");
    // A screen reply too short for its rows opens no window.
    const Bytes rows(10, 0xFF);
    check("a short screen", dumpOf(textOf(ScreenBitmap::encodePayload(240, 64, rows)), 0x17),
          "Critical | ERROR | " + invalid +
              "\n\nscreen data too short: 10 bytes of pixels for a 240x64 screen that needs 1920 | OK",
          "actionGetScreen");
    EXPECT_FALSE(app.unit().screenWindow());
}

TEST(UnitMenu, TheScreenWindowShowsCopiesAndSavesTheUnitsDisplay)
{
    UnitRig rig;
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    ASSERT_TRUE(app.run("actionGetScreen"));
    ScreenDisplayController* screen = app.unit().screenWindow();
    ASSERT_TRUE(screen && screen->isVisible());
    const QImage image = screen->image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.size(), QSize(240, 64));
    // Shown at its own size.
    EXPECT_EQ(named<QLabel>(screen, "screenImage")->pixmap().size(), QSize(240, 64));
    // The unit's frame and text are drawn white on black, first row at the top.
    EXPECT_EQ((std::vector{image.pixel(3, 3), image.pixel(6, 7), image.pixel(6, 56)}),
              (std::vector{qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255)}));

    auto click = [&](const char* button) { QTest::mouseClick(named<QPushButton>(screen, button), Qt::LeftButton); };
    click("copyButton");
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), image);

    // The name the panel confirmed is written as it is.
    app.chooser.answers = {(dir / "shot.v2").string(), (dir / "shot.png").string(),
                           (dir / "missing" / "x.tif").string()};
    // Each save: the panel's title, type and folder (home when nothing was
    // saved before, else where the last one went); the file's first bytes,
    // the image read back, the path kept for the next.
    size_t asked = 0;
    auto saved = [&](const char* button, const std::string& file, const std::string& panel, const std::string& head) {
        click(button);
        ASSERT_EQ(app.chooser.requests.size(), ++asked);
        const FileRequest& r = app.chooser.requests.back();
        EXPECT_EQ(r.title + " | " + r.fileTypes.at(0) + " | " + r.directory, "Save the screen image | " + panel);
        EXPECT_EQ(readFile(file).substr(0, 4), head);
        EXPECT_EQ(QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32), image);
        EXPECT_EQ(app.store.values["ScreenSavePath"], file);
    };
    const std::string tif = (dir / "shot.v2").string(), png = (dir / "shot.png").string();
    saved("saveButton", tif, "tif | " + QDir::homePath().toStdString(), std::string("II*\0", 4));
    EXPECT_FALSE(fs::exists(dir / "shot.v2.tif"));
    saved("savePngButton", png, "png | " + dir.path().string(), "\x89PNG");

    EXPECT_FALSE(screen->onSaveAction());
    ASSERT_EQ(app.alerts.recorded.size(), 1u);
    EXPECT_THAT(app.alerts.recorded[0].message, StartsWith("The screen image could not be saved to \"" +
                                                           (dir / "missing" / "x.tif").string() + "\": "));
    EXPECT_EQ(app.store.values["ScreenSavePath"], png) << "kept only after a save succeeded";

    click("closeButton");
    QApplication::processEvents();
    EXPECT_FALSE(app.unit().screenWindow()) << "closed and gone";
}

TEST(UnitMenu, CancelInTheProgressWindowStopsTheRequestAndDropsWhatWasReceived)
{
    // The bundled database at 20000 bytes a second: three seconds.
    UnitRig rig(Banks::Bundled, {"--rate", "20000"});
    ASSERT_TRUE(rig.unit.started());
    UnitApp& app = rig.app;
    ASSERT_TRUE(app.choose("actionGetDbase"));
    UnitProgressWindow* progress = app.unit().progressWindow();
    auto* status = named<QLabel>(progress, "statusLabel");
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().contains(QStringLiteral("bytes received")); }, 10000));
    EXPECT_TRUE(progress->isVisible());
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("get database: ")));

    QTest::mouseClick(named<QPushButton>(progress, "cancelButton"), Qt::LeftButton);
    ASSERT_TRUE(app.settle(2000)) << "Cancel acts at once";
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(app.alerts.recorded.size(), 1u) << "only the confirmation: " << app.alertTexts().back();
    EXPECT_TRUE(app.chooser.requests.empty()) << "the part received is dropped";
}

TEST(UnitMenu, ItemsFollowTheDatabaseAndTheCurrentPatchWindowAndAnnouncedPatchesOpen)
{
    TempDir dir;
    UnitApp app((dir / "no-unit").string());
    // The items that are off, by name.
    auto off = [&](QMainWindow* window) {
        auto* menu = window->menuBar()->findChild<QMenu*>(QStringLiteral("menuUnit"));
        if (!menu)
            return std::string("<no Unit menu>");
        emit menu->aboutToShow();
        std::string out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && !a->isEnabled())
                out += a->objectName().toStdString() + " ";
        return out;
    };
    const std::string never = "actionGetUserFiles actionGetSetup actionSendUserFiles actionSendSetup ";
    const std::string patchItems = "actionSendPatch actionUpdatePatch actionCompareWithUnit ";
    EXPECT_EQ(off(app.start.get()), patchItems + never);
    writeFile(dir / "room.sig", smallRoom);
    GraphicWindowController* w = app.open(dir / "room.sig");
    ASSERT_TRUE(w);
    EXPECT_EQ(off(w), never);

    // Without operators no patch can be read, sent or updated.
    std::shared_ptr<SigDbase> shared = app.delegate->sigDbase();
    ASSERT_FALSE(shared->createSigDbaseFromData(""));
    EXPECT_EQ(off(w), "actionGetPatch " + patchItems + never);
    // Nor does a command that arrives anyway (a shortcut, a script).
    app.unit().onMidiSendPatch(w);
    EXPECT_EQ(app.unit().pendingCount(), 0u);
    ASSERT_TRUE(shared->createSigDbase());

    // A patch file the disk browser announces opens as that file, changed
    // (what the unit browsers announce is opened in their own tests).
    const size_t before = app.documents->windows().size();
    const fs::path file = dir / "den.sig";
    NotificationCenter::defaultCenter().post(PatchOpenNotification, nullptr,
                                             {{"PatchData", smallRoom}, {"NodeData", file}});
    ASSERT_EQ(app.patch(before), "den |  | edited\n" + smallRoom);
    EXPECT_EQ(app.documents->windows()[before]->sigDocument()->fileName(), file.string());
}
