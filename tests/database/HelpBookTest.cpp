// SPDX-License-Identifier: GPL-3.0-or-later
#include "SbfText.h"
#include "support/FolderTree.h"

#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/HelpBook.h"
#include "database/HelpBookWriter.h"
#include "database/SigDbase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <tuple>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// Two filters (one class written two ways, one name in lower case), a delay,
// two more of its name (one in another class, one in its own: the one page
// is listed once under each), and an operator whose name would leave the
// book's folder.
std::string smallDatabase(const std::string& echoDefault = "250")
{
    return sbfSimpleOperator(
               "LowPass", "FILTER",
               sbfEntries("TYPE:ED_SIGNAL|NAME:in|DESCRIPTION:signal in;"
                          "TYPE:SIGNAL|NAME:out|CONNECT_TAG:out|DESCRIPTION:signal out;"
                          "TYPE:ED_FLOAT|NAME:freq|DESCRIPTION:cutoff <Hz> & \"more\"|MINIMUM:20|"
                          "MAXIMUM:=40000/20000/#ifhi|DEFAULT:1000;"
                          "TYPE:ED_INT|NAME:count|DESCRIPTION:bands|MINIMUM:1|MAXIMUM:8|DEFAULT:2;"
                          "TYPE:MULTIPLE|NAME:bands|ACTION_SPECIFIER:@count;"
                          "TYPE:ED_CONTROL|NAME:gain~n|DESCRIPTION:gain of band ~n|MAXIMUM:=@count/2/#mul;"
                          "TYPE:MULTIPLEEND|NAME:bandsend;"
                          "TYPE:ED_STRING|NAME:label|DESCRIPTION:label|STORAGE_SIZE:8")) +
           sbfSimpleOperator("highpass", "filter", sbfEntries("TYPE:ED_SIGNAL|NAME:in|DESCRIPTION:signal in")) +
           sbfSimpleOperator("ECHO", "DELAY",
                             sbfEntries("TYPE:ED_INT|NAME:time|DESCRIPTION:delay|MINIMUM:@lo|DEFAULT:" + echoDefault)) +
           sbfSimpleOperator("echo", "filter") + sbfSimpleOperator("Echo", "DELAY") +
           sbfSimpleOperator("../../etc/passwd", "MATH");
}

std::shared_ptr<SigDbase> loaded(const std::string& bytes)
{
    auto db = std::make_shared<SigDbase>();
    LogCapture quiet;
    EXPECT_TRUE(db->createSigDbaseFromData(bytes));
    return db;
}

// The bundled book's folder, set by a test, is put back at scope end.
struct BundledBookReset {
    ~BundledBookReset() { HelpBook::setBundledDirectory(""); }
};

} // namespace

TEST(HelpBook, PageNamesRefuseWhatWouldLeaveTheBook)
{
    for (const auto& [name, operatorPage, classPage] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"LOWPASS", "modules/idh_LOWPASS.htm", "modules/idh_lowpass_modules.htm"},
             {"LowPass", "modules/idh_LOWPASS.htm", "modules/idh_lowpass_modules.htm"},
             {"A_TO_A", "modules/idh_A_TO_A.htm", "modules/idh_a_to_a_modules.htm"},
             {"x.y", "modules/idh_X.Y.htm", "modules/idh_x.y_modules.htm"}}) {
        EXPECT_EQ(HelpBook::operatorPage(name), operatorPage) << name;
        EXPECT_EQ(HelpBook::classPage(name), classPage) << name;
    }
    for (const char* name : {"a/b", "a\\b", "..", "../../etc/passwd", "x..y", "", "tab\there"})
        EXPECT_FALSE(HelpBook::operatorPage(name) || HelpBook::classPage(name)) << name;

    for (const char* page : {"index.htm", "modules/idh_LOWPASS.htm", "a/b/c.htm"})
        EXPECT_TRUE(HelpBook::isSafePagePath(page)) << page;
    for (const char* page : {"", "/etc/passwd", "../index.htm", "modules/../../x.htm", "modules//x.htm", "./x.htm",
                             "modules\\x.htm", "modules/", "x\n.htm"})
        EXPECT_FALSE(HelpBook::isSafePagePath(page)) << page;
}

TEST(HelpBook, WritesFieldsWithTypesLimitsDefaultsAndRepeats)
{
    auto db = loaded(smallDatabase());
    LogCapture quiet;
    std::string paths;
    std::map<std::string, std::string> pages; // path: html
    for (const auto& page : HelpBookWriter(*db).pages()) {
        paths += page.path + " ";
        pages[page.path] = page.html;
    }
    EXPECT_EQ(paths,
              "index.htm modules/idh_delay_modules.htm modules/idh_filter_modules.htm modules/idh_node_modules.htm "
              "modules/idh_A_TO_A.htm modules/idh_C_TO_C.htm modules/idh_ECHO.htm modules/idh_HIGHPASS.htm "
              "modules/idh_LOWPASS.htm ");

    const std::string& html = pages["modules/idh_LOWPASS.htm"];
    EXPECT_THAT(html, HasSubstr("<meta charset=\"utf-8\">\n<title>LowPass</title>"));
    EXPECT_THAT(html, HasSubstr("<p class=\"nav\"><a href=\"../index.htm\">Operator Reference</a> &gt; "
                                "<a href=\"idh_filter_modules.htm\">FILTER</a></p>\n<h1>LowPass</h1>\n"));
    const std::string table =
        "<tr><th>Name</th><th>Type</th><th>Description</th><th>Limits</th><th>Default</th><th>Repeat</th></tr>\n"
        "<tr id=\"field-opstart_name\"><td><b>opstart_name</b></td><td>text</td><td>operator name</td>"
        "<td></td><td></td><td></td></tr>\n"
        "<tr id=\"field-in\"><td><b>in</b></td><td>signal input</td><td>signal in</td>"
        "<td></td><td></td><td></td></tr>\n"
        "<tr id=\"field-out\"><td><b>out</b></td><td>signal output</td><td>signal out</td>"
        "<td></td><td></td><td></td></tr>\n"
        "<tr id=\"field-freq\"><td><b>freq</b></td><td>number</td><td>cutoff &lt;Hz&gt; &amp; &quot;more&quot;</td>"
        "<td>20 to 40000 at the high sample rate, else 20000</td><td>1000</td><td></td></tr>\n"
        "<tr id=\"field-count\"><td><b>count</b></td><td>integer</td><td>bands</td>"
        "<td>1 to 8</td><td>2</td><td></td></tr>\n"
        "<tr id=\"field-gain~n\"><td><b>gain<i>n</i></b></td><td>control input</td><td>gain of band <i>n</i></td>"
        "<td>at most <i>count</i> \u00d7 2</td><td></td><td>for <i>n</i> = 1 to <i>count</i></td></tr>\n"
        "<tr id=\"field-label\"><td><b>label</b></td><td>text</td><td>label</td>"
        "<td>up to 8 characters</td><td></td><td></td></tr>\n"
        "</table>\n";
    EXPECT_THAT(html, HasSubstr(table));

    EXPECT_THAT(pages["modules/idh_ECHO.htm"], HasSubstr("<td>at least <i>lo</i></td><td>250</td>"));

    // Both spellings of the class make one page, named after the first; names
    // are listed without regard to case.
    const std::string& filters = pages["modules/idh_filter_modules.htm"];
    EXPECT_THAT(filters, HasSubstr("<title>FILTER operators</title>"));
    EXPECT_THAT(filters, HasSubstr("<ul>\n<li><a href=\"idh_ECHO.htm\">echo</a></li>\n"
                                   "<li><a href=\"idh_HIGHPASS.htm\">highpass</a></li>\n"
                                   "<li><a href=\"idh_LOWPASS.htm\">LowPass</a></li>\n</ul>\n"));

    const std::string& index = pages["index.htm"];
    EXPECT_THAT(index, HasSubstr("<h2>Classes</h2>\n<ul>\n"
                                 "<li><a href=\"modules/idh_delay_modules.htm\">DELAY</a> (1)</li>\n"
                                 "<li><a href=\"modules/idh_filter_modules.htm\">FILTER</a> (3)</li>\n"
                                 "<li><a href=\"modules/idh_node_modules.htm\">NODE</a> (2)</li>\n</ul>\n"));
    EXPECT_EQ(index.find("PASSWD"), std::string::npos);

    // Database texts are Latin-1; pages are UTF-8.
    EXPECT_EQ(HelpBookWriter::html("caf\xe9 <b> & \"x\" \xff"), "caf\xc3\xa9 &lt;b&gt; &amp; &quot;x&quot; \xc3\xbf");
}

// A limit given as a postfix expression reads as a person writes it; one
// that would not evaluate shows as written.
TEST(HelpBook, LimitExpressionsReadAsWritten)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"=2/#neg/#neg", "\u2212(\u22122)"},
        {"=@a/2/#mul/#trunc", "trunc(<i>a</i> \u00d7 2)"},
        {"=@a/2/#sub/3/#div", "(<i>a</i> \u2212 2) \u00f7 3"},
        {"=@a/@b/#if", "<i>a</i> when <i>b</i> \u2260 0, else 0"},
        {"=#speed/1/#add", "(1 at the high sample rate, else 0) + 1"},
        {"=#channels/#other", "the channel count"},
        {"=1/2", "1"},
        {"=#neg", "=#neg"},
        {"=1//2", "=1//2"},
    };
    std::vector<SbfEntry> fields;
    for (const auto& [limit, shown] : cases)
        fields.push_back({"TYPE:ED_INT", "NAME:f" + std::to_string(fields.size()), "MAXIMUM:" + limit});
    auto db = loaded(sbfSimpleOperator("LIMITS", "MATH", fields));
    LogCapture quiet;
    const std::string html = HelpBookWriter(*db).pages().back().html;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string f = "f" + std::to_string(i), row = "<tr id=\"field-" + f + "\"><td><b>" + f + "</b></td>";
        EXPECT_THAT(html, HasSubstr(row + "<td>integer</td><td></td><td>at most " + cases[i].second + "</td>"));
    }
}

// Pages are found without regard to case, inside the book only; the book of
// the bundled database is used where it is, those of others are made once in
// the cache.
TEST(HelpBook, FindsPagesInsideTheBookAndMakesBooksOfOtherDatabasesOnceInTheCache)
{
    TempDir tmp;
    ScopedEnv cacheHome("XDG_CACHE_HOME", (tmp / "cache").string());
    BundledBookReset reset;
    auto bundledDb = loaded(smallDatabase());
    auto otherDb = loaded(smallDatabase("300"));
    const std::string otherId = HelpBook::databaseId(*otherDb);
    EXPECT_EQ(HelpBook::databaseId(*loaded(smallDatabase())), HelpBook::databaseId(*bundledDb));
    EXPECT_NE(otherId, HelpBook::databaseId(*bundledDb));

    LogCapture quiet;
    const std::string book = (tmp / "bundled").string();
    HelpBookWriter(*bundledDb).write(book);
    HelpBook::setBundledDirectory(book);
    EXPECT_EQ(HelpBook::directoryFor(*bundledDb), book);
    EXPECT_FALSE(fs::exists(tmp / "cache"));

    writeFile(tmp / "outside.htm", "secret");
    // The page asked for, the one found relative to the book ("" for none).
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"modules/idh_LOWPASS.htm", "modules/idh_LOWPASS.htm"},
        {"modules/idh_lowpass.htm", "modules/idh_LOWPASS.htm"},
        {"MODULES/IDH_FILTER_MODULES.HTM", "modules/idh_filter_modules.htm"},
        {"Index.HTM", "index.htm"},
        {"modules/idh_NOPE.htm", ""},
        {"modules", ""}, // a folder is no page
        {"../outside.htm", ""},
        {"modules/../../outside.htm", ""},
        {(tmp / "outside.htm").string(), ""},
    };
    for (const auto& [page, found] : cases)
        EXPECT_EQ(HelpBook::findPage(book, page), found.empty() ? "" : (fs::path(book) / found).string()) << page;

    const fs::path cached = tmp / "cache" / "tosk" / "help" / otherId;
    EXPECT_EQ(HelpBook::directoryFor(*otherDb), cached.string());
    EXPECT_EQ(HelpBook::bookId(cached.string()), otherId);
    EXPECT_THAT(readFile(cached / "modules" / "idh_ECHO.htm"), HasSubstr("<td>300</td>"));

    // A whole book is used as it is...
    writeFile(cached / "index.htm", "kept");
    EXPECT_EQ(HelpBook::directoryFor(*otherDb), cached.string());
    EXPECT_EQ(readFile(cached / "index.htm"), "kept");
    // ...one without its stamp (cut short) is made again.
    fs::remove(cached / HelpBook::stampFile);
    EXPECT_EQ(HelpBook::directoryFor(*otherDb), cached.string());
    EXPECT_NE(readFile(cached / "index.htm"), "kept");
    EXPECT_EQ(namesIn(tmp / "cache" / "tosk" / "help"), std::set<std::string>{otherId}) << "no scratch folders left";

    // A cache that cannot be written fails.
    writeFile(tmp / "file", "");
    ScopedEnv blocked("XDG_CACHE_HOME", (tmp / "file").string());
    EXPECT_THROW(HelpBook::directoryFor(*otherDb), TkxException);
}

// The command writes the book of a database; the build ships the one of the
// bundled database, and the editor uses it as it is.
TEST(HelpBookCommand, WritesAPagePerOperatorAndClassAllLinkedAndTheBuildShipsTheBundledOne)
{
    TempDir tmp;
    const fs::path out = tmp / "book";
    const std::string command = "helpbook " + quoted(dataPath("sigdbase.sbf")) + " " + quoted(out.string());
    ASSERT_EQ(runCli(command).status, 0);
    // Written again over itself: no backups are left beside the pages.
    const CliRun run = runCli(command + " --guide guide/x.html");
    ASSERT_EQ(std::to_string(run.status) + run.err, "0");
    auto db = loaded(readFile(dataPath("sigdbase.sbf")));

    ASSERT_FALSE(HelpBook::bundledDirectory().empty());
    EXPECT_EQ(HelpBook::bookId(HelpBook::bundledDirectory()), HelpBook::databaseId(*db));

    // Exactly the index, the stamp, a page per operator and one per class.
    std::set<std::string> expected{"index.htm", HelpBook::stampFile};
    for (const auto& op : db->sigDbaseData()) {
        expected.insert("modules/idh_" + op->name() + ".htm");
        expected.insert("modules/idh_" + lowerCased(op->findEntryText(0, 8)) + "_modules.htm");
    }
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), out).string());
    EXPECT_EQ(files, expected);
    EXPECT_EQ(run.out, std::to_string(expected.size() - 1) + " pages written to " + out.string() + "\n");
    const std::string index = readFile(out / "index.htm");
    EXPECT_THAT(index, HasSubstr("<h1>Operator Reference</h1>\n<p><a href=\"guide/x.html\">Tosk User Guide</a>: "));
    EXPECT_THAT(index, HasSubstr("</p>\n<p>Operator database: Korvatel SX-8, 1.20, 2024-05-17</p>\n<h2>Classes</h2>"));

    // Every link but the guide's leads to a page of the book, and every page
    // is linked.
    expected.erase(HelpBook::stampFile);
    const std::regex link("href=\"([^\"]*)\"");
    std::set<std::string> linked{"index.htm"};
    for (const std::string& page : expected) {
        const std::string html = readFile(out / page);
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it)
            if ((*it)[1] != "guide/x.html")
                linked.insert((fs::path(page).parent_path() / (*it)[1].str()).lexically_normal().string());
    }
    EXPECT_EQ(linked, expected);
}

TEST(HelpBookCommand, RefusesBadArgumentsAndMissingDatabases)
{
    TempDir tmp;
    const std::string none = (tmp / "none.sbf").string(), bad = (tmp / "bad.sbf").string();
    writeFile(bad, "not a database");
    for (const auto& [args, status, err] : std::vector<std::tuple<std::string, int, std::string>>{
             {"", 2, "usage: tosk-cli helpbook DATABASE OUTDIR [--guide HREF]\n"},
             {quoted(none), 1, "tosk-cli helpbook: no database file at " + none + "\n"},
             {quoted(bad), 1, "tosk-cli helpbook: cannot read the database " + bad + "\n"}}) {
        const CliRun run = runCli("helpbook " + args + (args.empty() ? "" : " " + quoted((tmp / "out").string())));
        EXPECT_EQ(run.status, status) << args;
        EXPECT_EQ(run.err, err);
    }
    EXPECT_FALSE(fs::exists(tmp / "out"));
}
