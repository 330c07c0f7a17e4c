// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/ColObject.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/KorvatelConnection.h"
#include "comms/NumObject.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"
#include "comms/TrgObject.h"
#include "comms/UnkObject.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tosk::test {

LineSettingsSource lineTo(const std::string& path)
{
    return [path] {
        return LineSettings{.portName = path,
                            .baudRate = "115200",
                            .dataBits = "8",
                            .parity = "None",
                            .stopBits = "2",
                            .flowControl = "None"};
    };
}

Bytes bytes(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values)
        out.push_back(uint8_t(v));
    return out;
}

Bytes bytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes dump(int id, const std::vector<std::string>& lines, int command)
{
    Bytes out = bytes({0xF0, 0x1C, 0x70, id, command});
    for (const auto& l : lines) {
        out.insert(out.end(), l.begin(), l.end());
        out.push_back('\r');
        out.push_back('\n');
    }
    out.push_back(0xF7);
    return out;
}

std::shared_ptr<ChannelNameInfo> unitWithId(int id, const std::string& model, const std::string& revision)
{
    auto info = std::make_shared<ChannelNameInfo>();
    info->setChannelId(uint32_t(id));
    info->setModelName(model);
    info->setRomRevision(revision);
    return info;
}

fs::path makeTestBanks(const fs::path& folder)
{
    fs::path banks = folder / "banks";
    fs::create_directories(banks / "1 Reverbs");
    fs::create_directories(banks / "7 Delays");
    writeFile(banks / "1 Reverbs" / "0 Small Room.sig", smallRoomText);
    writeFile(banks / "1 Reverbs" / "1 Hall- Large|Dark.sig", hallText);
    writeFile(banks / "7 Delays" / "0 Tape Echo.sig", echoText);
    return banks;
}

void loadBankElsewhere(const std::string& port, int position)
{
    KorvatelConnection other(unitWithId(0), lineTo(port), 2000ms, 0ms);
    other.serialConnection().open();
    other.valuePut("100", std::to_string(position));
    other.valuePut("101", "0");
    other.serialConnection().close();
}

std::string panelPatchText()
{
    return readFile(dataPath("examples/front-panel.sig"));
}

fs::path makePanelBanks(const fs::path& folder)
{
    fs::path banks = folder / "panel-banks";
    fs::create_directories(banks / "1 Panels");
    writeFile(banks / "1 Panels" / "0 Panel Chorus.sig", panelPatchText());
    return banks;
}

std::string describe(const BaseObject& o)
{
    std::string out = o.objectType() + " " + o.key() + " " + o.statement() + " " + o.tag();
    if (auto* col = dynamic_cast<const ColObject*>(&o))
        out += format(" [%u]", col->subObjectCount());
    if (auto* num = dynamic_cast<const NumObject*>(&o))
        out += format(" %g in %g..%g by %g", num->value(), num->minimum(), num->maximum(), num->resolution());
    if (auto* set = dynamic_cast<const SetObject*>(&o)) {
        out += format(" %u=%s of", set->currentIndex(), set->currentString().c_str());
        for (const auto& s : set->strings())
            out += " " + s;
    }
    if (auto* con = dynamic_cast<const ConObject*>(&o))
        out += format(" = %g", con->value());
    if (auto* inf = dynamic_cast<const InfObject*>(&o))
        out += " = " + inf->value().value_or("-");
    if (auto* str = dynamic_cast<const StrObject*>(&o))
        out += " = '" + str->value().value_or("-") + "'";
    if (dynamic_cast<const TrgObject*>(&o))
        out += " (trigger)";
    if (dynamic_cast<const UnkObject*>(&o))
        out += " (unknown)";
    return out;
}

bool Queued::settle(std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (processor.pendingCount() && std::chrono::steady_clock::now() < deadline)
        poster.waitAndPump(20ms);
    poster.pump();
    return processor.pendingCount() == 0;
}

SysexReply Queued::ask(uint8_t command, const Bytes& payload)
{
    size_t before = client->calls.size();
    send(command, payload);
    EXPECT_TRUE(settle());
    if (client->calls.size() != before + 1) {
        ADD_FAILURE() << "no reply to command " << int(command);
        return {};
    }
    EXPECT_FALSE(client->calls.back().second) << client->calls.back().second->reason();
    return SysexReply::check(client->calls.back().first);
}

} // namespace tosk::test
