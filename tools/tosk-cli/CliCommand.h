// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace tosk::cli {

// One sub-command of tosk-cli. Each command lives in its own source file and
// registers itself with a static CliCommandRegistrar.
struct CliCommand {
    std::string name;
    std::string usage;                                // one line: "dbinfo [--db PATH] [--json]"
    int (*run)(const std::vector<std::string>& args); // args after the command name
    std::string summary;                              // what it does, for --help and the manual page
};

const std::vector<CliCommand>& commands();

struct CliCommandRegistrar {
    explicit CliCommandRegistrar(CliCommand command);
};

const CliCommand* findCommand(const std::string& name);
// Runs the command; an exception it lets out is told on stderr, status 1.
int runCommand(const CliCommand& command, const std::vector<std::string>& args);

// Removes "--name VALUE" (or "--name=VALUE") from args; answers the value.
bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value);
// Removes the flag "--name" from args; answers whether it was there.
bool takeFlag(std::vector<std::string>& args, const std::string& name);

} // namespace tosk::cli
