// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchSummary.h"

#include "Toskfile/SigfileTokenizer.h"
#include "base/TextCase.h"

#include <algorithm>

namespace tosk {

namespace {

constexpr std::string_view kGroupHeader = ";Ss=GROUP ";

// The name a group header gives its group: its third part
// (";Ss=GROUP 2, VOICE, v1" names "v1").
std::string groupName(std::string_view header)
{
    SigfileTokenizer parts(header.substr(kGroupHeader.size()), ", ");
    std::string name;
    for (int i = 0; i < 3; ++i) {
        auto token = parts.nextTokenView();
        if (!token)
            return {};
        name = std::string(*token);
    }
    // The position token follows the name in the same header.
    return name.rfind(";", 0) == 0 ? std::string() : name;
}

} // namespace

PatchSummary PatchSummary::read(std::string_view bytes)
{
    PatchSummary summary;
    bool headSeen = false;
    size_t start = 0;
    // Records are lines as written: a line that is not one (broken, cut
    // short) costs only itself.
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        SigfileTokenizer tokens(line);
        const auto first = tokens.nextTokenView();
        if (!first || first->empty())
            continue;
        if (first->starts_with(";")) {
            if (first->starts_with(kGroupHeader)) {
                std::string name = groupName(*first);
                if (!name.empty())
                    summary.modules.push_back(std::move(name));
            }
            continue;
        }
        const std::string op(*first);
        const auto instance = tokens.nextTokenView();
        std::string name = instance && !instance->starts_with(";") ? std::string(*instance) : std::string();
        if (containsIgnoringCase(op, "TAIL")) {
            summary.author = std::move(name);
            continue;
        }
        if (!headSeen && containsIgnoringCase(op, "HEAD")) {
            headSeen = true;
            const auto title = tokens.nextTokenView();
            if (title && (tokens.lastTokenQuoted() || !title->starts_with(";")))
                summary.title = std::string(*title);
        }
        summary.operators.push_back(op);
        summary.modules.push_back(std::move(name));
    }
    return summary;
}

size_t PatchSummary::moduleCount() const
{
    // The first operator naming a head is the head's (read() takes it so).
    const bool head = std::any_of(operators.begin(), operators.end(),
                                  [](const std::string& op) { return containsIgnoringCase(op, "HEAD"); });
    return operators.size() - (head ? 1 : 0);
}

} // namespace tosk
