// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Alerts.h"
#include "base/Localization.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {
class SigDbase;
}

namespace tosk::cli {

using Json = nlohmann::ordered_json;

// Alerts and log lines are UTF-8 already; the bytes of sig files and of the
// database go into JSON through latin1ToUtf8.
Json alertsJson(const std::vector<AlertRequest>& alerts);
Json linesJson(const std::vector<std::string>& lines);

// The operator database a command works on: the file of "--db PATH" (taken
// out of args), else the one the editor would load, read through the
// user's settings without ever writing them.
struct DatabaseChoice {
    std::shared_ptr<SigDbase> db;
    bool loaded = false;
    // The path asked for does not name a file: nothing was read.
    bool missing = false;
    std::string path;
    std::vector<std::string> log;
    std::vector<AlertRequest> alerts;
};
DatabaseChoice chooseDatabase(std::vector<std::string>& args);

} // namespace tosk::cli
