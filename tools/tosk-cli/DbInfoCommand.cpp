// tosk-cli dbinfo: loads an operator database as the editor would and reports
// what it holds, with every log line and alert raised on the way.
#include "CliCommand.h"
#include "OverlaySettingsStore.h"

#include "base/Alerts.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "database/SigDbase.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <map>

namespace tosk::cli {

namespace {

using Json = nlohmann::ordered_json;

// The database is 8-bit text; its bytes are taken as Latin-1.
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

Json optionalText(const std::optional<std::string>& text)
{
    return text ? Json(latin1ToUtf8(*text)) : Json(nullptr);
}

struct Report {
    bool loaded = false;
    std::string path;
    std::string name;
    std::vector<std::string> log;
    std::vector<AlertRequest> alerts;
};

Json jsonReport(const SigDbase& db, const Report& report)
{
    Json out;
    out["loaded"] = report.loaded;
    out["path"] = latin1ToUtf8(report.path);
    out["name"] = latin1ToUtf8(report.name);
    out["maxChannels"] = db.maxChannels();
    out["systemType"] = db.systemType();
    out["headName"] = db.headName();
    out["version"] = optionalText(db.versionString());
    out["date"] = optionalText(db.dateString());
    out["product"] = optionalText(db.productString());
    Json operators = Json::array();
    for (const auto& op : db.sigDbaseData()) {
        Json entries = Json::array();
        for (const auto& entry : op->operatorData()) {
            Json items = Json::array();
            for (const auto& item : entry->operatorData())
                items.push_back(Json::array({item->fieldType(), latin1ToUtf8(item->text())}));
            entries.push_back(Json{{"type", entry->entryType()}, {"items", std::move(items)}});
        }
        operators.push_back(
            Json{{"name", latin1ToUtf8(op->name())}, {"class", op->operatorId()}, {"entries", std::move(entries)}});
    }
    out["operators"] = std::move(operators);
    Json log = Json::array();
    for (const auto& line : report.log)
        log.push_back(latin1ToUtf8(line));
    out["log"] = std::move(log);
    Json alerts = Json::array();
    for (const auto& alert : report.alerts)
        alerts.push_back(Json{{"title", latin1ToUtf8(alert.title)}, {"message", latin1ToUtf8(alert.message)}});
    out["alerts"] = std::move(alerts);
    return out;
}

void printSummary(const SigDbase& db, const Report& report)
{
    auto text = [](const std::optional<std::string>& t) { return t ? latin1ToUtf8(*t) : std::string("(none)"); };
    std::printf("Database:   %s (%s)\n", report.path.empty() ? "(none)" : latin1ToUtf8(report.path).c_str(),
                report.loaded ? "loaded" : "not loaded");
    std::printf("Product:    %s\n", text(db.productString()).c_str());
    std::printf("Version:    %s\n", text(db.versionString()).c_str());
    std::printf("Date:       %s\n", text(db.dateString()).c_str());
    std::printf("Channels:   %u (system type %d)\n", db.maxChannels(), db.systemType());
    std::printf("Head:       %s\n", db.headName().c_str());
    std::printf("Operators:  %zu\n", db.sigDbaseData().size());
    std::map<int32_t, size_t> perClass;
    for (const auto& op : db.sigDbaseData())
        ++perClass[op->operatorId()];
    for (const auto& [id, count] : perClass) {
        const char* name = OperatorDesc::className(id);
        std::printf("  %-16s %zu\n", name ? name : "?", count);
    }
    if (!report.log.empty()) {
        std::printf("Log:\n");
        for (const auto& line : report.log)
            std::printf("  %s\n", latin1ToUtf8(line).c_str());
    }
    if (!report.alerts.empty()) {
        std::printf("Alerts:\n");
        for (const auto& alert : report.alerts)
            std::printf("  %s: %s\n", latin1ToUtf8(alert.title).c_str(), latin1ToUtf8(alert.message).c_str());
    }
}

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

int runDbInfo(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    std::string dbPath;
    const bool hasDb = takeOption(args, "db", dbPath);
    const bool json = takeFlag(args, "json");
    if (!args.empty()) {
        std::fprintf(stderr, "tosk-cli dbinfo: unexpected argument '%s'\nusage: tosk-cli dbinfo [--db PATH] [--json]\n",
                     args.front().c_str());
        return 2;
    }

    PreferenceController::setStore(&OverlaySettingsStore::userSettings());
    SigDbase db;
    Report report;
    if (hasDb && !isFile(dbPath)) {
        // A path given on the command line is not a question to the user.
        std::fprintf(stderr, "tosk-cli dbinfo: no database file at %s\n", dbPath.c_str());
        report.path = dbPath;
        report.name = std::filesystem::path(dbPath).filename().string();
    } else {
        LogCapture capture;
        ScopedRecordingAlerts alerts;
        report.loaded = db.initFromFileName(hasDb ? dbPath : std::string());
        report.log = capture.lines();
        report.alerts = alerts.recorded;
        report.path = db.fullPathName();
        report.name = db.dbaseName();
    }
    PreferenceController::setStore(nullptr);

    if (json)
        std::printf("%s\n", jsonReport(db, report).dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
    else
        printSummary(db, report);
    return report.loaded ? 0 : 1;
}

const CliCommandRegistrar registrar({"dbinfo", "dbinfo [--db PATH] [--json]", runDbInfo});

} // namespace

} // namespace tosk::cli
