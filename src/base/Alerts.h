// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace tosk {

enum class AlertStyle { Critical, Informational, Warning };

struct AlertRequest {
    AlertStyle style = AlertStyle::Critical;
    std::string title;
    std::string message;
    std::vector<std::string> buttons; // first is the default; empty means just "OK"
    const void* window = nullptr;     // non-null: a sheet on that window
    // The button Escape and closing the alert answer; -1: Cancel when there
    // is one, else the only button.
    int escapeButton = -1;
};

// Every alert of the program goes through here, so that the core can alert
// without a window system and tests can see exactly what a user would see.
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
