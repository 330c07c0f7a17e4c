// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace tosk::test {

using SbfEntry = std::vector<std::string>; // item lines, "KEY:value"

// An operator block as the bundled file writes it: braces on their own lines,
// items indented by three blanks, LF line ends.
inline std::string sbfOperator(const std::vector<SbfEntry>& entries)
{
    std::string text = "{\n";
    for (const auto& entry : entries) {
        text += "{\n";
        for (const auto& item : entry)
            text += "   " + item + "\n";
        text += "}\n";
    }
    return text + "}\n";
}

// Entries written in one text: ';' ends an entry, '|' parts its items.
inline std::vector<SbfEntry> sbfEntries(const std::string& text)
{
    std::vector<SbfEntry> entries;
    std::istringstream in(text);
    for (std::string entry, item; std::getline(in, entry, ';');) {
        std::istringstream items(entry);
        for (entries.emplace_back(); std::getline(items, item, '|');)
            entries.back().push_back(item);
    }
    return entries;
}

inline SbfEntry sbfHeader(const std::string& name, const std::string& cls)
{
    return {"TYPE:OPERATOR", "NAME:opstart ", "OPERATOR_NAME:" + name, "OPERATOR_CLASS:" + cls};
}

// A buildable operator: header, instance name, the given entries, end.
inline std::string sbfSimpleOperator(const std::string& name, const std::string& cls,
                                     const std::vector<SbfEntry>& body = {})
{
    std::vector<SbfEntry> entries{sbfHeader(name, cls),
                                  {"TYPE:ED_STRING", "NAME:opstart_name", "DESCRIPTION:operator name"}};
    entries.insert(entries.end(), body.begin(), body.end());
    entries.push_back({"TYPE:OPERATOREND", "NAME:opend"});
    return sbfOperator(entries);
}

// A HEADM operator whose "ninputs" maximum is the given text.
inline std::string sbfHeadm(const std::string& maximum)
{
    return sbfSimpleOperator("HEADM", "SYSTEM",
                             sbfEntries("TYPE:ED_INT|NAME:ninputs|MINIMUM:1|MAXIMUM:" + maximum +
                                        "|DEFAULT:2;TYPE:MULTIPLE|NAME:mult|ACTION_SPECIFIER:@ninputs;"
                                        "TYPE:SIGNAL|NAME:in~n|CONNECT_TAG:in~n;TYPE:MULTIPLEEND|NAME:multend"));
}

} // namespace tosk::test
