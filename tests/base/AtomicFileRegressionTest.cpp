// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: saves that reported success or escaped as the
// wrong exception, and links replaced by plain files.
#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

using namespace tosk;
namespace fs = std::filesystem;

namespace {

// How many names the folder holds, so that a stray temporary file shows.
long entries(const fs::path& dir)
{
    return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
}

// Installs disk waits for the test's duration.
struct ScopedDiskSync {
    explicit ScopedDiskSync(DiskSync waits) : sync(waits) { setDiskSync(&sync); }
    ~ScopedDiskSync() { setDiskSync(nullptr); }
    DiskSync sync;
};

} // namespace

TEST(AtomicFileRegression, ADiskThatDoesNotTakeTheBytesFailsTheSave)
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
            EXPECT_EQ(e.name(), "writeFileAtomically");
            EXPECT_EQ(e.reason(), path + ": " + std::strerror(EIO));
        }
    }
    EXPECT_EQ(test::readFile(path), "older kept");
    EXPECT_EQ(test::readFile(dir / "demo.bak"), "old");
    EXPECT_EQ(entries(dir.path()), 2) << "demo.sig and demo.bak alone";

    ScopedDiskSync working({[](std::FILE*) { return true; }});
    writeFileAtomically(path, "new", true);
    EXPECT_EQ(test::readFile(path), "new");
}

// The rename is flushed too, after it has happened; a folder that cannot be
// flushed is logged, and the file stays written.
TEST(AtomicFileRegression, TheRenameIsFlushedAndAFailedFlushIsLogged)
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
    LogCapture log;
    writeFileAtomically(path, "new", true);
    EXPECT_EQ(test::readFile(path), "new");
    EXPECT_EQ(flushed, std::vector<std::string>{dir.path().string() + " new"}) << "once, after the rename";
    EXPECT_EQ(log.lines(), std::vector<std::string>{"writeFileAtomically: cannot flush the folder " +
                                                    dir.path().string() + ": " + std::strerror(EIO)});
}

TEST(AtomicFileRegression, ALinkIsWrittenThroughAndStaysALink)
{
    test::TempDir dir;
    fs::create_directory(dir / "real");
    const fs::path real = dir / "real" / "demo.sig";
    test::writeFile(real, "first");
    fs::create_symlink(real, dir / "link.sig");

    writeFileAtomically((dir / "link.sig").string(), "second", true);
    EXPECT_TRUE(fs::is_symlink(dir / "link.sig"));
    EXPECT_EQ(test::readFile(real), "second");
    EXPECT_EQ(test::readFile(dir / "real" / "demo.bak"), "first") << "the backup stands beside the real file";
    EXPECT_EQ(entries(dir.path()), 2) << "link.sig and real/ alone";
    EXPECT_EQ(entries(dir / "real"), 2) << "demo.sig and demo.bak alone";
}

TEST(AtomicFileRegression, ARelativePathWithoutAWorkingFolderFailsAsASave)
{
    test::TempDir dir;
    const fs::path before = fs::current_path();
    fs::create_directory(dir / "gone");
    fs::current_path(dir / "gone");
    fs::remove(dir / "gone");
    struct Back {
        fs::path to;
        ~Back() { fs::current_path(to); }
    } back{before};
    EXPECT_THROW(writeFileAtomically("demo.sig", "bytes", true), TkxException);
}

TEST(AtomicFileRegression, ANameAtTheFileSystemsLimitSavesTwiceWithItsBackup)
{
    test::TempDir dir;
    // 251 bytes and ".sig": as long as a name may be.
    const fs::path target = dir.path() / (std::string(251, 'n') + ".sig");
    writeFileAtomically(target.string(), "first", true);
    writeFileAtomically(target.string(), "second", true);
    EXPECT_EQ(test::readFile(target), "second");
    EXPECT_EQ(test::readFile(fs::path(target).replace_extension(".bak")), "first");
    EXPECT_EQ(entries(dir.path()), 2) << "no temporary file left behind";
}
