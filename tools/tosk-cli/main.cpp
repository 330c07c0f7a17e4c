// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommand.h"

#include "base/Version.h"
#include "comms/DiskSync.h"
#include "comms/HeapPages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

// Words refilled into lines of at most 79 columns, each indented.
static void printWrapped(FILE* out, const std::string& text, size_t indent)
{
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && indent + line.size() + 1 + word.size() > 79) {
            std::fprintf(out, "%*s%s\n", int(indent), "", line.c_str());
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        std::fprintf(out, "%*s%s\n", int(indent), "", line.c_str());
}

// The manual page is made from this text (help2man): a command's usage
// stands on one line, its summary on the lines below, indented deeper.
static void usage(FILE* out)
{
    std::fprintf(out, "Usage: tosk-cli COMMAND [ARGUMENT]...\n"
                      "Work on Tosk patches (sig files) and operator databases without a display,\n"
                      "and talk to a unit over a serial line.\n"
                      "\n"
                      "Commands:\n");
    auto list = tosk::cli::commands();
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& c : list) {
        std::fprintf(out, "  %s\n", c.usage.c_str());
        printWrapped(out, c.summary, 20);
    }
    std::fprintf(out, "\n"
                      "Options:\n"
                      "  -h, --help     show this help and exit\n"
                      "      --version  show the version and exit\n"
                      "\n"
                      "Commands that read patches or a database take --db PATH, the operator\n"
                      "database to use; without it they take the one the editor would: the path\n"
                      "stored in its settings, else ~/sigdbase.sbf, else the bundled one.\n"
                      "Each command exits with status 0 when it did what was asked, else with\n"
                      "a status above 0 and the reason on stderr.\n");
}

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs(tosk::Version::text("tosk-cli").c_str(), stdout);
        return 0;
    }
    tosk::useLargeHeapPages();
    tosk::setDiskSync(&tosk::platformDiskSync());
    std::vector<std::string> args(argv + 2, argv + argc);
    if (const tosk::cli::CliCommand* command = tosk::cli::findCommand(argv[1]))
        return tosk::cli::runCommand(*command, args);
    std::fprintf(stderr, "tosk-cli: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 1;
}
