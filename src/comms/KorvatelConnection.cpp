// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/KorvatelConnection.h"

#include "Toskfile/MyExtensions.h"
#include "base/Log.h"
#include "comms/InfObject.h"
#include "comms/RequestProgress.h"
#include "comms/ScanText.h"
#include "comms/SerialTerminal.h"
#include "comms/SetObject.h"
#include "comms/UserObjectFactory.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace tosk {

namespace {

std::string decimal(uint32_t value)
{
    return std::to_string(value);
}

bool isPatchTextReply(uint8_t command)
{
    return command == sysex::SEND_PATCH || command == sysex::PATCH_TEXT || command == sysex::PATCH_TEXT_ALT;
}

} // namespace

KorvatelConnection::KorvatelConnection(std::shared_ptr<ChannelNameInfo> info, LineSettingsSource settings,
                                       std::chrono::milliseconds receiveTimeout, std::chrono::milliseconds bankPause,
                                       std::chrono::milliseconds replyLimit)
    : serialConnection_(std::move(settings), receiveTimeout), channelInfo_(std::move(info)),
      inputBuffer_(bufferSize + 1), objectBuffer_(bufferSize + 1), bankPause_(bankPause), replyLimit_(replyLimit)
{
}

void KorvatelConnection::setCancelCheck(CancelCheck check)
{
    cancelCheck_ = std::move(check);
    if (!cancelCheck_) {
        serialConnection_.setLineWaitObserver({});
        return;
    }
    // A wait for the line is a wait like any other.
    serialConnection_.setLineWaitObserver(
        [check = cancelCheck_](std::chrono::milliseconds, std::chrono::milliseconds) { check(0); });
}

// ---- operations

void KorvatelConnection::openLine()
{
    serialConnection_.open();
    // The rest of a reply given up would be taken for the next one; its end
    // may be waiting already.
    if (replyOwed_)
        dropOwedReply();
    // Stale input would be taken for the first reply. Output is left alone:
    // what an earlier exchange wrote may still be on its way to the unit.
    serialConnection_.flushInput();
}

void KorvatelConnection::dropOwedReply()
{
    // Up to its F7, or for as long as the unit may keep us waiting for a
    // byte: a unit that never stops stops at our next request.
    const auto until = std::chrono::steady_clock::now() + serialConnection_.timeout();
    uint8_t chunk[4096];
    for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
        if (cancelCheck_)
            cancelCheck_(0);
        const int ready = serialConnection_.waitForInput(
            std::min(checkInterval, std::chrono::ceil<std::chrono::milliseconds>(until - now)));
        if (ready < 0)
            break;
        if (ready == 0)
            continue;
        const long n = serialConnection_.getData(chunk, sizeof chunk);
        if (n <= 0 || memChar(chunk, sysex::END, chunk + n))
            break;
    }
    replyOwed_ = false;
}

void KorvatelConnection::closeAfterFailure(const char* message, const TkxException& e)
{
    logf(message, e.name().c_str(), e.reason().c_str());
    lastFailure_ = e;
    // Given up: what is unsent or unread belongs to no exchange.
    if (isCancellation(e)) {
        serialConnection_.abandon();
        return;
    }
    try {
        serialConnection_.close();
    } catch (...) {
        serialConnection_.abandon();
    }
}

template <typename Body> void KorvatelConnection::operation(const char* failureMessage, Body body)
{
    lastFailure_.reset();
    try {
        openLine();
        body();
        serialConnection_.close();
    } catch (const TkxException& e) {
        closeAfterFailure(failureMessage, e);
    } catch (const std::exception& e) {
        closeAfterFailure(failureMessage, TkxException("KorvatelConnection.operation", e.what()));
    } catch (...) {
        closeAfterFailure(failureMessage, TkxException("KorvatelConnection.operation", "unknown exception"));
    }
}

std::optional<std::string> KorvatelConnection::readSigFile()
{
    sendRequest(sysex::frame(uint8_t(channelId()), sysex::GET_PATCH));
    std::string bytes;
    readFrame("getSigFile", [&](const uint8_t* b, size_t n) { bytes.append(reinterpret_cast<const char*>(b), n); });
    if (!bytes.empty() && uint8_t(bytes.back()) == sysex::END)
        bytes.pop_back();
    if (bytes.size() <= 5)
        return std::nullopt;
    // Only a patch-text frame holds a patch; anything else (an error text, a
    // garbled frame) must not be opened as one.
    auto u = [&](size_t i) { return uint8_t(bytes[i]); };
    if (u(0) != sysex::START || u(1) != sysex::MANUFACTURER || u(2) != sysex::FAMILY || !isPatchTextReply(u(4))) {
        logf("KorvatelConnection.getSigFile: not a patch reply: %s",
             hexString(reinterpret_cast<const uint8_t*>(bytes.data()), 5).c_str());
        return std::nullopt;
    }
    size_t start = 5;
    while (start < bytes.size() && isWhiteSpace(u(start)))
        ++start;
    // The unit ends the text with a terminator byte that is not part of it.
    size_t end = bytes.size();
    if (end > start && bytes[end - 1] == '\0')
        --end;
    return bytes.substr(start, end - start);
}

std::optional<std::string> KorvatelConnection::getSigFile()
{
    if (serialConnection_.isOpen()) {
        // Inside an operation, which closes the line whatever happens.
        lastFailure_.reset();
        try {
            return readSigFile();
        } catch (const TkxException& e) {
            logf("KorvatelConnection.getSigFile: exception %s %s", e.name().c_str(), e.reason().c_str());
            lastFailure_ = e;
            return std::nullopt;
        }
    }
    std::optional<std::string> text;
    operation("KorvatelConnection.getSigFile: exception %s %s", [&] { text = readSigFile(); });
    return text;
}

void KorvatelConnection::sendSelectBank(uint8_t bank, bool internal)
{
    try {
        uint8_t payload[4] = {0x00, uint8_t(internal ? 0 : 1), uint8_t(bank >> 4), uint8_t(bank & 0x0F)};
        sendRequest(sysex::frame(uint8_t(channelId()), sysex::SELECT_BANK, payload, 4));
        serialConnection_.drain();
        pause(bankPause_);
    } catch (const TkxException& e) {
        logf("KorvatelConnection.selectBank: exception %s - %s", e.name().c_str(), e.reason().c_str());
        lastFailure_ = e;
        throw;
    }
}

void KorvatelConnection::selectBank(uint8_t bank, bool internal)
{
    lastFailure_.reset();
    try {
        sendSelectBank(bank, internal);
    } catch (const TkxException&) {
        // logged; the caller goes on
    }
}

std::optional<uint32_t> KorvatelConnection::unitBank()
{
    auto banks = std::dynamic_pointer_cast<SetObject>(
        walk({{"program", sysex::WANT_ALL_INFO}, {"load", sysex::WANT_ALL_INFO}, {"banks", sysex::WANT_NO_STRINGS}}));
    if (!banks)
        return std::nullopt;
    std::string current = banks->currentString();
    if (!scanInteger(current)) {
        // Without its strings the list may leave the current one out.
        auto listed = objectInfoWant(banks->key(), sysex::WANT_ALL_INFO).objectForKey<SetObject>("banks");
        current = listed ? listed->stringAtIndex(listed->currentIndex()).value_or("") : "";
    }
    auto number = scanInteger(current);
    if (!number || *number < 0)
        return std::nullopt;
    return uint32_t(*number);
}

void KorvatelConnection::selectBankIfNeeded(uint32_t bank)
{
    // The unit's own panel, or another window's connection, may have loaded
    // another bank since this one selected it, so the unit is asked rather
    // than remembered. Asking takes three short exchanges; a select needless
    // or not pauses a second, which a fetch per patch cannot afford.
    if (unitBank() == bank)
        return;
    sendSelectBank(uint8_t(bank), true);
}

std::shared_ptr<BaseObject> KorvatelConnection::walk(std::initializer_list<std::pair<const char*, uint8_t>> steps,
                                                     KeyedArray* lastReturned)
{
    std::shared_ptr<BaseObject> object;
    std::string key = sysex::ROOT_KEY;
    for (const auto& [tag, flag] : steps) {
        object = ask(tag, key, flag, lastReturned);
        if (!object)
            return nullptr; // the walk ends quietly where the unit lacks a tag
        key = object->key();
    }
    return object;
}

// Strings of a bank or patch list: a leading number, then the name.
template <typename Add>
static void forEachNumbered(const std::shared_ptr<BaseObject>& list, const char* badStringMessage, Add add)
{
    auto set = std::dynamic_pointer_cast<SetObject>(list);
    if (!set)
        return;
    for (const auto& s : set->strings()) {
        std::string rest;
        if (auto number = scanInteger(s, &rest))
            add(int(*number), trimWhiteSpace(rest));
        else
            logf(badStringMessage, set->toString().c_str(), s.c_str());
    }
}

std::optional<std::string> KorvatelConnection::getSigFileForPatch(const Patch& patch)
{
    std::optional<std::string> text;
    operation("KorvatelConnection.getSigFileForPatch: exception %s %s", [&] {
        selectBankIfNeeded(uint32_t(patch.bankNumber()));
        programChange(uint8_t(patch.patchNumber()));
        serialConnection_.drain();
        text = getSigFile();
        if (lastFailure_)
            throw *lastFailure_;
    });
    return text;
}

bool KorvatelConnection::sendSigFile(const std::string& text)
{
    operation("KorvatelConnection.sendSigFile: exception %s %s", [&] {
        sendRequest(sysex::frame(uint8_t(channelId()), sysex::SEND_PATCH, text));
        serialConnection_.drain();
    });
    return !lastFailure_;
}

BankList KorvatelConnection::getBankList()
{
    BankList list(channelId());
    operation("KorvatelConnection.bankList: exception %s %s", [&] {
        auto banks = walk({{"program", sysex::WANT_ALL_INFO},
                           {"load", sysex::WANT_ALL_INFO},
                           {"banks", sysex::WANT_NO_STRINGS},
                           {"banks", sysex::WANT_ALL_INFO}});
        forEachNumbered(banks, "KorvatelConnection.bankList: bad SetObject %s string=%s",
                        [&](int number, const std::string& name) { list.addBank(Bank::bankWithName(name, number)); });
    });
    return list;
}

PatchList KorvatelConnection::patchListForBank(uint32_t bank)
{
    PatchList list;
    operation("KorvatelConnection.patchListForBank: exception %s %s", [&] {
        selectBankIfNeeded(bank);
        auto programs = walk({{"program", sysex::WANT_ALL_INFO},
                              {"load", sysex::WANT_ALL_INFO},
                              {"programs", sysex::WANT_NO_STRINGS},
                              {"programs", sysex::WANT_ALL_INFO}});
        forEachNumbered(
            programs, "KorvatelConnection.patchListForBank: bad SetObject %s string=%s",
            [&](int number, const std::string& name) { list.addPatch(Patch::patchWithName(name, number, int(bank))); });
    });
    return list;
}

void KorvatelConnection::selectPatch(uint8_t patch, uint32_t bank)
{
    operation("KorvatelConnection.selectPatch: exception %s %s", [&] {
        selectBankIfNeeded(bank);
        programChange(patch);
        serialConnection_.drain();
    });
}

std::optional<KeyedArray> KorvatelConnection::getR9100SearchCriteria()
{
    std::optional<KeyedArray> result;
    operation("KorvatelConnection.getR9100SearchCriteria: exception %s %s", [&] {
        if (auto criteria = walk({{"program", sysex::WANT_ALL_INFO}, {"Criteria", sysex::WANT_NO_STRINGS}}))
            result = objectInfoWant(criteria->key(), sysex::WANT_ALL_INFO);
    });
    return result;
}

void KorvatelConnection::setR9100Criteria(const KeyedArray& criteria)
{
    operation("KorvatelConnection.setR9100Criteria: exception %s %s", [&] {
        for (const auto& key : criteria.keys())
            if (auto set = criteria.objectForKey<SetObject>(key))
                valuePut(set->key(), decimal(set->currentIndex()));
        serialConnection_.drain();
    });
}

std::vector<R9100ProgramItem> KorvatelConnection::getR9100ProgramList()
{
    std::vector<R9100ProgramItem> items;
    operation("KorvatelConnection.getR9100ProgramList: exception %s %s", [&] {
        auto set = std::dynamic_pointer_cast<SetObject>(walk(
            {{"program", sysex::WANT_ALL_INFO}, {"list", sysex::WANT_NO_STRINGS}, {"list", sysex::WANT_ALL_INFO}}));
        if (!set)
            return;
        const auto& strings = set->strings();
        if (strings.size() == 1 && strings[0].rfind("No Presets", 0) == 0)
            return;
        for (size_t i = 0; i < strings.size(); ++i)
            items.emplace_back(strings[i], uint32_t(i));
    });
    return items;
}

bool KorvatelConnection::selectR9100Program(uint8_t program, int32_t index)
{
    constexpr uint32_t programKey = 0x08000000;
    bool sent = false;
    // Why the MIDI map could not be put back, if it could not.
    std::optional<std::string> mapLeftOff;
    std::string mapName;
    operation("KorvatelConnection.selectR9100Program: exception %s %s", [&] {
        keyPress(programKey);
        KeyedArray programObjects;
        std::string mapTag = channelInfo_ ? channelInfo_->midiMapTag() : ChannelNameInfo().midiMapTag();
        auto usergrp = walk({{"program", sysex::WANT_ALL_INFO}, {"usergrp", sysex::WANT_NO_STRINGS}}, &programObjects);
        auto midiMap = std::dynamic_pointer_cast<SetObject>(
            usergrp ? ask(mapTag, usergrp->key(), sysex::WANT_NO_STRINGS) : nullptr);
        if (midiMap) {
            // A MIDI map would turn our program number into another program,
            // so it is off while the program is chosen. Once it may be off it
            // goes back to what the user had however the rest ends: a unit
            // left without its map plays other programs than the user's.
            struct PutBack {
                std::function<void()> run;
                ~PutBack()
                {
                    if (run)
                        run();
                }
            } putBack;
            if (const uint32_t saved = midiMap->currentIndex(); saved != 0) {
                mapName = midiMap->currentString().empty() ? decimal(saved) : midiMap->currentString();
                putBack.run = [this, key = midiMap->key(), saved, &mapLeftOff] {
                    try {
                        valuePut(key, decimal(saved));
                    } catch (const TkxException& e) {
                        mapLeftOff = failureWords(e);
                    } catch (const std::exception& e) {
                        mapLeftOff = e.what();
                    }
                };
                valuePut(midiMap->key(), decimal(0));
            }
            if (auto list = programObjects.objectForKey("list")) {
                keyPress(programKey);
                valuePut(list->key(), numberString(double(index)));
            }
            programChange(program);
            sent = true;
        }
        serialConnection_.drain();
    });
    if (mapLeftOff) {
        std::string reason =
            "the unit's MIDI map may still be off: putting " + mapName + " back failed (" + *mapLeftOff + ")";
        if (lastFailure_) {
            std::string first = failureWords(*lastFailure_);
            if (!first.empty() && first.back() == '.')
                first.pop_back();
            reason = first + "; " + reason;
        }
        logf("KorvatelConnection.selectR9100Program: %s", reason.c_str());
        lastFailure_ = TkxException("KorvatelConnection.selectR9100Program", reason);
    }
    return sent && !lastFailure_;
}

std::optional<std::string> KorvatelConnection::runningProgramName()
{
    std::optional<std::string> name;
    operation("KorvatelConnection.runningProgramName: exception %s %s", [&] {
        auto program = walk({{"program", sysex::WANT_ALL_INFO}});
        if (!program)
            return;
        KeyedArray programObjects = objectInfoWant(program->key(), sysex::WANT_ALL_INFO);
        if (auto running = programObjects.objectForKey<InfObject>("running"))
            name = running->value().value_or(std::string());
    });
    return name;
}

} // namespace tosk
