// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli dump, save, reorder, layout, update and check: read sig files
// with the operator database the editor would use and show, write or check
// what the editor would make of them, headless.
#include "CliCommand.h"
#include "CliSupport.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleField.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/SigDbase.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace tosk::cli {

namespace {

// One sig file read as the editor reads it, with what the reading logged
// and alerted.
struct LoadedPatch {
    bool read = false;
    std::string reason;
    std::unique_ptr<SigDocument> document;
    std::vector<std::string> log;
    std::vector<AlertRequest> alerts;

    SigFile& patch() const { return *document->sigFile(); }
};

LoadedPatch loadPatch(const std::string& path, const std::shared_ptr<SigDbase>& db)
{
    LoadedPatch loaded;
    loaded.document = std::make_unique<SigDocument>();
    loaded.document->setSigDbase(db);
    LogCapture capture;
    ScopedRecordingAlerts alerts;
    loaded.read = loaded.document->readFromFile(path, &loaded.reason);
    if (SigFile* patch = loaded.document->sigFile())
        Alerts::show(patch->takeProblems());
    loaded.log = capture.lines();
    loaded.alerts = alerts.recorded;
    return loaded;
}

void writeOut(const std::string& bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

Json optionalName(const std::string* text)
{
    return text ? Json(latin1ToUtf8(*text)) : Json(nullptr);
}

Json specifier(const ModuleField& f, int code)
{
    try {
        return latin1ToUtf8(f.getSpecifier(code));
    } catch (const TkxException&) {
        return nullptr; // an expression that cannot be evaluated
    }
}

// The boxes and pin rows of the patch as read, every pin shown: each placed
// module laid out, a group's members before the group (whose rows then
// number its members' pins). Unplaced modules have neither.
struct ReadGeometry {
    std::unordered_map<const Module*, int> rows;
    std::unordered_map<const ModuleField*, int> pinRows;

    void add(const Module& m)
    {
        if (const auto* group = dynamic_cast<const SModule*>(&m))
            for (const auto& member : group->moduleList().moduleArray())
                add(*member);
        if (!m.isPlaced())
            return;
        ModuleGeometry::Laid laid;
        ModuleGeometry::layOut(m, -1, laid);
        rows[&m] = laid.rows;
        for (const auto& f : m.fieldArray())
            pinRows[f.get()] = 0;
        for (const auto& pin : laid.pins)
            pinRows[pin.field] = pin.row;
    }
    template <typename T> static int find(const std::unordered_map<const T*, int>& map, const T* key)
    {
        auto it = map.find(key);
        return it == map.end() ? 0 : it->second;
    }
};

Json fieldJson(const ModuleField& f, const ReadGeometry& geometry)
{
    Json out;
    out["name"] = latin1ToUtf8(f.name());
    out["type"] = f.type();
    // An output has no value of its own: what its text holds is left over
    // from reading the record and means nothing.
    out["text"] = f.isOutput() ? Json(nullptr) : Json(latin1ToUtf8(f.text()));
    out["source"] = f.source() ? Json(latin1ToUtf8(f.sourceName(false, false))) : Json(nullptr);
    out["hide"] = f.hideCount();
    out["bad"] = f.isBad();
    out["invisible"] = f.isInvisible();
    out["output"] = f.isOutput();
    out["iterator"] = f.iterator() ? Json(latin1ToUtf8(f.iterator()->name())) : Json(nullptr);
    out["instanceNumber"] = f.getInstance();
    out["gpos"] = ReadGeometry::find(geometry.pinRows, &f);
    out["min"] = specifier(f, OperatorField::MINIMUM);
    out["max"] = specifier(f, OperatorField::MAXIMUM);
    return out;
}

Json moduleJson(const Module& m, const ReadGeometry& geometry)
{
    Json out;
    const auto* group = dynamic_cast<const SModule*>(&m);
    out["operator"] = m.opDescriptor() ? Json(latin1ToUtf8(m.name())) : Json(nullptr);
    out["instance"] = latin1ToUtf8(m.instanceName());
    out["super"] = group != nullptr;
    if (group)
        out["group"] = latin1ToUtf8(group->moduleName());
    // A module without a place has no box.
    const Rect& r = m.rect();
    const int rows = ReadGeometry::find(geometry.rows, &m);
    out["rect"] = Json::array({r.x(), r.y(), m.isPlaced() ? r.width() : 0.0, Module::kRowHeight * rows});
    out["height"] = rows;
    Json fields = Json::array();
    for (const auto& f : m.fieldArray())
        fields.push_back(fieldJson(*f, geometry));
    out["fields"] = std::move(fields);
    Json members = Json::array();
    if (group)
        for (const auto& member : group->moduleList().moduleArray())
            members.push_back(moduleJson(*member, geometry));
    out["members"] = std::move(members);
    return out;
}

Json dumpJson(const LoadedPatch& loaded)
{
    const SigFile& patch = loaded.patch();
    const std::string head = patch.head() ? std::string(patch.head()->instanceName()) : std::string();
    const std::string tail = patch.tail() ? std::string(patch.tail()->instanceName()) : std::string();
    Json out;
    out["programName"] = latin1ToUtf8(patch.programName());
    out["author"] = latin1ToUtf8(patch.author());
    out["head"] = optionalName(patch.head() ? &head : nullptr);
    out["tail"] = latin1ToUtf8(tail);
    out["unresolved"] = patch.unresolvedCount();
    ReadGeometry geometry;
    for (const auto& m : patch.moduleArray())
        geometry.add(*m);
    Json modules = Json::array();
    for (const auto& m : patch.moduleArray())
        modules.push_back(moduleJson(*m, geometry));
    out["modules"] = std::move(modules);
    out["log"] = linesJson(loaded.log);
    out["alerts"] = alertsJson(loaded.alerts);
    return out;
}

// The steps every command shares: database, flags, files, the first file
// loaded.
struct Invocation {
    DatabaseChoice database;
    std::vector<std::string> files;
    std::vector<std::string> flags;
    LoadedPatch loaded;

    SigFile& patch() const { return loaded.patch(); }
    SigDocument& document() const { return *loaded.document; }
};

bool prepare(const char* command, const std::vector<std::string>& arguments, size_t fileCount, bool moreFiles,
             const std::vector<std::string>& flags, Invocation& invocation)
{
    std::vector<std::string> args = arguments;
    invocation.database = chooseDatabase(args);
    for (const auto& flag : flags)
        if (takeFlag(args, flag))
            invocation.flags.push_back(flag);
    for (const auto& a : args) {
        if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "tosk-cli %s: unknown option '%s'\n", command, a.c_str());
            return false;
        }
    }
    if (args.size() < fileCount || (!moreFiles && args.size() > fileCount)) {
        std::fprintf(stderr, "tosk-cli %s: expected %s%zu file argument%s\n", command, moreFiles ? "at least " : "",
                     fileCount, fileCount == 1 ? "" : "s");
        return false;
    }
    if (invocation.database.missing) {
        std::fprintf(stderr, "tosk-cli %s: no database file at %s\n", command, invocation.database.path.c_str());
        return false;
    }
    if (!invocation.database.loaded) {
        std::fprintf(stderr, "tosk-cli %s: the operator database %s did not load\n", command,
                     invocation.database.path.c_str());
        return false;
    }
    invocation.files = args;
    return true;
}

bool has(const std::vector<std::string>& flags, const std::string& flag)
{
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

// Prepares a command on files and loads the first; answers false after
// saying why.
bool open(const char* command, const std::vector<std::string>& arguments, size_t fileCount,
          const std::vector<std::string>& flags, Invocation& invocation)
{
    if (!prepare(command, arguments, fileCount, false, flags, invocation))
        return false;
    invocation.loaded = loadPatch(invocation.files[0], invocation.database.db);
    if (!invocation.loaded.read) {
        std::fprintf(stderr, "tosk-cli %s: cannot read %s\n", command, invocation.loaded.reason.c_str());
        return false;
    }
    return true;
}

int runDump(const std::vector<std::string>& arguments)
{
    Invocation invocation;
    if (!open("dump", arguments, 1, {}, invocation))
        return 1;
    // Pins and heights as the canvas shows them by default.
    CanvasLayout layout;
    layout.layOut(invocation.patch(), invocation.patch().head().get());
    std::printf("%s\n", dumpJson(invocation.loaded).dump(1, ' ', false, Json::error_handler_t::replace).c_str());
    return 0;
}

int runSave(const std::vector<std::string>& arguments)
{
    Invocation invocation;
    if (!open("save", arguments, 1, {"upload"}, invocation))
        return 1;
    LogCapture quiet; // node and unknown modules are named in the log, not on stdout
    writeOut(has(invocation.flags, "upload") ? invocation.document().sigDataForUpload()
                                             : invocation.document().sigData());
    return 0;
}

std::string alertText(const std::vector<AlertRequest>& alerts)
{
    std::string text;
    for (const auto& a : alerts)
        text += a.title + ": " + a.message + "\n";
    return text;
}

int runReorder(const std::vector<std::string>& arguments)
{
    Invocation invocation;
    if (!open("reorder", arguments, 1, {}, invocation))
        return 1;
    ScopedRecordingAlerts alerts;
    LogCapture quiet;
    const bool reordered = invocation.patch().reorder();
    Alerts::show(invocation.patch().takeProblems());
    if (!reordered) {
        std::fputs(alertText(alerts.recorded).c_str(), stderr);
        return 1;
    }
    writeOut(invocation.document().sigData());
    return 0;
}

int runLayout(const std::vector<std::string>& arguments)
{
    // The boxes stack at the heights a window with this show mode draws.
    std::vector<std::string> args = arguments;
    std::string modeText;
    int mode = SigFile::kDefaultShowMode;
    if (takeOption(args, "show-mode", modeText)) {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(modeText.c_str(), &end, 0);
        if (modeText.empty() || errno || *end || v < INT32_MIN || v > INT32_MAX) {
            std::fprintf(stderr, "tosk-cli layout: --show-mode takes an integer (the show-mode bits), not '%s'\n",
                         modeText.c_str());
            return 1;
        }
        mode = int(v);
    }
    Invocation invocation;
    if (!open("layout", args, 1, {}, invocation))
        return 1;
    LogCapture quiet;
    invocation.patch().reposition(mode);
    writeOut(invocation.document().sigData());
    return 0;
}

int runUpdate(const std::vector<std::string>& arguments)
{
    Invocation invocation;
    if (!open("update", arguments, 2, {}, invocation))
        return 1;
    std::string other, reason;
    if (!readWholeFile(invocation.files[1], other, &reason)) {
        std::fprintf(stderr, "tosk-cli update: cannot read %s\n", reason.c_str());
        return 1;
    }
    ScopedRecordingAlerts alerts;
    LogCapture capture;
    const int changed = invocation.patch().updateParams(other);
    Alerts::show(invocation.patch().takeProblems());
    writeOut(invocation.document().sigData());
    std::fprintf(stderr, "updateParams: %d\n", changed);
    for (const auto& line : capture.lines())
        std::fprintf(stderr, "%s\n", line.c_str());
    std::fputs(alertText(alerts.recorded).c_str(), stderr);
    return changed < 0 ? 1 : 0;
}

int runCheck(const std::vector<std::string>& arguments)
{
    Invocation invocation;
    if (!prepare("check", arguments, 1, true, {}, invocation))
        return 1;
    bool allGood = true;
    for (const auto& path : invocation.files) {
        LoadedPatch loaded = loadPatch(path, invocation.database.db);
        if (!loaded.read) {
            std::printf("%s: cannot read %s\n", path.c_str(), loaded.reason.c_str());
            allGood = false;
            continue;
        }
        const SigFile& patch = loaded.patch();
        const bool failed = patch.loadError().has_value();
        const bool degraded = loaded.document->loadStatus() == SigDocument::LoadStatus::Degraded;
        const bool good = !degraded && patch.unresolvedCount() == 0;
        allGood = allGood && good;
        std::printf("%s: %s, %zu modules, %d unresolved\n", path.c_str(),
                    failed     ? "load stopped early"
                    : degraded ? "read with errors"
                               : "loaded",
                    patch.moduleCount(), patch.unresolvedCount());
        for (const auto& problem : patch.readProblems())
            std::printf("  not read: %s\n", latin1ToUtf8(problem).c_str());
        for (const auto& line : loaded.log)
            std::printf("  log: %s\n", line.c_str());
        for (const auto& alert : loaded.alerts)
            std::printf("  alert: %s: %s\n", alert.title.c_str(), alert.message.c_str());
    }
    return allGood ? 0 : 1;
}

const CliCommandRegistrar dump({"dump", "dump [--db PATH] FILE", runDump,
                                "prints the patch as the editor loads it, as JSON"});
const CliCommandRegistrar save({"save", "save [--db PATH] [--upload] FILE", runSave,
                                "prints the text the editor would save; with --upload the text sent to a unit"});
const CliCommandRegistrar reorder({"reorder", "reorder [--db PATH] FILE", runReorder,
                                   "prints the patch text after the automatic processing order"});
const CliCommandRegistrar layout({"layout", "layout [--db PATH] [--show-mode N] FILE", runLayout,
                                  "prints the patch text after the automatic layout"});
const CliCommandRegistrar update({"update", "update [--db PATH] FILE OTHER", runUpdate,
                                  "prints FILE with the parameter values of OTHER (a unit's copy of the patch) "
                                  "taken in"});
const CliCommandRegistrar check({"check", "check [--db PATH] FILE...", runCheck,
                                 "reads each FILE as the editor does and says what it could not read; exit "
                                 "status 1 when any file has unresolved references, was read with errors, "
                                 "stopped loading early or cannot be read"});

} // namespace

} // namespace tosk::cli
