// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Problems.h"

#include <deque>
#include <string>
#include <vector>

namespace tosk {

// Every alert of the program goes through here, so that tests and the CLI can
// see exactly what a user would see. The model never alerts: it collects
// Problems, which the layer above shows here.
class Alerts {
public:
    virtual ~Alerts() = default;
    // Shows the alert and answers the index of the button pressed (0 = first).
    virtual int run(const AlertRequest& request) = 0;

    static Alerts& shared();
    static void setShared(Alerts* alerts); // null restores the stderr default

    // "ERROR" alert with one "OK" button.
    static void error(const std::string& message, const void* window = nullptr);
    // "ALERT" alert with one "OK" button.
    static void alert(const std::string& message, const void* window = nullptr);
    static int show(AlertStyle style, const std::string& title, const std::string& message,
                    const std::vector<std::string>& buttons = {}, const void* window = nullptr, int escapeButton = -1);
    // Shows what the model collected, in order (on the window given).
    static void show(const Problems& problems, const void* window = nullptr);
};

// Writes "title: message" to stderr and takes the default button.
class StderrAlerts : public Alerts {
public:
    int run(const AlertRequest& request) override;
};

// Records every alert; answers scripted button indexes, then 0.
class RecordingAlerts : public Alerts {
public:
    int run(const AlertRequest& request) override;
    std::vector<AlertRequest> recorded;
    std::deque<int> answers;
};

// Installs a RecordingAlerts for its lifetime.
class ScopedRecordingAlerts : public RecordingAlerts {
public:
    ScopedRecordingAlerts();
    ~ScopedRecordingAlerts() override;
    ScopedRecordingAlerts(const ScopedRecordingAlerts&) = delete;
    ScopedRecordingAlerts& operator=(const ScopedRecordingAlerts&) = delete;

private:
    Alerts* previous_;
};

} // namespace tosk
