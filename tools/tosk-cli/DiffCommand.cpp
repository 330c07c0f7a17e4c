// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli diff: how two sig files differ, one difference a line, for people
// and for version control (a diff driver of git).
#include "CliCommand.h"
#include "CliSupport.h"

#include "Toskfile/PatchComparison.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <cstdio>

namespace tosk::cli {

namespace {

// The exit statuses of diff(1).
constexpr int kSame = 0;
constexpr int kDiffer = 1;
constexpr int kTrouble = 2;

// A text of the patch in a line: as it is, or in double quotes (with \" and
// \\) when it is empty or could be taken for a part of the line.
std::string shown(const std::string& latin1)
{
    const std::string text = latin1ToUtf8(latin1);
    bool quote = text.empty() || text.front() == '(' || text.find("->") != std::string::npos;
    for (char c : text)
        quote = quote || static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\\' || c == ':';
    if (!quote)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string shown(const std::optional<std::string>& text)
{
    return text ? shown(*text) : "(none)";
}

std::string after(const std::string& path)
{
    return path.empty() ? "first" : "after " + shown(path);
}

using Comparison = PatchComparison;

std::vector<std::string> lines(const Comparison& c)
{
    using Kind = Comparison::ModuleDifference::Kind;
    std::vector<std::string> out;
    for (Kind kind : {Kind::Added, Kind::Removed})
        for (const auto& m : c.modules())
            if (m.kind == kind)
                out.push_back((kind == Kind::Added ? "+ " : "- ") + shown(m.path));
    auto changed = [&](const std::string& what, const std::string& before, const std::string& after) {
        out.push_back("~ " + what + ": " + before + " -> " + after);
    };
    if (c.title())
        changed("(title)", shown(c.title()->before), shown(c.title()->after));
    if (c.author())
        changed("(author)", shown(c.author()->before), shown(c.author()->after));
    for (const auto& m : c.modules()) {
        if (m.kind == Kind::Added || m.kind == Kind::Removed)
            continue;
        if (m.moved)
            changed(shown(m.path) + " (position)", shown(m.positionBefore), shown(m.positionAfter));
        for (const auto& f : m.fields)
            changed(shown(m.path) + " " + shown(f.name) +
                        (f.aspect == Comparison::FieldDifference::Aspect::HideCount ? " (hidden)" : ""),
                    shown(f.before), shown(f.after));
    }
    for (const auto& o : c.order())
        changed(shown(o.path) + " (order)", after(o.before), after(o.after));
    // Wires a field line shows already are not repeated.
    for (const auto& [sign, wires] : {std::pair{"> ", &c.wiresAdded()}, std::pair{"< ", &c.wiresRemoved()}})
        for (const auto& w : *wires)
            if (!w.inField)
                out.push_back(sign + shown(w.from) + " -> " + shown(w.to));
    return out;
}

Json text(const std::optional<std::string>& latin1)
{
    return latin1 ? Json(latin1ToUtf8(*latin1)) : Json(nullptr);
}

Json changeJson(const std::optional<Comparison::TextDifference>& d)
{
    if (!d)
        return nullptr;
    return Json{{"before", latin1ToUtf8(d->before)}, {"after", latin1ToUtf8(d->after)}};
}

Json json(const Comparison& c)
{
    using Kind = Comparison::ModuleDifference::Kind;
    Json out;
    out["same"] = c.same();
    out["title"] = changeJson(c.title());
    out["author"] = changeJson(c.author());
    Json modules = Json::array();
    for (const auto& m : c.modules()) {
        static const char* const kinds[] = {"added", "removed", "moved", "changed"};
        Json module;
        module["kind"] = kinds[static_cast<int>(m.kind)];
        module["path"] = latin1ToUtf8(m.path);
        module["theirsPath"] =
            m.kind == Kind::Added || m.kind == Kind::Removed ? Json(nullptr) : Json(latin1ToUtf8(m.theirsPath));
        module["operator"] = latin1ToUtf8(m.operatorName);
        // A box that did not change is no difference.
        const bool placed = m.moved || m.kind == Kind::Added || m.kind == Kind::Removed;
        module["position"] =
            placed ? Json{{"before", text(m.positionBefore)}, {"after", text(m.positionAfter)}} : Json(nullptr);
        Json fields = Json::array();
        for (const auto& f : m.fields)
            fields.push_back(
                {{"name", latin1ToUtf8(f.name)},
                 {"aspect", f.aspect == Comparison::FieldDifference::Aspect::HideCount ? "hidden" : "value"},
                 {"before", text(f.before)},
                 {"after", text(f.after)}});
        module["fields"] = std::move(fields);
        modules.push_back(std::move(module));
    }
    out["modules"] = std::move(modules);
    Json order = Json::array();
    for (const auto& o : c.order())
        order.push_back(
            {{"path", latin1ToUtf8(o.path)}, {"before", latin1ToUtf8(o.before)}, {"after", latin1ToUtf8(o.after)}});
    out["order"] = std::move(order);
    for (const auto& [key, wires] :
         {std::pair{"wiresAdded", &c.wiresAdded()}, std::pair{"wiresRemoved", &c.wiresRemoved()}}) {
        Json list = Json::array();
        for (const auto& w : *wires)
            list.push_back({{"from", latin1ToUtf8(w.from)}, {"to", latin1ToUtf8(w.to)}});
        out[key] = std::move(list);
    }
    return out;
}

int runDiff(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    DatabaseChoice database = chooseDatabase(args);
    const bool asJson = takeFlag(args, "json");
    // git's external diff: PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE.
    const bool forGit = takeFlag(args, "git");
    for (const auto& a : args)
        if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "tosk-cli diff: unknown option '%s'\n", a.c_str());
            return kTrouble;
        }
    if (args.size() != (forGit ? 7u : 2u)) {
        std::fprintf(stderr, "tosk-cli diff: expected %s\n",
                     forGit ? "git's seven arguments (PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE)"
                            : "2 file arguments");
        return kTrouble;
    }
    if (database.missing || !database.loaded) {
        std::fprintf(
            stderr, "tosk-cli diff: %s %s\n",
            database.missing ? "no database file at" : "the operator database did not load:", database.path.c_str());
        return kTrouble;
    }
    const std::string files[2] = {forGit ? args[1] : args[0], forGit ? args[4] : args[1]};
    std::unique_ptr<SigDocument> documents[2];
    for (int k = 0; k < 2; ++k) {
        documents[k] = std::make_unique<SigDocument>();
        documents[k]->setSigDbase(database.db);
        LogCapture quiet;
        ScopedRecordingAlerts alerts;
        std::string reason;
        if (!documents[k]->readFromFile(files[k], &reason)) {
            std::fprintf(stderr, "tosk-cli diff: cannot read %s\n", reason.c_str());
            return kTrouble;
        }
        for (const auto& problem : documents[k]->sigFile()->readProblems())
            std::fprintf(stderr, "tosk-cli diff: %s: not read: %s\n", files[k].c_str(), latin1ToUtf8(problem).c_str());
    }
    const Comparison comparison = Comparison::compare(*documents[0]->sigFile(), *documents[1]->sigFile());
    if (asJson) {
        std::printf("%s\n", json(comparison).dump(1, ' ', false, Json::error_handler_t::replace).c_str());
    } else {
        const std::vector<std::string> out = lines(comparison);
        if (forGit && !out.empty())
            std::printf("diff --tosk a/%s b/%s\n", args[0].c_str(), args[0].c_str());
        for (const auto& line : out)
            std::printf("%s\n", line.c_str());
    }
    // git stops at an external diff that does not answer 0.
    if (forGit)
        return kSame;
    return comparison.same() ? kSame : kDiffer;
}

const CliCommandRegistrar diff({"diff",
                                "diff [--db PATH] [--json] FILE OTHER | diff [--db PATH] --git PATH OLD "
                                "OLD-HEX OLD-MODE NEW NEW-HEX NEW-MODE",
                                runDiff,
                                "Lists what differs between two patches, one difference a line; with --git, as "
                                "git's diff driver for sig files. Exits 0 when they are the same, 1 when they "
                                "differ, 2 on trouble."});

} // namespace

} // namespace tosk::cli
