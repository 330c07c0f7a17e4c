// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommand.h"

#include "base/AtomicFile.h"
#include "base/TkxException.h"
#include "base/Version.h"
#include "comms/DiskSync.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tosk::cli {

static std::vector<CliCommand>& registry()
{
    static std::vector<CliCommand> list;
    return list;
}

const std::vector<CliCommand>& commands()
{
    return registry();
}

CliCommandRegistrar::CliCommandRegistrar(CliCommand command)
{
    registry().push_back(std::move(command));
}

bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value)
{
    const std::string flag = "--" + name;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == flag && i + 1 < args.size()) {
            value = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            return true;
        }
        if (args[i].rfind(flag + "=", 0) == 0) {
            value = args[i].substr(flag.size() + 1);
            args.erase(args.begin() + long(i));
            return true;
        }
    }
    return false;
}

bool takeFlag(std::vector<std::string>& args, const std::string& name)
{
    auto it = std::find(args.begin(), args.end(), "--" + name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

} // namespace tosk::cli

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
    tosk::setDiskSync(&tosk::platformDiskSync());
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : tosk::cli::commands()) {
        if (c.name != argv[1])
            continue;
        // A failure no command expected still ends with a message and a
        // status, not an abort.
        try {
            return c.run(args);
        } catch (const tosk::TkxException& e) {
            std::fprintf(stderr, "tosk-cli %s: %s: %s\n", argv[1], e.name().c_str(), e.reason().c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tosk-cli %s: %s\n", argv[1], e.what());
        }
        return 1;
    }
    std::fprintf(stderr, "tosk-cli: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 1;
}
