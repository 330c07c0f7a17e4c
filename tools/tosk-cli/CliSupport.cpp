#include "CliSupport.h"

#include "OverlaySettingsStore.h"

#include "base/Log.h"
#include "base/PreferenceController.h"
#include "database/SigDbase.h"

#include "CliCommand.h"

#include <filesystem>

namespace tosk::cli {

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Json alertsJson(const std::vector<AlertRequest>& alerts)
{
    Json out = Json::array();
    for (const auto& alert : alerts)
        out.push_back(Json{{"title", latin1ToUtf8(alert.title)}, {"message", latin1ToUtf8(alert.message)}});
    return out;
}

Json linesJson(const std::vector<std::string>& lines)
{
    Json out = Json::array();
    for (const auto& line : lines)
        out.push_back(latin1ToUtf8(line));
    return out;
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
    PreferenceController::setStore(&OverlaySettingsStore::userSettings());
    {
        LogCapture capture;
        ScopedRecordingAlerts alerts;
        choice.loaded = choice.db->initFromFileName(hasDb ? dbPath : std::string());
        choice.log = capture.lines();
        choice.alerts = alerts.recorded;
    }
    PreferenceController::setStore(nullptr);
    choice.path = choice.db->fullPathName();
    return choice;
}

} // namespace tosk::cli
