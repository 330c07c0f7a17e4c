// SPDX-License-Identifier: GPL-3.0-or-later
// The disk browser's search over the whole library, driven as a user does:
// typed into, rows double-clicked and opened with Return, revealed and
// dragged; files written by another program show up.
#include "base/Alerts.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/DiskOutlineView.h"
#include "browsers/DiskViewController.h"
#include "browsers/LibrarySearchPanel.h"
#include "browsers/TreeNodeModel.h"
#include "support/LibraryTree.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

using namespace tosk;
using namespace tosk::test;

namespace {

struct SearchFixture {
    MemorySettingsStore store;
    TempDir dir;
    ScopedRecordingAlerts alerts;
    QStringList opened;
    QList<QUrl> revealed;
    std::unique_ptr<DiskViewController> browser;
    QString backup;

    SearchFixture()
    {
        PreferenceController::setStore(&store);
        writeLibraryTree(dir / "Patches");
        const fs::path backupFolder = dir / "Backups" / "Backup 2026-12-06 2342";
        fs::create_directories(backupFolder);
        writeFile(backupFolder / "00 Hall.sig", libraryPatch("Big Hall", "Unit", {{"HALL", "h"}}));
        backup = QString::fromStdString((backupFolder / "00 Hall.sig").string());
        PreferenceController::shared().addBackupFolder(backupFolder.string());

        DiskViewController::Hooks hooks;
        hooks.openPatch = [this](const QString& p) { opened << p; };
        hooks.openUrl = [this](const QUrl& url) {
            revealed << url;
            return true;
        };
        hooks.libraryIndexPath = (dir / "cache" / "library.sqlite").string();
        browser = std::make_unique<DiskViewController>(std::move(hooks));
        EXPECT_TRUE(browser->fillDiskViewFromPath(path("Patches")));
        browser->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    }
    ~SearchFixture()
    {
        browser.reset();
        PreferenceController::setStore(nullptr);
    }
    QString path(const std::string& relative) const { return QString::fromStdString((dir / relative).string()); }
    LibrarySearchPanel* panel() const { return browser->librarySearch(); }
    // Types the search and waits until the list shows `expected`, the index
    // read to its end.
    bool typed(const QString& text, const QStringList& expected)
    {
        panel()->field()->clear();
        QTest::keyClicks(panel()->field(), text);
        return QTest::qWaitFor(
            [&] {
                return !panel()->indexer()->isBusy() && panel()->resultPaths() == expected &&
                       panel()->field()->text() == text;
            },
            10000);
    }
    QString rowText(int row) const { return panel()->results()->model()->index(row, 0).data().toString(); }
};

TEST(LibrarySearch, FindsAsTypedOpensRevealsAndDragsRowsAndFollowsTheFiles)
{
    SearchFixture f;
    ASSERT_NE(f.panel(), nullptr);
    EXPECT_TRUE(f.typed(QStringLiteral("uses HALL"),
                        {f.backup, f.path("Patches/Live/Shimmer Hall.sig"), f.path("Patches/Studio/Deep/Choir.sig")}));
    EXPECT_EQ(f.rowText(0), QStringLiteral("Big Hall \u2014 00 Hall.sig"));
    EXPECT_EQ(f.rowText(1), QStringLiteral("Shimmer Hall \u2014 Shimmer Hall.sig"));
    EXPECT_EQ(f.panel()->progressLabel()->text(), QStringLiteral("3 patches found"));
    EXPECT_TRUE(f.panel()->results()->isVisible());

    // The query is the core's: one kind more shows the list follows it.
    EXPECT_TRUE(f.typed(QStringLiteral("author: cleo"), {f.path("Patches/Studio/Plate.sig")}));
    EXPECT_EQ(f.panel()->progressLabel()->text(), QStringLiteral("1 patch found"));
    EXPECT_TRUE(f.typed(QStringLiteral("uses SPRING"), {}));
    EXPECT_EQ(f.panel()->progressLabel()->text(), QStringLiteral("No patch found"));
    // With no row, Open opens nothing.
    QAction* open = f.panel()->results()->findChild<QAction*>(QStringLiteral("actionLibraryOpen"));
    ASSERT_TRUE(open);
    open->trigger();

    // Cleared, the list goes and the tree is all there is.
    f.panel()->field()->clear();
    EXPECT_FALSE(f.panel()->results()->isVisible());
    EXPECT_FALSE(f.panel()->progressLabel()->isVisible());

    // Rows open, reveal and drag like the tree's rows.
    ASSERT_TRUE(f.typed(QStringLiteral("shimmer"),
                        {f.path("Patches/Live/Shimmer Hall.sig"), f.path("Patches/Studio/Deep/Choir.sig")}));
    QListView* list = f.panel()->results();
    const QModelIndex second = list->model()->index(1, 0);
    const QRect rect = list->visualRect(second);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(f.opened, QStringList{f.path("Patches/Studio/Deep/Choir.sig")});

    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(f.opened,
              (QStringList{f.path("Patches/Studio/Deep/Choir.sig"), f.path("Patches/Live/Shimmer Hall.sig")}));

    // Reveal in Tree opens the folders down to the file and selects it.
    list->setCurrentIndex(second);
    QAction* reveal = list->findChild<QAction*>(QStringLiteral("actionLibraryReveal"));
    ASSERT_TRUE(reveal);
    reveal->trigger();
    DiskFileTreeNode* choir = f.browser->nodeForPath((f.dir / "Patches/Studio/Deep/Choir.sig").string());
    ASSERT_TRUE(choir);
    DiskOutlineView* tree = f.browser->outlineView();
    EXPECT_EQ(tree->currentIndex(), f.browser->treeModel()->indexForNode(choir));
    EXPECT_TRUE(tree->isExpanded(f.browser->treeModel()->indexForNode(choir->nodeParent())));
    EXPECT_TRUE(f.revealed.isEmpty());

    // A row drags as the tree's row of that file does.
    EXPECT_TRUE(list->dragEnabled());
    std::unique_ptr<QMimeData> data(list->model()->mimeData({second}));
    const auto* drag = qobject_cast<const DiskDragMimeData*>(data.get());
    ASSERT_TRUE(drag);
    ASSERT_EQ(drag->diskNodes().size(), 1u);
    EXPECT_EQ(drag->diskNodes()[0].get(), choir);
    EXPECT_EQ(drag->text(), f.path("Patches/Studio/Deep/Choir.sig"));
    EXPECT_TRUE(f.browser->validateDrop(drag, f.browser->nodeForPath((f.dir / "Patches/Live").string())));

    // A backup outside the tree shows in the file manager.
    ASSERT_TRUE(f.typed(QStringLiteral("big"), {f.backup}));
    list->setCurrentIndex(list->model()->index(0, 0));
    reveal->trigger();
    EXPECT_EQ(f.revealed, QList<QUrl>{QUrl::fromLocalFile(f.path("Backups/Backup 2026-12-06 2342"))});

    // Files written by another program show up.
    ASSERT_TRUE(f.typed(QStringLiteral("uses PLATE"), {f.path("Patches/Studio/Plate.sig")}));
    writeFile(f.dir / "Patches/Spring.sig", libraryPatch("Spring", "Dee", {{"PLATE", "p"}}));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return f.panel()->resultPaths() ==
                   QStringList{f.path("Patches/Spring.sig"), f.path("Patches/Studio/Plate.sig")};
        },
        10000));
    // F5 reads the whole library again: a change in a folder never opened.
    writeFile(f.dir / "Patches/Studio/Plate.sig", libraryPatch("Plate", "Cleo", {{"HALL", "p"}}));
    f.browser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.browser.get()));
    QTest::keyClick(f.browser.get(), Qt::Key_F5);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return f.panel()->resultPaths() == QStringList{f.path("Patches/Spring.sig")}; }, 10000));
}

} // namespace
