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

TEST(AtomicFile, FailuresLeaveTheTargetAndTheFolderAsTheyWere)
{
    test::TempDir dir;
    fs::create_directory(dir / "folder.sig");
    try {
        writeFileAtomically((dir / "folder.sig").string(), "x", true);
        FAIL() << "a folder cannot be replaced by a file";
    } catch (const TkxException& e) {
        EXPECT_EQ(e.reason(), (dir / "folder.sig").string() + ": not a regular file");
    }

    const std::string missing = (dir / "no" / "such.sig").string();
    EXPECT_THROW(writeFileAtomically(missing, "x", true), TkxException);
    EXPECT_FALSE(fs::exists(dir / "no"));

    // A folder that cannot take a new file, whoever asks (permissions would
    // not stop root): its path leads through a file. What is in the way
    // stays as it was.
    test::writeFile(dir / "plain.sig", "old");
    const std::string through = (dir / "plain.sig" / "p.sig").string();
    try {
        writeFileAtomically(through, "new", true);
        FAIL() << "a file was written below a file";
    } catch (const TkxException& e) {
        EXPECT_EQ(e.reason(), through + ": " + std::strerror(ENOTDIR));
    }
    EXPECT_EQ(test::treeOf(dir.path()), "folder.sig/\nplain.sig=old\n");

    // A relative path once the working folder is gone.
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
