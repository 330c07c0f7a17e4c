// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommand.h"

#include "base/TkxException.h"

#include <algorithm>
#include <cstdio>

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

const CliCommand* findCommand(const std::string& name)
{
    for (const auto& c : registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

int runCommand(const CliCommand& command, const std::vector<std::string>& args)
{
    // A failure no command expected still ends with a message and a
    // status, not an abort.
    try {
        return command.run(args);
    } catch (const TkxException& e) {
        std::fprintf(stderr, "tosk-cli %s: %s: %s\n", command.name.c_str(), e.name().c_str(), e.reason().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tosk-cli %s: %s\n", command.name.c_str(), e.what());
    }
    return 1;
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
