// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include "base/Log.h"
#include "base/TextCase.h"
#include "database/HelpBook.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <regex>
#include <set>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<SigDbase> bundledDatabase()
{
    LogCapture quiet;
    auto db = SigDbase::fromFile(dataPath("sigdbase.sbf"));
    EXPECT_TRUE(db->sigDbaseCreated());
    return db;
}

} // namespace

TEST(HelpBookCommand, WritesAPagePerOperatorAndClassAllLinked)
{
    TempDir tmp;
    const fs::path out = tmp / "book";
    CliRun run = runCli("helpbook '" + dataPath("sigdbase.sbf") + "' '" + out.string() + "' --guide guide/x.html");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    auto db = bundledDatabase();

    // Exactly the index, the stamp, a page per operator and one per class.
    std::set<std::string> expected{"index.htm", HelpBook::stampFile};
    std::set<std::string> classes;
    for (const auto& op : db->sigDbaseData()) {
        expected.insert("modules/idh_" + op->name() + ".htm");
        classes.insert(lowerCased(op->findEntryText(0, 8)));
        expected.insert("modules/idh_" + lowerCased(op->findEntryText(0, 8)) + "_modules.htm");
    }
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), out).string());
    EXPECT_EQ(files, expected);
    EXPECT_EQ(db->sigDbaseData().size(), 90u); // 88 in the file, the two nodes added
    EXPECT_EQ(classes.size(), 17u);
    EXPECT_EQ(run.out, std::to_string(expected.size() - 1) + " pages written to " + out.string() + "\n");
    EXPECT_EQ(HelpBook::bookId(out.string()), HelpBook::databaseId(*db));
    const std::string index = readFile(out / "index.htm");
    EXPECT_NE(index.find("<h1>Operator Reference</h1>\n<p><a href=\"guide/x.html\">Tosk User Guide</a>: "),
              std::string::npos);
    EXPECT_NE(index.find("</p>\n<p>Operator database: Korvatel SX-8, 1.20, 2024-05-17</p>\n<h2>Classes</h2>"),
              std::string::npos);

    // Every link but the guide's leads to a page of the book, and following
    // them from the index reaches every page.
    const std::regex link("href=\"([^\"]*)\"");
    std::set<std::string> reached{"index.htm"};
    std::deque<std::string> queue{"index.htm"};
    size_t links = 0;
    while (!queue.empty()) {
        const std::string page = queue.front();
        queue.pop_front();
        const std::string html = readFile(out / page);
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
            const std::string target = (*it)[1].str();
            if (target == "guide/x.html")
                continue;
            ++links;
            fs::path resolved = (out / page).parent_path() / target;
            ASSERT_TRUE(fs::is_regular_file(resolved)) << page << ": " << target;
            std::string relative = fs::relative(fs::weakly_canonical(resolved), fs::weakly_canonical(out)).string();
            ASSERT_EQ(relative.rfind("..", 0), std::string::npos) << page << ": " << target;
            if (reached.insert(relative).second)
                queue.push_back(relative);
        }
    }
    expected.erase(HelpBook::stampFile);
    EXPECT_EQ(reached, expected);
    EXPECT_GT(links, 3 * expected.size());

    // A class page lists each of its operators.
    const std::string filters = readFile(out / "modules" / "idh_filter_modules.htm");
    for (const auto& op : db->sigDbaseData())
        if (op->operatorId() == 7) {
            EXPECT_NE(filters.find("<li><a href=\"idh_" + op->name() + ".htm\">"), std::string::npos) << op->name();
        }
}

TEST(HelpBookCommand, RefusesBadArgumentsAndMissingDatabases)
{
    TempDir tmp;
    CliRun run = runCli("helpbook");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "usage: tosk-cli helpbook DATABASE OUTDIR [--guide HREF]\n");
    run = runCli("helpbook '" + (tmp / "none.sbf").string() + "' '" + (tmp / "out").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tosk-cli helpbook: no database file at " + (tmp / "none.sbf").string() + "\n");
    writeFile(tmp / "bad.sbf", "not a database");
    run = runCli("helpbook '" + (tmp / "bad.sbf").string() + "' '" + (tmp / "out").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tosk-cli helpbook: cannot read the database " + (tmp / "bad.sbf").string() + "\n");
    EXPECT_FALSE(fs::exists(tmp / "out"));
}

TEST(HelpBookCommand, TheBuildShipsTheBookOfTheBundledDatabase)
{
    auto db = bundledDatabase();
    const std::string bundled = HelpBook::bundledDirectory();
    ASSERT_FALSE(bundled.empty());
    EXPECT_EQ(fs::path(bundled).filename(), "help");
    EXPECT_EQ(HelpBook::bookId(bundled), HelpBook::databaseId(*db));
    EXPECT_EQ(HelpBook::directoryFor(*db), bundled);
    EXPECT_FALSE(HelpBook::findPage(bundled, "modules/idh_lowpass.htm").empty());
}
