#pragma once

#include "ModelTestSupport.h"

#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/Log.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tosk::test {

// A patch read from text with what reading it logged and alerted.
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
    ScopedRecordingAlerts alerts;
    loaded.patch = SigFile::fileWithData(text, std::nullopt, db, document);
    loaded.log = capture.lines();
    loaded.alerts = alerts.recorded;
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
        out.push_back(m->name() + " " + m->instanceName());
    return out;
}

} // namespace tosk::test
