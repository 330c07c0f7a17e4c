// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli-gui: what tosk-cli needs the toolkit for. tosk-cli starts it for
// `render` (in its own place, with the same arguments) and to read the
// editor's settings ("settings": every key and its value, each ended by a 0
// byte, Latin-1 as the model keeps text).
#include "CliCommand.h"

#include "canvas/Latin1.h"
#include "comms/DiskSync.h"

#include <QSettings>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int writeSettings()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QSettings settings(QStringLiteral("Tosk"), QStringLiteral("Tosk"));
    std::string out;
    for (const QString& key : settings.allKeys()) {
        out += tosk::Latin1::bytes(key);
        out += '\0';
        out += tosk::Latin1::bytes(settings.value(key).toString());
        out += '\0';
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "settings") == 0)
        return writeSettings();
    const tosk::cli::CliCommand* command = argc >= 2 ? tosk::cli::findCommand(argv[1]) : nullptr;
    if (!command) {
        std::fprintf(stderr, "tosk-cli-gui: runs tosk-cli's drawing commands; use tosk-cli\n");
        return 1;
    }
    tosk::setDiskSync(&tosk::platformDiskSync());
    return tosk::cli::runCommand(*command, std::vector<std::string>(argv + 2, argv + argc));
}
