// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/AtomicFile.h"
#include "base/TkxException.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace tosk;
namespace fs = std::filesystem;

namespace {

// Every name in the folder, so that a stray temporary file shows.
std::vector<std::string> listing(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(AtomicFile, WritesNewFilesAndKeepsThePreviousVersionAsBak)
{
    test::TempDir dir;
    const std::string path = (dir / "demo.sig").string();
    const std::string first("HEADM adc\r\n\0\xff", 13);

    writeFileAtomically(path, first, true);
    EXPECT_EQ(test::readFile(path), first);
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"demo.sig"})) << "nothing to back up yet";

    writeFileAtomically(path, "second", true);
    EXPECT_EQ(test::readFile(path), "second");
    EXPECT_EQ(test::readFile(dir / "demo.bak"), first);

    writeFileAtomically(path, "third", true);
    EXPECT_EQ(test::readFile(dir / "demo.bak"), "second") << "the backup is the version just replaced";

    writeFileAtomically(path, "", false);
    EXPECT_EQ(test::readFile(path), "");
    EXPECT_EQ(test::readFile(dir / "demo.bak"), "second") << "no backup asked for, the old one stays";
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"demo.bak", "demo.sig"}));

    EXPECT_EQ(backupPathFor("/p/demo.sig"), "/p/demo.bak");
    EXPECT_EQ(backupPathFor("/p/noext"), "/p/noext.bak");
    EXPECT_EQ(backupPathFor("/p/old.bak"), "") << "a backup has no backup of its own";
    writeFileAtomically((dir / "old.bak").string(), "a", true);
    writeFileAtomically((dir / "old.bak").string(), "b", true);
    EXPECT_EQ(test::readFile(dir / "old.bak"), "b");
}

TEST(AtomicFile, FailuresLeaveTheTargetAndTheFolderAsTheyWere)
{
    test::TempDir dir;
    fs::create_directory(dir / "folder.sig");
    try {
        writeFileAtomically((dir / "folder.sig").string(), "x", true);
        FAIL() << "a folder cannot be replaced by a file";
    } catch (const TkxException& e) {
        EXPECT_EQ(e.name(), "writeFileAtomically");
        EXPECT_EQ(e.reason(), (dir / "folder.sig").string() + ": not a regular file");
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder.sig"));

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
    EXPECT_EQ(test::readFile(dir / "plain.sig"), "old");
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"folder.sig", "plain.sig"}));
}

TEST(AtomicFile, ReplacingKeepsTheFilePermissions)
{
    test::TempDir dir;
    const fs::path path = dir / "ro.sig";
    test::writeFile(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeFileAtomically(path.string(), "new", false);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
