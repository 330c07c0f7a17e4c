// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include "support/FolderTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace tosk;
namespace fs = std::filesystem;

namespace {

// Installs disk waits for the test's duration.
struct ScopedDiskSync {
    explicit ScopedDiskSync(DiskSync waits) : sync(waits) { setDiskSync(&sync); }
    ~ScopedDiskSync() { setDiskSync(nullptr); }
    DiskSync sync;
};

} // namespace

TEST(AtomicFile, WritesNewFilesAndKeepsThePreviousVersionAsBak)
{
    test::TempDir dir;
    const std::string path = (dir / "demo.sig").string();
    const std::string first("HEADM adc\r\n\0\xff", 13);

    // Every file and its bytes, so that a stray temporary file shows too.
    writeFileAtomically(path, first, true);
    EXPECT_EQ(test::treeOf(dir.path()), "demo.sig=" + first + "\n") << "nothing to back up yet";
    writeFileAtomically(path, "second", true);
    EXPECT_EQ(test::treeOf(dir.path()), "demo.bak=" + first + "\ndemo.sig=second\n");
    writeFileAtomically(path, "third", true);
    EXPECT_EQ(test::treeOf(dir.path()), "demo.bak=second\ndemo.sig=third\n") << "the version just replaced";
    writeFileAtomically(path, "", false);
    EXPECT_EQ(test::treeOf(dir.path()), "demo.bak=second\ndemo.sig=\n") << "no backup asked for, the old one stays";

    EXPECT_EQ(backupPathFor("/p/demo.sig"), "/p/demo.bak");
    EXPECT_EQ(backupPathFor("/p/noext"), "/p/noext.bak");
    EXPECT_EQ(backupPathFor("/p/old.bak"), "") << "a backup has no backup of its own";
    writeFileAtomically((dir / "old.bak").string(), "a", true);
    writeFileAtomically((dir / "old.bak").string(), "b", true);
    EXPECT_EQ(test::readFile(dir / "old.bak"), "b");

    // 251 bytes and ".sig": as long as a name may be, and its backup too.
    const std::string longest(251, 'n');
    fs::create_directory(dir / "long");
    writeFileAtomically((dir / "long" / (longest + ".sig")).string(), "first", true);
    writeFileAtomically((dir / "long" / (longest + ".sig")).string(), "second", true);
    EXPECT_EQ(test::treeOf(dir / "long"), longest + ".bak=first\n" + longest + ".sig=second\n");
}

// Whatever stops a save, the target, its backup and the folder stay as they
// were, without a temporary file left behind. Permissions would not stop
// root, so the folders that cannot take a file lead through a file.
TEST(AtomicFile, FailuresLeaveTheTargetAndTheFolderAsTheyWere)
{
    struct Case {
        std::string file, dirs, path, why, tree;
    };
    const Case cases[] = {
        {"", "folder.sig", "folder.sig", "not a regular file", "folder.sig/\n"},
        {"", "", "no/such.sig", std::strerror(ENOENT), ""},
        {"plain.sig", "", "plain.sig/p.sig", std::strerror(ENOTDIR), "plain.sig=old\n"},
        {"demo.sig", "demo.bak/in-the-way", "demo.sig", "cannot keep the backup {}demo.bak: Is a directory",
         "demo.bak/\ndemo.bak/in-the-way/\ndemo.sig=old\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        test::TempDir dir;
        if (!c.file.empty())
            test::writeFile(dir / c.file, "old");
        if (!c.dirs.empty())
            fs::create_directories(dir / c.dirs);
        std::string why = c.why;
        if (const size_t at = why.find("{}"); at != std::string::npos)
            why.replace(at, 2, dir.path().string() + "/");
        try {
            writeFileAtomically((dir / c.path).string(), "new", true);
            ADD_FAILURE() << "reported as written";
        } catch (const TkxException& e) {
            EXPECT_EQ(e.reason(), (dir / c.path).string() + ": " + why);
        }
        EXPECT_EQ(test::treeOf(dir.path()), c.tree);
    }

    // A relative path once the working folder is gone.
    test::TempDir dir;
    const fs::path before = fs::current_path();
    fs::create_directory(dir / "gone");
    fs::current_path(dir / "gone");
    fs::remove(dir / "gone");
    EXPECT_THROW(writeFileAtomically("demo.sig", "bytes", true), TkxException);
    fs::current_path(before);
}

// A disk that does not take the bytes fails the save and leaves the file
// and its backup as they were.
TEST(AtomicFile, ADiskThatDoesNotTakeTheBytesFailsTheSave)
{
    test::TempDir dir;
    const std::string path = (dir / "demo.sig").string();
    writeFileAtomically(path, "old", true);
    writeFileAtomically(path, "older kept", true);
    {
        ScopedDiskSync failing({[](std::FILE*) {
            errno = EIO;
            return false;
        }});
        try {
            writeFileAtomically(path, "new", true);
            FAIL() << "a write the disk did not take was reported as done";
        } catch (const TkxException& e) {
            EXPECT_EQ(e.reason(), path + ": " + std::strerror(EIO));
        }
    }
    EXPECT_EQ(test::treeOf(dir.path()), "demo.bak=old\ndemo.sig=older kept\n");
}

// The rename is flushed too, after it has happened; a folder that cannot be
// flushed leaves the file written.
TEST(AtomicFile, TheRenameIsFlushedAfterItHappened)
{
    test::TempDir dir;
    const std::string path = (dir / "demo.sig").string();
    static std::vector<std::string> flushed;
    flushed.clear();
    ScopedDiskSync failing({[](std::FILE*) { return true; },
                            [](const char* folder) {
                                flushed.push_back(std::string(folder) + " " +
                                                  test::readFile(fs::path(folder) / "demo.sig"));
                                errno = EIO;
                                return false;
                            }});
    LogCapture quiet;
    writeFileAtomically(path, "new", true);
    EXPECT_EQ(test::readFile(path), "new");
    EXPECT_EQ(flushed, std::vector<std::string>{dir.path().string() + " new"}) << "once, after the rename";
}

// A link is written through and stays a link; so do the file's permissions.
TEST(AtomicFile, ALinkAndThePermissionsStayAsTheyWere)
{
    test::TempDir dir;
    fs::create_directory(dir / "real");
    const fs::path real = dir / "real" / "demo.sig";
    test::writeFile(real, "first");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, dir / "link.sig");

    writeFileAtomically((dir / "link.sig").string(), "second", true);
    EXPECT_EQ(test::treeOf(dir.path()),
              "link.sig->" + real.string() + "\nreal/\nreal/demo.bak=first\nreal/demo.sig=second\n")
        << "the backup stands beside the real file";
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
