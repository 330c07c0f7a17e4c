// SPDX-License-Identifier: GPL-3.0-or-later
// The library's search in the core: what a patch file is summed up as, how
// a typed search is read, and which files of a tree a search finds.
#include "Toskfile/LibraryQuery.h"
#include "Toskfile/LibraryScan.h"
#include "Toskfile/PatchSummary.h"

#include "support/LibraryTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

using Strings = std::vector<std::string>;
using Kind = LibraryQuery::Term::Kind;

TEST(PatchSummary, ReadsTitleAuthorModulesAndOperators)
{
    struct Case {
        std::string name;
        std::string bytes;
        PatchSummary expected;
    };
    const std::vector<Case> cases{
        {"example",
         readFile(dataPath("examples/demo.sig")),
         {"Stereo Chorus",
          "Tosk Examples",
          {"adc", "rate", "depth", "wave", "page", "lfo", "wosc", "chl", "chr", "shape", "trem", "mixl", "mixr"},
          {"HEADM", "KNOB", "KNOB", "WAVEFORM", "MENUPAGE", "LFO", "WAVEOSC", "CHORUS", "CHORUS", "CURVE", "MULTIPLY",
           "MIX2", "MIX2"}}},
        {"older head, no tail",
         "HEAD adc \"Old Flanger\" old 2 1\nFLANGER fll adc-left ;=140,40,80,0\n",
         {"Old Flanger", "", {"adc", "fll"}, {"HEAD", "FLANGER"}}},
        {"group names count as modules",
         "HEADM adc Grouped\r\n;Ss=GROUP 2, VOICE, v1 ;=140,40,80,0\r\nSINE osc 1\r\n; a remark\r\nTAIL \"A B\"\r\n",
         {"Grouped", "A B", {"adc", "v1", "osc"}, {"HEADM", "SINE"}}},
        {"a head without a title", "HEADM adc ;=20,40,80,0\r\n", {"", "", {"adc"}, {"HEADM"}}},
        {"only the first head gives the title",
         "HEADM a One\r\nHEADM b Two\r\n",
         {"One", "", {"a", "b"}, {"HEADM", "HEADM"}}},
        {"empty", "", {}},
        {"no records", "\r\n\r\n; nothing\r\n   \r\n", {}},
        {"bytes above 0x7f kept",
         "HEADM adc \"Caf\xe9\"\r\nTAIL J\xf6rg\r\n",
         {"Caf\xe9", "J\xf6rg", {"adc"}, {"HEADM"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PatchSummary::read(c.bytes), c.expected);
    }
}

TEST(LibraryQuery, ReadsWhatIsTyped)
{
    using Terms = std::vector<LibraryQuery::Term>;
    const std::vector<std::pair<std::string, Terms>> cases{
        {"", {}},
        {"   ", {}},
        {"Shimmer", {{Kind::Any, "shimmer"}}},
        {"uses HALL", {{Kind::Uses, "hall"}}},
        {"USES hall echo", {{Kind::Uses, "hall"}, {Kind::Any, "echo"}}},
        {"title: shimmer", {{Kind::Title, "shimmer"}}},
        {"title:shimmer author: ann", {{Kind::Title, "shimmer"}, {Kind::Author, "ann"}}},
        {"Module: verb operator:DEL", {{Kind::Module, "verb"}, {Kind::Operator, "del"}}},
        {"title: \"Tape Echo\"", {{Kind::Title, "tape echo"}}},
        {"\"uses\" hall", {{Kind::Any, "uses"}, {Kind::Any, "hall"}}},
        {"\"open phrase", {{Kind::Any, "open phrase"}}},
        {"echo uses", {{Kind::Any, "echo"}, {Kind::Any, "uses"}}},
        {"shimmer title:", {{Kind::Any, "shimmer"}, {Kind::Any, "title:"}}},
        {"\"\" title", {{Kind::Any, "title"}}},
    };
    for (const auto& [text, terms] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(LibraryQuery::parse(text).terms(), terms);
    }
}

TEST(LibraryQuery, FindsThePatchesOfAGeneratedTree)
{
    TempDir dir;
    writeLibraryTree(dir.path());
    const std::string root = dir.path().string();
    std::vector<std::pair<std::string, PatchSummary>> library;
    for (const auto& file : scanLibrary(root))
        library.emplace_back(fs::relative(file.path, root).string(), PatchSummary::read(readFile(file.path)));

    const std::vector<std::pair<std::string, Strings>> cases{
        {"",
         {"Live/Old/Tape Echo.bak", "Live/Shimmer Hall.sig", "Live/Tape Echo.sig", "Studio/Deep/Choir.sig",
          "Studio/Plate.sig"}},
        {"uses HALL", {"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig"}},
        {"uses hal", {}},
        {"hall", {"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig", "Studio/Plate.sig"}},
        {"title: shimmer", {"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig"}},
        {"title: hall", {"Live/Shimmer Hall.sig"}},
        {"module: hall", {"Studio/Plate.sig"}},
        {"operator: del", {"Live/Old/Tape Echo.bak", "Live/Tape Echo.sig"}},
        {"author: ann", {"Live/Shimmer Hall.sig", "Studio/Deep/Choir.sig"}},
        {"\"ann lee\"", {"Live/Shimmer Hall.sig"}},
        {"echo wow", {"Live/Tape Echo.sig"}},
        {"uses DELAY uses LFO", {"Live/Tape Echo.sig"}},
        {"shimmer uses PLATE", {}},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const LibraryQuery query = LibraryQuery::parse(text);
        Strings found;
        for (const auto& [path, summary] : library)
            if (query.matches(summary))
                found.push_back(path);
        EXPECT_EQ(found, expected);
    }
}

TEST(LibraryScan, ListsPatchFilesWithTheirTimesAndSizes)
{
    TempDir dir;
    writeLibraryTree(dir.path());
    fs::create_symlink(dir.path() / "Live", dir.path() / "Studio/Linked");
    fs::create_symlink(dir.path() / "Studio/Plate.sig", dir.path() / "Studio/Linked.sig");
    const std::string root = dir.path().string();

    Strings paths;
    for (const auto& file : scanLibrary(root)) {
        paths.push_back(fs::relative(file.path, root).string());
        LibraryFile one;
        ASSERT_TRUE(statLibraryFile(file.path, one));
        EXPECT_EQ(one, file);
        EXPECT_EQ(file.size, int64_t(fs::file_size(file.path)));
    }
    EXPECT_EQ(paths, (Strings{"Live/Old/Tape Echo.bak", "Live/Shimmer Hall.sig", "Live/Tape Echo.sig",
                              "Studio/Deep/Choir.sig", "Studio/Plate.sig"}));

    // A folder below the root is scanned the same way; what is no folder gives none.
    EXPECT_EQ(scanLibrary((dir.path() / "Live/Old").string()).size(), 1u);
    EXPECT_TRUE(scanLibrary((dir.path() / "Live/Tape Echo.sig").string()).empty());
    EXPECT_TRUE(scanLibrary((dir.path() / "Nowhere").string()).empty());

    LibraryFile file;
    EXPECT_FALSE(statLibraryFile((dir.path() / "Studio/notes.txt").string(), file));
    EXPECT_FALSE(statLibraryFile((dir.path() / "Studio/Linked.sig").string(), file));
    EXPECT_FALSE(statLibraryFile((dir.path() / "Studio/Gone.sig").string(), file));

    // A changed file tells by its size or time.
    LibraryFile before;
    ASSERT_TRUE(statLibraryFile((dir.path() / "Studio/Plate.sig").string(), before));
    writeFile(dir.path() / "Studio/Plate.sig", libraryPatch("Bright Plate 2", "Cleo", {}));
    ASSERT_TRUE(statLibraryFile((dir.path() / "Studio/Plate.sig").string(), file));
    EXPECT_NE(file, before);
}

TEST(LibraryScan, TellsWhatLiesInsideAFolder)
{
    const std::vector<std::tuple<std::string, std::string, bool>> cases{
        {"/a/b/c.sig", "/a/b", true}, {"/a/b", "/a/b", true},        {"/a/bc/d.sig", "/a/b", false},
        {"/a/b/c.sig", "/", true},    {"/a/b/c.sig", "/a/b/", true}, {"/a", "/a/b", false},
        {"/a/b", "", false},
    };
    for (const auto& [path, root, inside] : cases)
        EXPECT_EQ(isInsideFolder(path, root), inside) << path << " in " << root;
}

} // namespace
