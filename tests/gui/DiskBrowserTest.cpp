// SPDX-License-Identifier: GPL-3.0-or-later
// The disk browser, driven as a user drives it: rows clicked, drops sent as
// the drag events Qt delivers (QDrag::exec returns at once offscreen), the
// file system looked at afterwards.
#include "Toskfile/PatchLayout.h"
#include "base/DiskDropItem.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/DiskOutlineView.h"
#include "browsers/DiskViewController.h"
#include "browsers/PatchPreview.h"
#include "browsers/TreeNodeModel.h"
#include "canvas/CanvasRenderer.h"
#include "comms/DiskMove.h"
#include "gui/AppTestSupport.h"
#include "support/DragAndDrop.h"
#include "support/FolderTree.h"
#include "support/ScopedSettings.h"

#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

using namespace tosk;
using namespace tosk::test;
using testing::ElementsAre;
using testing::StartsWith;

namespace {

using Lines = std::vector<std::string>;

// A unit browser's item: answers after a little while, as a unit does; a
// bank when it has `items`.
struct FakeItem : DiskDropItem {
    std::string name, failure;
    std::optional<std::string> text;
    std::vector<Ptr> items;
    bool cancel = false;
    std::function<void()> onFetch;
    // Set: where each fetch is recorded ("fetch name").
    std::vector<std::string>* calls = nullptr;

    std::string fileName() const override { return name; }
    bool isGroup() const override { return !items.empty(); }
    void readItems(std::function<void(Read)> done) override
    {
        QTimer::singleShot(5, [done, read = Read{items, {}, false}] { done(read); });
    }
    void fetchSigText(std::function<void(Fetched)> done) override
    {
        if (calls)
            calls->push_back("fetch " + name);
        if (onFetch)
            onFetch();
        QTimer::singleShot(5, [done, fetched = Fetched{text, failure, cancel}] { done(fetched); });
    }
};

std::shared_ptr<FakeItem> patch(std::string name, std::optional<std::string> text, std::string failure = {},
                                std::vector<DiskDropItem::Ptr> items = {})
{
    auto item = std::make_shared<FakeItem>();
    std::tie(item->name, item->text, item->failure, item->items) = std::tie(name, text, failure, items);
    return item;
}
const auto bank = [](std::string name, std::vector<DiskDropItem::Ptr> items) { return patch(name, {}, {}, items); };

// The unit a drop comes from: keeps its running patch (or cannot), and
// sends it back; `calls` records the order of both among the fetches.
struct FakeSource : DiskDropSource {
    bool keeps = true;
    std::vector<std::string> calls;

    void keepRunningPatch(std::function<void(Kept)> done) override
    {
        calls.push_back("keep");
        QTimer::singleShot(5, [done, kept = Kept{keeps, keeps ? "" : "no reply", false}] { done(kept); });
    }
    void restoreRunningPatch(std::function<void(Restored)> done) override
    {
        calls.push_back("restore");
        QTimer::singleShot(5, [done] { done(Restored{false, "not sent back: no reply"}); });
    }
};

// Drives a browser that shows `root`, as a user does. Rows are named by
// their path below `root`; "" is `root` itself (a drop there goes to the
// space below the rows).
struct Driver {
    fs::path root;
    DiskViewController* ctl = nullptr;

    // The keys of the browser's commands work where the tree has the focus
    // in the active window (a dialog took it away).
    void focusTree()
    {
        ctl->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(ctl));
        view()->setFocus();
    }
    std::string bytes(const std::string& r) const { return (r.empty() ? root : root / r).string(); }
    QString path(const std::string& r) const { return QString::fromStdString(bytes(r)); }
    QString canonical(const std::string& r) const { return QString::fromStdString(fs::weakly_canonical(root / r)); }
    DiskOutlineView* view() const { return ctl->outlineView(); }
    DiskFileTreeNode* node(const std::string& r) const { return ctl->nodeForPath(bytes(r)); }
    QModelIndex index(const std::string& r) const { return ctl->treeModel()->indexForNode(node(r)); }
    QPoint centre(const std::string& r) const
    {
        return r.empty() ? QPoint(5, view()->viewport()->height() - 3) : view()->visualRect(index(r)).center();
    }
    void clickTwice(const std::string& r)
    {
        // QTest's double click alone sends the second press only, which an
        // item view takes for a first press.
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centre(r));
        doubleClick(view()->viewport(), centre(r));
    }
    // Selects the rows of these paths.
    void select(const std::vector<std::string>& rs)
    {
        std::vector<TreeNode::Ptr> nodes;
        for (const std::string& r : rs)
            nodes.push_back(node(r) ? node(r)->shared_from_this() : (ADD_FAILURE() << r << " is not shown", nullptr));
        view()->selectItems(nodes, false);
    }
    // Selects the rows and presses the key in the tree.
    void press(const std::vector<std::string>& rs, QKeyCombination key)
    {
        select(rs);
        focusTree();
        QTest::keyClick(view(), key.key(), key.keyboardModifiers());
    }
    // Moves the row to the Trash as the browser's command does, once agreed.
    bool trash(const std::string& r) { return node(r) && ctl->trashNodes({node(r)->shared_from_this()}); }
    // The row alone is selected.
    bool selects(const std::string& r) const { return view()->selectedItem().get() == node(r) && node(r); }
    QImage icon(const std::string& r) const
    {
        return index(r).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    }
    // The rows as the user sees them: "name/" for a folder, and after an
    // open folder its rows in braces: "Sub/{b.sig}, a.sig".
    std::string shown(const QModelIndex& parent = {}) const
    {
        QStringList seen;
        TreeNodeModel* model = ctl->treeModel();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex i = model->index(row, 0, parent);
            if (!view()->isRowHidden(row, parent))
                seen << i.data().toString() + (model->nodeForIndex(i)->nodeData()->isGroup() ? "/" : "") +
                            (view()->isExpanded(i) ? "{" + QString::fromStdString(shown(i)) + "}" : "");
        }
        return seen.join(", ").toStdString();
    }
    // The rows shown in that folder, as shown() writes them.
    std::string rows(const std::string& folder = {}) const { return shown(index(folder)); }
    // The rows once they are `wanted`, or as they are after a while: what
    // the browser shows of changes it hears of later.
    std::string shownOnce(const std::string& wanted) const
    {
        (void)QTest::qWaitFor([&] { return shown() == wanted; }, 5000);
        return shown();
    }
    // What is on disk in that folder, as treeOf writes it.
    std::string disk(const std::string& folder = {}) const { return treeOf(bytes(folder)); }
    // What a drag of these rows carries, as Qt's view asks the model.
    std::unique_ptr<QMimeData> dragOf(const std::vector<std::string>& rs)
    {
        QModelIndexList indexes;
        for (const std::string& r : rs)
            indexes << index(r);
        select(rs);
        return std::unique_ptr<QMimeData>(ctl->treeModel()->mimeData(indexes));
    }
    bool drop(QMimeData* data, const QPoint& pos) { return dragAndDrop(view()->viewport(), data, pos) == "+++"; }
    // Drops onto the row, and waits until the drop has been carried out and
    // reported.
    bool dropped(QMimeData* data, const std::string& onto)
    {
        QSignalSpy done(ctl, &DiskViewController::dropFinished);
        return drop(data, centre(onto)) && finished(done);
    }
    bool moveByDrop(const std::vector<std::string>& rs, const std::string& onto)
    {
        auto data = dragOf(rs);
        return data && dropped(data.get(), onto);
    }
    // The drop has been carried out and its report shown.
    bool finished(QSignalSpy& spy) { return spy.count() > 0 || spy.wait(5000); }
};

// The browser on a folder "Patches" of patches, other files and folders,
// with `more` entries (as writeTree takes them) in it.
struct Fixture : Driver {
    ScopedSettings settings;
    TempDir dir;
    ScopedRecordingAlerts alerts;
    // What the browser asked of the application, in turn. Name clashes are
    // asked as "name in folder", answered from `clashAnswers` (Skip once
    // they run out).
    QStringList opened, moved, trashed, openFiles, clashes, statuses;
    QList<QUrl> revealed;
    QList<DiskViewController::ClashAnswer> clashAnswers;
    // Set: how folders move (on the browser's worker).
    DiskMoveWorker::Move moveFolder;
    // Set: the trash things really go to.
    std::string trashFolder;
    // Set: clashes are asked in the browser's own dialog.
    bool clashDialog = false;
    std::unique_ptr<DiskViewController> browser;

    explicit Fixture(const std::vector<std::string>& more = {})
    {
        root = dir / "Patches";
        writeTree(root, {"Sub/Deeper/deep.sig=DEEP", "Other/Sub/theirs.sig=THEIRS", "a.sig=A", "b.sig=B ROOT",
                         "c.bak=C", "d.sif=D", "notes.txt=N", "Sub/b.sig=B SUB", "Sub/inner.SIG=INNER",
                         "Sub/.hidden=HIDDEN", "Sub/readme.txt=README"});
        writeTree(root, more);
        makeBrowser();
        EXPECT_TRUE(browser->fillDiskViewFromPath(path("")));
        browser->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
        focusTree();
        statuses.clear();
    }
    void makeBrowser()
    {
        DiskViewController::Hooks hooks;
        hooks.openPatch = [this](const QString& p) { opened << p; };
        hooks.pathMoved = [this](const QString& from, const QString& to) { moved << from + " > " + to; };
        hooks.openUrl = [this](const QUrl& url) { return (revealed << url, true); };
        hooks.moveToTrash = [this](const QString& p) {
            trashed << p;
            return trashFolder.empty() ? DesktopTrash::Result{true, {}, {}}
                                       : DesktopTrash::moveToTrash(p.toStdString(), trashFolder);
        };
        hooks.isOpen = [this](const QString& p) { return openFiles.contains(p); };
        if (!clashDialog)
            hooks.askClash = [this](const QString& name, const QString& folder) {
                clashes << name + " in " + folder;
                return clashAnswers.isEmpty() ? DiskViewController::ClashAnswer{} : clashAnswers.takeFirst();
            };
        hooks.moveFolder = [this](const auto&... a) {
            return moveFolder ? moveFolder(a...) : DiskMove::moveFolder(a...);
        };
        browser = std::make_unique<DiskViewController>(std::move(hooks));
        ctl = browser.get();
        QObject::connect(ctl, &DiskViewController::statusChanged, [this](const QString& text) { statuses << text; });
    }
    // Every alert shown was looked at.
    ~Fixture() { EXPECT_EQ(told(), Lines{}); }
    // The alerts shown since the last call.
    Lines told() { return alertLines(std::exchange(alerts.recorded, {})); }
};

const auto bundled = [](const std::string& name) {
    return QIcon(QString::fromStdString(dataPath("icons/" + name + ".svg"))).pixmap(16, 16).toImage();
};
// Alerts that only tell, one for each text.
const auto info = [](const auto&... texts) {
    return Lines{("Informational | ALERT | " + std::string(texts) + " | OK")...};
};

} // namespace

// The folder's sub-folders and patch files show with their icons; a double
// click opens a folder (reading it) or a patch, and closes an open folder;
// the filter narrows the rows; a single click previews a patch.
TEST(DiskBrowser, BrowsesAFolderAndOpensAPatchByDoubleClick)
{
    Fixture f;
    EXPECT_EQ(named<QGroupBox>(f.browser.get(), "diskBox")->title(), "Patches");
    EXPECT_EQ(f.shown(), "Other/, Sub/, a.sig, b.sig, c.bak");
    for (const auto& [row, icon] : {std::pair{"Sub", "folderIcon"}, {"a.sig", "sigFile"}, {"c.bak", "fileIcon"}})
        EXPECT_EQ(f.icon(row), bundled(icon)) << row;

    f.clickTwice("Sub");
    EXPECT_EQ(f.shown(), "Other/, Sub/{Deeper/, b.sig, inner.SIG}, a.sig, b.sig, c.bak");
    EXPECT_EQ(f.icon("Sub/inner.SIG"), bundled("sigFile"));
    f.clickTwice("Sub");
    EXPECT_EQ(f.shown(), "Other/, Sub/, a.sig, b.sig, c.bak");
    f.clickTwice("a.sig");
    EXPECT_EQ(f.opened, QStringList{f.path("a.sig")});

    // Typing in the filter field narrows the tree to the names that hold
    // the text, in any case, anywhere below the folder (folders never opened
    // are read for it), and opens the folders that hold a match.
    auto* filter = named<QLineEdit>(f.browser.get(), "diskFilter");
    QTest::keyClicks(filter, "DEEP");
    EXPECT_EQ(f.shownOnce("Sub/{Deeper/{deep.sig}}"), "Sub/{Deeper/{deep.sig}}");
    for (const auto& [typed, wanted] : std::vector<std::pair<QString, std::string>>{
             {"theirs", "Other/{Sub/{theirs.sig}}"},
             {"B.S", "Sub/{b.sig}, b.sig"},
             // A matching folder shows what is in it.
             {"sub", "Other/{Sub/{theirs.sig}}, Sub/{Deeper/{deep.sig}, b.sig, inner.SIG}"}}) {
        filter->setText(typed);
        EXPECT_EQ(f.shown(), wanted) << typed.toStdString();
    }
    filter->clear();
    EXPECT_EQ(f.rows(), "Other/{Sub/{theirs.sig}}, Sub/{Deeper/{deep.sig}, b.sig, inner.SIG}, a.sig, b.sig, c.bak");

    // A click on a patch draws it beside the tree as `tosk-cli render`
    // would, scaled to fit; a file that does not load says so instead.
    fs::copy_file(dataPath("examples/demo.sig"), f.root / "demo.sig");
    f.browser->refresh();
    PatchPreview* preview = f.browser->preview();
    ASSERT_TRUE(preview);
    QTest::mouseClick(f.view()->viewport(), Qt::LeftButton, {}, f.centre("demo.sig"));
    ASSERT_EQ(preview->message(), QString());
    EXPECT_LE(preview->image().width(), preview->width());
    EXPECT_LE(preview->image().height(), preview->height());
    SigDocument document;
    ASSERT_TRUE(document.readFromFile(f.bytes("demo.sig")));
    SigFile& patch = *document.sigFile();
    if (PatchLayout::standsInOneColumn(patch, SigFile::kDefaultShowMode))
        patch.reposition();
    CanvasRenderer renderer(patch, patch.head().get(), SigFile::kDefaultShowMode);
    EXPECT_EQ(preview->image(), renderer.image(preview->scale()));

    for (const auto& [row, message] :
         {std::pair{"a.sig", "No preview: 'A' is not a valid operator for this SigDatabase."}, std::pair{"Sub", ""}}) {
        QTest::mouseClick(f.view()->viewport(), Qt::LeftButton, {}, f.centre(row));
        EXPECT_TRUE(preview->image().isNull()) << row;
        EXPECT_EQ(preview->message(), message);
    }
}

// The choose button shows another folder and keeps it for the next start;
// a path that is no folder is an error that leaves the tree as it was.
TEST(DiskBrowser, ChoosingAFolderKeepsItForTheNextStart)
{
    Fixture f;
    const std::string sub = "Deeper/, b.sig, inner.SIG";
    {
        ScopedScriptedFileChooser chooser;
        chooser.answers = {f.bytes("Sub"), (f.dir / "missing").string()};
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(named<QPushButton>(f.browser.get(), "chooseButton"), Qt::LeftButton);
            EXPECT_EQ(f.rows(), sub);
        }
        ASSERT_EQ(chooser.requests.size(), 2u);
        EXPECT_EQ(chooser.requests[0].title, "Choose a folder of patches");
        EXPECT_TRUE(chooser.requests[0].chooseFolders);
        EXPECT_EQ(chooser.requests[0].directory, QDir::homePath().toStdString());
        EXPECT_EQ(chooser.requests[1].directory, f.bytes("Sub")) << "starts in the stored folder";
        EXPECT_EQ(f.told(),
                  Lines{"Critical | ERROR | Invalid directory path: " + (f.dir / "missing").string() + ". | OK"});
    }
    // Another start shows the stored folder when the panel first appears.
    writeFile(f.root / "Sub/Deeper/b.sig", "B DEEPER");
    f.clashDialog = true;
    f.makeBrowser();
    f.browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.browser.get()));
    EXPECT_EQ(f.rows(), sub);
    EXPECT_EQ(named<QGroupBox>(f.browser.get(), "diskBox")->title(), "Sub");

    // Without the application's hook a clash is asked in a dialog.
    QString asked;
    whenShown<QMessageBox>([&asked](QMessageBox* box) {
        asked = box->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "Keep Both")
                button->click();
    });
    ASSERT_TRUE(f.moveByDrop({"Sub/b.sig"}, "Sub/Deeper"));
    EXPECT_EQ(asked, "b.sig already exists in Deeper");
    EXPECT_EQ(f.disk("Sub/Deeper"), "b 2.sig=B SUB\nb.sig=B DEEPER\ndeep.sig=DEEP\n");
}

// What another program adds to or takes from an open folder shows without a
// word, and the rows that stay keep their state; View ▸ Refresh (F5) reads
// every folder at once.
TEST(DiskBrowser, FilesChangedOutsideShowAtOnce)
{
    Fixture f;
    f.clickTwice("Sub");
    f.select({"a.sig"});
    QApplication::processEvents();
    writeTree(f.root, {"new.sig=NEW", "0 first.sig=FIRST", "Sub/inner.sig.bak=BAK"});
    fs::remove(f.root / "c.bak");
    const std::string changed =
        "Other/, Sub/{Deeper/, b.sig, inner.SIG, inner.sig.bak}, 0 first.sig, a.sig, b.sig, new.sig";
    EXPECT_EQ(f.shownOnce(changed), changed);
    EXPECT_TRUE(f.selects("a.sig")) << "the selection stays";

    // A folder closed and opened again shows what changed meanwhile.
    f.view()->collapse(f.index("Sub"));
    QApplication::processEvents();
    fs::remove(f.root / "Sub/b.sig");
    QTest::qWait(2 * DiskViewController::kRefreshDelayMs);
    f.view()->expand(f.index("Sub"));
    const std::string reopened = "Other/, Sub/{Deeper/, inner.SIG, inner.sig.bak}, 0 first.sig, a.sig, b.sig, new.sig";
    EXPECT_EQ(f.shownOnce(reopened), reopened);

    EXPECT_TRUE(named<QMenu>(f.browser.get(), "menuView")
                    ->actions()
                    .contains(named<QAction>(f.browser.get(), "actionDiskRefresh")));
    writeFile(f.root / "now.sig", "NOW");
    f.press({}, Qt::Key_F5);
    EXPECT_EQ(f.shown(), reopened + ", now.sig");
}

// Files and folders move by drop onto a folder row; nothing is ever
// replaced, and the user is told what stayed where it was.
TEST(DiskBrowser, MovesByDropWithoutReplacingAnything)
{
    Fixture f;
    const QString aBefore = f.canonical("a.sig");
    auto data = f.dragOf({"a.sig", "b.sig"});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), f.path("a.sig") + "\n" + f.path("b.sig"));
    ASSERT_TRUE(f.dropped(data.get(), "Sub"));
    // b.sig's name was taken there: asked, skipped, it stays.
    EXPECT_EQ(f.clashes, QStringList{"b.sig in Sub"});
    EXPECT_EQ(f.rows(), "Other/, Sub/, b.sig, c.bak");
    EXPECT_EQ(f.rows("Sub"), "Deeper/, a.sig, b.sig, inner.SIG");
    EXPECT_EQ(f.moved, QStringList{aBefore + " > " + f.canonical("Sub/a.sig")});
    EXPECT_EQ(f.statuses.last(), "moving a.sig to Sub");
    // The status line clears itself.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return f.browser->statusText().isEmpty(); }, DiskViewController::kStatusClearMs + 2000));

    // Clashes are asked about once with "Apply to all": both kept under free
    // names; the drop is one step for Undo.
    EXPECT_TRUE(f.browser->undo());
    writeFile(f.root / "Sub/a.sig", "A SUB");
    f.browser->refresh();
    const std::string before = f.disk();
    f.clashes.clear();
    f.clashAnswers = {{DiskClash::Choice::KeepBoth, true}};
    ASSERT_TRUE(f.moveByDrop({"a.sig", "b.sig"}, "Sub"));
    EXPECT_EQ(f.clashes, QStringList{"a.sig in Sub"});
    EXPECT_EQ(f.rows("Sub"), "Deeper/, a 2.sig, a.sig, b 2.sig, b.sig, inner.SIG");
    EXPECT_TRUE(f.browser->undo());
    EXPECT_EQ(f.disk(), before);
    EXPECT_EQ(f.rows(), "Other/, Sub/, a.sig, b.sig, c.bak");
}

// Where a drop may not go: between rows, onto a file, onto the folder the
// items are in, into a dragged folder itself, into a link. A link shows as
// a link: it is not opened as a folder, and a bank dropped onto the folder
// that holds a link of the bank's name is not written through it.
TEST(DiskBrowser, RefusesDropsWhereTheyCannotGoAndShowsLinksAsLinks)
{
    Fixture f;
    fs::create_directory_symlink(f.root / "Other", f.root / "Linked");
    f.browser->refresh();
    EXPECT_EQ(f.shown(), "Other/, Sub/, a.sig, b.sig, c.bak, Linked");
    EXPECT_EQ(f.icon("Linked"), bundled("linkIcon"));
    f.clickTwice("Sub");
    const QRect subRow = f.view()->visualRect(f.index("Sub"));
    for (const auto& [what, dragged, at] : std::vector<std::tuple<const char*, std::vector<std::string>, QPoint>>{
             {"between two rows", {"a.sig"}, QPoint(subRow.center().x(), subRow.top() + 1)},
             {"onto a file", {"a.sig"}, f.centre("b.sig")},
             {"onto its own folder (the space below the rows)", {"a.sig"}, f.centre("")},
             {"a folder into its sub-folder", {"Sub"}, f.centre("Sub/Deeper")},
             {"a folder onto its parent", {"Sub/Deeper"}, f.centre("Sub")},
             {"into a link", {"a.sig"}, f.centre("Linked")},
         }) {
        auto data = f.dragOf(dragged);
        ASSERT_TRUE(data) << what;
        EXPECT_FALSE(f.drop(data.get(), at)) << what;
    }
    // Data that is not a browser's drag, even of the right type.
    QMimeData foreign;
    foreign.setData(DiskDragMimeData::mimeType, "/etc/passwd");
    EXPECT_FALSE(f.drop(&foreign, f.centre("Sub")));
    // Rows of another browser's tree.
    ASSERT_TRUE(f.node("a.sig"));
    DiskDragMimeData elsewhere(std::vector<TreeNode::Ptr>{f.node("a.sig")->shared_from_this()}, &foreign, "a.sig");
    EXPECT_FALSE(f.drop(&elsewhere, f.centre("Sub")));
    // A drag of rows from before the folder was read anew.
    auto stale = f.dragOf({"a.sig"});
    ASSERT_TRUE(f.browser->fillDiskViewFromPath(f.path("")));
    EXPECT_FALSE(f.drop(stale.get(), f.centre("Sub")));

    f.clickTwice("Linked");
    EXPECT_TRUE(f.opened.isEmpty());
    EXPECT_EQ(f.browser->statusText(), "Linked is a link to " + f.path("Other"));
    DiskDragMimeData bankDrop(std::vector<DiskDropItem::Ptr>{bank("Linked", {patch("X", "XX")})}, "Linked");
    ASSERT_TRUE(f.dropped(&bankDrop, ""));
    EXPECT_EQ(f.disk("Other"), "Sub/\nSub/theirs.sig=THEIRS\n");
    EXPECT_EQ(f.told(), info("Linked already exists in Patches"));
    // A link moves as a link: no window follows it to what it leads to.
    ASSERT_TRUE(f.moveByDrop({"Linked"}, "Sub"));
    EXPECT_TRUE(fs::is_symlink(f.root / "Sub/Linked"));
    EXPECT_TRUE(f.moved.isEmpty());
}

// A folder copied to another file system moves on the browser's worker:
// the window stays free, shows how far the copy is and offers Stop. Stop,
// closing the window and the browser going away each end the copy with
// nothing of it left behind.
TEST(DiskBrowser, AFolderCopiedElsewhereMovesOnAWorkerAndStopsCleanly)
{
    Fixture f({"Spare/spare.sig=SPARE"});
    QSignalSpy done(f.browser.get(), &DiskViewController::dropFinished);
    // The copying way, as across file systems; held after its first entry
    // until it is told to stop (for a while only: a copy that nobody stops
    // then ends, and the test fails instead of waiting for ever).
    std::atomic<bool> hold{true}, copying{false};
    f.moveFolder = [&](const std::string& folder, const std::string& target, const DiskMove::CopyControl& control) {
        DiskMove::CopyControl held = control;
        held.progress = [&, control](size_t n, size_t total) {
            control.progress(n, total);
            copying = true;
            for (int i = 0; hold && !control.stop->load() && i < 3000; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        return DiskMove::moveFolderByCopy(folder, (fs::path(target) / fs::path(folder).filename()).string(), held);
    };
    auto* stop = named<QPushButton>(f.browser.get(), "stopButton");

    // Not held, it moves whole, telling how far it is.
    hold = false;
    const QString otherBefore = f.canonical("Other");
    ASSERT_TRUE(f.moveByDrop({"Other"}, "Sub"));
    EXPECT_EQ(f.moved, QStringList{otherBefore + " > " + f.canonical("Sub/Other")});
    EXPECT_EQ(f.statuses.mid(1),
              (QStringList{"moving Other to Sub", "moving Other to Sub: 1 of 2", "moving Other to Sub: 2 of 2"}));
    EXPECT_EQ(f.rows(), "Spare/, Sub/, a.sig, b.sig, c.bak");

    // Held: Stop, closing the window, the browser going away (it stops the
    // copy and waits for it to end).
    hold = true;
    const std::string before = f.disk();
    const std::vector<std::function<void()>> ends = {[&] { QTest::mouseClick(stop, Qt::LeftButton); },
                                                     [&] { f.browser->close(); }, [&] { f.browser.reset(); }};
    for (size_t end = 0; end < ends.size(); ++end) {
        SCOPED_TRACE(end);
        copying = false;
        done.clear();
        auto data = f.dragOf({"Spare"});
        ASSERT_TRUE(f.drop(data.get(), f.centre("Sub")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return copying.load(); }, 5000));
        EXPECT_TRUE(f.browser->isCopying());
        EXPECT_TRUE(stop->isVisible());
        ends[end]();
        if (f.browser) {
            ASSERT_TRUE(f.finished(done));
            EXPECT_FALSE(f.browser->isCopying());
            f.browser->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(f.browser.get()));
            EXPECT_FALSE(stop->isVisible());
        }
        EXPECT_EQ(f.disk(), before);
    }
}

// Items dropped from a unit browser are fetched one by one and saved as
// ".sig" files with safe, distinct names (which names are safe is
// SafeFileName's to say); files already there are kept and never fetched;
// the user is told what was renamed, kept or not saved.
TEST(DiskBrowser, UnitDropsAreSavedAsSigFilesWithSafeNames)
{
    Fixture f({"Backup/Kept.sig=MINE", "Backup/Pad.sig=OLD PAD", "Backup/Lead.sig=OLD LEAD"});
    auto kept = patch("Kept", "THEIRS");
    kept->onFetch = [] { ADD_FAILURE() << "a file already there is not fetched"; };
    auto hall = patch("Hall", "HALL 1");
    auto silent = patch("Silent", std::nullopt, "no reply");
    auto reverbs = bank("Reverbs", {hall, patch("Hall", "HALL 2"), silent});
    // While the unit is busy the window goes on: events run, another drop
    // is refused, the Stop button shows, nothing selected goes to the Trash.
    f.select({"a.sig"});
    auto* trash = named<QAction>(f.browser.get(), "actionDiskTrash");
    auto* stop = named<QPushButton>(f.browser.get(), "stopButton");
    bool busyWhileFetching = false;
    hall->onFetch = [&] {
        auto more = std::make_unique<DiskDragMimeData>(std::vector<DiskDropItem::Ptr>{patch("More", "M")}, "More");
        busyWhileFetching = f.browser->isCopying() && stop->isVisible() && !f.drop(more.get(), f.centre("Backup")) &&
                            !trash->isEnabled();
    };
    // Banks become folders under safe names, that stay in the target; a
    // second bank of one name gets a folder of its own. A patch whose name is
    // taken on disk is asked about: skipped, the file there replaced (it goes
    // to the trash), or both kept.
    f.trashFolder = (f.dir / "Trash").string();
    f.clashAnswers = {
        {DiskClash::Choice::Skip, false}, {DiskClash::Choice::Replace, false}, {DiskClash::Choice::KeepBoth, false}};
    DiskDragMimeData data({kept, reverbs, bank("..", {patch("Deep", "DEEP")}), bank("Twin", {patch("One", "ONE")}),
                           bank("Twin", {patch("Two", "TWO")}), patch("Pad", "NEW PAD"), patch("Lead", "NEW LEAD")},
                          "patches");
    ASSERT_TRUE(f.dropped(&data, "Backup"));
    EXPECT_FALSE(f.browser->isCopying());
    EXPECT_TRUE(busyWhileFetching);
    EXPECT_FALSE(stop->isVisible());

    EXPECT_EQ(f.disk("Backup"), "--/\n--/Deep.sig=DEEP\nKept.sig=MINE\nLead 2.sig=NEW LEAD\nLead.sig=OLD LEAD\n"
                                "Pad.sig=NEW PAD\nReverbs/\nReverbs/Hall 2.sig=HALL 2\nReverbs/Hall.sig=HALL 1\n"
                                "Twin 2/\nTwin 2/Two.sig=TWO\nTwin/\nTwin/One.sig=ONE\n");
    EXPECT_EQ(readFile(f.dir / "Trash/files/Pad.sig"), "OLD PAD");
    EXPECT_EQ(f.told(), info("Kept.sig already exists in Backup\nHall was saved as Hall 2.sig\n"
                             "Silent was not saved: no reply\n.. was saved as --\nTwin was saved as Twin 2\n"
                             "Lead was saved as Lead 2.sig"));
    // The target was read again: its new entries show.
    EXPECT_EQ(f.rows("Backup"), "--/, Reverbs/, Twin/, Twin 2/, Kept.sig, Lead 2.sig, Lead.sig, Pad.sig");

    // The same drop again keeps every file and says so.
    DiskDragMimeData again(std::vector<DiskDropItem::Ptr>{bank("Reverbs", {patch("Hall", "NEW")})}, "Reverbs");
    ASSERT_TRUE(f.dropped(&again, "Backup"));
    EXPECT_EQ(readFile(f.root / "Backup/Reverbs/Hall.sig"), "HALL 1");
    EXPECT_EQ(f.told(), info("Hall.sig already exists in Reverbs"));
    EXPECT_EQ(f.clashes,
              (QStringList{"Kept.sig in Backup", "Pad.sig in Backup", "Lead.sig in Backup", "Hall.sig in Reverbs"}));
}

// A copy from a unit makes it run each patch fetched: what it ran is kept
// first and sent back at the end, however the copy ends; when it cannot be
// kept, the user says whether to go on.
TEST(DiskBrowser, AUnitDropKeepsThePatchTheUnitRuns)
{
    Fixture f;
    auto source = std::make_shared<FakeSource>();
    // A drop of these items from the unit, each fetch recorded among its calls.
    auto from = [&](const std::vector<DiskDropItem::Ptr>& items) {
        for (const DiskDropItem::Ptr& item : items)
            static_cast<FakeItem&>(*item).calls = &source->calls;
        auto data = std::make_unique<DiskDragMimeData>(items, "patches");
        data->setSource(source);
        source->calls.clear();
        return data;
    };
    // Not kept: the user is asked, and Cancel copies nothing.
    source->keeps = false;
    for (const auto& [answer, calls] : {std::pair{1, Lines{"keep"}}, std::pair{0, Lines{"keep", "fetch Three"}}}) {
        f.alerts.answers = {answer};
        ASSERT_TRUE(f.dropped(from({patch("Three", "3")}).get(), "Sub"));
        EXPECT_EQ(source->calls, calls);
        EXPECT_EQ(fs::exists(f.root / "Sub/Three.sig"), answer == 0);
        EXPECT_EQ(f.told(),
                  Lines{"Warning | ALERT | The patch running on the unit could not be read: no reply\n\nCopying loads "
                        "each patch on the unit in turn: the unit will be left running the last one copied, and the "
                        "patch it runs now is lost unless it is stored on the unit.\n\nCopy anyway? | Copy Anyway "
                        "Cancel"});
    }

    // Cancelled on the unit's side, or stopped with the Stop button: what was
    // saved stays, nothing more is fetched, what ran is sent back all the same
    // (as it is after a whole copy: UnitBrowser.BacksUpOrDropsBanksOnDisk...).
    source->keeps = true;
    auto cancelled = patch("Cancelled", "2"), stopped = patch("Stopped", "4");
    cancelled->cancel = true;
    auto* stop = named<QPushButton>(f.browser.get(), "stopButton");
    stopped->onFetch = [&] { QTimer::singleShot(0, [&] { QTest::mouseClick(stop, Qt::LeftButton); }); };
    for (const auto& [items, calls] : std::vector<std::pair<std::vector<DiskDropItem::Ptr>, Lines>>{
             {{patch("First", "1"), cancelled, patch("Never", "3")},
              {"keep", "fetch First", "fetch Cancelled", "restore"}},
             {{stopped, patch("After", "5")}, {"keep", "fetch Stopped", "restore"}}}) {
        f.statuses.clear();
        ASSERT_TRUE(f.dropped(from(items).get(), "Other"));
        EXPECT_EQ(source->calls, calls);
        EXPECT_TRUE(f.statuses.contains("Sending the patch that was running back to the unit..."));
        EXPECT_EQ(f.told(), info("not sent back: no reply"));
        EXPECT_FALSE(f.browser->isCopying());
        EXPECT_EQ(f.disk("Other"), "First.sig=1\nSub/\nSub/theirs.sig=THEIRS\n");
    }
}

// New Folder, Rename, Move to Trash and Reveal in File Manager.
TEST(DiskBrowser, NewFolderRenameTrashAndReveal)
{
    Fixture f;
    QString offered;
    // The next input dialog: what it offered, and the answer typed.
    auto answer = [&](const QString& typed) {
        whenShown<QInputDialog>(
            [&offered, typed](QInputDialog* d) { offered = d->textValue(), d->setTextValue(typed), d->accept(); });
    };
    f.select({});
    EXPECT_FALSE(named<QAction>(f.browser.get(), "actionDiskTrash")->isEnabled()) << "nothing selected";
    answer("Presets");
    f.browser->newFolder();
    EXPECT_EQ(offered, "New Folder");
    EXPECT_EQ(f.rows(), "Other/, Presets/, Sub/, a.sig, b.sig, c.bak");
    EXPECT_TRUE(f.selects("Presets"));

    // Into the selected folder; names that are no names, or taken, refused.
    DiskFileTreeNode* presets = f.node("Presets");
    ASSERT_TRUE(presets);
    EXPECT_TRUE(f.browser->createFolder(*presets, "Live"));
    EXPECT_EQ(f.disk("Presets"), "Live/\n");
    for (const char* refused : {"", ".x", "a/b", "Live"})
        EXPECT_FALSE(f.browser->createFolder(*presets, refused)) << refused;
    const std::string noName =
        "\" cannot be a name: a name is not empty, holds no \"/\" and does not start with \".\".";
    EXPECT_EQ(f.told(), info("\"" + noName, "\".x" + noName, "\"a/b" + noName, "Live already exists in Presets"));

    // Rename through its dialog; the window of the file follows. A name
    // typed without the extension keeps the file a patch.
    const QString aBefore = f.canonical("a.sig");
    answer("z");
    f.press({"a.sig"}, Qt::Key_F2);
    EXPECT_EQ(offered, "a.sig");
    EXPECT_EQ(readFile(f.root / "z.sig"), "A");
    EXPECT_EQ(f.moved, QStringList{aBefore + " > " + f.canonical("z.sig")});
    EXPECT_EQ(f.rows(), "Other/, Presets/{Live/}, Sub/, b.sig, c.bak, z.sig");

    // Ctrl+Z takes the rename back, Ctrl+Shift+Z makes it again; Edit ▸
    // Undo names it. Taken back once the old name is taken: nothing moves.
    emit named<QMenu>(f.browser.get(), "menuEdit")->aboutToShow();
    EXPECT_EQ(named<QAction>(f.browser.get(), "actionUndo")->text(), "Undo Rename");
    f.press({"z.sig"}, Qt::ControlModifier | Qt::Key_Z);
    EXPECT_EQ(readFile(f.root / "a.sig"), "A");
    EXPECT_EQ(f.moved.last(), f.canonical("z.sig") + " > " + f.canonical("a.sig"));
    EXPECT_TRUE(f.selects("a.sig"));
    QTest::keyClick(f.view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(readFile(f.root / "z.sig"), "A");
    writeFile(f.root / "a.sig", "NEW A");
    QTest::keyClick(f.view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.told(), info("Cannot undo Rename: " + f.bytes("a.sig") + " exists already"));
    fs::remove(f.root / "a.sig");
    f.browser->refresh();
    ASSERT_TRUE(f.node("z.sig"));
    EXPECT_FALSE(f.browser->renameNode(*f.node("z.sig"), "b.sig"));
    EXPECT_EQ(f.told(), info("b.sig already exists in Patches"));

    // Reveal: the folder of a file, a folder itself, the shown folder.
    for (const auto& selection : std::vector<std::vector<std::string>>{{"z.sig"}, {"Presets"}, {}}) {
        f.select(selection);
        f.browser->revealSelection();
    }
    EXPECT_EQ(f.revealed, (QList<QUrl>{QUrl::fromLocalFile(f.path("")), QUrl::fromLocalFile(f.path("Presets")),
                                       QUrl::fromLocalFile(f.path(""))}));

    // Trash, once the user agrees: a file open in a window stays; the rest
    // goes.
    f.openFiles << f.canonical("b.sig");
    f.alerts.answers = {1};
    f.press({"b.sig", "z.sig", "Presets"}, Qt::Key_Delete);
    EXPECT_TRUE(f.trashed.isEmpty()) << "cancelled";
    f.press({"b.sig", "z.sig", "Presets"}, Qt::Key_Delete);
    EXPECT_EQ(f.trashed, (QStringList{f.path("Presets"), f.path("z.sig")}));
    EXPECT_EQ(f.rows(), "Other/, Sub/, b.sig, c.bak");
    EXPECT_EQ(f.told(), (Lines{"Warning | ALERT | Move these 3 items to the Trash? | Move to Trash Cancel",
                               "Warning | ALERT | Move these 3 items to the Trash? | Move to Trash Cancel",
                               "Informational | ALERT | b.sig is open in a window: close it before moving it to the "
                               "Trash. | OK"}));
    EXPECT_EQ(f.browser->statusText(), "2 items were moved to the Trash.");
}

// Window ▸ Disk Browser shows the browser with the stored folder; a double
// click opens the patch in a window, and that window follows its file when
// the file moves or is renamed, and keeps it out of the trash. What is not
// open goes to the user's trash; what cannot reach it stays, told why.
TEST(DiskBrowser, TheMenuShowsItAndOpenWindowsFollowTheirFiles)
{
    App app;
    writeTree(app.dir / "Patches", {"Moved/", "a.sig=A", "b.sig=B"});
    fs::copy_file(dataPath("examples/demo.sig"), app.dir / "Patches/demo.sig");
    app.store.setValue("DiskPatchPath", (app.dir / "Patches").string());
    ScopedRecordingAlerts alerts;
    QMenuBar bar;
    ApplicationMenu::build(&bar, app.delegate);
    named<QAction>(&bar, "actionShowDiskView")->trigger();
    Driver d{app.dir / "Patches", app.delegate.diskViewController()};
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.ctl));
    EXPECT_TRUE(d.ctl->findChild<QAction*>("actionShowDiskView")) << "the browser carries the menu";
    d.clickTwice("demo.sig");
    ASSERT_EQ(app.documents->windows().size(), 1u);
    GraphicWindowController* window = app.documents->windows().front();
    auto file = [&] { return QString::fromStdString(window->sigDocument()->fileName()); };
    EXPECT_EQ(file(), d.canonical("demo.sig"));

    ASSERT_TRUE(d.moveByDrop({"demo.sig"}, "Moved"));
    EXPECT_EQ(file(), d.canonical("Moved/demo.sig"));
    EXPECT_EQ(app.documents->windowForPath(d.canonical("Moved/demo.sig")), window);
    ASSERT_TRUE(d.node("Moved/demo.sig"));
    ASSERT_TRUE(d.ctl->renameNode(*d.node("Moved/demo.sig"), "hall.sig"));
    EXPECT_EQ(file(), d.canonical("Moved/hall.sig"));
    EXPECT_EQ(window->windowTitle(), "hall");

    // The file, and the folder that holds it, stay out of the trash.
    ScopedEnv home("HOME", (app.dir / "home").string());
    ScopedEnv data("XDG_DATA_HOME", ""); // not a path: unset
    for (const char* open : {"Moved", "Moved/hall.sig"})
        EXPECT_FALSE(d.trash(open)) << open;
    EXPECT_EQ(alertLines(std::exchange(alerts.recorded, {})),
              info("Moved is open in a window: close it before moving it to the Trash.",
                   "hall.sig is open in a window: close it before moving it to the Trash."));
    EXPECT_TRUE(d.trash("a.sig"));
    EXPECT_EQ(d.ctl->statusText(), "a.sig was moved to the Trash.");
    EXPECT_EQ(readFile(app.dir / "home/.local/share/Trash/files/a.sig"), "A");
    fs::remove_all(app.dir / "home");
    writeTree(app.dir.path(), {"home/.local=a file where the trash would go"});
    EXPECT_FALSE(d.trash("b.sig"));
    EXPECT_THAT(alertLines(alerts.recorded),
                ElementsAre(StartsWith("Informational | ALERT | b.sig was not moved to the Trash: the Trash folder ")));
    EXPECT_TRUE(d.node("b.sig")) << "its row stays";

    // Saving writes where the file is now.
    ASSERT_TRUE(app.documents->saveDocument(*window));
    EXPECT_EQ(namesIn(d.root), (std::set<std::string>{"Moved", "b.sig"})) << "nothing is written where the file was";
}

// Beside each name the patch's title, time, size and module count; a click
// on a column's header sorts by it, a second click the other way round,
// folders first throughout.
TEST(DiskBrowser, AClickOnAColumnHeaderSortsTheRows)
{
    const std::string patchA = "HEADM adc \"Zeta\" a\nLFO a\nLFO b\nLFO c\nTAIL x\n";
    Fixture f({"Lib/Folder 10/", "Lib/Folder 2/", "Lib/alpha.sig=" + patchA,
               "Lib/beta.sig=HEADM adc \"Alpha\" b\nLFO a\nTAIL x\n",
               "Lib/gamma.sig=HEADM adc \"Mid\" c\nLFO a\nLFO b\n"});
    ASSERT_TRUE(f.browser->fillDiskViewFromPath(f.path("Lib")));
    TreeNodeModel* model = f.browser->treeModel();
    auto column = [&](int section) {
        QStringList out = {model->headerData(section, Qt::Horizontal).toString()};
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, section).data().toString();
        return out;
    };
    EXPECT_EQ(column(0), (QStringList{"Name", "Folder 2", "Folder 10", "alpha.sig", "beta.sig", "gamma.sig"}));
    // The files are read off the main thread; their rows show them once read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return column(4) == QStringList{"Modules", "", "", "3", "1", "2"}; }, 5000))
        << column(4).join(",").toStdString();
    EXPECT_EQ(column(1), (QStringList{"Title", "", "", "Zeta", "Alpha", "Mid"}));
    EXPECT_EQ(column(3)[3], QLocale().formattedDataSize(qint64(patchA.size())));
    EXPECT_EQ(column(2)[0] + ", " + column(3)[0], "Modified, Size");
    EXPECT_TRUE(QDateTime::fromString(column(2)[3], "yyyy-MM-dd HH:mm").isValid()) << column(2)[3].toStdString();

    QHeaderView* header = f.view()->header();
    for (const auto& [section, rows] :
         std::vector<std::pair<int, std::string>>{{1, "Folder 2/, Folder 10/, beta.sig, gamma.sig, alpha.sig"},
                                                  {1, "Folder 10/, Folder 2/, alpha.sig, gamma.sig, beta.sig"},
                                                  {4, "Folder 2/, Folder 10/, beta.sig, gamma.sig, alpha.sig"},
                                                  {3, "Folder 2/, Folder 10/, gamma.sig, beta.sig, alpha.sig"},
                                                  {3, "Folder 10/, Folder 2/, alpha.sig, beta.sig, gamma.sig"},
                                                  {0, "Folder 2/, Folder 10/, alpha.sig, beta.sig, gamma.sig"},
                                                  {4, "Folder 2/, Folder 10/, beta.sig, gamma.sig, alpha.sig"}}) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
        EXPECT_EQ(f.shown(), rows) << section;
    }
    // A file that comes in takes its place in the order chosen.
    writeFile(f.root / "Lib/delta.sig", "HEADM adc \"D\" d\nLFO a\nLFO b\nLFO c\nLFO d\n");
    f.browser->refresh();
    EXPECT_EQ(f.shown(), "Folder 2/, Folder 10/, beta.sig, gamma.sig, alpha.sig, delta.sig");
}
