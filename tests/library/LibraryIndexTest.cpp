// SPDX-License-Identifier: GPL-3.0-or-later
// The library's index: what it keeps between runs, how it follows the files,
// and that a file that is not a current index is built again.
#include "library/LibraryIndex.h"
#include "base/Log.h"

#include "support/LibraryTree.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

using Strings = std::vector<std::string>;

// Qt SQL loads its drivers through the application object.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "tosk_library_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

class LibraryIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        writeLibraryTree(dir.path() / "lib");
        root = (dir.path() / "lib").string();
        indexPath = (dir.path() / "cache/tosk/library.sqlite").string();
    }

    Strings found(const LibraryIndex& index, const std::string& text, const Strings& roots = {}) const
    {
        Strings out;
        for (const LibraryEntry* e : index.search(LibraryQuery::parse(text), roots.empty() ? Strings{root} : roots))
            out.push_back(fs::relative(e->file.path, root).string());
        return out;
    }

    TempDir dir;
    std::string root;
    std::string indexPath;
};

TEST_F(LibraryIndexTest, KeepsWhatItReadForTheNextRun)
{
    std::vector<LibraryIndex::Progress> steps;
    {
        LibraryIndex index(indexPath);
        EXPECT_TRUE(index.isStored());
        EXPECT_FALSE(index.wasRebuilt());
        EXPECT_EQ(index.update({root}, [&](LibraryIndex::Progress p) { steps.push_back(p); }),
                  (LibraryIndex::Changes{5, 0, 0}));
        EXPECT_EQ(found(index, "uses HALL"), (Strings{"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig"}));
    }
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].done, 5u);
    EXPECT_EQ(steps[0].total, 5u);

    LibraryIndex again(indexPath);
    EXPECT_FALSE(again.wasRebuilt());
    ASSERT_EQ(again.entries().size(), 5u);
    const LibraryEntry& shimmer = again.entries().at(root + "/Live/Shimmer Hall.sig");
    EXPECT_EQ(shimmer.summary, PatchSummary::read(readFile(shimmer.file.path)));
    LibraryFile file;
    ASSERT_TRUE(statLibraryFile(shimmer.file.path, file));
    EXPECT_EQ(shimmer.file, file);
    // Nothing changed on disk: nothing is read again.
    EXPECT_EQ(again.update({root}), (LibraryIndex::Changes{0, 0, 0}));
    EXPECT_EQ(found(again, "title: shimmer"), (Strings{"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig"}));
}

TEST_F(LibraryIndexTest, FollowsFilesAddedChangedAndRemoved)
{
    LibraryIndex index(indexPath);
    index.update({root});
    writeFile(fs::path(root) / "Live/New.sig", libraryPatch("New Hall", "Dee", {{"HALL", "big"}}));
    writeFile(fs::path(root) / "Studio/Plate.sig", libraryPatch("Plate Shimmer", "Cleo", {{"PLATE", "p"}}));
    fs::remove(fs::path(root) / "Live/Tape Echo.sig");
    // A sibling whose name sorts among the folder's own files stays as it is.
    fs::create_directories(root + " 2");
    writeFile(fs::path(root + " 2") / "Other.sig", libraryPatch("Other", "Eve", {{"HALL", "x"}}));
    index.update({root + " 2"});

    EXPECT_EQ(index.update({root + "/"}), (LibraryIndex::Changes{1, 1, 1}));
    EXPECT_EQ(found(index, "shimmer"), (Strings{"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig", "Studio/Plate.sig"}));
    EXPECT_EQ(found(index, "echo"), (Strings{"Live/Old/Tape Echo.bak"}));
    EXPECT_EQ(found(index, "uses HALL", {root, root + " 2"}),
              (Strings{"../lib 2/Other.sig", "Live/New.sig", "Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig"}));

    // One folder of the tree, as the watcher reports it.
    fs::remove_all(fs::path(root) / "Studio/Deep");
    EXPECT_EQ(index.update({root + "/Studio"}), (LibraryIndex::Changes{0, 0, 1}));
    // A folder that went, with all it held.
    fs::remove_all(fs::path(root) / "Live");
    EXPECT_EQ(index.update({root, root + "/Live"}), (LibraryIndex::Changes{0, 0, 3}));
    EXPECT_EQ(found(index, ""), (Strings{"Studio/Plate.sig"}));

    LibraryIndex reopened(indexPath);
    Strings paths;
    for (const auto& [path, entry] : reopened.entries())
        paths.push_back(fs::relative(path, root).string());
    EXPECT_EQ(paths, (Strings{"../lib 2/Other.sig", "Studio/Plate.sig"}));
}

TEST_F(LibraryIndexTest, BuildsABrokenOrOldIndexAgain)
{
    // Runs SQL statements on the stored index with a connection of its own.
    const auto sql = [&](std::vector<QString> statements) {
        return [this, statements] {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("spoil"));
                db.setDatabaseName(QString::fromStdString(indexPath));
                ASSERT_TRUE(db.open());
                QSqlQuery q(db);
                for (const QString& statement : statements)
                    ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("spoil"));
        };
    };
    const auto truncated = [&] {
        const std::string bytes = readFile(indexPath);
        writeFile(indexPath, bytes.substr(0, bytes.size() / 2));
    };
    const std::vector<std::pair<std::string, std::function<void()>>> cases{
        {"another layout's version",
         sql({QStringLiteral("PRAGMA user_version=%1").arg(LibraryIndex::kSchemaVersion + 1)})},
        {"not a database", [&] { writeFile(indexPath, std::string(4096, 'x')); }},
        {"cut short", truncated},
        {"a table of another shape",
         sql({QStringLiteral("DROP TABLE patches"), QStringLiteral("CREATE TABLE patches (path TEXT)")})},
    };
    for (const auto& [name, spoil] : cases) {
        SCOPED_TRACE(name);
        fs::remove_all(dir.path() / "cache");
        {
            LibraryIndex index(indexPath);
            index.update({root});
        }
        spoil();
        LibraryIndex index(indexPath);
        EXPECT_TRUE(index.wasRebuilt());
        EXPECT_TRUE(index.isStored());
        EXPECT_TRUE(index.entries().empty());
        EXPECT_EQ(index.update({root}), (LibraryIndex::Changes{5, 0, 0}));
        EXPECT_EQ(found(index, "uses PLATE"), (Strings{"Studio/Plate.sig"}));
    }
}

TEST_F(LibraryIndexTest, LivesInTheUsersCacheFolder)
{
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const auto& [cache, path] :
         {std::pair<std::string, std::string>{"/var/cache/someone", "/var/cache/someone/tosk/library.sqlite"},
          {"relative", home + "/.cache/tosk/library.sqlite"},
          {"", home + "/.cache/tosk/library.sqlite"}}) {
        ScopedEnv env("XDG_CACHE_HOME", cache);
        EXPECT_EQ(LibraryIndex::defaultPath(), path) << cache;
    }

    // A place where no file can be made still gives a working index.
    writeFile(dir.path() / "blocked", "");
    // Quiet: the index says once that it keeps nothing.
    LogCapture log;
    LibraryIndex index((dir.path() / "blocked/tosk/library.sqlite").string());
    EXPECT_FALSE(index.isStored());
    EXPECT_EQ(index.update({root}), (LibraryIndex::Changes{5, 0, 0}));
    EXPECT_EQ(found(index, "uses CHORUS"), (Strings{"Studio/Deep/Choir.sig"}));
}

} // namespace
