// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "comms/BankList.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KeyedArray.h"
#include "comms/R9100ProgramItem.h"
#include "comms/SerialConnection.h"
#include "comms/SerialIOServer.h"
#include "comms/Sysex.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace tosk {

// Talks to one unit synchronously over a line of its own: builds requests,
// collects replies, cuts object dumps into user objects, and on top of that
// walks the unit's object tree for banks, patches and program lists.
//
// The request helpers (objectInfoWant and friends) neither open nor close the
// line and let line failures through; the operations (getBankList and
// friends) open and close around them, log failures and answer what they
// have built.
//
// Its line is a SerialConnection like the request server's: while another
// exchange holds the device this one waits (at most the line wait, then
// "line busy"), and serialConnection().setLineWaitObserver tells a window
// how long it has waited meanwhile.
//
// A reply ends at its F7. One that goes on without it is given up after
// maxReply bytes or replyLimit, whichever comes first, so that a line that
// never falls silent cannot hold the device for good.
class KorvatelConnection {
public:
    static constexpr size_t bufferSize = 80000;
    // As much as the request server takes for one reply.
    static constexpr size_t maxReply = SerialIOServer::maxReply;
    // Long enough for a full buffer at 9600 bits a second.
    static constexpr std::chrono::milliseconds defaultReplyLimit{120000};
    // How often a wait looks at the cancel check.
    static constexpr std::chrono::milliseconds checkInterval{50};

    // Called on the connection's thread with the bytes of the reply read so
    // far, at least every checkInterval while the connection waits for the
    // line, for a reply or in the pause after a bank select. It may throw to
    // give the exchange up at once (a cancel): the operation under way then
    // fails with what was thrown and leaves the line closed.
    using CancelCheck = std::function<void(size_t replyBytes)>;

    explicit KorvatelConnection(std::shared_ptr<ChannelNameInfo> info = nullptr,
                                LineSettingsSource settings = LineSettings::fromPreferences,
                                std::chrono::milliseconds receiveTimeout = SerialConnection::defaultTimeout,
                                std::chrono::milliseconds bankPause = std::chrono::seconds(1),
                                std::chrono::milliseconds replyLimit = defaultReplyLimit);

    void setCancelCheck(CancelCheck check);

    uint32_t channelId() const { return channelInfo_ ? channelInfo_->channelId() : 0; }
    const std::shared_ptr<ChannelNameInfo>& channelInfo() const { return channelInfo_; }
    SerialConnection& serialConnection() { return serialConnection_; }

    // Requests.
    KeyedArray objectInfoWant(const std::string& key, uint8_t flag);
    KeyedArray parametersWant(const std::string& key, uint8_t flag);
    void valuePut(const std::string& key, const std::string& value);
    void keyPress(uint32_t keyCode);
    KeyedArray parseObjectInfoDump(const uint8_t* bytes, size_t length);
    // The same parse of a dump addressed from `deviceId`, answering every
    // object in the order the unit listed them, tags repeated or not (a
    // window that shows a whole menu must not lose a control to a tag it
    // shares with another).
    static std::vector<std::shared_ptr<BaseObject>> objectsInDump(const uint8_t* bytes, size_t length,
                                                                  uint8_t deviceId);
    void dumpObjects(const KeyedArray& objects, const std::string& tag) const;

    // Operations.
    std::optional<std::string> getSigFile();
    std::optional<std::string> getSigFileForPatch(const Patch& patch);
    // Makes the unit run this patch text (command 0x0A, as sending a patch
    // from its window does); false when it could not go out.
    bool sendSigFile(const std::string& text);
    BankList getBankList();
    PatchList patchListForBank(uint32_t bank);
    void selectPatch(uint8_t patch, uint32_t bank);
    void selectBank(uint8_t bank, bool internal);
    std::optional<KeyedArray> getR9100SearchCriteria();
    void setR9100Criteria(const KeyedArray& criteria);
    std::vector<R9100ProgramItem> getR9100ProgramList();
    // True when the program change went out (a unit without a MIDI map
    // object is sent none).
    bool selectR9100Program(uint8_t program, int32_t index);
    // The name of the program the unit says it runs (its "running" object
    // under "program"), or nothing when it does not say.
    std::optional<std::string> runningProgramName();

    // What made the last operation fail, if it did (it was logged too).
    const std::optional<TkxException>& lastFailure() const { return lastFailure_; }

    // The bytes of the reply last collected (at most bufferSize).
    std::string lastReply() const
    {
        return std::string(inputBuffer_.begin(), inputBuffer_.begin() + long(inputLength_));
    }

private:
    // Cuts the dump's lines into objects, in order, with `objectBuffer`
    // (bufferSize + 1 bytes) for the line being cut.
    template <typename Visit>
    static void cutObjects(const uint8_t* bytes, size_t length, uint8_t deviceId, char* objectBuffer, Visit visit);
    Bytes request(uint8_t command, const std::string& key, uint8_t separator, const std::string& tail) const;
    void sendRequest(const Bytes& message);
    // Reads one reply up to its F7 and hands `keep` what belongs to it:
    // from its F0 on, the F7 included (what comes before an F0, an F7
    // among it, is the rest of a reply given up earlier). Ends without a
    // byte when the line is closed or a read returns none.
    void readFrame(const char* operation, const std::function<void(const uint8_t*, size_t)>& keep);
    void collectReply(const char* operation);
    // Waits `pause`, looking at the cancel check meanwhile.
    void pause(std::chrono::milliseconds pause);
    KeyedArray want(uint8_t command, const char* operation, const std::string& key, uint8_t flag);
    // Looks `tag` up among the objects the unit returns for `key`.
    std::shared_ptr<BaseObject> ask(const std::string& tag, const std::string& key, uint8_t flag,
                                    KeyedArray* returned = nullptr);
    // Asks for each tag under the object the step before found, starting at
    // the root; null as soon as one is missing. `lastReturned` receives the
    // objects of the last request.
    std::shared_ptr<BaseObject> walk(std::initializer_list<std::pair<const char*, uint8_t>> steps,
                                     KeyedArray* lastReturned = nullptr);
    // The frame of an operation: open, run, close; a failure is logged with
    // `failureMessage`, kept as lastFailure, and the line closed.
    template <typename Body> void operation(const char* failureMessage, Body body);
    void programChange(uint8_t program);
    void openLine();
    // Reads and drops what is left of a reply given up.
    void dropOwedReply();
    void closeAfterFailure(const char* message, const TkxException& e);
    // The bank the unit has loaded, as its program ▸ load ▸ banks list
    // shows it; nothing when the unit does not say.
    std::optional<uint32_t> unitBank();
    void selectBankIfNeeded(uint32_t bank);
    void sendSelectBank(uint8_t bank, bool internal);
    std::optional<std::string> readSigFile();

    SerialConnection serialConnection_;
    std::shared_ptr<ChannelNameInfo> channelInfo_;
    std::vector<uint8_t> inputBuffer_;
    size_t inputLength_ = 0;
    std::vector<char> objectBuffer_;
    std::chrono::milliseconds bankPause_;
    std::chrono::milliseconds replyLimit_;
    CancelCheck cancelCheck_;
    // An exchange was given up before its reply had ended.
    bool replyOwed_ = false;
    std::optional<TkxException> lastFailure_;
};

} // namespace tosk
