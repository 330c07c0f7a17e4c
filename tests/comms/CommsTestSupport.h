// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/MainThreadPoster.h"
#include "comms/BaseObject.h"
#include "comms/ChannelNameInfo.h"
#include "comms/LineSettings.h"
#include "comms/Sysex.h"
#include "comms/SysexReply.h"
#include "comms/ToskMidiProcessor.h"
#include "support/UnitOnPty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tosk::test {

using namespace std::chrono_literals;

// Line settings that point at `path` with the usual 115200 8N2.
LineSettingsSource lineTo(const std::string& path);

Bytes bytes(std::initializer_list<int> values);
Bytes bytes(const std::string& text);

inline std::string textOf(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

// A unit's object dump (command 0x32 unless told): F0 1C 70 id command, each
// line with its CR LF, F7.
Bytes dump(int id, const std::vector<std::string>& lines, int command = 0x32);

// What identify would have told of a unit.
std::shared_ptr<ChannelNameInfo> unitWithId(int id, const std::string& model = "SX-8",
                                            const std::string& revision = "3.2");

// The exception `f` throws; a test failure when it throws none.
template <typename F> TkxException thrownBy(F&& f)
{
    try {
        f();
    } catch (const TkxException& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was thrown";
    return TkxException("", "");
}

// "name: reason" of an exception, as tosk-cli prints it.
inline std::string failureText(const TkxException& e)
{
    return e.name() + ": " + e.reason();
}

// "type key statement tag" of an object, and its kind's own fields.
std::string describe(const BaseObject& o);

// Every completion the request server delivered, in order.
struct Recorder : MidiClient {
    std::vector<std::pair<Bytes, std::optional<TkxException>>> calls;
    void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception) override
    {
        calls.emplace_back(message, exception);
    }
};

// A request server on `port` with its own main-thread queue and client.
struct Queued {
    QueuedMainThreadPoster poster;
    ToskMidiProcessor processor;
    std::shared_ptr<Recorder> client = std::make_shared<Recorder>();
    explicit Queued(const LineSettingsSource& line, std::chrono::milliseconds silence = 300ms)
        : processor(&poster, line, silence)
    {
    }
    explicit Queued(const std::string& port, std::chrono::milliseconds silence = 300ms) : Queued(lineTo(port), silence)
    {
    }
    void send(uint8_t command, const Bytes& payload = {}) { processor.sysexCommand(command, payload, client); }
    // Pumps the main-thread queue until nothing is pending (bounded).
    bool settle(std::chrono::milliseconds limit = 10000ms);
    // The single reply of a command, checked.
    SysexReply ask(uint8_t command, const Bytes& payload = {});
};

// A banks folder for tosk-unit: "1 Reverbs" with "0 Small Room" and
// "1 Hall: Large/Dark" (stored as "Hall- Large|Dark"), "7 Delays" with
// "0 Tape Echo".
std::filesystem::path makeTestBanks(const std::filesystem::path& folder);
// What the front panel's Program ▸ Load does, from a connection of its own:
// tosk-unit on `port` loads the bank at `position` of its list (for
// makeTestBanks, 0 is "1 Reverbs" and 1 is "7 Delays") and runs its first
// patch.
void loadBankElsewhere(const std::string& port, int position);
// A banks folder whose first patch, the one tosk-unit runs at start, is
// data/examples/front-panel.sig ("1 Panels" / "0 Panel Chorus"): two knobs,
// a selector and a switch on a menu page.
std::filesystem::path makePanelBanks(const std::filesystem::path& folder);
std::string panelPatchText();

inline const std::string smallRoomText = "HEADM adc\r\nPLATE room adc-in1 adc-in2\r\nTAIL \"Demo\"\r\n";
inline const std::string hallText = "HEADM adc\r\nHALL hall adc-in1 adc-in2\r\nTAIL \"Demo\"\r\n";
inline const std::string echoText = "HEADM adc\r\nDELAY tape adc-in1\r\nTAIL \"Demo\"\r\n";

} // namespace tosk::test
