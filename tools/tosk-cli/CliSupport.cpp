// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSupport.h"

#include "OverlaySettingsStore.h"

#include "base/FileChooser.h"
#include "base/Log.h"
#include "base/SettingsStore.h"
#include "database/SigDbase.h"

#include "CliCommand.h"

#include <filesystem>

namespace tosk::cli {

Json alertsJson(const std::vector<AlertRequest>& alerts)
{
    Json out = Json::array();
    for (const auto& alert : alerts)
        out.push_back(Json{{"title", alert.title}, {"message", alert.message}});
    return out;
}

Json linesJson(const std::vector<std::string>& lines)
{
    return Json(lines);
}

DatabaseChoice chooseDatabase(std::vector<std::string>& args)
{
    DatabaseChoice choice;
    choice.db = std::make_shared<SigDbase>();
    std::string dbPath;
    const bool hasDb = takeOption(args, "db", dbPath);
    std::error_code ec;
    if (hasDb && (dbPath.empty() || !std::filesystem::is_regular_file(dbPath, ec))) {
        // A path given on the command line is not a question to the user.
        choice.missing = true;
        choice.path = dbPath;
        return choice;
    }
    SettingsStore& settings = OverlaySettingsStore::userSettings();
    {
        LogCapture capture;
        ScopedRecordingAlerts alerts;
        std::optional<std::string> chosen = SigDbase::locate(hasDb ? dbPath : std::string(), settings);
        if (!chosen) {
            // As the app would ask; the CLI's chooser says so on stderr and
            // answers nothing.
            chosen = FileChooser::shared().choose(SigDbase::browseRequest(settings));
            if (chosen && !chosen->empty())
                settings.setValue(SigDbase::pathKey, *chosen);
            else
                chosen.reset();
        }
        choice.loaded = choice.db->initFromPath(chosen);
        Alerts::show(choice.db->takeProblems());
        choice.log = capture.lines();
        choice.alerts = alerts.recorded;
    }
    choice.path = choice.db->fullPathName();
    return choice;
}

} // namespace tosk::cli
