// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli helpbook: writes the operator reference of a database (one page
// per operator and per class, and an index) into a folder. The build makes
// the bundled book with it.
#include "CliCommand.h"
#include "CliSupport.h"

#include "base/Alerts.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/HelpBookWriter.h"
#include "database/SigDbase.h"

#include <cstdio>
#include <filesystem>

namespace tosk::cli {

namespace {

constexpr const char* kUsage = "helpbook DATABASE OUTDIR [--guide HREF]";

int runHelpBook(const std::vector<std::string>& args)
{
    // --guide HREF: the index links the user guide there.
    std::string guide;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--guide" && i + 1 < args.size())
            guide = args[++i];
        else
            positional.push_back(args[i]);
    }
    if (positional.size() != 2 || positional[0].empty() || positional[1].empty()) {
        std::fprintf(stderr, "usage: tosk-cli %s\n", kUsage);
        return 2;
    }
    const std::string& path = positional[0];
    const std::string& outDir = positional[1];
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        std::fprintf(stderr, "tosk-cli helpbook: no database file at %s\n", path.c_str());
        return 1;
    }

    // Read the file named, never the one the settings name, and leave the
    // settings alone.
    SigDbase db;
    db.setFullPathName(path);
    bool loaded = false;
    std::vector<std::string> log;
    {
        LogCapture capture;
        ScopedRecordingAlerts alerts;
        loaded = db.createSigDbase();
        Alerts::show(db.takeProblems());
        log = capture.lines();
        for (const auto& alert : alerts.recorded)
            log.push_back(alert.title + ": " + alert.message);
    }
    if (!loaded) {
        std::fprintf(stderr, "tosk-cli helpbook: cannot read the database %s\n", path.c_str());
        for (const auto& line : log)
            std::fprintf(stderr, "  %s\n", latin1ToUtf8(line).c_str());
        return 1;
    }

    HelpBookWriter writer(db);
    writer.setGuideLink(guide);
    const std::vector<HelpBookWriter::Page> pages = writer.pages();
    writer.write(outDir, pages);
    std::printf("%zu pages written to %s\n", pages.size(), outDir.c_str());
    return 0;
}

const CliCommandRegistrar registrar({"helpbook", kUsage, runHelpBook,
                                     "writes the operator reference of DATABASE (a page per operator and per "
                                     "class, and an index linking the user guide at HREF) into OUTDIR"});

} // namespace

} // namespace tosk::cli
