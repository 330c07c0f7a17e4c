// SPDX-License-Identifier: GPL-3.0-or-later
#include "SbfText.h"
#include "support/TestSupport.h"

#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/SettingsStore.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

const std::string smallDb = sbfHeadm("4") + sbfSimpleOperator("GAIN", "MATH");

// A home folder, a settings store and a bundled-data folder of the test's
// own, so that no test sees the user's or another test's; the database asks
// no one (no alert, no file panel) whatever it finds.
class SigDbaseFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* home = std::getenv("HOME");
        savedHome_ = home ? std::optional<std::string>(home) : std::nullopt;
        fs::create_directories(home_.path());
        setenv("HOME", home_.path().c_str(), 1);
        Localization::shared(); // reads its tables before the data folder moves
        DataFiles::setDirectory(bundle_.path().string());
    }

    void TearDown() override
    {
        // A test that stops at a failed assertion still lets go.
        NotificationCenter::defaultCenter().removeObserver(this);
        DataFiles::setDirectory("");
        if (savedHome_)
            setenv("HOME", savedHome_->c_str(), 1);
        else
            unsetenv("HOME");
    }

    std::string homeFile(const std::string& name, const std::string& bytes)
    {
        writeFile(home_ / name, bytes);
        return (home_ / name).string();
    }
    std::string bundledFile(const std::string& bytes)
    {
        writeFile(bundle_ / "sigdbase.sbf", bytes);
        return (bundle_ / "sigdbase.sbf").string();
    }
    std::string homePath() const { return home_.path().string(); }

    MemorySettingsStore settings;
    NoWindowServices noWindow;
    LogCapture quiet;

private:
    TempDir home_, bundle_;
    std::optional<std::string> savedHome_;
};

} // namespace

TEST_F(SigDbaseFile, GivenPathThenStoredPathThenHomeFileThenBundledDatabase)
{
    std::string given = homeFile("unit.sbf", smallDb);
    SigDbase db;
    EXPECT_TRUE(db.initFromFileName(given, settings));
    EXPECT_TRUE(db.sigDbaseCreated());
    EXPECT_EQ(db.dbaseName(), "unit.sbf");
    EXPECT_EQ(db.sigDbaseData().size(), 4u);
    EXPECT_EQ(settings.value("SigDbasePath"), given);
    std::string bundled = bundledFile(sbfHeadm("8"));

    // Nothing stored (or an empty path), no home file: the bundled database,
    // without storing it.
    settings.setValue("SigDbasePath", "");
    SigDbase first;
    EXPECT_TRUE(first.initFromFileName("", settings));
    EXPECT_EQ(first.fullPathName(), bundled);
    EXPECT_EQ(first.maxChannels(), 8u);
    EXPECT_EQ(settings.value("SigDbasePath"), "");

    // ~/sigdbase.sbf comes before the bundled one, and is stored.
    std::string home = homeFile("sigdbase.sbf", smallDb);
    SigDbase second;
    EXPECT_TRUE(second.initFromFileName("", settings));
    EXPECT_EQ(second.fullPathName(), home);
    EXPECT_EQ(settings.value("SigDbasePath"), home);

    // The stored path comes first.
    std::string other = homeFile("other.sbf", sbfHeadm("2"));
    settings.setValue("SigDbasePath", other);
    SigDbase third;
    EXPECT_TRUE(third.initFromFileName("", settings));
    EXPECT_EQ(third.fullPathName(), other);
    EXPECT_TRUE(third.problems().empty());
}

TEST_F(SigDbaseFile, MissingFileLeavesTheQuestionToTheCallerWithThePanelToShow)
{
    std::string chosen = homeFile("chosen.sbf", smallDb);
    bundledFile(sbfHeadm("8"));
    settings.setValue("SigDbasePath", homePath() + "/gone/sigdbase.sbf");

    EXPECT_EQ(SigDbase::locate("", settings), std::nullopt)
        << "a stored path that is gone is not replaced by the bundled file";
    const FileRequest r = SigDbase::browseRequest(settings);
    EXPECT_EQ(std::make_tuple(r.save, r.chooseFolders, r.directory, r.fileTypes),
              std::make_tuple(false, false, homePath() + "/gone", std::vector<std::string>{"sbf"}));
    EXPECT_EQ(r.title + " | " + r.message, "Open the operator database file | Choose the operator database "
                                           "(sigdbase.sbf) before going on.");
    SigDbase db;
    EXPECT_TRUE(db.initFromPath(chosen)) << "the file the user chose";
    EXPECT_EQ(db.fullPathName(), chosen);

    // A folder is no database either; without a stored path the panel opens at
    // home.
    settings.remove("SigDbasePath");
    EXPECT_EQ(SigDbase::locate(homePath(), settings), std::nullopt);
    EXPECT_EQ(SigDbase::browseRequest(settings).directory, homePath());
}

TEST_F(SigDbaseFile, NothingToReadLeavesTheDatabaseEmpty)
{
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(smallDb));
    EXPECT_FALSE(db.initFromFileName("", settings));
    EXPECT_TRUE(db.sigDbaseData().empty());
    EXPECT_EQ(db.maxChannels(), 0u);
    EXPECT_EQ(db.fullPathName(), "");
    EXPECT_FALSE(settings.contains("SigDbasePath"));

    EXPECT_FALSE(db.initFromFileName(homePath() + "/missing.sbf", settings));
    EXPECT_FALSE(db.initFromPath(std::string())) << "an empty answer is a cancel";
    EXPECT_FALSE(settings.contains("SigDbasePath"));
}

TEST_F(SigDbaseFile, BrokenFileFailsWithoutTouchingIt)
{
    std::string bytes = smallDb + "{\n{}\n}\n";
    std::string path = homeFile("broken.sbf", bytes);
    SigDbase db;
    EXPECT_FALSE(db.initFromFileName(path, settings));
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(db.sigDbaseData().size(), 2u) << "the operators before the error stay";
    EXPECT_EQ(readFile(path), bytes);

    std::string notDb = homeFile("notes.sbf", "sigdbase\n{}");
    EXPECT_FALSE(db.initFromFileName(notDb, settings));
    EXPECT_TRUE(db.sigDbaseData().empty());
    EXPECT_TRUE(db.problems().empty());
}

TEST_F(SigDbaseFile, ReloadEmptiesFirstAndKeepsHeldRecordsAlive)
{
    std::string path = homeFile("unit.sbf", smallDb);
    SigDbase db;
    int loads = 0;
    NotificationCenter::defaultCenter().addObserver(this, SigDbase::didLoadNotification, &db,
                                                    [&](const Notification&) { ++loads; });
    ASSERT_TRUE(db.initFromFileName(path, settings));
    auto gain = db.operatorForName("GAIN");
    ASSERT_TRUE(gain);
    auto entry = gain->entryAtIndex(1);
    ASSERT_TRUE(entry);

    writeFile(path, sbfSimpleOperator("MIX", "MIXER"));
    EXPECT_TRUE(db.createSigDbase());
    EXPECT_EQ(db.sigDbaseData().size(), 3u);
    EXPECT_EQ(db.operatorForName("GAIN"), nullptr);
    EXPECT_EQ(db.maxChannels(), 0u) << "the count of the old file is forgotten";
    EXPECT_EQ(entry->name(), "opstart_name") << "a module's entry outlives the reload";

    fs::remove(path);
    EXPECT_FALSE(db.createSigDbase());
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(loads, 2);
}
