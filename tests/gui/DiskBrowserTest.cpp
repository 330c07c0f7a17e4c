// SPDX-License-Identifier: GPL-3.0-or-later
// The disk browser, driven as a user drives it: rows clicked, drops sent as
// the drag events Qt delivers (QDrag::exec returns at once offscreen), the
// file system looked at afterwards.
#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "app/ApplicationMenu.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/DiskDropItem.h"
#include "base/FileChooser.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/DiskOutlineView.h"
#include "browsers/DiskViewController.h"
#include "browsers/PatchPreview.h"
#include "browsers/TreeNodeModel.h"
#include "canvas/CanvasRenderer.h"
#include "comms/DiskMove.h"
#include "gui/GuiTestSupport.h"
#include "support/DragAndDrop.h"
#include "support/ScopedSettings.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

// Failures show texts, not bytes.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

using namespace tosk;
using namespace tosk::test;

namespace {

// A unit browser's item: answers after a little while, as a unit does.
class FakeItem : public DiskDropItem {
public:
    FakeItem(std::string name, std::optional<std::string> text, std::string failure = {})
        : name_(std::move(name)), text_(std::move(text)), failure_(std::move(failure))
    {
    }
    FakeItem(std::string name, std::vector<Ptr> items) : name_(std::move(name)), group_(true), items_(std::move(items))
    {
    }
    std::string fileName() const override { return name_; }
    bool isGroup() const override { return group_; }
    void readItems(std::function<void(Read)> done) override
    {
        Read read{items_, {}, false};
        QTimer::singleShot(5, [done, read] { done(read); });
    }
    void fetchSigText(std::function<void(Fetched)> done) override
    {
        ++fetches;
        if (onFetch)
            onFetch();
        Fetched fetched{text_, failure_, cancel};
        QTimer::singleShot(5, [done, fetched] { done(fetched); });
    }
    int fetches = 0;
    bool cancel = false;
    std::function<void()> onFetch;

private:
    std::string name_;
    std::optional<std::string> text_;
    std::string failure_;
    bool group_ = false;
    std::vector<Ptr> items_;
};

// The unit a drop comes from: keeps its running patch (or cannot), and
// sends it back; `calls` records the order of both among the fetches.
class FakeSource : public DiskDropSource {
public:
    void keepRunningPatch(std::function<void(Kept)> done) override
    {
        calls.push_back("keep");
        const Kept kept{keeps, keeps ? "" : "no reply", false};
        QTimer::singleShot(5, [done, kept] { done(kept); });
    }
    void restoreRunningPatch(std::function<void(Restored)> done) override
    {
        calls.push_back("restore");
        QTimer::singleShot(5, [done] { done(Restored{false, "not sent back: no reply"}); });
    }
    bool keeps = true;
    std::vector<std::string> calls;
};

std::shared_ptr<FakeItem> patch(const std::string& name, const std::string& text)
{
    return std::make_shared<FakeItem>(name, text);
}

std::shared_ptr<FakeItem> bank(const std::string& name, std::vector<DiskDropItem::Ptr> items)
{
    return std::make_shared<FakeItem>(name, std::move(items));
}

// A double click as the user makes it: QTest's sends the second press
// alone, which an item view takes for a first press.
void clickTwice(QWidget* viewport, const QPoint& pos)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    doubleClick(viewport, pos);
}

struct Recorded {
    QStringList opened;
    QStringList moved;
    QList<QUrl> revealed;
    QStringList trashed;
    QStringList openFiles;
    // Name clashes asked ("name in folder") and the answers given, in turn
    // (Skip once they run out).
    QStringList clashes;
    std::vector<DiskViewController::ClashAnswer> clashAnswers;
};

struct Fixture {
    ScopedSettings settings;
    TempDir dir;
    ScopedRecordingAlerts alerts;
    Recorded recorded;
    // Set: how folders move (on the browser's worker).
    DiskMoveWorker::Move moveFolder;
    // Set: the trash things really go to.
    std::string trash;
    std::unique_ptr<DiskViewController> browser;

    Fixture()
    {
        fs::create_directories(dir / "Patches" / "Sub" / "Deeper");
        fs::create_directories(dir / "Patches" / "Other" / "Sub");
        writeFile(dir / "Patches" / "a.sig", "A");
        writeFile(dir / "Patches" / "b.sig", "B ROOT");
        writeFile(dir / "Patches" / "c.bak", "C");
        writeFile(dir / "Patches" / "d.sif", "D");
        writeFile(dir / "Patches" / "notes.txt", "N");
        writeFile(dir / "Patches" / "Sub" / "b.sig", "B SUB");
        writeFile(dir / "Patches" / "Sub" / "inner.SIG", "INNER");
        writeFile(dir / "Patches" / "Sub" / ".hidden", "HIDDEN");
        writeFile(dir / "Patches" / "Sub" / "readme.txt", "README");
        writeFile(dir / "Patches" / "Sub" / "Deeper" / "deep.sig", "DEEP");
        writeFile(dir / "Patches" / "Other" / "Sub" / "theirs.sig", "THEIRS");
        makeBrowser();
        EXPECT_TRUE(browser->fillDiskViewFromPath(path("Patches")));
        browser->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
        focusTree();
    }
    // The keys of the browser's commands work where the tree has the focus
    // in the active window (a dialog took it away).
    void focusTree()
    {
        browser->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        view()->setFocus();
    }
    ~Fixture() { browser.reset(); }
    void makeBrowser()
    {
        DiskViewController::Hooks hooks;
        hooks.openPatch = [this](const QString& p) { recorded.opened << p; };
        hooks.pathMoved = [this](const QString& from, const QString& to) { recorded.moved << from + " > " + to; };
        hooks.openUrl = [this](const QUrl& url) {
            recorded.revealed << url;
            return true;
        };
        hooks.moveToTrash = [this](const QString& p) {
            recorded.trashed << p;
            if (!trash.empty())
                return DesktopTrash::moveToTrash(p.toStdString(), trash);
            DesktopTrash::Result trashed;
            trashed.trashed = true;
            return trashed;
        };
        hooks.isOpen = [this](const QString& p) { return recorded.openFiles.contains(p); };
        hooks.askClash = [this](const QString& name, const QString& folder) {
            recorded.clashes << name + " in " + folder;
            DiskViewController::ClashAnswer answer;
            if (!recorded.clashAnswers.empty()) {
                answer = recorded.clashAnswers.front();
                recorded.clashAnswers.erase(recorded.clashAnswers.begin());
            }
            return answer;
        };
        hooks.moveFolder = [this](const std::string& folder, const std::string& target,
                                  const DiskMove::CopyControl& control) {
            return moveFolder ? moveFolder(folder, target, control) : DiskMove::moveFolder(folder, target, control);
        };
        browser = std::make_unique<DiskViewController>(std::move(hooks));
    }
    QString path(const std::string& relative) const { return QString::fromStdString((dir / relative).string()); }
    std::string bytes(const std::string& relative) const { return (dir / relative).string(); }
    DiskOutlineView* view() const { return browser->outlineView(); }
    QModelIndex index(const std::string& relative) const
    {
        DiskFileTreeNode* node = browser->nodeForPath(bytes(relative));
        return node ? browser->treeModel()->indexForNode(node) : QModelIndex();
    }
    QPoint centre(const std::string& relative) const { return view()->visualRect(index(relative)).center(); }
    DiskFileTreeNode* node(const std::string& relative) const { return browser->nodeForPath(bytes(relative)); }
    // Selects the rows of these paths.
    void select(const std::vector<std::string>& relatives)
    {
        std::vector<TreeNode::Ptr> nodes;
        for (const std::string& r : relatives) {
            if (DiskFileTreeNode* shown = node(r))
                nodes.push_back(shown->shared_from_this());
            else
                ADD_FAILURE() << r << " is not shown";
        }
        view()->selectItems(nodes, false);
    }
    QImage icon(const std::string& relative) const
    {
        return index(relative).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    }
    // The names of the rows shown under `parent`, with "/" after folders.
    QStringList rows(const QModelIndex& parent = {}) const
    {
        QStringList names;
        TreeNodeModel* model = browser->treeModel();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex i = model->index(row, 0, parent);
            if (!view()->isRowHidden(row, parent))
                names << i.data().toString() + (model->nodeForIndex(i)->nodeData()->isGroup() ? "/" : "");
        }
        return names;
    }
    // The rows under `parent` once they are `wanted`, or as they are after
    // a while: what the browser shows of changes it hears of later.
    QStringList rowsOnce(const QStringList& wanted, const std::string& parent = {}) const
    {
        auto now = [&] { return rows(parent.empty() ? QModelIndex() : index(parent)); };
        (void)QTest::qWaitFor([&] { return now() == wanted; }, 5000);
        return now();
    }
    // What a drag of these rows carries, as Qt's view asks the model.
    std::unique_ptr<QMimeData> dragOf(const std::vector<std::string>& relatives)
    {
        QModelIndexList indexes;
        std::vector<TreeNode::Ptr> nodes;
        for (const std::string& r : relatives) {
            indexes << index(r);
            nodes.push_back(browser->treeModel()->nodePtrForIndex(index(r)));
        }
        view()->selectItems(nodes, false);
        return std::unique_ptr<QMimeData>(browser->treeModel()->mimeData(indexes));
    }
    bool drop(QMimeData* data, const QPoint& pos) { return dragAndDrop(view()->viewport(), data, pos) == "+++"; }
    // Drops, and waits until the drop has been carried out and reported.
    bool dropped(QMimeData* data, const QPoint& pos)
    {
        QSignalSpy done(browser.get(), &DiskViewController::dropFinished);
        return drop(data, pos) && (done.count() > 0 || done.wait(5000));
    }
    // The drop has been carried out and its report shown.
    bool finished(QSignalSpy& spy) { return spy.count() > 0 || spy.wait(5000); }
    QString canonical(const std::string& relative) const
    {
        return QString::fromStdString(fs::weakly_canonical(dir / relative).string());
    }
};

QImage bundled(const char* name)
{
    return QIcon(QString::fromStdString(dataPath(std::string("icons/") + name + ".svg"))).pixmap(16, 16).toImage();
}

// Every entry under `folder`, sorted: "name/" for a folder, "name=contents"
// for a file.
std::vector<std::string> contentsOf(const fs::path& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        found.push_back(entry.is_directory() ? name + "/" : name + "=" + readFile(entry.path()));
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The texts a statusChanged spy saw.
QStringList texts(const QSignalSpy& spy)
{
    QStringList shown;
    for (const auto& args : spy)
        shown << args.at(0).toString();
    return shown;
}

} // namespace

// The folder's sub-folders and patch files show with their icons; a double
// click opens a folder (reading it) or a patch, and closes an open folder.
TEST(DiskBrowser, BrowsesAFolderAndOpensAPatchByDoubleClick)
{
    Fixture f;
    auto* box = f.browser->findChild<QGroupBox*>("diskBox");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title(), "Patches");
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "a.sig", "b.sig", "c.bak"}));
    EXPECT_EQ(f.icon("Patches/Sub"), bundled("folderIcon"));
    EXPECT_EQ(f.icon("Patches/a.sig"), bundled("sigFile"));
    EXPECT_EQ(f.icon("Patches/c.bak"), bundled("fileIcon"));
    EXPECT_NE(bundled("sigFile"), bundled("fileIcon"));

    const QModelIndex sub = f.index("Patches/Sub");
    EXPECT_EQ(f.browser->treeModel()->rowCount(sub), 0) << "read when opened";
    clickTwice(f.view()->viewport(), f.centre("Patches/Sub"));
    EXPECT_TRUE(f.view()->isExpanded(sub));
    EXPECT_EQ(f.rows(sub), (QStringList{"Deeper/", "b.sig", "inner.SIG"}));
    EXPECT_EQ(f.icon("Patches/Sub/inner.SIG"), bundled("sigFile"));
    clickTwice(f.view()->viewport(), f.centre("Patches/Sub"));
    EXPECT_FALSE(f.view()->isExpanded(sub));
    EXPECT_TRUE(f.recorded.opened.isEmpty());

    clickTwice(f.view()->viewport(), f.centre("Patches/a.sig"));
    EXPECT_EQ(f.recorded.opened, QStringList{f.path("Patches/a.sig")});
    EXPECT_TRUE(f.alerts.recorded.empty());
}

// The choose button shows another folder and keeps it for the next start;
// a path that is no folder is an error that leaves the tree as it was.
TEST(DiskBrowser, ChoosingAFolderKeepsItForTheNextStart)
{
    Fixture f;
    {
        ScopedScriptedFileChooser chooser;
        chooser.answers = {f.bytes("Patches/Sub"), f.bytes("missing")};
        auto* choose = f.browser->findChild<QPushButton*>("chooseButton");
        ASSERT_TRUE(choose);
        QTest::mouseClick(choose, Qt::LeftButton);
        ASSERT_EQ(chooser.requests.size(), 1u);
        EXPECT_EQ(chooser.requests[0].title, "Choose a folder of patches");
        EXPECT_TRUE(chooser.requests[0].chooseFolders);
        EXPECT_EQ(chooser.requests[0].directory, QDir::homePath().toStdString());
        EXPECT_EQ(f.rows(), (QStringList{"Deeper/", "b.sig", "inner.SIG"}));
        EXPECT_EQ(f.settings.store.values["DiskPatchPath"], f.bytes("Patches/Sub"));

        QTest::mouseClick(choose, Qt::LeftButton);
        EXPECT_EQ(chooser.requests[1].directory, f.bytes("Patches/Sub")) << "starts in the stored folder";
        EXPECT_EQ(f.rows(), (QStringList{"Deeper/", "b.sig", "inner.SIG"}));
        EXPECT_EQ(f.settings.store.values["DiskPatchPath"], f.bytes("Patches/Sub"));
        EXPECT_EQ(
            alertLines(f.alerts.recorded),
            std::vector<std::string>{"Critical | ERROR | Invalid directory path: " + f.bytes("missing") + ". | OK"});
    }
    // Another start shows the stored folder when the panel first appears.
    f.makeBrowser();
    f.browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.browser.get()));
    EXPECT_EQ(f.rows(), (QStringList{"Deeper/", "b.sig", "inner.SIG"}));
    EXPECT_EQ(f.browser->findChild<QGroupBox*>("diskBox")->title(), "Sub");
}

// Typing in the filter field narrows the tree to the names that hold the
// text, in any case, anywhere below the folder (folders never opened are
// read for it), and opens the folders that hold a match.
TEST(DiskBrowser, TheFilterNarrowsTheWholeTreeAsTheUserTypes)
{
    Fixture f;
    auto* filter = f.browser->findChild<QLineEdit*>("diskFilter");
    ASSERT_TRUE(filter);
    QTest::keyClicks(filter, "DEEP");
    EXPECT_EQ(f.rowsOnce({"Sub/"}), QStringList{"Sub/"});
    EXPECT_TRUE(f.view()->isExpanded(f.index("Patches/Sub")));
    EXPECT_EQ(f.rows(f.index("Patches/Sub")), QStringList{"Deeper/"});
    EXPECT_TRUE(f.view()->isExpanded(f.index("Patches/Sub/Deeper")));
    EXPECT_EQ(f.rows(f.index("Patches/Sub/Deeper")), QStringList{"deep.sig"});
    filter->setText("theirs");
    EXPECT_EQ(f.rows(), QStringList{"Other/"});
    EXPECT_EQ(f.rows(f.index("Patches/Other/Sub")), QStringList{"theirs.sig"});
    filter->setText("B.S");
    EXPECT_EQ(f.rows(), (QStringList{"Sub/", "b.sig"}));
    EXPECT_EQ(f.rows(f.index("Patches/Sub")), QStringList{"b.sig"});
    // A matching folder shows what is in it.
    filter->setText("sub");
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/"}));
    EXPECT_EQ(f.rows(f.index("Patches/Sub")), (QStringList{"Deeper/", "b.sig", "inner.SIG"}));
    filter->clear();
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "a.sig", "b.sig", "c.bak"}));
    EXPECT_TRUE(f.alerts.recorded.empty());
}

// What another program adds to or takes from an open folder shows without a
// word, and the rows that stay keep their state; View ▸ Refresh (F5) reads
// every folder at once.
TEST(DiskBrowser, FilesChangedOutsideShowAtOnce)
{
    Fixture f;
    f.browser->treeModel()->readChildren(*f.node("Patches/Sub"));
    f.view()->expand(f.index("Patches/Sub"));
    f.select({"Patches/a.sig"});
    QApplication::processEvents();
    writeFile(f.dir / "Patches/new.sig", "NEW");
    writeFile(f.dir / "Patches/0 first.sig", "FIRST");
    writeFile(f.dir / "Patches/Sub/inner.sig.bak", "BAK");
    fs::remove(f.dir / "Patches/c.bak");
    const QStringList root = {"Other/", "Sub/", "0 first.sig", "a.sig", "b.sig", "new.sig"};
    EXPECT_EQ(f.rowsOnce(root), root);
    const QStringList sub = {"Deeper/", "b.sig", "inner.SIG", "inner.sig.bak"};
    EXPECT_EQ(f.rowsOnce(sub, "Patches/Sub"), sub);
    ASSERT_TRUE(f.view()->selectedItem());
    EXPECT_EQ(f.view()->selectedItem().get(), f.node("Patches/a.sig")) << "the selection stays";
    EXPECT_TRUE(f.view()->isExpanded(f.index("Patches/Sub")));

    // A folder closed and opened again shows what changed meanwhile.
    f.view()->collapse(f.index("Patches/Sub"));
    QApplication::processEvents();
    fs::remove(f.dir / "Patches/Sub/b.sig");
    QTest::qWait(2 * DiskViewController::kRefreshDelayMs);
    f.view()->expand(f.index("Patches/Sub"));
    EXPECT_EQ(f.rowsOnce({"Deeper/", "inner.SIG", "inner.sig.bak"}, "Patches/Sub"),
              (QStringList{"Deeper/", "inner.SIG", "inner.sig.bak"}));

    auto* refresh = f.browser->findChild<QAction*>("actionDiskRefresh");
    ASSERT_TRUE(refresh);
    EXPECT_EQ(refresh->shortcut(), QKeySequence(Qt::Key_F5));
    auto* view = f.browser->findChild<QMenu*>("menuView");
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->actions().contains(refresh));
    writeFile(f.dir / "Patches/now.sig", "NOW");
    refresh->trigger();
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "0 first.sig", "a.sig", "b.sig", "new.sig", "now.sig"}));
    EXPECT_TRUE(f.alerts.recorded.empty());
}

// Files and folders move by drop onto a folder row; nothing is ever
// replaced, and the user is told what stayed where it was.
TEST(DiskBrowser, MovesByDropWithoutReplacingAnything)
{
    Fixture f;
    QSignalSpy status(f.browser.get(), &DiskViewController::statusChanged);
    const QString aBefore = f.canonical("Patches/a.sig");

    auto data = f.dragOf({"Patches/a.sig", "Patches/b.sig"});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), f.path("Patches/a.sig") + "\n" + f.path("Patches/b.sig"));
    ASSERT_TRUE(f.dropped(data.get(), f.centre("Patches/Sub")));

    EXPECT_EQ(readFile(f.dir / "Patches/Sub/a.sig"), "A");
    EXPECT_FALSE(fs::exists(f.dir / "Patches/a.sig"));
    EXPECT_EQ(readFile(f.dir / "Patches/b.sig"), "B ROOT") << "the name was taken: skipped, it stays";
    EXPECT_EQ(readFile(f.dir / "Patches/Sub/b.sig"), "B SUB");
    EXPECT_EQ(f.recorded.clashes, QStringList{"b.sig in Sub"});
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "b.sig", "c.bak"}));
    EXPECT_EQ(f.rows(f.index("Patches/Sub")), (QStringList{"Deeper/", "a.sig", "b.sig", "inner.SIG"}));
    EXPECT_EQ(f.recorded.moved, QStringList{aBefore + " > " + f.canonical("Patches/Sub/a.sig")});
    EXPECT_EQ(texts(status), (QStringList{"performDropOperation", "moving a.sig to Sub"}));
    EXPECT_TRUE(f.alerts.recorded.empty());
    // The status line clears itself.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return f.browser->statusText().isEmpty(); }, DiskViewController::kStatusClearMs + 2000));
}

// Where a drop may not go: between rows, onto a file, onto the folder the
// items are in, into a dragged folder itself.
TEST(DiskBrowser, RefusesDropsWhereTheyCannotGo)
{
    Fixture f;
    f.browser->treeModel()->readChildren(*f.node("Patches/Sub"));
    f.view()->expand(f.index("Patches/Sub"));
    const QRect subRow = f.view()->visualRect(f.index("Patches/Sub"));
    struct Case {
        const char* what;
        std::vector<std::string> dragged;
        QPoint at;
    };
    const std::vector<Case> cases = {
        {"between two rows", {"Patches/a.sig"}, QPoint(subRow.center().x(), subRow.top() + 1)},
        {"onto a file", {"Patches/a.sig"}, f.centre("Patches/b.sig")},
        {"onto its own folder (the space below the rows)",
         {"Patches/a.sig"},
         QPoint(5, f.view()->viewport()->height() - 3)},
        {"onto its own folder (a row)", {"Patches/Sub/b.sig"}, f.centre("Patches/Sub")},
        {"a folder onto itself", {"Patches/Sub"}, f.centre("Patches/Sub")},
        {"a folder into its sub-folder", {"Patches/Sub"}, f.centre("Patches/Sub/Deeper")},
        {"a folder onto its parent", {"Patches/Sub/Deeper"}, f.centre("Patches/Sub")},
    };
    for (const Case& c : cases) {
        auto data = f.dragOf(c.dragged);
        ASSERT_TRUE(data) << c.what;
        EXPECT_FALSE(f.drop(data.get(), c.at)) << c.what;
    }
    // Data that is not a browser's drag, even of the right type.
    QMimeData foreign;
    foreign.setData(DiskDragMimeData::mimeType, "/etc/passwd");
    EXPECT_FALSE(f.drop(&foreign, f.centre("Patches/Sub")));
    EXPECT_TRUE(f.recorded.moved.isEmpty());
    EXPECT_EQ(readFile(f.dir / "Patches/a.sig"), "A");
    EXPECT_TRUE(f.alerts.recorded.empty());
    EXPECT_EQ(f.browser->statusText(), QString());
}

// A link shows as a link: it is not opened as a folder, nothing is dropped
// into it, and a bank dropped onto the folder that holds a link of the
// bank's name is not written through it.
TEST(DiskBrowser, LinksShowAsLinksAndNothingGoesThroughThem)
{
    Fixture f;
    fs::create_directory_symlink(f.dir / "Patches/Other", f.dir / "Patches/Linked");
    f.browser->refreshFolder(*f.browser->diskTreeData());
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "a.sig", "b.sig", "c.bak", "Linked"}));
    EXPECT_EQ(f.icon("Patches/Linked"), bundled("linkIcon"));
    EXPECT_NE(bundled("linkIcon"), bundled("folderIcon"));
    f.browser->grab().save(QString::fromStdString((outputDir("disk") / "disk-browser-link.png").string()));

    clickTwice(f.view()->viewport(), f.centre("Patches/Linked"));
    EXPECT_TRUE(f.recorded.opened.isEmpty());
    EXPECT_EQ(f.browser->statusText(), "Linked is a link to " + f.path("Patches/Other"));

    auto data = f.dragOf({"Patches/a.sig"});
    EXPECT_FALSE(f.drop(data.get(), f.centre("Patches/Linked")));

    DiskDragMimeData bankDrop(std::vector<DiskDropItem::Ptr>{bank("Linked", {patch("X", "XX")})}, "Linked");
    ASSERT_TRUE(f.dropped(&bankDrop, QPoint(5, f.view()->viewport()->height() - 3)));
    EXPECT_EQ(contentsOf(f.dir / "Patches/Other"), (std::vector<std::string>{"Sub/", "Sub/theirs.sig=THEIRS"}));
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Linked already exists in Patches | OK"});
    EXPECT_EQ(readFile(f.dir / "Patches/a.sig"), "A");
}

// A folder copied to another file system moves on the browser's worker:
// the window stays free, shows how far the copy is and offers Stop. Stop,
// closing the window and the browser going away each end the copy with
// nothing of it left behind.
TEST(DiskBrowser, AFolderCopiedElsewhereMovesOnAWorkerAndStopsCleanly)
{
    Fixture f;
    QSignalSpy done(f.browser.get(), &DiskViewController::dropFinished);
    QSignalSpy status(f.browser.get(), &DiskViewController::statusChanged);
    // The copying way, as across file systems; held after its first entry
    // until it is told to stop (for a while only: a copy that nobody stops
    // then ends, and the test fails instead of waiting for ever).
    std::atomic<bool> hold{true};
    std::atomic<bool> copying{false};
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
    auto stopButton = [&] { return f.browser->findChild<QPushButton*>("stopButton"); };
    auto startHeldMove = [&](const std::string& folder) {
        copying = false;
        done.clear();
        auto data = f.dragOf({folder});
        EXPECT_TRUE(f.drop(data.get(), f.centre("Patches/Sub")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return copying.load(); }, 5000));
        EXPECT_TRUE(f.browser->isCopying());
        EXPECT_TRUE(stopButton()->isVisible());
    };
    const std::vector<std::string> before = contentsOf(f.dir / "Patches");

    startHeldMove("Patches/Other");
    QTest::mouseClick(stopButton(), Qt::LeftButton);
    ASSERT_TRUE(f.finished(done));
    EXPECT_EQ(contentsOf(f.dir / "Patches"), before);
    EXPECT_FALSE(f.browser->isCopying());
    EXPECT_FALSE(stopButton()->isVisible());

    startHeldMove("Patches/Other");
    f.browser->close();
    ASSERT_TRUE(f.finished(done));
    EXPECT_EQ(contentsOf(f.dir / "Patches"), before);
    f.browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.browser.get()));

    // Not held, it moves whole, telling how far it is.
    hold = false;
    status.clear();
    const QString otherBefore = f.canonical("Patches/Other");
    auto data = f.dragOf({"Patches/Other"});
    ASSERT_TRUE(f.dropped(data.get(), f.centre("Patches/Sub")));
    EXPECT_EQ(contentsOf(f.dir / "Patches/Sub/Other"), (std::vector<std::string>{"Sub/", "Sub/theirs.sig=THEIRS"}));
    EXPECT_FALSE(fs::exists(f.dir / "Patches/Other"));
    EXPECT_EQ(f.recorded.moved, QStringList{otherBefore + " > " + f.canonical("Patches/Sub/Other")});
    EXPECT_EQ(texts(status), (QStringList{"performDropOperation", "moving Other to Sub", "moving Other to Sub: 1 of 2",
                                          "moving Other to Sub: 2 of 2"}));
    EXPECT_EQ(f.rows(), (QStringList{"Sub/", "a.sig", "b.sig", "c.bak"}));
    EXPECT_TRUE(f.alerts.recorded.empty());

    // The browser goes while a copy runs: it stops the copy and waits for
    // it to end.
    hold = true;
    fs::create_directories(f.dir / "Patches/Spare");
    writeFile(f.dir / "Patches/Spare/spare.sig", "SPARE");
    f.browser->refreshFolder(*f.browser->diskTreeData());
    const std::vector<std::string> beforeGone = contentsOf(f.dir / "Patches");
    startHeldMove("Patches/Spare");
    f.browser.reset();
    EXPECT_EQ(contentsOf(f.dir / "Patches"), beforeGone);
}

// Items dropped from a unit browser are fetched one by one and saved as
// ".sig" files with safe, distinct names; files already there are kept and
// never fetched; the user is told what was renamed, kept or not saved.
TEST(DiskBrowser, UnitDropsAreSavedAsSigFilesWithSafeNames)
{
    Fixture f;
    fs::create_directories(f.dir / "Patches/Backup");
    writeFile(f.dir / "Patches/Backup/Kept.sig", "MINE");
    f.browser->refreshFolder(*f.browser->diskTreeData());
    QSignalSpy done(f.browser.get(), &DiskViewController::dropFinished);
    QSignalSpy status(f.browser.get(), &DiskViewController::statusChanged);

    auto kept = patch("Kept", "THEIRS");
    auto hall = patch("Hall", "HALL 1");
    std::vector<DiskDropItem::Ptr> reverbs = {hall, patch("Hall", "HALL 2"), patch("a/b", "SLASH"),
                                              std::make_shared<FakeItem>("Silent", std::nullopt, "no reply")};
    auto reverbsBank = bank("Reverbs", reverbs);
    auto dots = bank("..", {patch("Deep", "DEEP")});
    // While the unit is busy the window goes on: events run, another drop
    // is refused, the Stop button shows, nothing selected goes to the Trash.
    f.select({"Patches/a.sig"});
    QAction* trash = f.browser->findChild<QAction*>("actionDiskTrash");
    ASSERT_TRUE(trash);
    bool busyWhileFetching = false;
    hall->onFetch = [&] {
        auto more = std::make_unique<DiskDragMimeData>(std::vector<DiskDropItem::Ptr>{patch("More", "M")}, "More");
        busyWhileFetching = f.browser->isCopying() && f.browser->findChild<QPushButton*>("stopButton")->isVisible() &&
                            !f.drop(more.get(), f.centre("Patches/Backup")) && !trash->isEnabled();
    };
    DiskDragMimeData data({kept, reverbsBank, dots, patch("Echo", "ECHO")}, "Kept\nReverbs\n..\nEcho");
    ASSERT_TRUE(f.drop(&data, f.centre("Patches/Backup")));
    EXPECT_TRUE(f.browser->isCopying());
    ASSERT_TRUE(f.finished(done));
    EXPECT_FALSE(f.browser->isCopying());
    EXPECT_TRUE(busyWhileFetching);
    EXPECT_FALSE(f.browser->findChild<QPushButton*>("stopButton")->isVisible());

    const fs::path backup = f.dir / "Patches/Backup";
    EXPECT_EQ(contentsOf(backup), (std::vector<std::string>{"--/", "--/Deep.sig=DEEP", "Echo.sig=ECHO", "Kept.sig=MINE",
                                                            "Reverbs/", "Reverbs/Hall 2.sig=HALL 2",
                                                            "Reverbs/Hall.sig=HALL 1", "Reverbs/a|b.sig=SLASH"}));
    EXPECT_EQ(kept->fetches, 0);
    EXPECT_FALSE(fs::exists(f.dir / "Patches/Deep.sig")) << "nothing lands outside the target";

    EXPECT_EQ(texts(status),
              (QStringList{"performDropOperation", "Kept.sig already exists in Backup", "created Reverbs",
                           "copy Hall to Reverbs", "copy Hall to Reverbs", "copy a/b to Reverbs",
                           "copy Silent to Reverbs", "created --", "copy Deep to --", "copy Echo to Backup"}));
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Kept.sig already exists in Backup\n"
                                       "Hall was saved as Hall 2.sig\n"
                                       "a/b was saved as a|b.sig\n"
                                       "Silent was not saved: no reply\n"
                                       ".. was saved as -- | OK"});
    // The target was read again: its new entries show.
    EXPECT_EQ(f.rows(f.index("Patches/Backup")), (QStringList{"--/", "Reverbs/", "Echo.sig", "Kept.sig"}));

    // The same drop again keeps every file and says so.
    f.alerts.recorded.clear();
    DiskDragMimeData again(std::vector<DiskDropItem::Ptr>{bank("Reverbs", {patch("Hall", "NEW")})}, "Reverbs");
    ASSERT_TRUE(f.dropped(&again, f.centre("Patches/Backup")));
    EXPECT_EQ(readFile(backup / "Reverbs/Hall.sig"), "HALL 1");
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Hall.sig already exists in Reverbs | OK"});
}

// Banks become folders under safe names: a bank named with a slash stays in
// the target, and a second bank of one name gets a folder of its own.
TEST(DiskBrowser, BanksWithUnsafeOrRepeatedNamesGetFoldersOfTheirOwn)
{
    Fixture f;
    DiskDragMimeData data(
        {bank("a/b", {patch("X", "XX")}), bank("Twin", {patch("One", "ONE")}), bank("Twin", {patch("Two", "TWO")})},
        "a/b\nTwin\nTwin");
    ASSERT_TRUE(f.dropped(&data, f.centre("Patches/Other")));

    // No folder is made from the part before the slash.
    EXPECT_EQ(contentsOf(f.dir / "Patches/Other"),
              (std::vector<std::string>{"Sub/", "Sub/theirs.sig=THEIRS", "Twin 2/", "Twin 2/Two.sig=TWO", "Twin/",
                                        "Twin/One.sig=ONE", "a|b/", "a|b/X.sig=XX"}));
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | a/b was saved as a|b\nTwin was saved as Twin 2 | OK"});
    EXPECT_EQ(f.rows(f.index("Patches/Other")), (QStringList{"a|b/", "Sub/", "Twin/", "Twin 2/"}));
}

// Cancelling on the unit's side, or the Stop button, ends the copy: what
// was saved stays, nothing more is fetched.
TEST(DiskBrowser, AUnitDropStopsWhenCancelled)
{
    Fixture f;
    auto first = patch("First", "1");
    auto cancelled = patch("Cancelled", "2");
    cancelled->cancel = true;
    auto never = patch("Never", "3");
    DiskDragMimeData data({first, cancelled, never}, "three");
    ASSERT_TRUE(f.dropped(&data, f.centre("Patches/Other")));
    EXPECT_EQ(readFile(f.dir / "Patches/Other/First.sig"), "1");
    EXPECT_FALSE(fs::exists(f.dir / "Patches/Other/Cancelled.sig"));
    EXPECT_EQ(never->fetches, 0);

    auto stopped = patch("Stopped", "4");
    auto after = patch("After", "5");
    stopped->onFetch = [&] {
        QTimer::singleShot(
            0, [&] { QTest::mouseClick(f.browser->findChild<QPushButton*>("stopButton"), Qt::LeftButton); });
    };
    DiskDragMimeData two({stopped, after}, "two");
    ASSERT_TRUE(f.dropped(&two, f.centre("Patches/Other")));
    EXPECT_FALSE(f.browser->isCopying());
    EXPECT_FALSE(fs::exists(f.dir / "Patches/Other/Stopped.sig"));
    EXPECT_EQ(after->fetches, 0);
    EXPECT_TRUE(f.alerts.recorded.empty());
}

// A copy from a unit makes it run each patch fetched: what it ran is kept
// first and sent back at the end, however the copy ends; when it cannot be
// kept, the user says whether to go on.
TEST(DiskBrowser, AUnitDropKeepsThePatchTheUnitRuns)
{
    Fixture f;
    QSignalSpy status(f.browser.get(), &DiskViewController::statusChanged);
    auto source = std::make_shared<FakeSource>();
    auto fetchRecorded = [&](const std::shared_ptr<FakeItem>& item, const std::string& name) {
        item->onFetch = [&source, name] { source->calls.push_back("fetch " + name); };
        return item;
    };
    DiskDragMimeData data({fetchRecorded(patch("One", "1"), "One"), fetchRecorded(patch("Two", "2"), "Two")}, "two");
    data.setSource(source);
    ASSERT_TRUE(f.dropped(&data, f.centre("Patches/Other")));
    EXPECT_EQ(source->calls, (std::vector<std::string>{"keep", "fetch One", "fetch Two", "restore"}));
    EXPECT_EQ(readFile(f.dir / "Patches/Other/Two.sig"), "2");
    EXPECT_TRUE(texts(status).contains("Sending the patch that was running back to the unit..."));
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | not sent back: no reply | OK"});

    // Not kept: the user is asked, and Cancel copies nothing.
    struct Case {
        int answer;
        std::vector<std::string> calls;
    };
    for (const Case& c : {Case{1, {"keep"}}, Case{0, {"keep", "fetch Three"}}}) {
        f.alerts.recorded.clear();
        f.alerts.answers = {c.answer};
        source->calls.clear();
        source->keeps = false;
        DiskDragMimeData asked(std::vector<DiskDropItem::Ptr>{fetchRecorded(patch("Three", "3"), "Three")}, "three");
        asked.setSource(source);
        ASSERT_TRUE(f.dropped(&asked, f.centre("Patches/Sub")));
        EXPECT_EQ(source->calls, c.calls);
        EXPECT_EQ(fs::exists(f.dir / "Patches/Sub/Three.sig"), c.answer == 0);
        ASSERT_FALSE(f.alerts.recorded.empty());
        EXPECT_EQ(alertLines(f.alerts.recorded)[0],
                  "Warning | ALERT | The patch running on the unit could not be read: no reply\n\nCopying loads each "
                  "patch on the unit in turn: the unit will be left running the last one copied, and the patch it "
                  "runs now is lost unless it is stored on the unit.\n\nCopy anyway? | Copy Anyway Cancel");
    }

    // Stopped in the middle: what ran is sent back all the same.
    source->calls.clear();
    source->keeps = true;
    auto stopped = fetchRecorded(patch("Stopped", "4"), "Stopped");
    stopped->onFetch = [&] {
        source->calls.push_back("fetch Stopped");
        QTimer::singleShot(0, [&] { f.browser->stopCopying(); });
    };
    DiskDragMimeData halted({stopped, patch("After", "5")}, "two");
    halted.setSource(source);
    ASSERT_TRUE(f.dropped(&halted, f.centre("Patches/Other")));
    EXPECT_EQ(source->calls, (std::vector<std::string>{"keep", "fetch Stopped", "restore"}));
    EXPECT_FALSE(f.browser->isCopying());
}

// New Folder, Rename, Move to Trash and Reveal in File Manager.
TEST(DiskBrowser, NewFolderRenameTrashAndReveal)
{
    Fixture f;
    QString offered;
    whenShown<QInputDialog>([&](QInputDialog* dialog) {
        offered = dialog->textValue();
        dialog->setTextValue("Presets");
        dialog->accept();
    });
    f.select({});
    auto* trash = f.browser->findChild<QAction*>("actionDiskTrash");
    ASSERT_TRUE(trash);
    EXPECT_FALSE(trash->isEnabled()) << "nothing selected";
    f.browser->newFolder();
    EXPECT_EQ(offered, "New Folder");
    EXPECT_TRUE(fs::is_directory(f.dir / "Patches/Presets"));
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Presets/", "Sub/", "a.sig", "b.sig", "c.bak"}));
    ASSERT_TRUE(f.view()->selectedItem());
    EXPECT_EQ(f.view()->selectedItem().get(), f.node("Patches/Presets"));

    // Into the selected folder; names that are no names, or taken, refused.
    DiskFileTreeNode* presets = f.node("Patches/Presets");
    ASSERT_TRUE(presets);
    EXPECT_TRUE(f.browser->createFolder(*presets, "Live"));
    EXPECT_TRUE(fs::is_directory(f.dir / "Patches/Presets/Live"));
    EXPECT_TRUE(f.view()->isExpanded(f.index("Patches/Presets")));
    std::vector<std::string> refusals;
    for (const std::string bad : {"", ".x", "a/b"}) {
        EXPECT_FALSE(f.browser->createFolder(*presets, QString::fromStdString(bad))) << bad;
        refusals.push_back(
            "Informational | ALERT | \"" + bad +
            "\" cannot be a name: a name is not empty, holds no \"/\" and does not start with \".\". | OK");
    }
    EXPECT_FALSE(f.browser->createFolder(*presets, "Live"));
    refusals.push_back("Informational | ALERT | Live already exists in Presets | OK");
    EXPECT_EQ(alertLines(f.alerts.recorded), refusals);
    f.alerts.recorded.clear();

    // Rename through its dialog; the window of the file follows. A name
    // typed without the extension keeps the file a patch.
    f.select({"Patches/a.sig"});
    const QString aBefore = f.canonical("Patches/a.sig");
    whenShown<QInputDialog>([&](QInputDialog* dialog) {
        offered = dialog->textValue();
        dialog->setTextValue("z");
        dialog->accept();
    });
    f.focusTree();
    QTest::keyClick(f.view(), Qt::Key_F2);
    EXPECT_EQ(offered, "a.sig");
    EXPECT_EQ(readFile(f.dir / "Patches/z.sig"), "A");
    EXPECT_FALSE(fs::exists(f.dir / "Patches/a.sig"));
    EXPECT_EQ(f.recorded.moved, QStringList{aBefore + " > " + f.canonical("Patches/z.sig")});
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Presets/", "Sub/", "b.sig", "c.bak", "z.sig"}));

    // Ctrl+Z takes the rename back, Ctrl+Shift+Z makes it again; Edit ▸
    // Undo names it. Taken back once the old name is taken: nothing moves.
    auto* edit = f.browser->findChild<QMenu*>("menuEdit");
    auto* undo = f.browser->findChild<QAction*>("actionUndo");
    ASSERT_TRUE(edit && undo);
    emit edit->aboutToShow();
    EXPECT_EQ(undo->text(), "Undo Rename");
    f.focusTree();
    QTest::keyClick(f.view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readFile(f.dir / "Patches/a.sig"), "A");
    EXPECT_FALSE(fs::exists(f.dir / "Patches/z.sig"));
    EXPECT_EQ(f.recorded.moved.last(), f.canonical("Patches/z.sig") + " > " + f.canonical("Patches/a.sig"));
    ASSERT_TRUE(f.view()->selectedItem());
    EXPECT_EQ(f.view()->selectedItem().get(), f.node("Patches/a.sig"));
    QTest::keyClick(f.view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(readFile(f.dir / "Patches/z.sig"), "A");
    writeFile(f.dir / "Patches/a.sig", "NEW A");
    QTest::keyClick(f.view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readFile(f.dir / "Patches/z.sig"), "A");
    fs::remove(f.dir / "Patches/a.sig");
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Cannot undo Rename: " + f.bytes("Patches/a.sig") +
                                       " exists already | OK"});
    f.alerts.recorded.clear();
    f.browser->refresh();
    DiskFileTreeNode* z = f.node("Patches/z.sig");
    ASSERT_TRUE(z);
    EXPECT_FALSE(f.browser->renameNode(*z, "b.sig"));
    EXPECT_EQ(readFile(f.dir / "Patches/b.sig"), "B ROOT");
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | b.sig already exists in Patches | OK"});
    f.alerts.recorded.clear();

    // Reveal: the folder of a file, a folder itself, the shown folder.
    for (const auto& selection : std::vector<std::vector<std::string>>{{"Patches/z.sig"}, {"Patches/Presets"}, {}}) {
        f.select(selection);
        f.browser->revealSelection();
    }
    EXPECT_EQ(f.recorded.revealed,
              (QList<QUrl>{QUrl::fromLocalFile(f.path("Patches")), QUrl::fromLocalFile(f.path("Patches/Presets")),
                           QUrl::fromLocalFile(f.path("Patches"))}));

    // Trash, once the user agrees: a file open in a window stays; the rest
    // goes.
    f.recorded.openFiles << f.canonical("Patches/b.sig");
    f.select({"Patches/b.sig", "Patches/z.sig", "Patches/Presets"});
    f.focusTree();
    f.alerts.answers = {1};
    QTest::keyClick(f.view(), Qt::Key_Delete);
    EXPECT_TRUE(f.recorded.trashed.isEmpty()) << "cancelled";
    f.select({"Patches/z.sig"});
    f.alerts.answers = {1};
    f.browser->moveSelectionToTrash();
    f.select({"Patches/b.sig", "Patches/z.sig", "Patches/Presets"});
    QTest::keyClick(f.view(), Qt::Key_Delete);
    EXPECT_EQ(f.recorded.trashed, (QStringList{f.path("Patches/Presets"), f.path("Patches/z.sig")}));
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "b.sig", "c.bak"}));
    EXPECT_EQ(alertLines(f.alerts.recorded),
              (std::vector<std::string>{
                  "Warning | ALERT | Move these 3 items to the Trash? | Move to Trash Cancel",
                  "Warning | ALERT | Move \"z.sig\" to the Trash? | Move to Trash Cancel",
                  "Warning | ALERT | Move these 3 items to the Trash? | Move to Trash Cancel",
                  "Informational | ALERT | b.sig is open in a window: close it before moving it to the Trash. | OK"}));
    EXPECT_EQ(f.browser->statusText(), "2 items were moved to the Trash.");
}

// Without a hook, Move to Trash goes into the user's trash, made where the
// account has none; what cannot reach it stays, and the user is told why.
TEST(DiskBrowser, MoveToTrashUsesTheUsersTrash)
{
    ScopedSettings settings;
    TempDir dir;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    // An account without ~/.local/share.
    qputenv("HOME", QByteArray::fromStdString((dir / "home").string()));
    qunsetenv("XDG_DATA_HOME");
    fs::create_directories(dir / "home");
    fs::create_directories(dir / "Patches");
    writeFile(dir / "Patches/gone.sig", "GONE");
    writeFile(dir / "Patches/kept.sig", "KEPT");
    {
        ScopedRecordingAlerts alerts;
        DiskViewController browser(DiskViewController::Hooks{});
        ASSERT_TRUE(browser.fillDiskViewFromPath(QString::fromStdString((dir / "Patches").string())));
        ASSERT_TRUE(browser.trashNodes({browser.diskTreeData()->firstChild()}));
        EXPECT_TRUE(alerts.recorded.empty());
        EXPECT_EQ(browser.treeModel()->rowCount(), 1);
        EXPECT_EQ(browser.statusText(), "gone.sig was moved to the Trash.");

        // The trash cannot be made: a file holds its place.
        fs::rename(dir / "home/.local", dir / "home/moved");
        writeFile(dir / "home/.local", "not a folder");
        EXPECT_FALSE(browser.trashNodes({browser.diskTreeData()->firstChild()}));
        EXPECT_EQ(browser.treeModel()->rowCount(), 1);
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].message.rfind("kept.sig was not moved to the Trash: the Trash folder " +
                                                       (dir / "home/.local/share/Trash").string() +
                                                       " could not be made",
                                                   0),
                  0u)
            << alerts.recorded[0].message;
    }
    qputenv("HOME", oldHome);
    if (!oldData.isNull())
        qputenv("XDG_DATA_HOME", oldData);
    EXPECT_FALSE(fs::exists(dir / "Patches/gone.sig"));
    EXPECT_EQ(readFile(dir / "home/moved/share/Trash/files/gone.sig"), "GONE");
    EXPECT_EQ(readFile(dir / "Patches/kept.sig"), "KEPT");
}

// Window ▸ Disk Browser shows the browser with the stored folder; a double
// click opens the patch in a window, and that window follows its file when
// the file moves or is renamed, and keeps it out of the trash.
TEST(DiskBrowser, TheMenuShowsItAndOpenWindowsFollowTheirFiles)
{
    ScopedSettings settings;
    TempDir dir;
    fs::create_directories(dir / "Patches" / "Moved");
    fs::copy_file(dataPath("examples/demo.sig"), dir / "Patches" / "demo.sig");
    settings.store.setValue("DiskPatchPath", (dir / "Patches").string());
    ScopedRecordingAlerts alerts;
    {
        MainMenuDelegate delegate;
        DocumentController documents(&delegate, DocumentController::sigFileFormat(bundledDbase()));
        delegate.setDocumentController(&documents);
        QMenuBar bar;
        ApplicationMenu::build(&bar, delegate);
        auto* show = bar.findChild<QAction*>("actionShowDiskView");
        ASSERT_TRUE(show);
        EXPECT_EQ(show->text(), "&Disk Browser");
        show->trigger();
        DiskViewController* browser = delegate.diskViewController();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(browser));
        EXPECT_TRUE(browser->findChild<QAction*>("actionShowDiskView")) << "the browser carries the menu";
        DiskOutlineView* view = browser->outlineView();
        auto centre = [&](const fs::path& path) {
            DiskFileTreeNode* node = browser->nodeForPath(path.string());
            return node ? view->visualRect(browser->treeModel()->indexForNode(node)).center() : QPoint(-1, -1);
        };

        clickTwice(view->viewport(), centre(dir / "Patches" / "demo.sig"));
        ASSERT_EQ(documents.windows().size(), 1u);
        GraphicWindowController* window = documents.windows().front();
        EXPECT_EQ(window->sigDocument()->fileName(), fs::canonical(dir / "Patches" / "demo.sig").string());

        QSignalSpy done(browser, &DiskViewController::dropFinished);
        view->selectItems({browser->nodeForPath((dir / "Patches" / "demo.sig").string())->shared_from_this()}, false);
        std::unique_ptr<QMimeData> data(
            browser->treeModel()->mimeData({browser->treeModel()->indexForNode(view->selectedItem().get())}));
        ASSERT_EQ(dragAndDrop(view->viewport(), data.get(), centre(dir / "Patches" / "Moved")), "+++");
        ASSERT_TRUE(done.count() > 0 || done.wait(5000));
        const fs::path moved = fs::canonical(dir / "Patches" / "Moved" / "demo.sig");
        EXPECT_EQ(window->sigDocument()->fileName(), moved.string());
        EXPECT_EQ(documents.windowForPath(QString::fromStdString(moved.string())), window);

        DiskFileTreeNode* node = browser->nodeForPath((dir / "Patches" / "Moved" / "demo.sig").string());
        ASSERT_TRUE(node);
        ASSERT_TRUE(browser->renameNode(*node, "hall.sig"));
        EXPECT_EQ(window->sigDocument()->fileName(), fs::canonical(dir / "Patches" / "Moved" / "hall.sig").string());
        EXPECT_EQ(window->windowTitle(), "hall");

        node = browser->nodeForPath((dir / "Patches" / "Moved").string());
        ASSERT_TRUE(node);
        EXPECT_FALSE(browser->trashNodes({node->shared_from_this()}));
        EXPECT_TRUE(fs::exists(dir / "Patches" / "Moved" / "hall.sig"));
        EXPECT_EQ(
            alertLines(alerts.recorded),
            std::vector<std::string>{
                "Informational | ALERT | Moved is open in a window: close it before moving it to the Trash. | OK"});

        // Saving writes where the file is now.
        ASSERT_TRUE(documents.saveDocument(*window));
        EXPECT_FALSE(fs::exists(dir / "Patches" / "demo.sig"));
        EXPECT_TRUE(fs::exists(dir / "Patches" / "Moved" / "hall.sig"));
        window->close();
        QApplication::processEvents();
    }
}

namespace {

const char* const kPatchA = "HEADM adc \"Zeta\" a\nLFO a\nLFO b\nLFO c\nTAIL x\n";
const char* const kPatchB = "HEADM adc \"Alpha\" b\nLFO a\nTAIL x\n";
const char* const kPatchC = "HEADM adc \"Mid\" c\nLFO a\nLFO b\n";

QStringList column(Fixture& f, int column)
{
    QStringList out;
    TreeNodeModel* model = f.browser->treeModel();
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, column).data().toString();
    return out;
}

void clickHeader(Fixture& f, int section)
{
    QHeaderView* header = f.view()->header();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

// Beside each name the patch's title, time, size and module count; a click
// on a column's header sorts by it, a second click the other way round,
// folders first throughout.
TEST(DiskBrowser, AClickOnAColumnHeaderSortsTheRows)
{
    Fixture f;
    fs::create_directories(f.dir / "Lib" / "Folder 10");
    fs::create_directories(f.dir / "Lib" / "Folder 2");
    writeFile(f.dir / "Lib" / "alpha.sig", kPatchA);
    writeFile(f.dir / "Lib" / "beta.sig", kPatchB);
    writeFile(f.dir / "Lib" / "gamma.sig", kPatchC);
    ASSERT_TRUE(f.browser->fillDiskViewFromPath(f.path("Lib")));
    EXPECT_FALSE(f.view()->isHeaderHidden());
    TreeNodeModel* model = f.browser->treeModel();
    QStringList headers;
    for (int section = 0; section < model->columnCount(); ++section)
        headers << model->headerData(section, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Name", "Title", "Modified", "Size", "Modules"}));
    EXPECT_EQ(f.rows(), (QStringList{"Folder 2/", "Folder 10/", "alpha.sig", "beta.sig", "gamma.sig"}));
    // The files are read off the main thread; their rows show them once read.
    auto filled = [&] { return column(f, 4) == QStringList{"", "", "3", "1", "2"}; };
    (void)column(f, 1);
    EXPECT_TRUE(QTest::qWaitFor(filled, 5000)) << column(f, 4).join(",").toStdString();
    EXPECT_EQ(column(f, 1), (QStringList{"", "", "Zeta", "Alpha", "Mid"}));
    const QString sizeA = QLocale().formattedDataSize(qint64(std::string(kPatchA).size()));
    EXPECT_EQ(column(f, 3)[2], sizeA);
    EXPECT_TRUE(QDateTime::fromString(column(f, 2)[2], "yyyy-MM-dd HH:mm").isValid()) << column(f, 2)[2].toStdString();

    struct Click {
        int section;
        QStringList rows;
    } clicks[] = {
        {1, {"Folder 2/", "Folder 10/", "beta.sig", "gamma.sig", "alpha.sig"}},
        {1, {"Folder 10/", "Folder 2/", "alpha.sig", "gamma.sig", "beta.sig"}},
        {4, {"Folder 2/", "Folder 10/", "beta.sig", "gamma.sig", "alpha.sig"}},
        {3, {"Folder 2/", "Folder 10/", "gamma.sig", "beta.sig", "alpha.sig"}},
        {3, {"Folder 10/", "Folder 2/", "alpha.sig", "beta.sig", "gamma.sig"}},
        {0, {"Folder 2/", "Folder 10/", "alpha.sig", "beta.sig", "gamma.sig"}},
    };
    for (const Click& click : clicks) {
        clickHeader(f, click.section);
        EXPECT_EQ(f.rows(), click.rows) << click.section;
    }

    // A file that comes in takes its place in the order chosen.
    clickHeader(f, 4);
    writeFile(f.dir / "Lib" / "delta.sig", "HEADM adc \"D\" d\nLFO a\nLFO b\nLFO c\nLFO d\n");
    f.browser->refresh();
    EXPECT_EQ(f.rows(), (QStringList{"Folder 2/", "Folder 10/", "beta.sig", "gamma.sig", "alpha.sig", "delta.sig"}));
}

// Clashing names in a drop are asked about once with "Apply to all": both
// kept under free names; the drop is one step for Undo.
TEST(DiskBrowser, ADropAsksOnceAboutClashesAndUndoesAsOne)
{
    Fixture f;
    writeFile(f.dir / "Patches/Sub/a.sig", "A SUB");
    f.browser->refresh();
    f.recorded.clashAnswers = {{DiskClash::Choice::KeepBoth, true}};
    auto data = f.dragOf({"Patches/a.sig", "Patches/b.sig"});
    ASSERT_TRUE(data);
    ASSERT_TRUE(f.dropped(data.get(), f.centre("Patches/Sub")));
    EXPECT_EQ(f.recorded.clashes, QStringList{"a.sig in Sub"});
    EXPECT_EQ(contentsOf(f.dir / "Patches/Sub"),
              (std::vector<std::string>{".hidden=HIDDEN", "Deeper/", "Deeper/deep.sig=DEEP", "a 2.sig=A", "a.sig=A SUB",
                                        "b 2.sig=B ROOT", "b.sig=B SUB", "inner.SIG=INNER", "readme.txt=README"}));
    EXPECT_TRUE(f.browser->undo());
    EXPECT_EQ(readFile(f.dir / "Patches/a.sig"), "A");
    EXPECT_EQ(readFile(f.dir / "Patches/b.sig"), "B ROOT");
    EXPECT_FALSE(fs::exists(f.dir / "Patches/Sub/a 2.sig"));
    EXPECT_FALSE(fs::exists(f.dir / "Patches/Sub/b 2.sig"));
    EXPECT_EQ(f.rows(), (QStringList{"Other/", "Sub/", "a.sig", "b.sig", "c.bak"}));
}

// A click on a patch draws it beside the tree as `tosk-cli render` would,
// scaled to fit; a file that does not load says so instead.
TEST(DiskBrowser, ThePreviewDrawsTheSelectedPatch)
{
    Fixture f;
    fs::copy_file(dataPath("examples/demo.sig"), f.dir / "Patches" / "demo.sig");
    f.browser->refresh();
    PatchPreview* preview = f.browser->preview();
    ASSERT_TRUE(preview);
    ASSERT_TRUE(f.index("Patches/demo.sig").isValid());
    QTest::mouseClick(f.view()->viewport(), Qt::LeftButton, {}, f.centre("Patches/demo.sig"));
    ASSERT_FALSE(preview->image().isNull()) << preview->message().toStdString();
    EXPECT_TRUE(preview->message().isEmpty());
    EXPECT_LE(preview->image().width(), preview->width());
    EXPECT_LE(preview->image().height(), preview->height());

    SigDocument document;
    ASSERT_TRUE(document.readFromFile(f.bytes("Patches/demo.sig")));
    SigFile& patch = *document.sigFile();
    if (PatchLayout::standsInOneColumn(patch, SigFile::kDefaultShowMode))
        patch.reposition();
    CanvasRenderer renderer(patch, patch.head().get(), SigFile::kDefaultShowMode);
    EXPECT_EQ(preview->image(), renderer.image(preview->scale()));

    QTest::mouseClick(f.view()->viewport(), Qt::LeftButton, {}, f.centre("Patches/a.sig"));
    EXPECT_TRUE(preview->image().isNull());
    EXPECT_EQ(preview->message().toStdString(), "No preview: 'A' is not a valid operator for this SigDatabase.");
    QTest::mouseClick(f.view()->viewport(), Qt::LeftButton, {}, f.centre("Patches/Sub"));
    EXPECT_TRUE(preview->image().isNull());
    EXPECT_TRUE(preview->message().isEmpty());
    EXPECT_TRUE(f.alerts.recorded.empty());
}

// A patch from a unit whose name is taken on disk is asked about: the file
// there replaced (it goes to the trash), or both kept.
TEST(DiskBrowser, AUnitDropAsksAboutNamesTakenOnDisk)
{
    Fixture f;
    f.trash = f.bytes("Trash");
    fs::create_directories(f.dir / "Patches/Backup");
    writeFile(f.dir / "Patches/Backup/Pad.sig", "OLD PAD");
    writeFile(f.dir / "Patches/Backup/Lead.sig", "OLD LEAD");
    f.browser->refreshFolder(*f.browser->diskTreeData());
    f.recorded.clashAnswers = {{DiskClash::Choice::Replace, false}, {DiskClash::Choice::KeepBoth, false}};
    DiskDragMimeData data({patch("Pad", "NEW PAD"), patch("Lead", "NEW LEAD")}, "Pad\nLead");
    ASSERT_TRUE(f.dropped(&data, f.centre("Patches/Backup")));
    EXPECT_EQ(f.recorded.clashes, (QStringList{"Pad.sig in Backup", "Lead.sig in Backup"}));
    EXPECT_EQ(contentsOf(f.dir / "Patches/Backup"),
              (std::vector<std::string>{"Lead 2.sig=NEW LEAD", "Lead.sig=OLD LEAD", "Pad.sig=NEW PAD"}));
    EXPECT_EQ(readFile(f.dir / "Trash/files/Pad.sig"), "OLD PAD");
    EXPECT_EQ(alertLines(f.alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Lead was saved as Lead 2.sig | OK"});
}
