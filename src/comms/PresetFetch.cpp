// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/PresetFetch.h"

#include "base/Localization.h"

namespace tosk {

namespace {

std::string presetName(const R9100ProgramItem& item)
{
    return latin1ToUtf8(item.progNum() + " " + item.progName());
}

} // namespace

PresetFetch::Result PresetFetch::fetch(KorvatelConnection& connection, const R9100ProgramItem& item)
{
    Result result;
    if (item.isDisabled()) {
        result.failure = fillIn(localized("PresetDisabled", "The preset %s cannot be selected."), {presetName(item)});
        return result;
    }
    const bool sent = connection.selectR9100Program(uint8_t(item.programNumber()), int32_t(item.programIndex()));
    if (connection.lastFailure()) {
        result.failure = failureWords(*connection.lastFailure());
        return result;
    }
    if (!sent) {
        result.failure =
            fillIn(localized("PresetNotSelected", "The unit did not switch to the preset %s: it has no MIDI map to "
                                                  "select it with. Nothing was saved."),
                   {presetName(item)});
        return result;
    }
    // A unit that says what it runs must run the preset asked for.
    auto running = connection.runningProgramName();
    if (connection.lastFailure()) {
        result.failure = failureWords(*connection.lastFailure());
        return result;
    }
    if (running && *running != item.progName()) {
        result.failure = fillIn(localized("PresetNotRunning", "The unit runs %s instead of the preset %s. Nothing was "
                                                              "saved."),
                                {latin1ToUtf8(*running), presetName(item)});
        return result;
    }
    result.text = connection.getSigFile();
    if (connection.lastFailure())
        result.failure = failureWords(*connection.lastFailure());
    else if (!result.text)
        result.failure =
            fillIn(localized("PresetNoText", "The unit sent no patch text for the preset %s."), {presetName(item)});
    if (!result.failure.empty())
        result.text.reset();
    return result;
}

} // namespace tosk
