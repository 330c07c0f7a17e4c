// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tosk {

class PreferenceController;
class SettingsStore;
class SigDbase;

// The database reads no setting and asks no one: the app finds its file,
// asks the user when there is none, and hands the database the preferences
// that shape its operators.

// Asks for a ".sbf" file in the stored database's folder and stores the
// answer; nothing when the user cancels.
std::optional<std::string> askForSigDbase(SettingsStore& settings);

// The process-wide database as the app starts with it: the one installed
// already, else read from the file SigDbase::locate finds or the user
// chooses, what reading it found shown. Installed as the shared database,
// with the sample rate the preferences hold.
std::shared_ptr<SigDbase> openSharedSigDbase(PreferenceController& preferences);

} // namespace tosk
