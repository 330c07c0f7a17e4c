// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Alerts.h"

namespace tosk {

// Alerts as message boxes. An alert on a window (a widget of this
// application) is window-modal on it; any other alert is application-modal.
class QtAlerts : public Alerts {
public:
    int run(const AlertRequest& request) override;
};

} // namespace tosk
