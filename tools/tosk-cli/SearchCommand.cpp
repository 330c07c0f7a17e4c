// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommand.h"
#include "CliSupport.h"

#include "Toskfile/LibraryQuery.h"
#include "Toskfile/LibraryScan.h"
#include "Toskfile/PatchSummary.h"
#include "base/Localization.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tosk::cli {

namespace {

// As grep answers: found, not found, trouble.
constexpr int kFound = 0;
constexpr int kNone = 1;
constexpr int kTrouble = 2;

Json texts(const std::vector<std::string>& list)
{
    Json out = Json::array();
    for (const auto& t : list)
        out.push_back(latin1ToUtf8(t));
    return out;
}

int runSearch(const std::vector<std::string>& given)
{
    std::vector<std::string> args = given;
    LibraryQuery query;
    std::string value;
    while (takeOption(args, "query", value)) {
        const LibraryQuery typed = LibraryQuery::parse(value);
        for (const auto& term : typed.terms())
            query.add(term.kind, term.text);
    }
    while (takeOption(args, "operator", value))
        query.add(LibraryQuery::Term::Kind::Uses, value);
    while (takeOption(args, "title", value))
        query.add(LibraryQuery::Term::Kind::Title, value);
    const bool asJson = takeFlag(args, "json");
    for (const auto& a : args)
        if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "tosk-cli search: unknown option '%s'\n", a.c_str());
            return kTrouble;
        }
    if (args.size() != 1) {
        std::fprintf(stderr, "tosk-cli search: expected 1 folder argument\n");
        return kTrouble;
    }
    const std::string& folder = args[0];
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "tosk-cli search: not a folder: %s\n", folder.c_str());
        return kTrouble;
    }
    Json matches = Json::array();
    size_t found = 0;
    for (const auto& file : scanLibrary(folder)) {
        std::ifstream in(file.path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in && !in.eof()) {
            std::fprintf(stderr, "tosk-cli search: cannot read %s\n", file.path.c_str());
            continue;
        }
        const PatchSummary patch = PatchSummary::read(bytes);
        if (!query.matches(patch))
            continue;
        ++found;
        if (asJson) {
            matches.push_back(Json{{"path", file.path},
                                   {"title", latin1ToUtf8(patch.title)},
                                   {"author", latin1ToUtf8(patch.author)},
                                   {"modules", texts(patch.modules)},
                                   {"operators", texts(patch.operators)}});
        } else {
            std::printf("%s\t%s\n", file.path.c_str(), latin1ToUtf8(patch.title).c_str());
        }
    }
    if (asJson)
        std::printf("%s\n", matches.dump(1, ' ', false, Json::error_handler_t::replace).c_str());
    return found ? kFound : kNone;
}

const CliCommandRegistrar search({"search", "search [--operator NAME] [--title TEXT] [--query TEXT] [--json] FOLDER",
                                  runSearch,
                                  "Lists the patches below the folder that use the operator, whose title holds the "
                                  "text and that match the search as typed in the disk browser (\"uses HALL "
                                  "title: shimmer\"), one path and title a line. Exits 0 when some match, 1 when "
                                  "none does, 2 on trouble."});

} // namespace

} // namespace tosk::cli
