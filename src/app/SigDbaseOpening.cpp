// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SigDbaseOpening.h"

#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "database/SigDbase.h"

namespace tosk {

std::optional<std::string> askForSigDbase(SettingsStore& settings)
{
    std::optional<std::string> answer = FileChooser::shared().choose(SigDbase::browseRequest(settings));
    if (!answer || answer->empty())
        return std::nullopt;
    settings.setValue(SigDbase::pathKey, *answer);
    return answer;
}

std::shared_ptr<SigDbase> openSharedSigDbase(PreferenceController& preferences)
{
    // Taking the installed one out tells whether there is one without
    // making it.
    std::shared_ptr<SigDbase> db = SigDbase::setSharedSigDbase(nullptr);
    if (!db) {
        db = std::make_shared<SigDbase>();
        std::optional<std::string> path = SigDbase::locate(std::string(), preferences.store());
        if (!path)
            path = askForSigDbase(preferences.store());
        db->initFromPath(path);
        Alerts::show(db->takeProblems());
    }
    db->setHighSampleRate(preferences.highSampleRate());
    SigDbase::setSharedSigDbase(db);
    return db;
}

} // namespace tosk
