// SPDX-License-Identifier: GPL-3.0-or-later
// The unit browser and the program-list browser end to end: the
// application's real windows against tosk-unit on a pseudo-terminal.
#include "Toskfile/DiskFileTreeNode.h"
#include "app/UnitProgressWindow.h"
#include "base/Log.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/DiskOutlineView.h"
#include "browsers/DiskViewController.h"
#include "browsers/KorvatelNodeData.h"
#include "browsers/MyOutlineView.h"
#include "browsers/PatchViewController.h"
#include "browsers/R9100TableModel.h"
#include "browsers/R9100ViewController.h"
#include "browsers/UnitTaskRunner.h"
#include "browsers/UnitTreeModel.h"
#include "comms/KorvatelConnection.h"
#include "comms/SerialLineLock.h"
#include "comms/SetObject.h"
#include "gui/GuiTestSupport.h"
#include "gui/UnitAppSupport.h"
#include "support/DragAndDrop.h"
#include "support/FolderTree.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

using namespace tosk;
using namespace tosk::test;
using testing::HasSubstr;
using testing::StartsWith;
namespace fs = std::filesystem;

namespace {

const std::string checkPort = "Check the serial port settings.";

bool idle(UnitTaskRunner* runner, int ms = 20000)
{
    return QTest::qWaitFor([&] { return !runner->isBusy(); }, ms);
}

QPoint rowCentre(MyOutlineView* view, const TreeNode::Ptr& node)
{
    auto* model = static_cast<TreeNodeModel*>(view->model());
    QModelIndex index = model->indexForNode(node.get());
    view->scrollTo(index);
    return view->visualRect(index).center();
}

// The row of `w` called `name`; a missing one ends the test.
TreeNode::Ptr row(PatchViewController* w, const std::string& name)
{
    if (TreeNode::Ptr node = w->nodeNamed(name))
        return node;
    throw std::runtime_error("no row " + name);
}

// A click on the row, then a double click, as a user opens it.
void clickAndOpen(QAbstractItemView* view, QPoint at)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    doubleClick(view->viewport(), at);
}

std::vector<std::string> childNames(const TreeNode::Ptr& node)
{
    std::vector<std::string> names;
    for (const auto& child : node->children())
        names.push_back(child->nodeData()->name());
    return names;
}

// Waits for a DiskDropItem's answer: the patch, or why there is none.
std::string fetched(DiskDropItem& item)
{
    std::optional<DiskDropItem::Fetched> answer;
    item.fetchSigText([&](DiskDropItem::Fetched f) { answer = std::move(f); });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, 20000))
        return "<no answer>";
    return answer->failure.empty() ? answer->sigText.value_or("<no text>") : "failed: " + answer->failure;
}

// Drops `data` on `folder` in the disk browser, as opened from the menu:
// the browser once it took the drop, and a spy on the drop's end.
std::pair<DiskViewController*, std::unique_ptr<QSignalSpy>> dropOnDisk(UnitApp& app, QMimeData* data,
                                                                       const fs::path& folder)
{
    app.delegate->showDiskViewAction();
    DiskViewController* disk = app.delegate->diskViewController();
    if (!disk || !QTest::qWaitForWindowExposed(disk))
        return {};
    DiskFileTreeNode* target = disk->nodeForPath(folder.string());
    if (!target)
        return {};
    auto done = std::make_unique<QSignalSpy>(disk, &DiskViewController::dropFinished);
    QAbstractItemView* view = disk->outlineView();
    if (dragAndDrop(view->viewport(), data, view->visualRect(disk->treeModel()->indexForNode(target)).center()) !=
        "+++")
        return {};
    return {disk, std::move(done)};
}

} // namespace

TEST(UnitBrowser, BrowsesBanksLazilyOpensSelectsAndDragsPatchesOut)
{
    UnitRig rig(Banks::Test, {"--delay-ms", "200"});
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    auto* w = app.openBrowser<PatchViewController>();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle().toStdString(), "0:SX-8");
    EXPECT_EQ(childNames(w->treeModel()->root()), (std::vector<std::string>{"1 Reverbs", "7 Delays"}));
    EXPECT_EQ(w->statusText().toStdString(), "2 banks");

    // A double click opens the bank; its row says it is loading while the
    // window goes on handling events.
    TreeNode::Ptr reverbs = row(w, "1 Reverbs");
    QModelIndex reverbsIndex = w->treeModel()->indexForNode(reverbs.get());
    clickAndOpen(w->outlineView(), rowCentre(w->outlineView(), reverbs));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w->treeModel()->data(reverbsIndex).toString().toStdString() == "1 Reverbs (loading...)"; }, 5000));
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_TRUE(w->outlineView()->isExpanded(reverbsIndex));
    EXPECT_EQ(w->treeModel()->data(reverbsIndex).toString().toStdString(), "1 Reverbs");
    const std::vector<std::string> reverbNames{"0 Small Room", "1 Hall: Large/Dark"};
    EXPECT_EQ(childNames(reverbs), reverbNames);
    EXPECT_EQ(w->statusText().toStdString(), "1 Reverbs: 2 patches");

    // A click selects the patch on the unit: bank, then program change.
    TreeNode::Ptr hall = row(w, "1 Hall: Large/Dark");
    const size_t heard = unit.trace().size();
    QTest::mouseClick(w->outlineView()->viewport(), Qt::LeftButton, {}, rowCentre(w->outlineView(), hall));
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_EQ(w->statusText().toStdString(), "1 Hall: Large/Dark runs on the unit.");
    // The program change goes out last and is answered by nothing: the
    // unit may note it a moment after the exchange has ended.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const std::vector<std::string> trace = unit.trace();
            return trace.size() > heard && trace.back() == "C0 01";
        },
        5000));

    // A double click opens it in a patch window named after it, whatever
    // bank the unit was given meanwhile.
    loadBankElsewhere(unit.link(), 1);
    doubleClick(w->outlineView()->viewport(), rowCentre(w->outlineView(), hall));
    EXPECT_EQ(app.patch(), "Hall: Large/Dark | Hall- Large|Dark.sig | edited\n" + hallText);

    // Dragged out, a patch carries what the disk browser fetches.
    ASSERT_TRUE(idle(w->runner()));
    std::unique_ptr<QMimeData> patchDrag(w->treeModel()->mimeData({w->treeModel()->indexForNode(hall.get())}));
    auto* patchData = qobject_cast<DiskDragMimeData*>(patchDrag.get());
    ASSERT_TRUE(patchData);
    EXPECT_EQ(patchData->text().toStdString(), "1 Hall: Large/Dark\n");
    ASSERT_EQ(patchData->unitItems().size(), 1u);
    DiskDropItem& item = *patchData->unitItems()[0];
    loadBankElsewhere(unit.link(), 1);
    // Passing over its own window on the way out is no drop: nothing is
    // said (a drag from elsewhere is told at once, below).
    w->clearStatusMessage();
    QDragEnterEvent passing(rowCentre(w->outlineView(), hall), Qt::CopyAction, patchData, Qt::LeftButton, {});
    QApplication::sendEvent(w->outlineView()->viewport(), &passing);
    EXPECT_EQ(w->statusText().toStdString(), "");
    EXPECT_EQ(fetched(item), hallText);
    EXPECT_EQ(w->statusText().toStdString(), "") << "the fetch is over";

    // A bank drags with the patch inside it covered by it (what a dropped
    // bank becomes is below, BacksUpOrDropsBanksOnDisk...).
    TreeNode::Ptr delays = row(w, "7 Delays");
    std::unique_ptr<QMimeData> bankDrag(w->dragData({delays, reverbs, hall}));
    ASSERT_TRUE(bankDrag);
    EXPECT_EQ(bankDrag->text().toStdString(), "7 Delays\n1 Reverbs\n");

    // Drops are refused wherever they land, and the window says why.
    DiskDragMimeData diskDrag(std::vector<TreeNode::Ptr>{}, &app, QStringLiteral("Tape Echo.sig"));
    EXPECT_EQ(dragAndDrop(w->outlineView()->viewport(), &diskDrag, rowCentre(w->outlineView(), reverbs)), "-");
    EXPECT_EQ(w->statusText().toStdString(),
              "Patches cannot be dropped on the unit: nothing would be sent to it. Nothing was changed.");
    EXPECT_EQ(childNames(reverbs), reverbNames);

    // The filter keeps the rows whose names hold the text, and their banks.
    // Shown ("+") or hidden ("-"): the banks and the patches of the first.
    auto shown = [&, room = w->nodeNamed("0 Small Room")] {
        std::string rows;
        for (const TreeNode::Ptr& node : {reverbs, room, hall, delays}) {
            const QModelIndex index = w->treeModel()->indexForNode(node.get());
            rows += w->outlineView()->isRowHidden(index.row(), index.parent()) ? '-' : '+';
        }
        return rows;
    };
    QTest::keyClicks(w->filterField(), QStringLiteral("HALL"));
    EXPECT_EQ(shown(), "+-+-");
    w->filterField()->clear();
    EXPECT_EQ(shown(), "++++");

    // Every opening of a bank reads it again, and so does View ▸ Refresh
    // (F5) with the bank list and the banks that are open.
    const std::string askBanks = "F0 1C 70 00 31 31 30 30 20 30 F7", askPatches = "F0 1C 70 00 31 31 30 31 20 30 F7";
    // The bank list ("B") and the banks ("P") asked for since `from`.
    auto askedSince = [&](size_t from) {
        std::string asked;
        const std::vector<std::string> lines = unit.trace();
        for (size_t i = from; i < lines.size(); ++i)
            asked += lines[i] == askBanks ? "B" : lines[i] == askPatches ? "P" : "";
        return asked;
    };
    size_t from = unit.trace().size();
    w->outlineView()->collapse(reverbsIndex);
    w->outlineView()->expand(reverbsIndex);
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_EQ(askedSince(from), "P");
    auto* refresh = named<QAction>(w, "actionRefresh");
    EXPECT_EQ(refresh->shortcut(), QKeySequence(Qt::Key_F5));
    from = unit.trace().size();
    refresh->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return askedSince(from).size() == 2; }, 20000));
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_EQ(askedSince(from), "BP");
    TreeNode::Ptr reread = row(w, "1 Reverbs");
    EXPECT_TRUE(w->outlineView()->isExpanded(w->treeModel()->indexForNode(reread.get())));
    EXPECT_EQ(childNames(reread), reverbNames);

    // The menu brings the same window back rather than asking again.
    KorvatelViewController* controller = app.delegate->korvatelViewController();
    app.showUnitBrowser();
    EXPECT_EQ(app.delegate->korvatelViewController(), controller);
    // Closing it drops the controller: the next command identifies afresh.
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app.delegate->korvatelViewController(); }, 5000));
}

// Back Up All Banks, or banks dragged onto a folder of the disk browser: a
// folder per bank with a ".sig" per patch, byte-equal to what the unit holds,
// under safe names (a repeated name carries its slot), and the patch the unit
// ran (sent to it, stored nowhere) running on it again afterwards; when that
// patch cannot be read, the user says whether to go on.
TEST(UnitBrowser, BacksUpOrDropsBanksOnDiskAndKeepsThePatchTheUnitRuns)
{
    // The first bank is empty: at start the unit runs nothing. A slot of
    // another calls its patch otherwise than the unit lists it.
    const std::string smallRoomTitled = readFile(dataPath("unit/banks/1 Reverbs/0 Small Room.sig"));
    UnitRig rig(Banks::Test, {}, [&](const fs::path& banks) {
        writeTree(banks, {"0 Empty/", "3 ../0 Twin.sig=" + smallRoomText, "3 ../1 Twin.sig=" + echoText,
                          "3 ../2 ...sig=" + hallText, "3 ../3 Old Room.sig=" + smallRoomTitled});
    });
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    auto* w = app.openBrowser<PatchViewController>();
    ASSERT_TRUE(w);

    // Cancelled in the folder panel: nothing happens.
    auto* button = named<QPushButton>(w, "backupButton");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(w->runner()->isBusy());

    // Nothing runs on the unit to keep: the user is asked, and cancels.
    const fs::path folder = dir.path() / "backup";
    fs::create_directories(folder);
    app.chooser.answers.push_back(folder.string());
    app.alerts.answers = {1};
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(app.chooser.requests.size(), 2u);
    EXPECT_TRUE(app.chooser.requests[1].chooseFolders);
    ASSERT_TRUE(idle(w->runner()));
    ASSERT_EQ(app.alertTexts().size(), 1u);
    EXPECT_THAT(app.alertTexts()[0],
                AllOf(StartsWith("Warning | ALERT | The patch running on the unit could not be read: "),
                      HasSubstr("Back up anyway? | Back Up Anyway Cancel")));
    EXPECT_EQ(w->statusText().toStdString(), "The backup was cancelled.");
    EXPECT_TRUE(fs::is_empty(folder));
    app.alerts.recorded.clear();

    // The window has read bank 1; the unit is given bank 7 behind its back,
    // then a patch of the user's own that is stored nowhere.
    TreeNode::Ptr reverbs = row(w, "1 Reverbs");
    w->outlineView()->expand(w->treeModel()->indexForNode(reverbs.get()));
    ASSERT_TRUE(idle(w->runner()));
    ASSERT_EQ(reverbs->numberOfChildren(), 2u);
    loadBankElsewhere(unit.link(), 2);
    const std::string mine = "HEADM adc\r\nTAIL \"Mine\"\r\n";
    KorvatelConnection other(unitWithId(0), lineTo(unit.link()), 2000ms, 0ms);
    ASSERT_TRUE(other.sendSigFile(mine));
    // Answered, the unit has traced what came before.
    ASSERT_EQ(other.getSigFile(), mine);
    const size_t heard = unit.trace().size();

    app.chooser.answers.push_back(folder.string());
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.alerts.recorded.empty(); }, 30000));
    ASSERT_TRUE(idle(w->runner()));
    ASSERT_EQ(namesIn(folder).size(), 1u);
    const fs::path made = folder / *namesIn(folder).begin();
    EXPECT_EQ(readFile(made / "7 Delays" / "00 Tape Echo.sig"), echoText);
    const std::string done = "7 patches of 4 banks were copied into " + made.string() + ".";
    EXPECT_EQ(app.alertTexts(),
              std::vector<std::string>{"Informational | ALERT | " + done +
                                       "\nThe patch that was running on the unit was sent back to it. | OK"});
    EXPECT_EQ(w->statusText().toStdString(), done + " The patch that was running on the unit was sent back to it.");
    // The disk browser's search covers the backup from now on.
    EXPECT_EQ(app.store.values["BackupFolders"], made.string());

    // The unit runs the user's patch again; it was read once and sent once.
    EXPECT_EQ(other.getSigFile(), mine);
    const std::vector<std::string> trace = unit.trace();
    auto count = [&](const std::string& start) {
        return std::count_if(trace.begin() + long(heard), trace.end(),
                             [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(count("F0 1C 70 00 0A "), 1);
    EXPECT_EQ(count("F0 1C 70 00 0B "), 1 + 7 + 1) << "kept, seven patches, and the check above";
    app.alerts.recorded.clear();

    const fs::path disk = dir / "disk" / "Backup";
    writeTree(disk, {"keep.sig=MINE"});
    app.store.setValue("DiskPatchPath", disk.parent_path().string());
    std::unique_ptr<QMimeData> data(w->dragData({w->nodeNamed("1 Reverbs"), w->nodeNamed("3 ..")}));
    ASSERT_TRUE(data);
    auto [browser, dropped] = dropOnDisk(app, data.get(), disk);
    ASSERT_TRUE(browser);
    ASSERT_TRUE(dropped->count() > 0 || dropped->wait(60000));
    EXPECT_EQ(treeOf(disk), "1 Reverbs/\n1 Reverbs/Hall- Large|Dark.sig=" + hallText +
                                "\n1 Reverbs/Small Room.sig=" + smallRoomText + "\n3 ../\n3 ../--.sig=" + hallText +
                                "\n3 ../Small Room.sig=" + smallRoomTitled + "\n3 ../Twin (slot 1).sig=" + echoText +
                                "\n3 ../Twin.sig=" + smallRoomText + "\nkeep.sig=MINE\n");
    // The user is told what was renamed, and why.
    ASSERT_FALSE(app.alertTexts().empty());
    EXPECT_THAT(app.alertTexts().back(),
                AllOf(HasSubstr("1 Twin was saved as Twin (slot 1).sig"),
                      HasSubstr("3 Old Room holds Small Room on the unit now; it was saved as Small Room.sig"),
                      HasSubstr("The patch that was running on the unit was sent back to it.")));
    EXPECT_EQ(other.getSigFile(), mine);

    // Opened from the browser, a patch is named after itself too.
    w->outlineView()->expand(w->treeModel()->indexForNode(row(w, "3 ..").get()));
    ASSERT_TRUE(idle(w->runner()));
    clickAndOpen(w->outlineView(), rowCentre(w->outlineView(), row(w, "3 Old Room")));
    EXPECT_EQ(app.patch(), "Small Room | Small Room.sig | edited\n" + smallRoomTitled);
    EXPECT_EQ(w->statusText().toStdString(),
              "3 Old Room holds Small Room on the unit now (View \u25B8 Refresh reads the list again).");
}

// (The garbled and absent units are among the failures of every unit window.)
TEST(UnitBrowser, ASilentUnitIsReportedAndAQuietIdentifyIsRetried)
{
    TempDir dir;
    UnitProcess silent(dir.path(), {"--drop-after", "0"});
    ASSERT_TRUE(silent.started());
    UnitApp app(silent.link());
    // Opening the disk browser identifies quietly: it says nothing,
    // shows no progress and opens nothing.
    app.delegate->showDiskViewAction();
    ASSERT_TRUE(app.delegate->korvatelViewController());
    bool progressShown = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { progressShown |= app.unit().progressWindow()->isVisible(); });
    tick.start(10);
    ASSERT_TRUE(app.identifyEnded());
    EXPECT_FALSE(progressShown);
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{});
    // Asked for while the quiet identify still runs, the unit browser
    // waits for it, shows its progress and says why nothing opened.
    app.delegate->showDiskViewAction();
    app.showUnitBrowser();
    ASSERT_TRUE(app.identifyEnded());
    EXPECT_TRUE(progressShown);
    const std::string noData = "Critical | ERROR | No data was received.\n\n" + checkPort + "\n | OK";
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{noData});
    app.alerts.recorded.clear();
    // The unit browser command asks again, and this time says why nothing opened.
    app.showUnitBrowser();
    ASSERT_TRUE(app.delegate->korvatelViewController());
    ASSERT_TRUE(app.identifyEnded());
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{noData});
}

TEST(ProgramListBrowser, ListsCriteriaSortsOpensAndDragsPresets)
{
    UnitRig rig(Banks::Test, {"--model", "R9100 Plus"});
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    auto* w = app.openBrowser<R9100ViewController>();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle().toStdString(), "0:R9100 Plus");
    EXPECT_EQ(w->boxTitle()->text().toStdString(), "3 Presets");
    R9100TableModel* model = w->tableModel();
    ASSERT_EQ(model->rowCount(), 3);

    // Columns and symbols.
    auto cells = [&](int row) {
        std::vector<std::string> out;
        for (int c = 0; c < R9100TableModel::ColumnCount; ++c)
            out.push_back(model->data(model->index(row, c)).toString().toStdString());
        return out;
    };
    EXPECT_EQ(
        (std::vector{cells(0), cells(1), cells(2)}),
        (std::vector<std::vector<std::string>>{{"Small Room", "100", " ", " ", " ", "2", "2", "  R     "},
                                               {"Hall: Large/Dark", "101", "\u262F", " ", " ", "1", "2", "  R     "},
                                               {"Tape Echo", "700", " ", " ", "U", "2", "2", "   D    "}}));

    // A click selects on the unit; sorting keeps that preset selected.
    // The names of the rows shown, top down.
    auto names = [&] {
        std::vector<std::string> out;
        for (int row = 0; row < model->rowCount(); ++row)
            if (!w->patchTable()->isRowHidden(row))
                out.push_back(cells(row)[0]);
        return out;
    };
    auto rowPoint = [&](int row) {
        return w->patchTable()->visualRect(model->index(row, R9100TableModel::Name)).center();
    };
    QTest::mouseClick(w->patchTable()->viewport(), Qt::LeftButton, {}, rowPoint(2));
    ASSERT_TRUE(idle(w->runner()));
    ASSERT_TRUE(w->selectedItem());
    EXPECT_EQ(w->selectedItem()->progName(), "Tape Echo");
    // Its program number went out with the unit's MIDI map turned off.
    EXPECT_THAT(unit.trace(), testing::Contains("C0 00"));
    w->patchTable()->sortByColumn(R9100TableModel::Name, Qt::DescendingOrder);
    EXPECT_EQ(names(), (std::vector<std::string>{"Tape Echo", "Small Room", "Hall: Large/Dark"}));
    EXPECT_EQ(w->patchTable()->selectionModel()->selectedRows(), QModelIndexList{model->index(0, 0)});

    // The criteria sheet (one at a time): Cancel leaves the criteria as they
    // were and reads nothing, nor does OK without a change; with one, OK reads
    // the list anew.
    auto location = [&] { return w->searchCriteria().objectForKey<SetObject>("Location"); };
    ASSERT_TRUE(location());
    EXPECT_EQ(location()->currentIndex(), 0u);
    auto chooseLocation = [&](int index, const char* button = "okButton") {
        QTest::mouseClick(w->criteriaButton(), Qt::LeftButton);
        QDialog* sheet = w->criteriaSheet();
        ASSERT_TRUE(sheet && sheet->isVisible());
        EXPECT_FALSE(w->criteriaButton()->isEnabled());
        if (index >= 0)
            named<QComboBox>(sheet, "locationCBox")->setCurrentIndex(index);
        QTest::mouseClick(named<QPushButton>(sheet, button), Qt::LeftButton);
        EXPECT_FALSE(sheet->isVisible());
    };
    const size_t heard = unit.trace().size();
    chooseLocation(2, "sheetCancelButton");
    EXPECT_EQ(location()->currentIndex(), 0u);
    EXPECT_TRUE(w->criteriaButton()->isEnabled());
    chooseLocation(-1);
    EXPECT_EQ(unit.trace().size(), heard) << "nothing went to the unit";
    chooseLocation(2);
    EXPECT_EQ(location()->currentIndex(), 2u);
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_EQ(w->boxTitle()->text().toStdString(), "1 Presets");
    ASSERT_EQ(names(), std::vector<std::string>{"Tape Echo"});

    // A double click opens the preset once the unit is seen to run it.
    clickAndOpen(w->patchTable(), rowPoint(0));
    EXPECT_EQ(app.patch(), "700 Tape Echo | Tape Echo.sig | edited\n" + echoText);
    ASSERT_TRUE(idle(w->runner()));

    // Dragged out, a preset is fetched the same way.
    std::unique_ptr<QMimeData> drag(model->mimeData({model->index(0, 0), model->index(0, 3)}));
    auto* data = qobject_cast<DiskDragMimeData*>(drag.get());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text().toStdString(), "700:\"Tape Echo\"\n");
    ASSERT_EQ(data->unitItems().size(), 1u);
    EXPECT_EQ(data->unitItems()[0]->displayName(), "700 Tape Echo");
    EXPECT_EQ(fetched(*data->unitItems()[0]), echoText);
    EXPECT_EQ(app.alertTexts(), std::vector<std::string>{});

    // A new list keeps the order chosen; the filter.
    chooseLocation(0);
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_EQ(names(), (std::vector<std::string>{"Tape Echo", "Small Room", "Hall: Large/Dark"}));
    w->filterField()->setText(QStringLiteral("room"));
    EXPECT_EQ(names(), std::vector<std::string>{"Small Room"});
}

// The program list sorts names as a person reads them.
TEST(ProgramListBrowser, NamesSortInNaturalOrder)
{
    R9100TableModel model;
    std::vector<R9100TableModel::Item> items;
    for (const char* line :
         {"1 @ Hall 10 @ I22 GRH", "2 @ hall 2 @ I22 GRH", "3 @ Hall 9 @ I22 GRH", "4 @ Echo @ I22 GRH"})
        items.push_back(std::make_shared<R9100ProgramItem>(line, uint32_t(items.size())));
    model.setItems(items);
    model.sort(R9100TableModel::Name, Qt::AscendingOrder);
    QStringList names;
    for (int r = 0; r < model.rowCount(); ++r)
        names << model.data(model.index(r, R9100TableModel::Name)).toString();
    EXPECT_EQ(names.join(", "), QStringLiteral("Echo, hall 2, Hall 9, Hall 10"));
}

TEST(UnitBrowser, CancelGivesUpTheExchangeAndAFailingLineIsReported)
{
    // The unit answers after 600 ms; the silence that ends a reply must
    // outlast that with room for a busy machine.
    UnitRig rig(Banks::Test, {"--delay-ms", "600"}, {}, 3000ms);
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    app.showUnitBrowser();
    PatchViewController* w = app.browser<PatchViewController>();
    ASSERT_TRUE(w);
    // The bank list is on its way: Cancel stops waiting for it at once.
    ASSERT_TRUE(w->runner()->isBusy());
    EXPECT_EQ(w->statusText().toStdString(), "Reading the banks of the unit...");
    auto* cancel = named<QPushButton>(w, "cancelButton");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(w->runner()->isBusy());
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_EQ(w->statusText().toStdString(), "Cancelled.");
    EXPECT_EQ(w->treeModel()->root()->numberOfChildren(), 0u);

    // Asked again, the list comes once the cancelled exchange let go of the line.
    w->fillView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->treeModel()->root()->numberOfChildren() == 2; }, 30000));
    ASSERT_TRUE(idle(w->runner()));

    // The unit gone: reading a bank fails, and the window says how.
    unit.stop();
    TreeNode::Ptr delays = row(w, "7 Delays");
    LogCapture quiet;
    w->outlineView()->expand(w->treeModel()->indexForNode(delays.get()));
    ASSERT_TRUE(idle(w->runner()));
    ASSERT_EQ(app.alertTexts().size(), 1u);
    EXPECT_THAT(app.alertTexts()[0], StartsWith("Critical | ERROR | Cannot open the serial line "));
    EXPECT_EQ(delays->numberOfChildren(), 0u);
    EXPECT_FALSE(static_cast<KorvatelNodeData*>(delays->nodeData())->isLoaded()) << "read again when next opened";
}

TEST(ProgramListBrowser, AFailedListIsReportedAndADisabledPresetIsStruckThroughAndIgnoresClicks)
{
    TempDir dir;
    const std::string nowhere = (dir.path() / "no-unit").string();
    UnitApp app(nowhere);
    LogCapture quiet;
    auto* w = new R9100ViewController(unitWithId(0, "R9100", "5.10"), {300ms, 0ms});
    ASSERT_TRUE(idle(w->runner()));
    EXPECT_EQ(w->boxTitle()->text().toStdString(), "No Presets Found");
    EXPECT_EQ(app.alertTexts(),
              std::vector<std::string>{"Critical | ERROR | Cannot open the serial line " + nowhere +
                                       ": no such file or directory (is the interface connected?)." + " | OK"});

    R9100TableModel* model = w->tableModel();
    auto disabled = std::make_shared<R9100ProgramItem>("105 A Broken B\x01 I22 GRH", 0);
    auto enabled = std::make_shared<R9100ProgramItem>("106 @ Plate @ I22 GRH", 1);
    model->setItems({disabled, enabled});
    auto struck = [&](int r) { return model->data(model->index(r, 0), Qt::FontRole).value<QFont>().strikeOut(); };
    EXPECT_TRUE(struck(0));
    EXPECT_FALSE(struck(1));
    w->show();
    clickAndOpen(w->patchTable(), w->patchTable()->visualRect(model->index(0, 0)).center());
    EXPECT_FALSE(w->runner()->isBusy()) << "nothing asked of the unit";
    EXPECT_FALSE(w->selectedItem());
    // Nor can it be dragged out; the other one can.
    EXPECT_EQ(std::unique_ptr<QMimeData>(model->mimeData({model->index(0, 0)})), nullptr);
    std::unique_ptr<QMimeData> drag(model->mimeData({model->index(0, 0), model->index(1, 0)}));
    ASSERT_TRUE(drag);
    EXPECT_EQ(drag->text().toStdString(), "106:Plate\n");
    EXPECT_EQ(w->draggedItems(), std::vector<R9100ViewController::Item>{enabled});
    w->close();
    QApplication::processEvents();
}

// A unit window closed in the middle of an exchange takes the exchange
// with it: the line is free at once, and only whole patches are on disk.
TEST(UnitBrowser, AWindowClosedMidExchangeStopsItFreesTheLineAndLeavesOnlyWholeFiles)
{
    // Replies at 300 bytes a second: every exchange is under way a while.
    UnitRig rig(Banks::Test, {"--rate", "300"});
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    const fs::path backup = dir / "backup", disk = dir / "disk";
    writeTree(dir.path(), {"backup/", "disk/Copies/"});
    app.store.setValue("DiskPatchPath", disk.string());
    const std::set<std::string> patches{smallRoomText, hallText, echoText};
    auto notWhole = [&](const fs::path& folder) {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() &&
                (entry.path().extension() != ".sig" || !patches.count(readFile(entry.path()))))
                files.push_back(entry.path().string());
        return files;
    };
    // The unit writes a reply whole before it reads on, and answers a program
    // change with nothing: once it has heard one, all it owed the closed
    // window is on the line, where the next exchange's flush drops it, however
    // long a busy machine kept the unit from writing it.
    auto replyOwedToTheClosedWindowIsOnTheLine = [&] {
        KorvatelConnection probe(unitWithId(0), lineTo(unit.link()), 2000ms, 0ms);
        const uint8_t programChange[] = {0xC0, 0x00};
        probe.serialConnection().open();
        probe.serialConnection().putData(programChange, sizeof programChange);
        probe.serialConnection().close();
        return QTest::qWaitFor(
            [&] {
                const std::vector<std::string> trace = unit.trace();
                return !trace.empty() && trace.back() == "C0 00";
            },
            60000);
    };
    auto closeAndWait = [](QWidget* window) {
        QPointer<QWidget> closing(window);
        window->close();
        return QTest::qWaitFor([&] { return closing.isNull(); }, 30000);
    };

    // The unit browser in the middle of a backup.
    auto* w = app.openBrowser<PatchViewController>(60000);
    ASSERT_TRUE(w);
    app.chooser.answers.push_back(backup.string());
    w->backUpAllBanks();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->statusText().startsWith(QStringLiteral("Backing up bank")); }, 30000));
    ASSERT_TRUE(closeAndWait(w));
    EXPECT_FALSE(SerialLineLock::isHeld(unit.link())) << "the backup ended with its window";
    EXPECT_EQ(notWhole(backup), std::vector<std::string>{});

    // The disk browser copying a bank out of a unit browser: both close.
    ASSERT_TRUE(replyOwedToTheClosedWindowIsOnTheLine());
    w = app.openBrowser<PatchViewController>(60000);
    ASSERT_TRUE(w);
    std::unique_ptr<QMimeData> data(w->dragData({w->nodeNamed("1 Reverbs")}));
    ASSERT_TRUE(data);
    auto [browser, done] = dropOnDisk(app, data.get(), disk / "Copies");
    ASSERT_TRUE(browser);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->runner()->isBusy(); }, 5000));
    browser->close();
    ASSERT_TRUE(closeAndWait(w));
    ASSERT_TRUE(done->count() > 0 || done->wait(10000));
    EXPECT_FALSE(browser->isCopying());
    EXPECT_FALSE(SerialLineLock::isHeld(unit.link()));
    EXPECT_EQ(notWhole(disk), std::vector<std::string>{});
}
