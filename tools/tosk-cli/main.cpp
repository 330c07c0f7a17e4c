#include "CliCommand.h"

#include "base/AtomicFile.h"
#include "base/TkxException.h"
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

static void usage(FILE* out)
{
    std::fprintf(out, "usage: tosk-cli <command> [options]\n\ncommands:\n");
    auto list = tosk::cli::commands();
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& c : list)
        std::fprintf(out, "  tosk-cli %s\n", c.usage.c_str());
}

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
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
