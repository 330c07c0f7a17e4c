// SPDX-License-Identifier: GPL-3.0-or-later
// KorvatelConnection's requests to the unit: framing them, reading the replies, and cutting object dumps.
#include "comms/KorvatelConnection.h"

#include "base/Log.h"
#include "comms/SerialTerminal.h"
#include "comms/UserObjectFactory.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace tosk {

Bytes KorvatelConnection::request(uint8_t command, const std::string& key, uint8_t separator,
                                  const std::string& tail) const
{
    std::string payload = key;
    payload += char(separator);
    payload += tail;
    return sysex::frame(uint8_t(channelId()), command, payload);
}

void KorvatelConnection::sendRequest(const Bytes& message)
{
    serialConnection_.putData(message.data(), message.size());
}

void KorvatelConnection::readFrame(const char* operation, const std::function<void(const uint8_t*, size_t)>& keep)
{
    using Clock = std::chrono::steady_clock;
    auto elapsed = [](Clock::time_point since) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
    };
    const std::chrono::milliseconds silence = serialConnection_.timeout();
    const auto start = Clock::now();
    auto lastByte = start;
    size_t received = 0;
    bool inFrame = false;
    uint8_t chunk[4096];
    // Until the F7: a reply given up before it is still owed by the unit.
    replyOwed_ = true;
    for (;;) {
        if (cancelCheck_)
            cancelCheck_(received);
        const auto taken = elapsed(start), silent = elapsed(lastByte);
        if (taken >= replyLimit_)
            throw TkxException(format("KorvatelConnection.%s", operation),
                               format("the reply did not end within %g seconds; the line is not carrying a "
                                      "unit's reply",
                                      double(replyLimit_.count()) / 1000));
        // As a read that waited for the unit's next byte in vain.
        if (silent >= silence)
            throw TkxException("SerialConnection.getByte", format("timeout %s", getErrorMessage().c_str()));
        const int ready =
            serialConnection_.waitForInput(std::min({checkInterval, silence - silent, replyLimit_ - taken}));
        if (ready < 0) {
            if (!serialConnection_.isOpen()) {
                replyOwed_ = false;
                return;
            }
            throw TkxException("SerialConnection.getByte", format("timeout error %s", getErrorMessage().c_str()));
        }
        if (ready == 0)
            continue;
        const long n = serialConnection_.getData(chunk, sizeof chunk);
        if (n <= 0) {
            replyOwed_ = false;
            return;
        }
        lastByte = Clock::now();
        received += size_t(n);
        const uint8_t* end = chunk + n;
        const uint8_t* from = inFrame ? chunk : memChar(chunk, sysex::START, end);
        inFrame = from != nullptr;
        if (inFrame) {
            const uint8_t* last = memChar(from, sysex::END, end);
            keep(from, size_t((last ? last + 1 : end) - from));
            if (last) {
                replyOwed_ = false;
                return;
            }
        }
        if (received > maxReply)
            throw TkxException(format("KorvatelConnection.%s", operation),
                               format("the reply grew beyond %zu bytes without its end (F7); the line is not "
                                      "carrying a unit's reply",
                                      maxReply));
    }
}

void KorvatelConnection::collectReply(const char* operation)
{
    inputLength_ = 0;
    size_t total = 0;
    readFrame(operation, [&](const uint8_t* bytes, size_t n) {
        total += n;
        const size_t room = bufferSize - inputLength_;
        std::copy(bytes, bytes + std::min(n, room), inputBuffer_.begin() + long(inputLength_));
        inputLength_ += std::min(n, room);
        if (n > room)
            logf("KorvatelConnection.%s: inputBuffer overflow: %zu > %ld", operation, total, long(bufferSize));
    });
}

void KorvatelConnection::pause(std::chrono::milliseconds pause)
{
    const auto until = std::chrono::steady_clock::now() + pause;
    for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
        if (cancelCheck_)
            cancelCheck_(0);
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(checkInterval, until - now));
    }
}

KeyedArray KorvatelConnection::want(uint8_t command, const char* operation, const std::string& key, uint8_t flag)
{
    sendRequest(request(command, key, sysex::SPACE, std::string(1, char(flag))));
    collectReply(operation);
    if (inputLength_ == 0)
        return {};
    return parseObjectInfoDump(inputBuffer_.data(), inputLength_);
}

KeyedArray KorvatelConnection::objectInfoWant(const std::string& key, uint8_t flag)
{
    return want(sysex::OBJECT_INFO_WANT, "objectInfoWant", key, flag);
}

KeyedArray KorvatelConnection::parametersWant(const std::string& key, uint8_t flag)
{
    return want(sysex::PARAMETERS_WANT, "parametersWant", key, flag);
}

void KorvatelConnection::valuePut(const std::string& key, const std::string& value)
{
    sendRequest(request(sysex::VALUE_PUT, key, sysex::SPACE, value));
    collectReply("valuePut");
}

void KorvatelConnection::keyPress(uint32_t keyCode)
{
    uint32_t complement = ~keyCode;
    uint8_t bytes[4] = {uint8_t(complement), uint8_t(complement >> 8), uint8_t(complement >> 16),
                        uint8_t(complement >> 24)};
    uint8_t nibbles[8];
    ennibble(bytes, nibbles, 4);
    sendRequest(sysex::frame(uint8_t(channelId()), sysex::KEY_PRESS, nibbles, sizeof nibbles));
    serialConnection_.drain();
}

template <typename Visit>
void KorvatelConnection::cutObjects(const uint8_t* b, size_t n, uint8_t deviceId, char* objectBuffer, Visit visit)
{
    if (n < 6 || b[0] != sysex::START || b[1] != sysex::MANUFACTURER || b[2] != sysex::FAMILY || b[3] != deviceId ||
        (b[4] != sysex::OBJECT_INFO_DUMP && b[4] != sysex::PARAMETERS_DUMP) || b[n - 1] != sysex::END) {
        log("*** parse error: invalid Korvatel Sysex header:");
        return;
    }
    size_t i = 5;
    while (i < n && b[i] == sysex::SPACE)
        ++i;
    size_t length = 0;
    long total = 0;
    while (i < n && b[i] != sysex::END) {
        if (b[i] != '\r') {
            ++total;
            if (length < bufferSize)
                objectBuffer[length++] = char(b[i]);
            else
                logf("*** parse error: objectBuffer overflow: %ld > %ld", total, long(bufferSize));
            ++i;
            continue;
        }
        if (i + 1 >= n || b[i + 1] != '\n') {
            logf("*** parse error: expected 0x0A at byte %d but got 0x%x ", int(i + 2), i + 1 < n ? b[i + 1] : 0);
            return;
        }
        i += 2;
        std::string text(objectBuffer, length);
        try {
            visit(UserObjectFactory::createUserObject(text));
        } catch (const TkxException&) {
            logf("*** parse error: Invalid user object ending at byte %d ", int(i));
            logf("*** object is: %s", text.c_str());
        }
        while (i < n && b[i] == sysex::SPACE)
            ++i;
        length = 0;
        total = 0;
    }
}

KeyedArray KorvatelConnection::parseObjectInfoDump(const uint8_t* b, size_t n)
{
    KeyedArray result;
    cutObjects(b, n, uint8_t(channelId()), objectBuffer_.data(),
               [&](const std::shared_ptr<BaseObject>& object) { result.setObject(object, object->tag()); });
    return result;
}

std::vector<std::shared_ptr<BaseObject>> KorvatelConnection::objectsInDump(const uint8_t* b, size_t n, uint8_t deviceId)
{
    std::vector<std::shared_ptr<BaseObject>> objects;
    std::vector<char> buffer(bufferSize + 1);
    cutObjects(b, n, deviceId, buffer.data(),
               [&](const std::shared_ptr<BaseObject>& object) { objects.push_back(object); });
    return objects;
}

void KorvatelConnection::dumpObjects(const KeyedArray& objects, const std::string& tag) const
{
    log(" ");
    logf("Looking for tag [%s]", tag.c_str());
    for (const auto& key : objects.keys())
        logf("   %s", objects.objectForKey(key)->toString().c_str());
}

std::shared_ptr<BaseObject> KorvatelConnection::ask(const std::string& tag, const std::string& key, uint8_t flag,
                                                    KeyedArray* returned)
{
    KeyedArray objects = objectInfoWant(key, flag);
    auto found = objects.objectForKey(tag);
    if (!found)
        dumpObjects(objects, tag);
    if (returned)
        *returned = std::move(objects);
    return found;
}

void KorvatelConnection::programChange(uint8_t program)
{
    uint8_t message[2] = {serialConnection_.programChangeStatus(), program};
    serialConnection_.putData(message, 2);
}

} // namespace tosk
