// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitSimulator.h"

#include "ScreenPainter.h"
#include "UnitMenuKeys.h"

#include "Toskfile/MyExtensions.h"
#include "base/Log.h"
#include "comms/ScanText.h"
#include "comms/ScreenBitmap.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tosk::unit {

namespace {

constexpr size_t maxMessage = 4 * 1024 * 1024;

struct Criterion {
    const char* label;
    std::vector<std::string> choices;
};

const std::vector<Criterion>& criteriaTable()
{
    static const std::vector<Criterion> table = {
        {"Sort by", {"Number", "Name"}},
        {"Search by", {"All", "Reverb", "Delay", "Modulation", "Pitch"}},
        {"Location", {"All", "Internal", "User", "Card"}},
        {"Inputs", {"Any", "1", "2"}},
        {"Outputs", {"Any", "1", "2"}},
        {"Show", {"All", "Monolithic", "Shared"}},
        {"Machines", {"Any", "Normal Rate", "High Rate"}},
    };
    return table;
}

const char* const searchLetters[] = {"", "R", "D", "M", "P"};

const std::vector<std::string> midiMaps = {"Off", "Map A", "Map B"};

// Parts with spaces or quotes go between quotes the unit's parser knows.
std::string part(const std::string& text)
{
    if (text.empty())
        return "''";
    if (text.find_first_of(" '\"") == std::string::npos)
        return text;
    if (text.find('"') == std::string::npos)
        return "\"" + text + "\"";
    std::string safe = text;
    std::replace(safe.begin(), safe.end(), '\'', '`');
    return "'" + safe + "'";
}

std::string hex(uint32_t v)
{
    return format("%X", v);
}

bool contains(const std::string& text, const char* word)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower.find(word) != std::string::npos;
}

std::string effectsFor(const std::string& bankName)
{
    std::string letters;
    if (contains(bankName, "reverb") || contains(bankName, "room") || contains(bankName, "hall"))
        letters += "R";
    if (contains(bankName, "delay") || contains(bankName, "echo"))
        letters += "D";
    if (contains(bankName, "mod") || contains(bankName, "chorus"))
        letters += "MC";
    if (contains(bankName, "pitch"))
        letters += "P";
    return letters.empty() ? "S" : letters;
}

} // namespace

std::string UnitSimulator::Program::line() const
{
    std::string codes;
    if (monolithic)
        codes += "\x01 ";
    codes += location == 1 ? "I" : location == 2 ? "GU0I" : "GC0I";
    codes += char('0' + inputs);
    codes += char('0' + outputs);
    codes += highRate ? '\x7F' : ' ';
    codes += "G" + effects + "H";
    return number + " @ " + name + " @ " + codes;
}

std::string UnitSimulator::Object::line(bool withStrings) const
{
    std::string out;
    for (const auto* p : {&type, &subType, &key, &parent, &statement, &tag})
        out += part(*p) + " ";
    if (type == "COL")
        out += hex(uint32_t(children.size())) + " ";
    if (type == "SET") {
        out += hex(current) + " ";
        out += part(current < strings.size() ? strings[current] : "") + " ";
        out += hex(withStrings ? uint32_t(strings.size()) : 0) + " ";
        if (withStrings)
            for (const auto& s : strings)
                out += part(s) + " ";
    }
    for (const auto& e : extra)
        out += part(e) + " ";
    return out;
}

UnitSimulator::UnitSimulator(UnitOptions options, PatchBanks banks)
    : options_(std::move(options)), banks_(std::move(banks))
{
    programList_ = options_.model.rfind("R9100", 0) == 0 || options_.model.rfind("R6400", 0) == 0;
    if (options_.romRevision.empty())
        options_.romRevision = programList_ ? "5.10" : "3.20";
    criteria_.assign(criteriaTable().size(), 0);
    midiMap_ = options_.midiMap < midiMaps.size() ? options_.midiMap : 0;
    size_t bankIndex = 0;
    for (const auto& bank : banks_.banks()) {
        for (const auto& patch : bank.patches) {
            Program p;
            p.number = format("%d%02d", bank.number, patch.number % 100);
            p.programNumber = patch.number % 100;
            p.name = patch.name;
            p.patch = &patch;
            p.location = int(bankIndex % 3) + 1;
            p.monolithic = patch.number % 3 == 1;
            p.inputs = patch.number % 2 == 0 ? 2 : 1;
            p.highRate = patch.number % 4 == 3;
            p.effects = effectsFor(bank.name);
            programs_.push_back(p);
        }
        ++bankIndex;
    }
    if (!banks_.banks().empty()) {
        const StoredBank& first = banks_.banks().front();
        currentBank_ = first.number;
        if (!first.patches.empty())
            running_ = Running{first.patches.front().name, first.patches.front().text};
    }
}

std::vector<Bytes> UnitSimulator::receive(const uint8_t* data, size_t length)
{
    std::vector<Bytes> replies;
    auto deliver = [&](const Bytes& message) {
        if (onMessage)
            onMessage(message);
        ++received_;
        streaming_ = false; // a message stops an endless reply
        if (options_.dropAfter >= 0 && received_ > options_.dropAfter)
            return; // gone silent
        std::vector<Bytes> answers = handle(message);
        if (options_.endlessAfter >= 0 && received_ > options_.endlessAfter && !streamed_ && !answers.empty()) {
            streamed_ = true;
            streaming_ = true;
            const Bytes& first = answers.front();
            replies.emplace_back(first.begin(), first.begin() + long(std::min<size_t>(first.size(), 5)));
            return;
        }
        for (auto& r : answers)
            replies.push_back(std::move(r));
    };
    for (size_t i = 0; i < length; ++i) {
        uint8_t b = data[i];
        if (awaitingProgram_) {
            awaitingProgram_ = false;
            deliver({sysex::PROGRAM_CHANGE, b});
        } else if (inFrame_) {
            pending_.push_back(b);
            if (b == sysex::END) {
                inFrame_ = false;
                deliver(pending_);
                pending_.clear();
            } else if (pending_.size() > maxMessage) {
                inFrame_ = false; // a runaway frame: forget it
                pending_.clear();
            }
        } else if (b == sysex::START) {
            inFrame_ = true;
            pending_.assign(1, b);
        } else if (b == sysex::PROGRAM_CHANGE) {
            awaitingProgram_ = true;
        }
    }
    return replies;
}

const Bytes& UnitSimulator::endlessChunk()
{
    static const Bytes chunk = [] {
        Bytes bytes;
        while (bytes.size() < 4096)
            for (char c : std::string("0123456789\r\n"))
                bytes.push_back(uint8_t(c));
        return bytes;
    }();
    return chunk;
}

Bytes UnitSimulator::reply(uint8_t command, const std::string& payload, bool terminator) const
{
    std::string body = payload;
    if (terminator)
        body += '\0';
    return sysex::frame(options_.deviceId, command, body);
}

std::vector<Bytes> UnitSimulator::handle(const Bytes& m)
{
    if (m[0] == sysex::PROGRAM_CHANGE) {
        programChange(m[1]);
        return {};
    }
    if (m.size() < 6 || m[1] != sysex::MANUFACTURER || m[2] != sysex::FAMILY)
        return {};
    uint8_t command = m[4];
    if (command == sysex::IDENTIFY) {
        std::string text = "\r\nKorvatel Signal Processor\r\nName: " + options_.model +
                           "  Modules: 8\r\nSystem ROM Revision: " + options_.romRevision +
                           "\r\nSystem ROM Time: " + options_.romDate + "\r\n";
        return {reply(sysex::IDENTITY, text)};
    }
    if (m[3] != options_.deviceId)
        return {}; // addressed to another unit
    std::string payload(m.begin() + 5, m.end() - 1);
    auto keyAndRest = [&](std::string& rest) {
        size_t space = payload.find(' ');
        rest = space == std::string::npos ? "" : payload.substr(space + 1);
        return payload.substr(0, space);
    };
    switch (command) {
    case sysex::KEY_PRESS: {
        if (payload.size() == 8) {
            uint8_t bytes[4];
            denibble(reinterpret_cast<const uint8_t*>(payload.data()), bytes, 8);
            uint32_t code =
                ~(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
            if (code == 0x08000000)
                highlight_.reset(); // the program key starts a fresh choice
        }
        return {};
    }
    case sysex::SELECT_BANK:
        if (payload.size() == 4 && banks_.bank((payload[2] & 0x0F) << 4 | (payload[3] & 0x0F)))
            currentBank_ = (payload[2] & 0x0F) << 4 | (payload[3] & 0x0F);
        return {};
    case sysex::GET_PATCH:
        if (!running_)
            return {reply(sysex::ERROR_TEXT, "No program is loaded")};
        return {reply(sysex::SEND_PATCH, "\r\n" + running_->text)};
    case sysex::SEND_PATCH:
    case sysex::PATCH_TEXT: {
        auto problem = sigTextProblem(payload, options_.operators.get());
        if (!problem)
            running_ = Running{"Received Patch", payload};
        // Patch text sent as 0x08 awaits no reply, so it gets none.
        if (problem && command == sysex::SEND_PATCH)
            return {reply(sysex::ERROR_TEXT, "Cannot load patch: " + *problem)};
        return {};
    }
    case sysex::GET_DATABASE:
        if (!options_.haveDatabase)
            return {reply(sysex::ERROR_TEXT, "No database on this unit")};
        return {reply(sysex::DATABASE, options_.database)};
    case sysex::GET_SCREEN: {
        Bytes rows = ScreenPainter::paint(screenLines());
        Bytes nibbles = ScreenBitmap::encodePayload(ScreenPainter::width, ScreenPainter::height, rows);
        return {sysex::frame(options_.deviceId, sysex::SCREEN, nibbles.data(), nibbles.size())};
    }
    case sysex::OBJECT_INFO_WANT:
    case sysex::PARAMETERS_WANT: {
        std::string flag;
        std::string key = keyAndRest(flag);
        uint8_t dumpCommand = command == sysex::OBJECT_INFO_WANT ? sysex::OBJECT_INFO_DUMP : sysex::PARAMETERS_DUMP;
        return {dump(dumpCommand, key, flag != std::string(1, char(sysex::WANT_NO_STRINGS)))};
    }
    case sysex::VALUE_PUT: {
        std::string value;
        std::string key = keyAndRest(value);
        return {valuePut(key, value)};
    }
    default:
        return {reply(sysex::ERROR_TEXT, format("Unknown command 0x%02X", command))};
    }
}

std::vector<UnitSimulator::Object> UnitSimulator::objects() const
{
    std::vector<Object> all;
    auto add = [&](Object o) {
        all.push_back(std::move(o));
        return &all.back();
    };
    std::string runningName = running_ ? running_->name : "";
    add({"COL", "menu", "0", "0", "Main", "", {}, {}, 0, {"1", "2", patchMenuKey}});
    add({"COL", "menu", "2", "0", "Setup", "setup", {}, {}, 0, {"20"}});
    add({"NUM", "dB", "20", "2", "Output Level", "level", {format("%g", level_), "-60", "12", "0.5"}, {}, 0, {}});
    add({"INF", "text", "11", "1", "Running", "running", {runningName}, {}, 0, {}});
    addPatchObjects(all);
    if (!programList_) {
        add({"COL", "menu", "1", "0", "Program", "program", {}, {}, 0, {"10", "11"}});
        add({"COL", "menu", "10", "1", "Load Program", "load", {}, {}, 0, {"100", "101", "102"}});
        Object banks{"SET", "list", "100", "10", "Banks", "banks", {}, {}, 0, {}};
        for (size_t i = 0; i < banks_.banks().size(); ++i) {
            const auto& b = banks_.banks()[i];
            banks.strings.push_back(format("%d %s", b.number, b.name.c_str()));
            if (b.number == currentBank_)
                banks.current = uint32_t(i);
        }
        add(banks);
        Object programs{"SET", "list", "101", "10", "Programs", "programs", {}, {}, 0, {}};
        if (const StoredBank* bank = banks_.bank(currentBank_))
            for (const auto& p : bank->patches)
                programs.strings.push_back(format("%d %s", p.number, p.name.c_str()));
        add(programs);
        add({"TRG", "key", "102", "10", "Load", "go", {}, {}, 0, {}});
        return all;
    }
    add({"COL", "menu", "1", "0", "Program", "program", {}, {}, 0, {"11", "12", "13", "14"}});
    Object criteria{"COL", "menu", "12", "1", "Search Criteria", "Criteria", {}, {}, 0, {}};
    for (size_t i = 0; i < criteriaTable().size(); ++i)
        criteria.children.push_back(std::to_string(120 + i));
    add(criteria);
    for (size_t i = 0; i < criteriaTable().size(); ++i)
        add({"SET",
             "choice",
             std::to_string(120 + i),
             "12",
             criteriaTable()[i].label,
             "",
             {},
             criteriaTable()[i].choices,
             criteria_[i],
             {}});
    Object list{"SET", "list", "13", "1", "Programs", "list", {}, {}, uint32_t(highlight_.value_or(0)), {}};
    for (const Program* p : listedPrograms())
        list.strings.push_back(p->line());
    if (list.strings.empty())
        list.strings.push_back("No Presets Found");
    add(list);
    add({"COL", "menu", "14", "1", "User Group", "usergrp", {}, {}, 0, {"140", "141"}});
    std::string mapTag =
        options_.romRevision.rfind('4', 0) == 0 || options_.romRevision.rfind('5', 0) == 0 ? "MIDImap" : "MIDI map: %s";
    add({"SET", "choice", "140", "14", "MIDI Map", mapTag, {}, midiMaps, midiMap_, {}});
    add({"NUM", "count", "141", "14", "Group", "group", {"1", "1", "8", "1"}, {}, 0, {}});
    return all;
}

const UnitSimulator::Object* UnitSimulator::find(const std::vector<Object>& all, const std::string& key) const
{
    for (const auto& o : all)
        if (o.key == key)
            return &o;
    return nullptr;
}

Bytes UnitSimulator::dump(uint8_t command, const std::string& key, bool withStrings)
{
    // The object asked for, then its children.
    auto all = objects();
    std::string text;
    auto emit = [&](const Object& o) {
        text += o.line(withStrings) + "\r\n";
        if (o.type == "NUM" && isControlKey(o.key))
            reported_.insert(o.tag); // a control of the running patch has shown its limits
    };
    if (const Object* o = find(all, key)) {
        emit(*o);
        for (const auto& child : o->children)
            if (const Object* c = find(all, child))
                emit(*c);
    }
    return reply(command, text, false);
}

Bytes UnitSimulator::valuePut(const std::string& key, const std::string& value)
{
    long v = scanInteger(value).value_or(-1);
    auto fits = [&](size_t size) { return v >= 0 && size_t(v) < size; };
    if (!programList_ && key == "100" && fits(banks_.banks().size())) {
        currentBank_ = banks_.banks()[size_t(v)].number;
    } else if (!programList_ && key == "101") {
        const StoredBank* bank = banks_.bank(currentBank_);
        if (bank && fits(bank->patches.size()))
            running_ = Running{bank->patches[size_t(v)].name, bank->patches[size_t(v)].text};
    } else if (key == "20") {
        if (!isNumeric(value))
            return refusal(format("Output Level: '%s' is not a number", value.c_str()));
        double level = scanDecimal(value).value_or(level_);
        if (!within(level, -60, 12))
            return refusal(format("Output Level: %s is outside its limits (-60 to 12)", value.c_str()));
        level_ = level;
    } else if (running_ && isControlKey(key)) {
        RunningPatch patch = RunningPatch::read(running_->text);
        for (size_t i = 0; i < patch.controls().size(); ++i)
            if (controlKey(i) == key) {
                if (auto refused = putPatchValue(patch.controls()[i], value))
                    return *refused;
                break;
            }
    } else if (programList_ && key.size() == 3 && key.rfind("12", 0) == 0 && key[2] >= '0' &&
               size_t(key[2] - '0') < criteria_.size()) {
        size_t i = size_t(key[2] - '0');
        if (fits(criteriaTable()[i].choices.size())) {
            criteria_[i] = uint32_t(v);
            highlight_.reset();
        }
    } else if (programList_ && key == "13" && fits(listedPrograms().size())) {
        highlight_ = size_t(v);
    } else if (programList_ && key == "140" && fits(midiMaps.size())) {
        midiMap_ = uint32_t(v);
    }
    return dump(sysex::OBJECT_INFO_DUMP, key, false);
}

Bytes UnitSimulator::refusal(const std::string& text) const
{
    return reply(sysex::ERROR_TEXT, text);
}

void UnitSimulator::programChange(uint8_t number)
{
    if (!programList_) {
        if (const StoredPatch* p = banks_.patch(currentBank_, number))
            running_ = Running{p->name, p->text};
        return;
    }
    // A MIDI map sends a program number to another program.
    int target = (number + int(midiMap_)) % 100;
    auto listed = listedPrograms();
    const Program* chosen = nullptr;
    if (highlight_ && *highlight_ < listed.size() && listed[*highlight_]->programNumber == target)
        chosen = listed[*highlight_];
    for (size_t i = 0; !chosen && i < listed.size(); ++i)
        if (listed[i]->programNumber == target)
            chosen = listed[i];
    if (chosen)
        running_ = Running{chosen->name, chosen->patch->text};
}

std::vector<const UnitSimulator::Program*> UnitSimulator::listedPrograms() const
{
    std::vector<const Program*> out;
    for (const Program& p : programs_) {
        std::string letter = searchLetters[criteria_[1]];
        if (!letter.empty() && p.effects.find(letter) == std::string::npos)
            continue;
        if (criteria_[2] != 0 && p.location != int(criteria_[2]))
            continue;
        if (criteria_[3] != 0 && p.inputs != int(criteria_[3]))
            continue;
        if (criteria_[4] != 0 && p.outputs != int(criteria_[4]))
            continue;
        if ((criteria_[5] == 1 && !p.monolithic) || (criteria_[5] == 2 && p.monolithic))
            continue;
        if ((criteria_[6] == 1 && p.highRate) || (criteria_[6] == 2 && !p.highRate))
            continue;
        out.push_back(&p);
    }
    if (criteria_[0] == 1)
        std::stable_sort(out.begin(), out.end(), [](const Program* a, const Program* b) { return a->name < b->name; });
    return out;
}

std::vector<std::string> UnitSimulator::screenLines() const
{
    std::vector<std::string> lines{options_.model + "  ROM " + options_.romRevision};
    if (programList_) {
        lines.push_back("MIDI MAP " + midiMaps[midiMap_]);
    } else if (const StoredBank* bank = banks_.bank(currentBank_)) {
        lines.push_back(format("BANK %d %s", bank->number, bank->name.c_str()));
    }
    lines.push_back(running_ ? running_->name : "NO PROGRAM");
    lines.push_back(format("LEVEL %g DB", level_));
    return lines;
}

std::optional<std::string> UnitSimulator::sigTextProblem(const std::string& text, const SigDbase* operators)
{
    if (text.empty())
        return "the patch is empty";
    int line = 1;
    std::string lastRecord;
    size_t records = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        std::string row = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        for (unsigned char c : row)
            if (c < 0x20 && c != '\t')
                return format("line %d is not text (byte 0x%02X)", line, c);
        std::string trimmed = trimWhiteSpace(row);
        if (!trimmed.empty() && trimmed[0] != ';') {
            size_t n = 0;
            while (n < trimmed.size() && (std::isalnum(static_cast<unsigned char>(trimmed[n])) || trimmed[n] == '_'))
                ++n;
            if (n == 0 || std::isdigit(static_cast<unsigned char>(trimmed[0])) ||
                (n < trimmed.size() && trimmed[n] != ' ' && trimmed[n] != '\t'))
                return format("line %d does not start with a module name", line);
            lastRecord = trimmed.substr(0, n);
            if (operators && !operators->operatorForName(lastRecord))
                return format("line %d names %s, an operator this unit does not have", line, lastRecord.c_str());
            ++records;
        }
        if (end == std::string::npos)
            break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++line;
    }
    if (records == 0)
        return "the patch has no modules";
    if (lastRecord != "TAIL")
        return "the patch does not end with a TAIL record";
    return std::nullopt;
}

} // namespace tosk::unit
