// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli dbinfo: loads an operator database as the editor would and reports
// what it holds, with every log line and alert raised on the way.
#include "CliCommand.h"
#include "CliSupport.h"

#include "database/SigDbase.h"

#include <cstdio>
#include <filesystem>
#include <map>

namespace tosk::cli {

namespace {

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
    // A path is the system's own text (UTF-8), not the database's.
    out["path"] = report.path;
    out["name"] = report.name;
    out["maxChannels"] = db.maxChannels();
    out["systemType"] = db.systemType();
    out["headName"] = latin1ToUtf8(db.headName());
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
    out["log"] = linesJson(report.log);
    out["alerts"] = alertsJson(report.alerts);
    return out;
}

void printSummary(const SigDbase& db, const Report& report)
{
    auto text = [](const std::optional<std::string>& t) { return t ? latin1ToUtf8(*t) : std::string("(none)"); };
    std::printf("Database:   %s (%s)\n", report.path.empty() ? "(none)" : report.path.c_str(),
                report.loaded ? "loaded" : "not loaded");
    std::printf("Product:    %s\n", text(db.productString()).c_str());
    std::printf("Version:    %s\n", text(db.versionString()).c_str());
    std::printf("Date:       %s\n", text(db.dateString()).c_str());
    std::printf("Channels:   %u (system type %d)\n", db.maxChannels(), db.systemType());
    std::printf("Head:       %s\n", latin1ToUtf8(db.headName()).c_str());
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
            std::printf("  %s\n", line.c_str());
    }
    if (!report.alerts.empty()) {
        std::printf("Alerts:\n");
        for (const auto& alert : report.alerts)
            std::printf("  %s: %s\n", alert.title.c_str(), alert.message.c_str());
    }
}

int runDbInfo(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    // The database is chosen first so that "--db" is never taken for an
    // unexpected argument.
    DatabaseChoice choice = chooseDatabase(args);
    const bool json = takeFlag(args, "json");
    if (!args.empty()) {
        std::fprintf(stderr, "tosk-cli dbinfo: unexpected argument '%s'\nusage: tosk-cli dbinfo [--db PATH] [--json]\n",
                     args.front().c_str());
        return 2;
    }
    Report report;
    report.loaded = choice.loaded;
    report.path = choice.path;
    report.name = std::filesystem::path(choice.path).filename().string();
    report.log = choice.log;
    report.alerts = choice.alerts;
    if (choice.missing)
        std::fprintf(stderr, "tosk-cli dbinfo: no database file at %s\n", choice.path.c_str());
    else
        report.name = choice.db->dbaseName();
    if (json)
        std::printf("%s\n",
                    jsonReport(*choice.db, report).dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
    else
        printSummary(*choice.db, report);
    return report.loaded ? 0 : 1;
}

const CliCommandRegistrar registrar({"dbinfo", "dbinfo [--db PATH] [--json]", runDbInfo,
                                     "reports what an operator database holds; with --json as one JSON object"});

} // namespace

} // namespace tosk::cli
