// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tosk {

class SigDbase;

// The operator reference: a folder of HTML pages made from an operator
// database (HelpBookWriter). "index.htm" links every class page
// "modules/idh_<class>_modules.htm" (class in lower case), which links the
// pages of its operators "modules/idh_<NAME>.htm" (name in upper case).
// Pages are found without regard to case.
//
// The book of the bundled database is made when Tosk is built and ships
// beside the program; the book of any other database is made on first use
// in the user's cache folder, in a sub-folder named by the database's
// contents, so that each database keeps its own pages.
class HelpBook {
public:
    static constexpr const char* indexPage = "index.htm";
    // Holds the identity of the database the book was made from; written
    // last, so that a book without it is incomplete.
    static constexpr const char* stampFile = "book.id";

    // The page of an operator or of a class of operators; none when the
    // name cannot make a page name (empty, or holding "/", "\\", ".." or a
    // control byte: a database can come from a unit).
    static std::optional<std::string> operatorPage(std::string_view operatorName);
    static std::optional<std::string> classPage(std::string_view className);
    static bool isSafeName(std::string_view name);
    // A page path inside a book: relative, its parts neither empty nor "..",
    // no "\\" and no control bytes.
    static bool isSafePagePath(std::string_view page);

    // The file of a page of the book in folder dir, each part of the path
    // matched without regard to case (an exact match first); "" when the
    // book has no such page or the path is not safe.
    static std::string findPage(const std::string& dir, std::string_view page);

    // A text that changes whenever the operators, their entries or the way
    // pages are written change.
    static std::string databaseId(const SigDbase& db);

    // The book that ships with the program: "help" beside the executable,
    // else share/tosk/help of the install; "" when there is none.
    static std::string bundledDirectory();
    static void setBundledDirectory(const std::string& dir); // empty: search again
    // The user guide's first page, "guide/index.md" in the bundled book;
    // "" when the guide is not there.
    static std::string userGuideIndex();
    static constexpr const char* guideIndexPage = "guide/index.md";

    // Where books of other databases are made: $XDG_CACHE_HOME/tosk/help,
    // else ~/.cache/tosk/help; "" when neither is known.
    static std::string cacheDirectory();

    // The folder of the book for db: the bundled one when it was made from
    // the same operators, else the cache's, written first when it is not
    // there yet. Throws TkxException ("HelpBook.directoryFor") when the
    // book cannot be written.
    static std::string directoryFor(const SigDbase& db);
    // The identity a book folder was made from; "" when it has none.
    static std::string bookId(const std::string& dir);
};

} // namespace tosk
