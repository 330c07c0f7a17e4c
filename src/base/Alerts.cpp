// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Alerts.h"

#include "base/Localization.h"

#include <cstdio>

namespace tosk {

namespace {
Alerts* fallbackAlerts()
{
    static StderrAlerts fallback;
    return &fallback;
}
Alerts*& current()
{
    static Alerts* alerts = fallbackAlerts();
    return alerts;
}
} // namespace

Alerts& Alerts::shared()
{
    return *current();
}

void Alerts::setShared(Alerts* alerts)
{
    current() = alerts ? alerts : fallbackAlerts();
}

int Alerts::show(AlertStyle style, const std::string& title, const std::string& message,
                 const std::vector<std::string>& buttons, const void* window, int escapeButton)
{
    AlertRequest r{style, title, message, buttons, window, escapeButton};
    if (r.buttons.empty())
        r.buttons.push_back(localized("OK", "OK"));
    return shared().run(r);
}

void Alerts::show(const Problems& problems, const void* window)
{
    for (const AlertRequest& r : problems.list())
        show(r.style, r.title, r.message, r.buttons, window, r.escapeButton);
}

void Alerts::error(const std::string& message, const void* window)
{
    show(AlertStyle::Critical, localized("ERROR", "ERROR"), message, {}, window);
}

void Alerts::alert(const std::string& message, const void* window)
{
    show(AlertStyle::Informational, localized("ALERT", "ALERT"), message, {}, window);
}

int StderrAlerts::run(const AlertRequest& request)
{
    std::fprintf(stderr, "%s: %s\n", request.title.c_str(), request.message.c_str());
    return 0;
}

int RecordingAlerts::run(const AlertRequest& request)
{
    recorded.push_back(request);
    if (answers.empty())
        return 0;
    int a = answers.front();
    answers.pop_front();
    return a;
}

ScopedRecordingAlerts::ScopedRecordingAlerts() : previous_(&Alerts::shared())
{
    Alerts::setShared(this);
}

ScopedRecordingAlerts::~ScopedRecordingAlerts()
{
    Alerts::setShared(previous_);
}

} // namespace tosk
