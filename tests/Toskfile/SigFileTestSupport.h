// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModelTestSupport.h"

#include "Toskfile/SModule.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/Log.h"
#include "support/TestSupport.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tosk::test {

// A patch read from text with what reading it logged and the alerts it
// collected for the caller to show.
struct LoadedText {
    std::unique_ptr<SigFile> patch;
    std::vector<std::string> log;
    std::vector<AlertRequest> alerts;
};

inline LoadedText loadText(const std::string& text, const std::shared_ptr<SigDbase>& db = bundledDbase(),
                           SigDocument* document = nullptr)
{
    LoadedText loaded;
    LogCapture capture;
    NoWindowServices noWindow;
    loaded.patch = SigFile::fileWithData(text, std::nullopt, db, document);
    loaded.log = capture.lines();
    loaded.alerts = loaded.patch->problems().list();
    return loaded;
}

// Lines joined the way the file writes them: each ends in CR LF.
inline std::string crlf(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

// "operator instance" of every module in list order.
inline std::vector<std::string> moduleNames(const ModuleList& list)
{
    std::vector<std::string> out;
    for (const auto& m : list.moduleArray())
        out.push_back(m->name() + " " + std::string(m->instanceName()));
    return out;
}

namespace detail {

inline void appendShape(std::string& out, const Module& m, const Point& inner, const std::string& head,
                        const std::string& indent)
{
    if (m.opDescriptor() && m.operatorClassIs("NODE"))
        return;
    const auto* group = dynamic_cast<const SModule*>(&m);
    out += indent + (group ? "group " + group->moduleName() : m.name()) + " '" + std::string(m.instanceName()) + "' ";
    const Rect& r = m.rect();
    const auto whole = [](double v) { return std::to_string(static_cast<long>(v)); };
    out +=
        (r.width() > 0 ? whole(inner.x + r.x()) + "," + whole(inner.y + r.y()) + "," + whole(r.width()) : "-") + "\n";
    if (group) {
        const Point origin = group->memberOrigin();
        for (const auto& member : group->moduleList().moduleArray())
            appendShape(out, *member, Point{inner.x + origin.x, inner.y + origin.y}, head, indent + "  ");
        return;
    }
    for (const auto& f : m.fieldArray()) {
        out += indent + "  " + f->name() + "=" + f->getName(ModuleField::NF_NODE, head);
        if (const int hidden = f->savedHideCount())
            out += " hide " + std::to_string(hidden);
        if (f->isBad())
            out += " bad";
        out += "\n";
    }
}

} // namespace detail

// What a patch holds as the file keeps it, one line per module and field
// (members indented under their group): operator or group type, instance
// name, position in the file's coordinates ("-" for none); per field the
// value the writer gives it (sources followed through nodes), a hide count
// and whether it holds a reference that did not resolve. Nodes write nothing
// and are left out; so is a hide count the file does not keep.
inline std::string patchShape(const SigFile& patch)
{
    const std::string head = patch.moduleCount() ? std::string(patch.moduleAtIndex(0)->instanceName()) : std::string();
    std::string out = "program '" + patch.programName() + "' author '" + patch.author() + "'\n";
    for (const auto& m : patch.moduleArray())
        detail::appendShape(out, *m, Point{}, head, "");
    return out;
}

} // namespace tosk::test
