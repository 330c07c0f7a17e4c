// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli unit: talk to a unit on a serial line (or to tosk-unit).
#include "CliCommand.h"
#include "CliSupport.h"
#include "OverlaySettingsStore.h"

#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/MainThreadPoster.h"
#include "base/PreferenceController.h"
#include "base/SafeFileName.h"
#include "base/TkxException.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KorvatelConnection.h"
#include "comms/MidiPortList.h"
#include "comms/PatchTextCheck.h"
#include "comms/ScreenBitmap.h"
#include "comms/SetObject.h"
#include "comms/UnitSession.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace tosk::cli {

namespace {

const char* const usage =
    "unit --port PATH [--baud R] [--data-bits N] [--parity P] [--stop-bits N] [--flow-control F] | --midi PORT "
    "[--channel N] [--silence-ms N] [--device-id N] [--verbose] identify | banks | patches BANK | get | get-patch BANK "
    "PATCH | select BANK PATCH | "
    "send [--db PATH] [--force] FILE | dbase OUT.sbf | screen OUT.bmp | programs | criteria | backup DIR; "
    "unit --list-ports";

json optionalText(const std::optional<std::string>& s)
{
    return s ? json(latin1ToUtf8(*s)) : json(nullptr);
}

void printJson(const json& j)
{
    std::printf("%s\n", j.dump(2).c_str());
}

int number(const std::string& text, const char* what, int max)
{
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 0 || v > max)
        throw TkxException("UnitCommand",
                           format("%s must be a number from 0 to %d, not '%s'", what, max, text.c_str()));
    return int(v);
}

json programJson(const R9100ProgramItem& p)
{
    return {{"progNum", latin1ToUtf8(p.progNum())},
            {"progNumber", p.progNumber()},
            {"progLoc", p.progLocLetter()},
            {"progName", latin1ToUtf8(p.progName())},
            {"progInputs", p.progInputs()},
            {"progOutputs", p.progOutputs()},
            {"progEffects", p.progEffects()},
            {"programIndex", p.programIndex()},
            {"bankNumber", p.bankNumber()},
            {"programNumber", p.programNumber()},
            {"inputs", p.inputs()},
            {"outputs", p.outputs()},
            {"monolithic", p.isMonolithic()},
            {"disabled", p.isDisabled()},
            {"sampleRate", p.sampleRate()},
            {"location", p.location()},
            {"effects", p.effects()}};
}

json patchJson(const Patch& p)
{
    return {{"number", p.patchNumber()},
            {"name", latin1ToUtf8(p.patchName())},
            {"bank", p.bankNumber()},
            {"file", latin1ToUtf8(p.patchNameForFile())}};
}

void needs(const std::vector<std::string>& args, size_t count)
{
    if (args.size() != count + 1)
        throw TkxException("UnitCommand", std::string("usage: tosk-cli ") + usage);
}

// What `send` reads its file with.
struct PatchSource {
    std::shared_ptr<SigDbase> database;
    // Where the database was looked for, to say so when it did not load.
    std::string databasePath;
    // Sends a patch that did not read cleanly.
    bool force = false;
};

// The upload text of a sig file, read as the editor reads it. A file that
// does not read cleanly would replace the unit's patch with less than the
// file holds: only with `force`.
std::string uploadText(const std::string& path, const PatchSource& source)
{
    if (!source.database)
        throw TkxException("UnitCommand.send",
                           "the operator database " + source.databasePath + " did not load: cannot read " + path);
    SigDocument document;
    document.setSigDbase(source.database);
    std::string reason;
    LogCapture quiet;
    ScopedRecordingAlerts alerts;
    if (!document.readFromFile(path, &reason))
        throw TkxException("UnitCommand.send", "cannot read " + path + (reason.empty() ? "" : ": " + reason));
    const SigFile& patch = *document.sigFile();
    if (!source.force && document.loadStatus() != SigDocument::LoadStatus::Faithful) {
        const int unresolved = patch.unresolvedCount();
        std::string why = patch.readProblems().empty()
                              ? format("%d unresolved reference%s", unresolved, unresolved == 1 ? "" : "s")
                              : latin1ToUtf8(patch.readProblems().front());
        if (patch.readProblems().size() > 1)
            why += format(" (and %zu more problems)", patch.readProblems().size() - 1);
        throw TkxException("UnitCommand.send",
                           path + " did not load cleanly: " + why + "; --force sends what could be read");
    }
    return document.sigDataForUpload();
}

int runUnit(UnitSession& unit, const PatchSource& source, const std::vector<std::string>& args)
{
    const std::string& command = args[0];
    if (command == "identify") {
        needs(args, 0);
        auto info = unit.identify();
        printJson({{"channelId", info->channelId()},
                   {"modelName", optionalText(info->modelName())},
                   {"romRevision", optionalText(info->romRevision())},
                   {"romDateTime", optionalText(info->romDateTime())}});
        return 0;
    }
    if (command == "get") {
        needs(args, 0);
        SysexReply reply = unit.ask(sysex::GET_PATCH, {sysex::SEND_PATCH, sysex::PATCH_TEXT, sysex::PATCH_TEXT_ALT},
                                    "UnitCommand.get");
        std::fwrite(reply.payload.data(), 1, reply.payload.size(), stdout);
        return 0;
    }
    if (command == "send") {
        needs(args, 1);
        // The unit takes the upload text of the patch, not the file as stored.
        std::string text = uploadText(args[1], source);
        if (auto refusal = patchTextRefusal(text))
            throw TkxException("UnitCommand.send", *refusal);
        unit.queued(sysex::SEND_PATCH, Bytes(text.begin(), text.end()), false);
        printJson({{"sent", args[1]}, {"bytes", text.size()}});
        return 0;
    }
    if (command == "dbase") {
        needs(args, 1);
        SysexReply reply = unit.ask(sysex::GET_DATABASE, {sysex::DATABASE}, "UnitCommand.dbase");
        writeFileAtomically(args[1], std::string(reply.payload.begin(), reply.payload.end()), false);
        printJson({{"file", args[1]}, {"bytes", reply.payload.size()}});
        return 0;
    }
    if (command == "screen") {
        needs(args, 1);
        SysexReply reply = unit.ask(sysex::GET_SCREEN, {sysex::SCREEN}, "UnitCommand.screen");
        ScreenBitmap screen = ScreenBitmap::fromPayload(reply.payload);
        Bytes bmp = screen.bmpData();
        writeFileAtomically(args[1], std::string(bmp.begin(), bmp.end()), false);
        printJson({{"file", args[1]}, {"width", screen.width()}, {"height", screen.height()}});
        return 0;
    }

    if (command == "banks") {
        needs(args, 0);
        BankList banks = unit.connection().getBankList();
        unit.check();
        json out = json::array();
        for (int n : banks.bankNumberKeys())
            out.push_back({{"number", n}, {"name", latin1ToUtf8(banks.bankWithNumber(n)->bankName())}});
        printJson(out);
        return 0;
    }
    if (command == "patches") {
        needs(args, 1);
        uint32_t bank = uint32_t(number(args[1], "BANK", 255));
        PatchList patches = unit.connection().patchListForBank(bank);
        unit.check();
        json out = json::array();
        for (const auto& p : patches.patches())
            out.push_back(patchJson(*p));
        printJson(out);
        return 0;
    }
    if (command == "get-patch") {
        needs(args, 2);
        auto patch = Patch::patchWithName("", number(args[2], "PATCH", 127), number(args[1], "BANK", 255));
        auto text = unit.connection().getSigFileForPatch(*patch);
        unit.check();
        if (!text)
            throw TkxException("UnitCommand.get-patch", "the unit sent no patch text");
        std::fwrite(text->data(), 1, text->size(), stdout);
        return 0;
    }
    if (command == "select") {
        needs(args, 2);
        int bank = number(args[1], "BANK", 255), patch = number(args[2], "PATCH", 127);
        KorvatelConnection& k = unit.connection();
        if (!unit.identify()->isProgramListUnit()) {
            k.selectPatch(uint8_t(patch), uint32_t(bank));
            unit.check();
            printJson({{"bank", bank}, {"patch", patch}});
            return 0;
        }
        auto programs = k.getR9100ProgramList();
        unit.check();
        for (const auto& p : programs) {
            if (int(p.bankNumber()) != bank || int(p.programNumber()) != patch)
                continue;
            if (p.isDisabled())
                throw TkxException("UnitCommand.select", "program " + p.progNum() + " is disabled");
            k.selectR9100Program(uint8_t(p.programNumber()), int32_t(p.programIndex()));
            unit.check();
            printJson(programJson(p));
            return 0;
        }
        throw TkxException("UnitCommand.select", format("no program %d in bank %d in the unit's list", patch, bank));
    }
    if (command == "programs") {
        needs(args, 0);
        auto programs = unit.connection().getR9100ProgramList();
        unit.check();
        json out = json::array();
        for (const auto& p : programs)
            out.push_back(programJson(p));
        printJson(out);
        return 0;
    }
    if (command == "criteria") {
        needs(args, 0);
        auto criteria = unit.connection().getR9100SearchCriteria();
        unit.check();
        if (!criteria)
            throw TkxException("UnitCommand.criteria", "the unit has no search criteria");
        json out = json::array();
        for (const auto& key : criteria->keys()) {
            auto set = criteria->objectForKey<SetObject>(key);
            if (!set)
                continue;
            json strings = json::array();
            for (const auto& s : set->strings())
                strings.push_back(latin1ToUtf8(s));
            out.push_back({{"tag", latin1ToUtf8(set->tag())},
                           {"key", latin1ToUtf8(set->key())},
                           {"currentIndex", set->currentIndex()},
                           {"currentString", latin1ToUtf8(set->currentString())},
                           {"strings", strings}});
        }
        printJson(out);
        return 0;
    }
    if (command == "backup") {
        needs(args, 1);
        fs::path folder = args[1];
        KorvatelConnection& k = unit.connection();
        BankList banks = k.getBankList();
        unit.check();
        json written = json::array();
        UniqueFileNames bankNames;
        for (int b : banks.bankNumberKeys()) {
            auto bank = banks.bankWithNumber(b);
            PatchList patches = k.patchListForBank(uint32_t(b));
            unit.check();
            // Names from the unit are made safe as the disk browser makes
            // them, and two patches of one name do not overwrite each other.
            fs::path bankFolder =
                folder / bankNames.claim(safeFileName(Patch::convertToFileName(bank->displayName())), "");
            fs::create_directories(bankFolder);
            UniqueFileNames used;
            for (const auto& p : patches.patches()) {
                auto text = k.getSigFileForPatch(*p);
                unit.check();
                if (!text)
                    throw TkxException("UnitCommand.backup", "the unit sent no text for " + p->displayName());
                const std::string name = used.claim(safeFileName(p->patchNameForFile()), ".sig");
                writeFileAtomically((bankFolder / name).string(), *text, false);
                json entry = patchJson(*p);
                entry["path"] = (bankFolder / name).string();
                written.push_back(entry);
            }
        }
        printJson(written);
        return 0;
    }
    throw TkxException("UnitCommand", "unknown unit command '" + command + "'; usage: tosk-cli " + usage);
}

// Keeps the diagnostic lines away from stdout and stderr while it lives
// (unless asked to show them): they would get in the way of the JSON.
class QuietLog {
public:
    explicit QuietLog(bool show)
    {
        if (!show)
            previous_ = setLogSink([](const std::string&) {});
        active_ = !show;
    }
    ~QuietLog()
    {
        if (active_)
            setLogSink(std::move(previous_));
    }
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

private:
    LogSink previous_;
    bool active_ = false;
};

// Every line a unit can be reached through: the serial ports, then the MIDI
// interfaces by the names --midi takes.
void listPorts()
{
    json serial = json::array(), midi = json::array();
    for (const SerialPort::PortChoice& port : SerialPort::portChoices())
        serial.push_back({{"port", port.path}, {"device", port.device.empty() ? port.path : port.device}});
    for (const MidiPortList::Choice& port : MidiPortList::choices())
        midi.push_back({{"port", latin1ToUtf8(port.name)}, {"device", port.node}});
    printJson({{"serial", serial}, {"midi", midi}});
}

int unitCommand(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    // The user's line settings, which this run reads but never rewrites.
    PreferenceController::setStore(&OverlaySettingsStore::userSettings());
    LineSettings settings = LineSettings::fromPreferences();
    PreferenceController::setStore(nullptr);
    const std::pair<const char*, std::optional<std::string> LineSettings::*> overrides[] = {
        {"port", &LineSettings::portName},      {"baud", &LineSettings::baudRate},
        {"data-bits", &LineSettings::dataBits}, {"parity", &LineSettings::parity},
        {"stop-bits", &LineSettings::stopBits}, {"flow-control", &LineSettings::flowControl},
    };
    std::string value;
    for (const auto& [name, member] : overrides) {
        if (takeOption(args, name, value)) {
            settings.*member = value;
            // A serial port given here says which line, whatever the preferences say.
            if (member == &LineSettings::portName)
                settings.midi = false;
        }
    }
    if (takeOption(args, "midi", value)) {
        settings.midi = true;
        settings.midiPortName = value;
    }
    QuietLog quiet(takeFlag(args, "verbose"));
    try {
        if (takeOption(args, "channel", value)) {
            char* end = nullptr;
            const long channel = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || channel < 1 || channel > 16)
                throw TkxException("UnitCommand",
                                   format("--channel must be a number from 1 to 16, not '%s'", value.c_str()));
            settings.midiChannel = int(channel);
        }
        if (takeFlag(args, "list-ports")) {
            if (!args.empty())
                throw TkxException("UnitCommand", std::string("usage: tosk-cli ") + usage);
            listPorts();
            return 0;
        }
        // Shortens the wait that ends a queued reply only; browsing replies
        // end at their F7 and keep the full time-out for a slow unit.
        std::chrono::milliseconds silence = SerialConnection::defaultTimeout;
        if (takeOption(args, "silence-ms", value))
            silence = std::chrono::milliseconds(number(value, "--silence-ms", 60000));
        // Queued commands go to the unit's own id, asked for unless given
        // here or in the preferences; browsing uses the identified unit's id.
        if (takeOption(args, "device-id", value))
            settings.deviceId = uint8_t(number(value, "--device-id", 127));
        if (args.empty())
            throw TkxException("UnitCommand", std::string("usage: tosk-cli ") + usage);
        if (!settings.midi && (!settings.portName || settings.portName->empty()))
            throw TkxException("UnitCommand", "no serial port: give --port PATH or choose one in the preferences");
        if (settings.midi && settings.midiPortName.value_or("").empty() && !MidiPortList::choices().empty())
            throw TkxException("UnitCommand", "no MIDI interface: give --midi PORT or choose one in the preferences");
        UnitSession unit(settings, silence);
        PatchSource source;
        if (args[0] == "send") {
            DatabaseChoice choice = chooseDatabase(args);
            if (choice.loaded)
                source.database = choice.db;
            source.databasePath = choice.path;
            source.force = takeFlag(args, "force");
        }
        int rc = runUnit(unit, source, args);
        std::fflush(stdout);
        return rc;
    } catch (const TkxException& e) {
        std::fprintf(stderr, "%s: %s\n", e.name().c_str(), e.reason().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tosk-cli unit: %s\n", e.what());
    }
    return 1;
}

CliCommandRegistrar
    registrar({"unit", usage, unitCommand,
               "talks to a unit over the serial port or a MIDI interface: identifies it, lists its banks, patches "
               "and programs, gets, selects and sends patches, downloads its operator database "
               "or screen, backs up every bank into DIR"});

} // namespace

} // namespace tosk::cli
