// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchFileSummary.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

// The title is the head record's first text and the modules are the records
// that name an operator: the head, the tail, comments and group headers not
// counted, whatever the line ends.
TEST(PatchFileSummary, TitleAndModuleCountComeFromTheRecords)
{
    struct Case {
        const char* text;
        const char* title;
        size_t modules;
    } cases[] = {
        {"HEADM adc \"Stereo Chorus\" demo 2 2 1 a-out b-out ;=20,40,80,0\r\nKNOB rate \"Rate\" 0 1 ;=1,1,80,0\r\n"
         "LFO lfo rate-out 1 0\r\nTAIL \"Tosk Examples\"\r\n",
         "Stereo Chorus", 2},
        {"HEAD adc \"Old Flanger\" old 2 1\nFLANGER fll adc-left\nFLANGER flr adc-right\n", "Old Flanger", 2},
        {"; a comment first\nHEADM adc Plain x\n;Ss=GROUP 2, VOICE, v1 ;=140,40,80,0\nLFO a\nLFO b\n\n  \nTAIL x\n",
         "Plain", 2},
        {"HEADM adc \"\" x\nMIX2 m\n", "", 1},
        {"KNOB k 0 1\nKNOB j 0 1\nKNOB i 0 1\n", "", 3},
        {"HEADM adc \"\xE9t\xE9\" x\nLFO m\n", "\xE9t\xE9", 1},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        const PatchFileSummary s = PatchFileSummary::fromText(c.text);
        EXPECT_TRUE(s.readable) << c.text;
        EXPECT_EQ(s.title, c.title) << c.text;
        EXPECT_EQ(s.modules, c.modules) << c.text;
    }
}

// A file is read again only once its time or size is not what it was; a
// missing file or a folder answers without a title.
TEST(PatchFileSummary, TheCacheReadsAFileAgainOnlyWhenItChanged)
{
    TempDir dir;
    const fs::path file = dir / "Pad.sig";
    writeFile(file, "HEADM adc \"Pad\" x\nLFO a\n");
    PatchSummaryCache cache;
    PatchFileSummary s = cache.summaryFor(file.string());
    EXPECT_EQ(s.title, "Pad");
    EXPECT_EQ(s.size, 24u);
    EXPECT_EQ(cache.reads(), 1u);
    s = cache.summaryFor(file.string());
    EXPECT_EQ(s.title, "Pad");
    EXPECT_EQ(cache.reads(), 1u);

    // The same size with another time is another file.
    writeFile(file, "HEADM adc \"Pan\" x\nLFO b\n");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    s = cache.summaryFor(file.string());
    EXPECT_EQ(s.title, "Pan");
    EXPECT_EQ(s.modifiedNs, 1000000000000);
    EXPECT_EQ(cache.reads(), 2u);
    writeFile(file, "HEADM adc \"Pan\" x\nLFO b\nLFO c\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(cache.summaryFor(file.string()).modules, 2u);

    s = cache.summaryFor((dir / "gone.sig").string());
    EXPECT_FALSE(s.readable);
    EXPECT_EQ(s.title, "");
    fs::create_directory(dir / "Bank");
    s = cache.summaryFor((dir / "Bank").string());
    EXPECT_TRUE(s.isFolder);
    EXPECT_NE(s.modifiedNs, 0);
}
